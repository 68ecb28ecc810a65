#ifndef VN_INSTALLERS_INSTALLBXAGENT_H
#define VN_INSTALLERS_INSTALLBXAGENT_H

#include "Installer.h"

// The installer of a container that the container agent manages. For now only its kind is
// known (patches ask for it); the container-agent installer completes it.
class InstallBXAgent : public Installer {
public:
    InstallBXAgent(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
                   checked_pointer<SystemSpecificConfigurator> configurator);
    ~InstallBXAgent() override;

    cpkgs_t resolveAll() override;
    void checkDiskSpace() override;
};

#endif
