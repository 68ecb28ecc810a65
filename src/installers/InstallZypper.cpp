#include "InstallZypper.h"

#include "../main/mainRoutines.h"

InstallZypper::InstallZypper(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
                             checked_pointer<SystemSpecificConfigurator> configurator)
    : Installer(repository, componentManager, configurator) {}

InstallZypper::~InstallZypper() = default;

cpkgs_t InstallZypper::resolveAll() { throwNotImplemented(); }

void InstallZypper::checkDiskSpace() { throwNotImplemented(); }
