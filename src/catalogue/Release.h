#ifndef VN_CATALOGUE_RELEASE_H
#define VN_CATALOGUE_RELEASE_H

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "../packages/Version.h"
#include "BuildList.h"
#include "Product.h"

class Opsys;
class Repository;

// One offered version of a product: its builds, and what the host makes of it once checked
// (installed version, whether it can be offered here, and how installing it would act).
//
// Check result: 0 not checked, 1 not actual, 2 actual. Update kind: 0 not calculated,
// 1 install, 2 update, 3 upgrade (never assigned by the check), 4 up to date.
class Release {
public:
    enum { not_checked = 0, not_actual = 1, actual = 2 };
    enum { kind_none = 0, kind_install = 1, kind_update = 2, kind_upgrade = 3, kind_up2date = 4 };

    // Both versions are parsed; a parse error passes and nothing is made.
    Release(const std::shared_ptr<Product>& product, const std::string& id, const std::string& name,
            const std::string& version, const std::string& upgrade_allowed_from);

    void addBuild(const std::shared_ptr<Build>& build);
    void addBestWith(const std::string& productId, const std::string& version);

    // details_url with its text variables expanded; the stored value stays as it is.
    std::string details_url() const;
    // Whether `other`'s product is one this release's product must not be installed with.
    // One-sided: callers that need both directions ask both releases.
    bool is_incompatible_with(const Release& other) const;

    // The installed version of the product (epoch and version, no release) by its key
    // packages among the installed packages of `rep`; on MacOS, FreeBSD and Windows-server
    // hosts, with no key package installed, by the product's own version files. "" for none.
    std::string calculate_current_release(Repository* rep) const;
    // Stores the installed version, then decides whether the release is actual here and, if
    // so, its update kind.
    void check_installation_state(Repository* rep);

    // The state queries; before the check they raise "installation state not checked yet".
    bool is_actual() const;
    // The installed text (without release) equals the release's full version.
    bool is_installed() const;
    // 1 to 4; on a release that is not actual, an internal error.
    int update_kind() const;
    std::string update_mode() const;
    std::string web_update_mode() const;
    // 2 with a component upgrade, 1 with only a patch, else 0.
    int update_grade() const;
    // Only on the installed release (and, for the two flags, when it is up to date); the
    // list and the flags only grow.
    void register_component(const std::string& componentName);
    void mark_microupdate_available();
    void mark_component_upgrade_available();

    std::shared_ptr<Build> SelectBestBuild(const Opsys& os) const;
    // A best build exists and is not deprecated.
    bool hasUsableBuild(const Opsys& os) const;

    int getCheckResult() const { return checkResult; }
    const std::string& getInstalledVersion() const { return installedVersion; }
    const std::vector<std::string>& getInstalledComponents() const { return installedComponents; }
    bool isComponentUpgradeAvailable() const { return componentUpgradeAvailable; }
    bool isMicroupdateAvailable() const { return microupdateAvailable; }

    // Product id to a version of that product this release works best with; pairs may repeat.
    std::multimap<std::string, std::string> bestWith;
    // Never null.
    std::shared_ptr<Product> product;
    std::string id;
    // Display name; may be empty.
    std::string name;
    Version version;
    // The oldest installed version this release may be installed over.
    Version upgrade_allowed_from;
    // As the catalogue gives it, text variables unexpanded; empty when none.
    std::string detailsUrl;
    BuildList builds;
    // Chosen for installation in this run.
    bool selected;

private:
    // "release <name> installation state not checked yet" (3,1,1,3) before the check.
    void requireChecked() const;

    int checkResult;
    int updateKind;
    std::string installedVersion;
    std::vector<std::string> installedComponents;
    bool componentUpgradeAvailable;
    bool microupdateAvailable;
};

// The name, or the id when the name is empty.
std::ostream& operator<<(std::ostream& out, const Release& release);

#endif
