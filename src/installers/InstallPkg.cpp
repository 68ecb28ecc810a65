#include "InstallPkg.h"

#include "../main/mainRoutines.h"

InstallPkg::InstallPkg(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
                       checked_pointer<SystemSpecificConfigurator> configurator, checked_pointer<SourceManager> sources)
    : Installer(repository, componentManager, configurator), sourceManager(sources) {}

InstallPkg::~InstallPkg() = default;

cpkgs_t InstallPkg::resolveAll() { throwNotImplemented(); }

void InstallPkg::checkDiskSpace() { throwNotImplemented(); }
