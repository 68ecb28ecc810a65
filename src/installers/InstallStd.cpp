#include "InstallStd.h"

#include "common/Messages.h"
#include "common/Opsys.h"
#include "components/ComponentManager.h"
#include "main/Options.h"
#include "packages/PkgManager.h"
#include "packages/Repository.h"
#include "InstallDeb.h"
#include "InstallRPM.h"

InstallStd::InstallStd(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
                       checked_pointer<SystemSpecificConfigurator> configurator)
    : Installer(repository, componentManager, configurator) {}

cpkgs_t InstallStd::resolveAll() {
    repository->getFullInfo();
    componentManager->getPackagesToInstall(resolvedPackages, repository.get(), configurator);
    if (resolvedPackages.empty()) return resolvedPackages;

    reportProgressStep("searching_need_pkgs", Messages::getMessage("searching_need_pkgs"));
    repository->resolveRequires();
    const ResolverOptions options = {true, Options::instance().upgradeSystemPackages};
    PkgManager resolver(repository.get(), &resolvedPackages, &options);
    resolver.osArch = Opsys().arch();
    resolver.findNecessaryPackages(0);

    ResolveStatistics statistics;
    resolver.getStatistics(statistics);
    downloadSize = downloadSizeOf(statistics);
    return resolvedPackages;
}

void InstallStd::checkDiskSpace() { componentManager->checkDiskSpace(); }
