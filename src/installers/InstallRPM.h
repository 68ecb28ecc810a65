#ifndef VN_INSTALLERS_INSTALLRPM_H
#define VN_INSTALLERS_INSTALLRPM_H

#include <set>

#include "components/ComponentManager.h"
#include "Installer.h"

class Package;
struct ResolveStatistics;
class Repository;
class VnComponent;

// The installer of rpm hosts on which no package-tool configurator applies: resolves the whole
// selection with the program's own resolver and installs through the base.
class InstallRPM : public Installer {
public:
    InstallRPM(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
               checked_pointer<SystemSpecificConfigurator> configurator);

    // Called once per run: a second call is an internal error (after the bootstrap packages
    // were looked up again). With "--disable-major-updates" only the selected components'
    // packages are listed and nothing is resolved.
    cpkgs_t resolveAll() override;
    void checkDiskSpace() override;

    // Collects the build packages of every component and of the selected ones; apply(),
    // called right after the walk, turns those that only unselected components list from
    // kind 'b' into kind 't' (found again through the repository by name, version and arch).
    // A package that a selected component lists too, through a record of its own, stays.
    class NotCheckedToUpdates : public ComponentManager::Visitor {
    public:
        explicit NotCheckedToUpdates(Repository* repository);
        void visit(VnComponent* component) override;
        void apply();

    private:
        // The pool's package of the same name, version and arch; null when none.
        Package* inPool(const Package* p) const;

        Repository* repository;
        std::set<const Package*> selectedPackages;
        std::set<const Package*> allPackages;
    };
};

// Downloaded size in KiB of a resolved list: the build ('b') and the system-upgrade ('u')
// sizes, each summed in 64 bits and divided apart, the result cut to 32 bits.
int32_t downloadSizeOf(const ResolveStatistics& statistics);

#endif
