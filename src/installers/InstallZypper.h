#ifndef VN_INSTALLERS_INSTALLZYPPER_H
#define VN_INSTALLERS_INSTALLZYPPER_H

#include "Installer.h"

// The installer of SuSE hosts whose packages zypper installs (paired with ZypperConfigurator).
// So far only its kind exists: resolving and installing are not there yet.
class InstallZypper : public Installer {
public:
    InstallZypper(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
                  checked_pointer<SystemSpecificConfigurator> configurator);
    ~InstallZypper() override;

    cpkgs_t resolveAll() override;
    void checkDiskSpace() override;
};

#endif
