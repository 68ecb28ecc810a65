#ifndef VN_INSTALLERS_INSTALLPKG_H
#define VN_INSTALLERS_INSTALLPKG_H

#include "Installer.h"

class SourceManager;

// The installer of FreeBSD hosts, building ports and adding packages (paired with
// BSDPortsConfigurator). So far only its kind exists: resolving and installing are not there yet.
class InstallPkg : public Installer {
public:
    InstallPkg(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
               checked_pointer<SystemSpecificConfigurator> configurator, checked_pointer<SourceManager> sources);
    ~InstallPkg() override;

    cpkgs_t resolveAll() override;
    void checkDiskSpace() override;

protected:
    checked_pointer<SourceManager> sourceManager;
};

#endif
