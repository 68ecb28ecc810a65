#include "InstallYum.h"

#include <ostream>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Progress.h"
#include "../common/ShellQuote.h"
#include "../common/TerminationState.h"
#include "../common/error.h"
#include "../common/exec_cmd.h"
#include "../components/ComponentManager.h"
#include "../components/VnComponent.h"
#include "../configurators/YumConfigurator.h"
#include "../packages/Package.h"
#include "../reporting/ProductsProgress.h"

namespace {

// Names of this file and its lines in internal errors; they stay fixed from build to build.
const char* const sourceName = "InstallYum";
const int lineListNotEmpty = 31;
const int lineNotYum = 94;


// Adds "--exclude <name> " for every excluded package of each selected component, in walk order.
class ExcludePackages : public ComponentManager::Visitor {
public:
    explicit ExcludePackages(std::string& command) : command(command) {}
    void visit(VnComponent* component) override {
        if (!component->isSelected()) return;
        Log(3) << "Get list of excluded packages from selected component " << component->getName() << std::endl;
        for (const std::string& name : component->expackages) command += "--exclude " + shellQuote(name) + " ";
    }

private:
    std::string& command;
};

}  // namespace

InstallYum::InstallYum(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
                       checked_pointer<SystemSpecificConfigurator> configurator)
    : Installer(repository, componentManager, configurator) {}

InstallYum::~InstallYum() = default;

cpkgs_t InstallYum::resolveAll() {
    componentManager->getBootstrapperPackagesToInstall(bootstrapPackages, repository.get());
    if (!resolvedPackages.empty()) throw internalError(sourceName, lineListNotEmpty);
    resolvedPackages.insert(resolvedPackages.end(), bootstrapPackages.begin(), bootstrapPackages.end());
    componentManager->getPackagesToInstall(resolvedPackages, repository.get(), configurator);
    return resolvedPackages;
}

void InstallYum::checkDiskSpace() {}

void InstallYum::install(bool systemOnly) {
    Progress().stage(4, 1);
    Progress().step("install", Messages::getMessage("installling_pkgs"));
    installPrep();
    installPackages(resolvedPackages, systemOnly);
    installPost();
}

std::string InstallYum::packageNames(const cpkgs_t& list) {
    std::string names;
    for (const Package* p : list) names += shellQuote(p->getName()) + " ";
    return names;
}

void InstallYum::installPackages(const cpkgs_t& list, bool) {
    int status;
    try {
        std::string command = "yum -y ";
        const YumConfigurator* yum = dynamic_cast<const YumConfigurator*>(configurator.operator->());
        if (!yum) throw internalError(sourceName, lineNotYum);
        for (const std::string& id : yum->repoIds()) command += "--enablerepo " + shellQuote(id) + " ";
        command += "install ";
        ExcludePackages excluded(command);
        componentManager->visit(excluded);
        command += packageNames(list);
        if (ProductsProgress* progress = ProductsProgress::instance()) progress->set_started();
        status = executeCommand(command.c_str(), true, false);
    } catch (error& e) {
        if (!isTerminated()) {
            e.qualify(4, 1, 1, 2) << Messages::getMessage("err_pkginst_yum_exec");
        }
        throw;
    }
    if (status != 0) throw error(6, 1, 3, 3) << Messages::getMessage("err_pkginst_yum");
}
