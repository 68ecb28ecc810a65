#include "InstallUp2date.h"

#include "../main/mainRoutines.h"

InstallUp2date::InstallUp2date(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
                               checked_pointer<SystemSpecificConfigurator> configurator)
    : Installer(repository, componentManager, configurator) {}

InstallUp2date::~InstallUp2date() = default;

cpkgs_t InstallUp2date::resolveAll() { throwNotImplemented(); }

void InstallUp2date::checkDiskSpace() { throwNotImplemented(); }
