#ifndef VN_INSTALLERS_INSTALLYUM_H
#define VN_INSTALLERS_INSTALLYUM_H

#include "Installer.h"

// The installer of hosts whose packages yum installs (paired with YumConfigurator). So far only
// its kind exists: resolving and installing are not there yet.
class InstallYum : public Installer {
public:
    InstallYum(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
               checked_pointer<SystemSpecificConfigurator> configurator);
    ~InstallYum() override;

    cpkgs_t resolveAll() override;
    void checkDiskSpace() override;
};

#endif
