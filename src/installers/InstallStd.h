#ifndef VN_INSTALLERS_INSTALLSTD_H
#define VN_INSTALLERS_INSTALLSTD_H

#include "Installer.h"

// The installer of products delivered as shell-script packages: resolves the selection with
// the program's own resolver; the base runs each package with "sh".
class InstallStd : public Installer {
public:
    InstallStd(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
               checked_pointer<SystemSpecificConfigurator> configurator);

    cpkgs_t resolveAll() override;
    void checkDiskSpace() override;
};

#endif
