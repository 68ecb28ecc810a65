#ifndef VN_INSTALLERS_INSTALLDEB_H
#define VN_INSTALLERS_INSTALLDEB_H

#include <string>

#include "Installer.h"
#include "reportProgressStep.h"

class DebianAPTConfigurator;

// The installer of Debian and Ubuntu hosts: apt-get itself computes what the selection needs
// (a simulation whose plan becomes the install list) and installs it in one run, fetching the
// packages from the sources the APT configurator has added.
class InstallDeb : public Installer {
public:
    // The configurator must be the APT kind ("err_deb_initobj") and apt-get must be there
    // ("err_no_apt").
    InstallDeb(checked_pointer<Repository> repository, checked_pointer<ComponentManager> components,
               checked_pointer<SystemSpecificConfigurator> configurator);

    // The bootstrapper packages, the selection's packages and whatever apt-get's simulation
    // adds or removes for them. A failing simulation leaves its output, the sources list and
    // the installed packages in the log and raises "err_installation_stopped".
    cpkgs_t resolveAll() override;
    void checkDiskSpace() override;
    void install(bool systemOnly) override;
    void installPackages(const cpkgs_t& list, bool systemOnly) override;

    // apt-get with the options of every run, kept to the base component's distribution
    // release; ends with a blank.
    std::string aptGetCommand() const;
    // The package words of an apt-get command line, each quoted and followed by a blank.
    static std::string aptPackageArguments(const cpkgs_t& list, bool systemOnly);

private:
    DebianAPTConfigurator* aptConfigurator;
};

#endif
