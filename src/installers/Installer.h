#ifndef VN_INSTALLERS_INSTALLER_H
#define VN_INSTALLERS_INSTALLER_H

#include <cstdint>
#include <string>
#include <vector>

#include "common/checked_pointer"

class ComponentManager;
class Package;
class PkgManager;
class ProductsProgress;
class Repository;
class SystemSpecificConfigurator;

// An install list: packages owned elsewhere (by the run's repository).
typedef std::vector<const Package*> cpkgs_t;

// The back end that turns the selection of a run into installed packages. The kinds of host
// package tools derive from it; the base downloads, runs the PREP and POST actions and installs
// the list group by group, each group holding a package with whatever it needs that is not
// installed yet.
class Installer {
public:
    Installer(checked_pointer<Repository> repository, checked_pointer<ComponentManager> componentManager,
              checked_pointer<SystemSpecificConfigurator> configurator);
    // Only deletes; raises nothing.
    virtual ~Installer();
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

    virtual cpkgs_t resolveAll() = 0;
    virtual void checkPackageSet(const std::vector<std::string>& holdPatterns);
    virtual void checkDiskSpace() = 0;
    virtual void install(bool systemOnly);
    virtual void installGroup(const cpkgs_t& group);
    virtual void installPrep();
    virtual void installPackages(const cpkgs_t& packages, bool systemOnly);
    virtual void installPost();

    const cpkgs_t& getInstallList() const { return resolvedPackages; }
    bool hasKernelPackages() const;
    // KiB that resolveAll found to download.
    int32_t getDownloadSize() const { return downloadSize; }

    void prepareInstallStep(cpkgs_t& installGroup, const cpkgs_t& installList, Repository& repository);
    void updateSystemRepository(const cpkgs_t& group);
    void installWithRpmTransaction(const cpkgs_t& group);

protected:
    // One resolver attempt of prepareInstallStep for one examined package: what `package`
    // needs, into the resolver's output list. May raise PkgManager::unhappy, which starts the
    // next attempt.
    virtual void findRequiredFor(PkgManager& resolver, const Package* package);

    checked_pointer<Repository> repository;
    checked_pointer<ComponentManager> componentManager;
    checked_pointer<SystemSpecificConfigurator> configurator;
    cpkgs_t bootstrapPackages;
    cpkgs_t resolvedPackages;
    int32_t downloadSize;
    ProductsProgress* productsProgress;
};

#endif
