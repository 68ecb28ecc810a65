#include "VnComponent.h"

#include <boost/format.hpp>
#include <sstream>

#include "../catalogue/Build.h"
#include "../catalogue/Product.h"
#include "../catalogue/Release.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../configurators/SystemSpecificConfigurator.h"
#include "../packages/Package.h"
#include "../packages/Repository.h"
#include "../packages/internString.h"
#include "VnRadioGroup.h"

namespace {

const char* const sourceName = "VnComponent";
const int lineNullBuild = 46;
const int lineNoStatus = 112;
const int lineNoInstalledVersion = 171;
const int lineEmptyKeySet = 268;

// The name, once the build is known to be there: the check runs before any part of the
// component is built.
const std::string& nameWithBuild(const std::shared_ptr<Build>& build, const std::string& name) {
    if (!build) throw internalError(sourceName, lineNullBuild);
    return name;
}

const char* boolText(bool value) { return value ? "true" : "false"; }

// Raises a detected version text to `version` when that is higher; "" counts as lowest.
void raiseVersion(std::string& text, const Version& version) {
    if (text.empty() || version > Version(text)) text = version.toString();
}

// Raises a newest build time; the package record keeps it unsigned, the component signed.
void raiseTime(int32_t& time, const Package& package) {
    const int32_t value = static_cast<int32_t>(package.buildTime());
    if (value > time) time = value;
}

Package* installedPackage(const checked_pointer<Repository>& repository, const std::string& name) {
    return repository->getInstalledPackage(internString(name.c_str()));
}

std::string filled(const char* key, const std::string& value) {
    return (boost::format(Messages::getMessage(key)) % value).str();
}

}  // namespace

VnComponent::VnComponent(const std::shared_ptr<Build>& build, const std::string& name, const std::string& description,
                         const std::string& environment, const std::vector<std::vector<std::string>>& keyPackages)
    : Component(nameWithBuild(build, name), description, environment, keyPackages),
      status(0),
      selected(false),
      required(false),
      microUpdateAvailable(false),
      installedBuildTime(0),
      availableBuildTime(0),
      build(build),
      radioGroup(nullptr) {}

VnComponent::~VnComponent() = default;

char VnComponent::getMark() const {
    if (selected) return '*';
    switch (getStatus()) {
        case 3: return '=';
        case 4: return '!';
        default: return ' ';
    }
}

std::string VnComponent::getName() const { return description; }

std::string VnComponent::getProductId() const {
    std::shared_ptr<Release> release = build->getParent();
    if (!release || !release->product) return std::string();
    return release->product->id;
}

std::string VnComponent::getFullName() const {
    const std::string productId = getProductId();
    return productId.empty() ? name : productId + "/" + name;
}

int VnComponent::getStatus() const {
    if (status == 0) throw internalError(sourceName, lineNoStatus);
    if (status == 3 && microUpdateAvailable) return 2;
    return status;
}

const char* VnComponent::getStatusName() const {
    switch (getStatus()) {
        case 1: return "install";
        case 2: return "upgrade";
        case 3: return "up2date";
        case 4: return "error";
        default: throw error(3, 1, 1, 3) << Messages::getMessage("err_unkn_comp_status");
    }
}

bool VnComponent::isEnvironmentSuitable() const {
    if (environment.empty()) return true;
    const std::string& host = Opsys().environment();
    if (environment == "dedicated") return host.empty();
    if (environment == "bx" || environment == "lycos") return host == environment;
    return false;
}

void VnComponent::setSelected(bool select) {
    if (radioGroup) {
        for (VnComponent* member : radioGroup->members) member->selected = false;
        // This one too, should it have left the group's list while keeping its back link.
        selected = false;
    }

    const int current = getStatus();
    if (current == 3) return;
    if (current == 4) throw error(1, 1, 1, 2) << filled("err_comp_notavail", getFullName());
    if (required && !select) throw error(2, 1, 1, 1) << filled("err_comp_required", getFullName());
    selected = select;
}

void VnComponent::forceSelect() {
    selected = true;
    required = true;
}

void VnComponent::setMicroUpdateAvailable() {
    Log(3) << "DEBUG: VnComponent::setMicroUpdateAvailable: " << name << " have microupdate\n";
    microUpdateAvailable = true;
    // A release that is gone has nobody left to tell.
    if (std::shared_ptr<Release> release = build->getParent()) release->mark_microupdate_available();
}

const std::string& VnComponent::getInstalledVersion() const {
    if (status == 0) throw internalError(sourceName, lineNoInstalledVersion);
    return installedVersion;
}

Package* VnComponent::findKeyPackage(const std::string& keyName, Repository* repository,
                                     checked_pointer<SystemSpecificConfigurator> configurator) const {
    const std::string base = fileops::basename(keyName);
    for (Package* p : packages)
        if (p && base == p->getName()) return p;
    if (Package* newest = checked_pointer<Repository>(repository)->getNewestPackage(base)) return newest;
    if (configurator.get()) return configurator->getPackage(keyName);
    return nullptr;
}

