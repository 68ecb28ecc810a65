#include "InstallBXAgent.h"

#include "common/error.h"

InstallBXAgent::InstallBXAgent(checked_pointer<Repository> repository,
                               checked_pointer<ComponentManager> componentManager,
                               checked_pointer<SystemSpecificConfigurator> configurator)
    : Installer(repository, componentManager, configurator) {}

InstallBXAgent::~InstallBXAgent() = default;

// Installing through the agent is not there yet: refuse rather than report an empty success.
cpkgs_t InstallBXAgent::resolveAll() { throw internalError("InstallBXAgent", 1); }

void InstallBXAgent::checkDiskSpace() { throw internalError("InstallBXAgent", 2); }
