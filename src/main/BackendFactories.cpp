#include "BackendFactories.h"

#include <utility>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/checked_pointer"
#include "../common/error.h"
#include "../components/ComponentManager.h"
#include "../components/SourceManager.h"
#include "../components/VnComponent.h"
#include "../configurators/BSDPortsConfigurator.h"
#include "../configurators/BXAgentConfigurator.h"
#include "../configurators/DebianAPTConfigurator.h"
#include "../configurators/RHNChecker.h"
#include "../configurators/Up2dateConfigurator.h"
#include "../configurators/YumConfigurator.h"
#include "../configurators/ZypperConfigurator.h"
#include "../installers/InstallBXAgent.h"
#include "../installers/InstallDeb.h"
#include "../installers/InstallPkg.h"
#include "../installers/InstallRPM.h"
#include "../installers/InstallStd.h"
#include "../installers/InstallUp2date.h"
#include "../installers/InstallYum.h"
#include "../installers/InstallZypper.h"
#include "../packages/Repository.h"
#include "../packages/Version.h"
#include "../sources/FileFetcher.h"
#include "../sources/SourceSysCache.h"
#include "../sources/SourceSysDeb.h"
#include "../sources/SourceSysPkg.h"
#include "../sources/SourceSysRPM.h"
#include "../sources/SourceSysStd.h"
#include "../sources/SourceUrl.h"
#include "Options.h"

Source* systemPackagesSource = nullptr;
bool oldFreeBsdPanel = false;

namespace {

// An installed-packages source of one kind that forgets itself when it goes, so that a later
// run of the factory for a new repository never takes a dead source for a live one.
template <class Kind>
class RememberedSource : public Kind {
public:
    template <class... Args>
    explicit RememberedSource(Repository* repository, Args&&... args)
        : Kind(repository, std::forward<Args>(args)...) {}
    ~RememberedSource() override {
        if (systemPackagesSource == this) systemPackagesSource = nullptr;
    }
};

template <class Kind, class... Args>
Source* makeOwnedSource(Repository& repository, Args&&... args) {
    std::unique_ptr<Source> made(new RememberedSource<Kind>(&repository, std::forward<Args>(args)...));
    Source* source = made.get();
    repository.adoptSource(std::move(made));
    return source;
}

bool isYumVendor(const std::string& vendor) {
    return vendor == "Fedora" || vendor == "FedoraCore" || vendor == "CentOS" || vendor == "CloudLinux";
}

}  // namespace

void createSystemSource(Repository* repository, bool warnIfPresent) {
    if (warnIfPresent && systemPackagesSource) {
        Log(0) << "Warning: system reader Source is already allocated" << "\n";
        return;
    }
    checked_pointer<Repository> pool(repository);
    const std::string& cacheFile = Options::instance().systemPackagesCacheFile;
    if (!cacheFile.empty()) {
        systemPackagesSource = makeOwnedSource<SourceSysCache>(*pool, cacheFile);
        return;
    }
    const std::string vendor = Opsys().os_vendor();
    if (vendor == "Apple")
        systemPackagesSource = nullptr;
    else if (vendor == "FreeBSD")
        systemPackagesSource = makeOwnedSource<SourceSysPkg>(*pool);
    else if (vendor == "Debian" || vendor == "Ubuntu")
        systemPackagesSource = makeOwnedSource<SourceSysDeb>(*pool);
    else
        systemPackagesSource = makeOwnedSource<SourceSysRPM>(*pool);
}

