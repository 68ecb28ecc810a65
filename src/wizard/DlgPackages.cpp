#include "DlgPackages.h"

#include <sstream>

#include "../common/Messages.h"
#include "../packages/Package.h"
#include "../packages/Repository.h"
#include "DlgStrongYesNo.h"
#include "TextDlgMaker.h"

DlgPackages::DlgPackages(const std::vector<const Package*>& list, Repository* repository_, bool kernel)
    : installList(list), repository(repository_), newCount(0), upgradeCount(0), removeCount(0), kernelInList(kernel) {
    for (const Package* package : installList) {
        const Package::type_t type = package->getType();
        if (type == 's' || type == 'b') continue;
        if (type == 'd' && package->getObsolete(0) != nullptr) {
            ++removeCount;
            continue;
        }
        if (repository->getInstalledPackage(package->getName()) != nullptr)
            ++upgradeCount;
        else if (type != 'd')
            ++newCount;
    }
}

DlgPackages::~DlgPackages() = default;

bool DlgPackages::askKernel() {
    if (!kernelInList) return true;
    std::ostringstream question;
    question << Messages::getMessage("kernel_in_install_list");
    for (const Package* package : installList)
        if (package->isKernel()) package->print(question) << "\n";
    question << Messages::getMessage("kernel_update_question");
    return createTextDlgMaker()->createStrongYesNo(question.str())->run() == PageResult::yes;
}
