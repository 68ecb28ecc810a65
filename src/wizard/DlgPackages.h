#ifndef VN_WIZARD_DLGPACKAGES_H
#define VN_WIZARD_DLGPACKAGES_H

#include <vector>

#include "../common/checked_pointer"
#include "Dialog.h"

class Package;
class Repository;

// What the resolved installation does to the system's packages, and the consent to a new
// kernel.
class DlgPackages : public Dialog {
public:
    // Counts the list (copied; the packages are the repository's). Build and installed
    // packages are not counted; a dummy that obsoletes something is a removal; any other
    // package is an upgrade when a package of its name is installed, else new (a dummy never
    // is). The repository is read only for packages that need it.
    DlgPackages(const std::vector<const Package*>& installList, Repository* repository, bool kernelInList);
    ~DlgPackages() override;

    // True when there is no kernel package to consent to, or the user consented on a strong
    // yes/no page.
    bool askKernel();

    std::vector<const Package*> installList;
    // Not owned.
    checked_pointer<Repository> repository;
    int newCount;
    int upgradeCount;
    int removeCount;
    bool kernelInList;
};

#endif
