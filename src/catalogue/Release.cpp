#include "Release.h"

#include <algorithm>

#include "../common/Log.h"
#include "../common/Opsys.h"
#include "../common/checked_pointer"
#include "../common/error.h"
#include "../components/ParamManager.h"
#include "../packages/Package.h"
#include "../packages/Repository.h"
#include "../packages/internString.h"
#include "../sources/SourceSysStd.h"

namespace {

const char* const sourceName = "Release";
const int lineNotActual = 221;
const int lineNullBuild = 98;

}  // namespace

Release::Release(const std::shared_ptr<Product>& product, const std::string& id, const std::string& name,
                 const std::string& version, const std::string& upgrade_allowed_from)
    : product(product),
      id(id),
      name(name),
      version(version),
      upgrade_allowed_from(upgrade_allowed_from),
      selected(false),
      checkResult(not_checked),
      updateKind(kind_none),
      componentUpgradeAvailable(false),
      microupdateAvailable(false) {}

void Release::addBuild(const std::shared_ptr<Build>& build) {
    if (!build) throw internalError(sourceName, lineNullBuild);
    builds.push_back(build);
}

void Release::addBestWith(const std::string& productId, const std::string& versionText) {
    bestWith.emplace(productId, versionText);
}

std::string Release::details_url() const {
    std::string url = detailsUrl;
    expandTextVariables(url);
    return url;
}

bool Release::is_incompatible_with(const Release& other) const {
    const std::vector<std::string>& ours = checked_pointer<Product>(product.get())->incompatibleProducts;
    return std::find(ours.begin(), ours.end(), checked_pointer<Product>(other.product.get())->id) != ours.end();
}

std::string Release::calculate_current_release(Repository* rep) const {
    checked_pointer<Repository> repository(rep);
    checked_pointer<Product> prod(product.get());
    for (const std::vector<std::string>& group : prod->keyPackages)
        for (const std::string& keyPackage : group)
            if (Package* installed = repository->getInstalledPackage(internString(keyPackage.c_str())))
                return installed->getVersion()->getVersionString();

    // Hosts whose products are not installed as packages: the product's own version files.
    const std::string osName = Opsys().os_name();
    if (osName == "MacOS" || osName == "FreeBSD" || osName == "Windows-server")
        return SourceSysStd::productVersion(prod->id, osName);
    return std::string();
}

void Release::check_installation_state(Repository* rep) {
    installedVersion = calculate_current_release(rep);
    if (!installedVersion.empty()) {
        const Version installed(installedVersion);
        if (version < installed) {
            Log(3) << "Release " << id << " too old: " << installedVersion << " is installed.\n";
            checkResult = not_actual;
            return;
        }
        if (installed < upgrade_allowed_from) {
            Log(2) << "Release " << id << " not fit because too new: "
                   << "upgrade are allowed only begins from " << upgrade_allowed_from.toString() << " version\n";
            checkResult = not_actual;
            return;
        }
    }

    const Opsys host;
    const bool anyFits = std::any_of(builds.begin(), builds.end(),
                                     [&host](const std::shared_ptr<Build>& b) { return b->isCompatible(host); });
    if (!anyFits) {
        Log(2) << "Release " << id << " contains no any build for this OS\n";
        checkResult = not_actual;
        return;
    }

    Log(2) << "Release " << id << " is actual\n";
    checkResult = actual;
    if (installedVersion.empty()) {
        updateKind = kind_install;
        Log(2) << "Release " << id << " no previously installed\n";
    } else if (is_installed()) {
        updateKind = kind_up2date;
        Log(2) << "Release " << id << " is currently installed\n";
    } else {
        updateKind = kind_update;
    }
}

void Release::requireChecked() const {
    if (checkResult == not_checked)
        throw error(3, 1, 1, 3) << "release " << name << " installation state not checked yet";
}

bool Release::is_actual() const {
    requireChecked();
    return checkResult == actual;
}

bool Release::is_installed() const {
    requireChecked();
    return !installedVersion.empty() && Version(installedVersion) == version;
}

int Release::update_kind() const {
    requireChecked();
    if (checkResult != actual) throw internalError(sourceName, lineNotActual);
    return updateKind;
}

namespace {

// The text of an update kind; `updateWord` is what kind 2 reads as.
std::string modeText(const Release& release, int kind, bool upToDateWithNews, const char* updateWord) {
    switch (kind) {
        case Release::kind_none:
            throw error(3, 1, 1, 3) << "release " << release.name << ": update mode is not calculated.";
        case Release::kind_install: return "install";
        case Release::kind_update: return updateWord;
        case Release::kind_upgrade: return "upgrade";
        case Release::kind_up2date: return upToDateWithNews ? "update" : "up2date";
        default:
            throw error(3, 1, 1, 3) << "release " << release.name << ": update mode have invalid value: " << kind;
    }
}

}  // namespace

std::string Release::update_mode() const {
    return modeText(*this, updateKind, componentUpgradeAvailable || microupdateAvailable, "update");
}

std::string Release::web_update_mode() const {
    return modeText(*this, updateKind, componentUpgradeAvailable || microupdateAvailable, "upgrade");
}

int Release::update_grade() const {
    if (componentUpgradeAvailable) return 2;
    return microupdateAvailable ? 1 : 0;
}

void Release::register_component(const std::string& componentName) {
    if (is_installed()) installedComponents.push_back(componentName);
}

void Release::mark_microupdate_available() {
    if (is_installed() && updateKind == kind_up2date) microupdateAvailable = true;
}

void Release::mark_component_upgrade_available() {
    if (is_installed() && updateKind == kind_up2date) componentUpgradeAvailable = true;
}

std::shared_ptr<Build> Release::SelectBestBuild(const Opsys& os) const {
    Log(3) << "Select best build of " << id << " for current OS\n";
    std::shared_ptr<Build> best = builds.getBestBuild(os);
    if (best)
        Log(2) << "The SelectBestBuild function has selected the build " << best->config << " for installation.\n";
    return best;
}

bool Release::hasUsableBuild(const Opsys& os) const {
    std::shared_ptr<Build> best = SelectBestBuild(os);
    return best && !best->deprecated;
}

std::ostream& operator<<(std::ostream& out, const Release& release) {
    return out << (release.name.empty() ? release.id : release.name);
}
