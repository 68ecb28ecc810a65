#include "InstallRPM.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "common/Messages.h"
#include "common/Opsys.h"
#include "common/error.h"
#include "components/VnComponent.h"
#include "main/Options.h"
#include "packages/Package.h"
#include "packages/PkgManager.h"
#include "packages/Repository.h"
#include "InstallDeb.h"

namespace {

const char* const sourceName = "InstallRPM";
const int lineSecondResolve = 118;

}  // namespace

int32_t downloadSizeOf(const ResolveStatistics& statistics) {
    const int64_t build = static_cast<int64_t>(statistics.buildSize);
    const int64_t system = static_cast<int64_t>(statistics.systemSize);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(build / 1024 + system / 1024)));
}

InstallRPM::InstallRPM(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
                       checked_pointer<SystemSpecificConfigurator> configurator)
    : Installer(repository, componentManager, configurator) {}

InstallRPM::NotCheckedToUpdates::NotCheckedToUpdates(Repository* repository) : repository(repository) {}

void InstallRPM::NotCheckedToUpdates::visit(VnComponent* component) {
    for (const Package* p : component->packages) {
        allPackages.insert(p);
        if (component->isSelected()) selectedPackages.insert(p);
    }
}

Package* InstallRPM::NotCheckedToUpdates::inPool(const Package* p) const {
    const Version* version = p->getVersion();
    if (!version) return nullptr;
    return repository->findPackage(p->getName(), *version, p->getArch() ? p->getArch() : "");
}

void InstallRPM::NotCheckedToUpdates::apply() {
    std::vector<const Package*> unselectedOnly;
    std::set_difference(allPackages.begin(), allPackages.end(), selectedPackages.begin(), selectedPackages.end(),
                        std::back_inserter(unselectedOnly));
    // Each component holds the records of its own build description: a file that two
    // components list is two records, but one package in the pool. What a selected component
    // lists stays a build package, whichever record names it.
    std::set<const Package*> selectedInPool;
    for (const Package* p : selectedPackages)
        if (const Package* found = inPool(p)) selectedInPool.insert(found);
    for (const Package* p : unselectedOnly) {
        Package* found = inPool(p);
        if (found && found->getType() == 'b' && selectedInPool.count(found) == 0) found->setType('t');
    }
}

cpkgs_t InstallRPM::resolveAll() {
    if (Options::instance().disableMajorUpdates) {
        componentManager->getPackagesToInstall(resolvedPackages, repository.get(), configurator);
        return resolvedPackages;
    }

    repository->getFullInfo();
    reportProgressStep("searching_need_pkgs", Messages::getMessage("searching_need_pkgs"));
    componentManager->getBootstrapperPackagesToInstall(bootstrapPackages, repository.get());
    if (!resolvedPackages.empty()) throw internalError(sourceName, lineSecondResolve);

    resolvedPackages = bootstrapPackages;
    componentManager->getPackagesToInstall(resolvedPackages, repository.get(), configurator);
    if (resolvedPackages.empty()) return resolvedPackages;

    {
        NotCheckedToUpdates demotion(repository.get());
        componentManager->visit(demotion);
        demotion.apply();
    }

    repository->resolveRequires();
    const ResolverOptions options = {true, Options::instance().upgradeSystemPackages};
    PkgManager resolver(repository.get(), &resolvedPackages, &options);
    resolver.osArch = Opsys().arch();
    try {
        resolver.blacklistUnresolved();
        resolver.findNecessaryPackages(0);
    } catch (error& e) {
        if (!resolver.explanations.empty()) {
            // The resolver has logged its report already: it goes with the error's text, and
            // mark 0 keeps the handlers from logging it a second time.
            e.qualifyFront(5, 1, 1, 3) << resolver.getReport();
            e.mark(0);
        }
        throw;
    }

    ResolveStatistics statistics;
    resolver.getStatistics(statistics);
    downloadSize = downloadSizeOf(statistics);
    return resolvedPackages;
}

void InstallRPM::checkDiskSpace() { componentManager->checkDiskSpace(); }
