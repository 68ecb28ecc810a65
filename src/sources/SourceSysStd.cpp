#include "SourceSysStd.h"

#include <cstdio>

#include <boost/format.hpp>

#include "../catalogue/Build.h"
#include "../catalogue/Product.h"
#include "../catalogue/Release.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/SpaceSeparatedValues.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../common/listSpace.h"
#include "../common/readLine.h"
#include "../common/utils.h"
#include "../components/ComponentManager.h"
#include "../components/VnComponent.h"
#include "../packages/Package.h"
#include "../packages/Repository.h"

namespace {

const char* const mardellVersionFile = "/opt/mardell/.version";
// A version line is short; a longer one is cut here, which keeps the memory bounded.
const size_t versionLineLimit = 64 * 1024;

// The first line of `path`; false when the file cannot be opened.
bool readFirstLine(const std::string& path, std::string& line) {
    FILE* file = std::fopen(path.c_str(), "re");
    if (!file) return false;
    readLine(file, line, versionLineLimit);
    std::fclose(file);
    return true;
}

}  // namespace

SourceSysStd::SourceSysStd(Repository* repository, ComponentManager* componentManager)
    : Source(repository), componentManager(componentManager) {}

SourceSysStd::~SourceSysStd() = default;

void SourceSysStd::downloadPackage(Package*) {}

void SourceSysStd::doGetFull() {}

void SourceSysStd::doGetBrief() {
    Log(2) << "Checking for installed standard packages" << std::endl;
    if (!componentManager) throw error(3, 1, 1, 3) << Messages::getMessage("err_no_cm");

    // Pools the installed copies of one component's packages. Radio-group members are
    // components too, so only the component visit is needed.
    class Collect : public ComponentManager::Visitor {
    public:
        Collect(Repository* repository, const Source* source) : repository(repository), source(source) {}

        void visit(VnComponent* component) override {
            std::shared_ptr<Release> release = component->getBuild()->getParent();
            const std::string& productId = checked_pointer<Product>(checked_pointer<Release>(release.get())->product.get())->id;
            std::string versionText;
            if (productId == "tarnix")
                versionText = SourceSysStd::readTarnixVersion();
            else if (productId == "mardell")
                versionText = SourceSysStd::readMardellVersion();
            else
                return;
            if (versionText.empty()) return;

            // The whole text: for the control panel, its build number is the release.
            const Version installed(versionText);
            for (Package* p : component->packages) {
                const Version& offered = *checked_pointer<Package>(p)->getVersion();
                if (!(offered < installed || offered == installed)) continue;
                Package* copy = new Package(p->getName(), offered.toString());
                // An object of its own, equal to the self-dependency: the package owns its
                // provides and its self-dependency apart.
                copy->addProvideDependency(copy->createDependency(std::string(copy->getName()) + " = " +
                                                                  copy->getVersion()->toString()));
                copy->setArch(p->getArch());
                copy->setType('s');
                repository->addPackage(copy, source);
            }
        }

    private:
        checked_pointer<Repository> repository;
        const Source* source;
    };

    Collect collect(repository.checked(), this);
    componentManager->visit(collect);
}

std::string SourceSysStd::readTarnixVersion() {
    std::string root = getPanelConfValue("PRODUCT_ROOT_D");
    if (root.empty() || root.back() != '/') root += '/';
    const std::string path = root + "version";

    std::string line;
    if (!readFirstLine(path, line)) {
        Log(3) << "Can't open Tarnix version file, assume Tarnix is not installed." << std::endl;
        return std::string();
    }
    const SpaceSeparatedValues values(line);
    if (values.size() < 4)
        throw error(4, 1, 1, 3) << boost::format(Messages::getMessage("err_bad_prodverfile")) % path;
    return values[0] + "-" + values[3];
}

std::string SourceSysStd::readMardellVersion() {
    if (!fileops::exists(mardellVersionFile)) {
        Log(3) << "mardell version file " << mardellVersionFile << " not exists." << std::endl;
        return std::string();
    }
    // The first word, wherever white space (line ends too) puts it, within a bounded head of
    // the file.
    FILE* file = std::fopen(mardellVersionFile, "re");
    if (!file) return std::string();
    std::string head(versionLineLimit, '\0');
    head.resize(std::fread(&head[0], 1, head.size(), file));
    std::fclose(file);
    size_t start = 0;
    while (start < head.size() && isListSpace(head[start])) ++start;
    size_t end = start;
    while (end < head.size() && !isListSpace(head[end])) ++end;
    return head.substr(start, end - start);
}

std::string SourceSysStd::productVersion(const std::string& id, const std::string& osName) {
    std::string version;
    if (id == "tarnix" || id.compare(0, 6, "TARNIX") == 0)
        version = readTarnixVersion();
    else if (id == "mardell")
        version = readMardellVersion();
    else
        return std::string();

    version = version.substr(0, version.find('-'));
    if (id == "tarnix" && osName == "FreeBSD" && !version.empty() && Version(version) > Version("8.2.0"))
        return std::string();
    return version;
}
