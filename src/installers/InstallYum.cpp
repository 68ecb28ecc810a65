#include "InstallYum.h"

#include "../main/mainRoutines.h"

InstallYum::InstallYum(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
                       checked_pointer<SystemSpecificConfigurator> configurator)
    : Installer(repository, componentManager, configurator) {}

InstallYum::~InstallYum() = default;

cpkgs_t InstallYum::resolveAll() { throwNotImplemented(); }

void InstallYum::checkDiskSpace() { throwNotImplemented(); }
