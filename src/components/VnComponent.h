#ifndef VN_COMPONENTS_VNCOMPONENT_H
#define VN_COMPONENTS_VNCOMPONENT_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../common/checked_pointer"
#include "../packages/Component.h"
#include "VnCompNode.h"

class Build;
class Package;
class Repository;
class SystemSpecificConfigurator;
class VnRadioGroup;

// A component of the tree: the description's component record and the build it was loaded
// from, which the component shares with the catalogue and which is never null.
//
// Status: 0 not yet determined, 1 install, 2 upgrade, 3 up to date, 4 error. Every rule
// reads it through getStatus(), so a pending micro-update turns an up-to-date component into
// an upgradable one everywhere at once.
class VnComponent : public Component, public VnCompNode {
public:
    // Port name to (option name to value), as the build description gives them.
    typedef std::map<std::string, std::map<std::string, std::string>> PortOptions;

    // A null build is an internal error; nothing is made then.
    VnComponent(const std::shared_ptr<Build>& build, const std::string& name, const std::string& description,
                const std::string& environment, const std::vector<std::vector<std::string>>& keyPackages);
    ~VnComponent() override;

    // '*' selected, '=' up to date, '!' error, else ' '.
    char getMark() const override;
    // The description, not the name.
    std::string getName() const override;
    // The id of the product of the build's release; "" once the release is gone.
    std::string getProductId() const override;
    // "<product id>/<name>", the bare name without a product id.
    std::string getFullName() const;

    // The status; an up-to-date component with a pending micro-update reads as 2. Before
    // detection set it, an internal error.
    int getStatus() const;
    // "install", "upgrade", "up2date" or "error" for the status read; another stored code is
    // "err_unkn_comp_status" (3,1,1,3).
    const char* getStatusName() const;

    // Whether the component may be loaded on this host, by the environment of the running
    // system: "" suits any host, "dedicated" only a host without one, "bx" and "lycos" only
    // the same, anything else none.
    bool isEnvironmentSuitable() const;

    // Selects or deselects. The other members of the radio group are deselected first, even
    // when the change is then refused; an up-to-date component stays as it is without a word.
    // An unavailable component is "err_comp_notavail" (1,1,1,2); deselecting a required one
    // "err_comp_required" (2,1,1,1).
    void setSelected(bool select);
    // Selected and required, without any check.
    void forceSelect();

    // Detects the installed state from the key-package sets and the build packages: sets the
    // status and the four detection results, tells the build's release of an upgrade (status
    // 2) or registers the component with it (status 1). A status 4 is final and left alone.
    // The version texts only ever rise: a second detection keeps the higher ones. The
    // configurator may hold null. A null repository is the null-pointer error.
    void checkInstalled(Repository* repository, checked_pointer<SystemSpecificConfigurator> configurator);
    // The package that stands for a key-package name (its base name after the last '/'): the
    // first own build package of that name, else the newest package of the pool, else what the
    // configurator (when one is given) offers for the whole name; null when none.
    Package* findKeyPackage(const std::string& keyName, Repository* repository,
                            checked_pointer<SystemSpecificConfigurator> configurator) const;
    // Whether this component needs `other`, within one product: it requires `other` while
    // `other` is to be installed; `other` is tied to it (hardwired-with) while `other` is to be
    // upgraded; or it requires the radio group of `other`, nothing of which is installed or
    // selected, and `other` is the group's default member by name.
    bool dependsOn(const VnComponent& other) const;

    // Notes a pending micro-update (the status reads 2 from now on) and tells the release.
    void setMicroUpdateAvailable();
    bool isMicroUpdateAvailable() const { return microUpdateAvailable; }

    // The stored code as detection left it: 0 before detection, no micro-update applied.
    // Rules read getStatus(); this is for detection and for code that must not raise.
    int getStoredStatus() const { return status; }
    void setStatus(int value) { status = value; }

    bool isSelected() const { return selected; }
    bool isRequired() const { return required; }
    void setRequired(bool value) { required = value; }

    const std::shared_ptr<Build>& getBuild() const { return build; }
    // The add-on build whose sources are switched on with the selection; null for a component
    // of a release's own build, and once the add-on build is gone.
    std::shared_ptr<Build> getAddonBuild() const { return addonBuild.lock(); }
    void setAddonBuild(const std::weak_ptr<Build>& value) { addonBuild = value; }

    // The radio group that holds the component; null when none. The group sets it.
    VnRadioGroup* getRadioGroup() const { return radioGroup; }
    void setRadioGroup(VnRadioGroup* group) { radioGroup = group; }

    const PortOptions& getPortOptions() const { return portOptions; }
    void setPortOptions(const PortOptions& value) { portOptions = value; }

    // The detection results: newest build times (0 when none) and highest version texts
    // ("" when none) of the installed and of the available packages compared.
    int32_t getInstalledBuildTime() const { return installedBuildTime; }
    void setInstalledBuildTime(int32_t value) { installedBuildTime = value; }
    int32_t getAvailableBuildTime() const { return availableBuildTime; }
    void setAvailableBuildTime(int32_t value) { availableBuildTime = value; }
    // Before detection, an internal error: "" would read as "not installed".
    const std::string& getInstalledVersion() const;
    void setInstalledVersion(const std::string& value) { installedVersion = value; }
    const std::string& getAvailableVersion() const { return availableVersion; }
    void setAvailableVersion(const std::string& value) { availableVersion = value; }

private:
    PortOptions portOptions;
    // Weak: a component does not keep an add-on build alive.
    std::weak_ptr<Build> addonBuild;
    int32_t status;
    bool selected;
    bool required;
    bool microUpdateAvailable;
    int32_t installedBuildTime;
    int32_t availableBuildTime;
    std::string installedVersion;
    std::string availableVersion;
    std::shared_ptr<Build> build;
    // Not owned.
    VnRadioGroup* radioGroup;
};

#endif
