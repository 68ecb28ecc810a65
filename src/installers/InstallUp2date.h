#ifndef VN_INSTALLERS_INSTALLUP2DATE_H
#define VN_INSTALLERS_INSTALLUP2DATE_H

#include "Installer.h"

// The installer of Red Hat hosts whose packages up2date fetches (paired with
// Up2dateConfigurator). So far only its kind exists: resolving and installing are not there yet.
class InstallUp2date : public Installer {
public:
    InstallUp2date(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
                   checked_pointer<SystemSpecificConfigurator> configurator);
    ~InstallUp2date() override;

    cpkgs_t resolveAll() override;
    void checkDiskSpace() override;
};

#endif