std::unique_ptr<SystemSpecificConfigurator> createSystemConfigurator(Repository* repository, FileFetcher* fetcher,
                                                                     const std::string& source,
                                                                     ComponentManager* components,
                                                                     const PortsSettings& ports,
                                                                     SourceManager* sources) {
    const Options& options = Options::instance();
    const Opsys os;
    const std::string vendor = os.os_vendor();

    // 1. Inside a container, the agent when it can serve the run.
    if (options.allowContainerAgent && os.environment() == "bx") {
        std::unique_ptr<BXAgentConfigurator> agent(new BXAgentConfigurator(repository, components, sources));
        if (agent->isUsable()) return agent;
    }

    // 2. up2date on a registered Red Hat host before release 5: taken as it is, whatever the
    // builds allow.
    const RHNChecker rhn;
    if (options.allowUp2date && rhn.isConfigured() && !rhn.isYumBased())
        return std::unique_ptr<SystemSpecificConfigurator>(new Up2dateConfigurator(source, sources));

    // 3. Whether the builds allow the host's own package managers.
    const bool nativeAllowed = checked_pointer<SourceManager>(sources)->nativePackageManagersAllowed;
    if (!nativeAllowed) Log(2) << Messages::getMessage("system_native_pkg_managers_disabled");

    // 4. yum on a registered Red Hat host of release 5 and later. Where the builds do not ask
    // for it, a missing yum only goes to the log.
    if (rhn.isConfigured() && rhn.isYumBased()) {
        std::unique_ptr<YumConfigurator> yum(new YumConfigurator(source, sources, repository));
        try {
            yum->checkUsable();
            return yum;
        } catch (const error& e) {
            if (nativeAllowed) throw;
            Log(2) << e.text() << "\n";
        }
    }

    // 5. yum on the other yum-based distributions: checked twice, the second failure counts.
    if (nativeAllowed && isYumVendor(vendor)) {
        std::unique_ptr<YumConfigurator> yum(new YumConfigurator(source, sources, repository));
        try {
            yum->checkUsable();
        } catch (const error& e) {
            Log(2) << e.text() << "\n";
            yum->checkUsable();
        }
        return yum;
    }

    // 6. zypper on SuSE 11.0 and later (rpm version rules).
    if (nativeAllowed && vendor == "SuSE" && Version(os.version()).compare(Version("11.0")) >= 0) {
        std::unique_ptr<ZypperConfigurator> zypper(new ZypperConfigurator(source, sources, repository));
        zypper->checkUsable();
        return zypper;
    }

    // 7. FreeBSD ports. A local source cannot serve them.
    VnComponent* base = checked_pointer<ComponentManager>(components)->getBaseComponent("");
    if (base->isPkg()) {
        if (isAbsolutePath(source))
            throw error(2, 1, 1, 3) << Messages::getMessage("err_no_pkg_local_src");
        const std::string panel = SourceSysStd::readTarnixVersion();
        if (!panel.empty() && vendor == "FreeBSD" && Version(panel).compare(Version("8.1")) < 0)
            oldFreeBsdPanel = true;
        return std::unique_ptr<SystemSpecificConfigurator>(
            new BSDPortsConfigurator(repository, components, ports, sources, *checked_pointer<FileFetcher>(fetcher)));
    }

    // 8. APT for Debian packages.
    if (base->isDeb()) {
        return std::unique_ptr<SystemSpecificConfigurator>(
            new DebianAPTConfigurator(source, *checked_pointer<ComponentManager>(components),
                                      *checked_pointer<SourceManager>(sources)));
    }

    // 9. Nothing to prepare.
    return nullptr;
}

std::unique_ptr<Installer> createInstaller(Repository* repository, ComponentManager* components,
                                           SystemSpecificConfigurator* configurator, SourceManager* sources) {
    if (dynamic_cast<BXAgentConfigurator*>(configurator))
        return std::unique_ptr<Installer>(new InstallBXAgent(repository, components, configurator));
    if (dynamic_cast<Up2dateConfigurator*>(configurator))
        return std::unique_ptr<Installer>(new InstallUp2date(repository, components, configurator));
    if (dynamic_cast<YumConfigurator*>(configurator))
        return std::unique_ptr<Installer>(new InstallYum(repository, components, configurator));
    if (dynamic_cast<ZypperConfigurator*>(configurator))
        return std::unique_ptr<Installer>(new InstallZypper(repository, components, configurator));
    if (dynamic_cast<DebianAPTConfigurator*>(configurator))
        return std::unique_ptr<Installer>(new InstallDeb(repository, components, configurator));
    if (dynamic_cast<BSDPortsConfigurator*>(configurator))
        return std::unique_ptr<Installer>(new InstallPkg(repository, components, configurator, sources));

    VnComponent* base = checked_pointer<ComponentManager>(components)->getBaseComponent("");
    if (base->isStd()) return std::unique_ptr<Installer>(new InstallStd(repository, components, configurator));
    if (base->isRPM()) return std::unique_ptr<Installer>(new InstallRPM(repository, components, configurator));
    throw error(3, 1, 1, 3) << Messages::getMessage("err_unkn_pkgsys");
}