void VnComponent::checkInstalled(Repository* repo, checked_pointer<SystemSpecificConfigurator> configurator) {
    Log(3) << "Check installation state for component " + getFullName() + ":\n";
    if (status == 4) return;

    const checked_pointer<Repository> repository(repo);
    installedBuildTime = 0;
    availableBuildTime = 0;
    bool installed_latest = false;
    bool comp_any = false;
    bool available = false;
    int32_t inst_time = 0;
    int32_t avbl_time = 0;
    // Key names without a '/' are only looked up as installed on FreeBSD builds: the ports
    // tree names its offers by category.
    const bool portsHost = configurator.get() && build->os_vendor == "FreeBSD";

    for (const std::vector<std::string>& keySet : keyPackages) {
        if (keySet.empty()) throw internalError(sourceName, lineEmptyKeySet);
        installed_latest = true;
        bool all_installed = true;
        bool all_present = true;

        std::string line = "test keypackages set: ";
        for (const std::string& k : keySet) line += " '" + k + "'";
        Log(3) << line << "\n";

        size_t taken = 0;
        for (const std::string& k : keySet) {
            if (!all_installed && !all_present) break;
            ++taken;
            const std::string base = fileops::basename(k);
            Package* inst = installedPackage(repository, base);
            if (inst) {
                Log(3) << "In system installed " << *inst << "\n";
            } else {
                Log(3) << "Package " + base + " is not installed\n";
                installed_latest = false;
                all_installed = false;
            }
            if (portsHost && k.find('/') == std::string::npos) continue;

            Package* avail = findKeyPackage(k, repo, configurator);
            if (avail)
                Log(3) << "Following package is available: " << *avail << "\n";
            else
                Log(3) << "New version of package " + k + " is not available.\n";

            if (inst) raiseTime(inst_time, *inst);
            if (avail) raiseTime(avbl_time, *avail);
            if (inst) raiseVersion(installedVersion, *inst->getVersion());
            if (avail) raiseVersion(availableVersion, *avail->getVersion());
            if (!inst && !avail) all_present = false;
            if (inst && avail && *inst->getVersion() < *avail->getVersion()) installed_latest = false;
        }
        if (taken == keySet.size()) {
            if (all_installed) comp_any = true;
            if (all_present) available = true;
        }
        if (installed_latest) break;
    }

    {
        std::ostringstream line;
        line << "by keypackages:" << " available=" << boolText(available)
             << ", installed_latest=" << boolText(installed_latest) << ", comp_any=" << boolText(comp_any)
             << ", avbl_time=" << avbl_time << ", inst_ver=" << installedVersion << ", avail_ver=" << availableVersion;
        Log(3) << line.str() << "\n";
    }

    if (keyPackages.empty() || (available && installed_latest)) {
        Log(3) << "Iterate for build packages...\n";
        installed_latest = true;
        for (Package* p : packages) {
            available = true;
            const std::string base = fileops::basename(p->getName());
            raiseVersion(availableVersion, *p->getVersion());
            raiseTime(avbl_time, *p);
            if (Package* inst = installedPackage(repository, base)) {
                raiseVersion(installedVersion, *inst->getVersion());
                raiseTime(inst_time, *inst);
                comp_any = true;
                Log(3) << "Compare system " << *inst << "\n    with build " << *p << "\n";
                if (*inst->getVersion() < *p->getVersion()) installed_latest = false;
                Log(3) << "  currently installed_latest=" << boolText(installed_latest) << "\n";
            } else {
                Log(3) << "Package " + std::string(p->getName()) + " is not installed\n";
                installed_latest = false;
            }
        }
    }
    for (Package* p : packages) raiseTime(avbl_time, *p);

    {
        std::ostringstream line;
        line << "VnComponent: after build packages: inst_time=" << inst_time << ", avbl_time=" << avbl_time
             << ", inst_ver=" << installedVersion << ", avail_ver=" << availableVersion;
        Log(3) << line.str() << "\n";
        line.str("");
        line << "finally check installed: installed_latest=" << boolText(installed_latest)
             << ", available=" << boolText(available) << ", comp_any=" << boolText(comp_any);
        Log(3) << line.str() << "\n";
    }

    if (installed_latest)
        status = 3;
    else if (available)
        status = comp_any ? 2 : 1;
    else
        status = comp_any ? 2 : 4;
    if (status != 4) {
        availableBuildTime = avbl_time;
        if (status == 2 || status == 3) installedBuildTime = inst_time;
    }

    Log(3) << "Component " + getFullName() + ": mode=" << status << "\n";
    {
        std::ostringstream line;
        line << "Component " << getFullName() << ": mode " << getStatusName() << ", " << " installed="
             << installedBuildTime << ", " << " available=" << availableBuildTime;
        Log(1) << line.str() << "\n";
    }

    const std::shared_ptr<Release> release = build->getParent();
    if (status == 2 && release) release->mark_component_upgrade_available();
    if (status == 1 && release) release->register_component(name);
}

bool VnComponent::dependsOn(const VnComponent& other) const {
    if (getProductId() != other.getProductId()) return false;
    for (const std::string& required : requires)
        if (required == other.name && other.getStatus() == 1) return true;
    for (const std::string& tied : other.hardwiredWith)
        if (tied == name && other.getStatus() == 2) return true;

    const VnRadioGroup* group = other.getRadioGroup();
    if (group && group->getCombinedStatus() == 1) {
        for (const std::string& required : requires) {
            if (required != group->name) continue;
            if (group->hasSelected()) continue;
            if (group->defaultMemberName == other.name) {
                Log(3) << "DEBUG: requires '" + group->name + "' from component " + name +
                              " was matched to component " + other.name + "\n";
                return true;
            }
        }
    }
    return false;
}
