#ifndef VN_INSTALLERS_INSTALLYUM_H
#define VN_INSTALLERS_INSTALLYUM_H

#include <string>

#include "Installer.h"

// The installer of hosts whose packages yum installs (paired with YumConfigurator): the install
// list is the packages of the selected components, and one yum run, with the run's
// repositories enabled and the components' excluded packages left out, installs it with
// whatever it needs.
class InstallYum : public Installer {
public:
    // Only the base's constructor; the configurator's kind is checked when installing.
    InstallYum(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
               checked_pointer<SystemSpecificConfigurator> configurator);
    ~InstallYum() override;

    // The bootstrapper packages, then the packages of the selected components; once per
    // installer (a second call is an internal error).
    cpkgs_t resolveAll() override;
    // yum checks the space itself.
    void checkDiskSpace() override;
    // PREP actions, the yum run, POST actions, whatever `systemOnly` is.
    void install(bool systemOnly) override;
    // One "yum -y ... install" run of `list`; `systemOnly` is not used. A failure to run yum
    // raises with "err_pkginst_yum_exec" as the last line, a non-zero status "err_pkginst_yum"
    // (6,1,3,3).
    void installPackages(const cpkgs_t& list, bool systemOnly) override;

    // The names of `list`, each quoted for the shell and followed by one blank.
    static std::string packageNames(const cpkgs_t& list);
};

#endif
