#include "VnComponent.h"

#include <boost/format.hpp>

#include "../catalogue/Build.h"
#include "../catalogue/Product.h"
#include "../catalogue/Release.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/error.h"
#include "VnRadioGroup.h"

namespace {

const char* const sourceName = "VnComponent";
const int lineNullBuild = 46;
const int lineNoStatus = 112;
const int lineNoInstalledVersion = 171;

// The name, once the build is known to be there: the check runs before any part of the
// component is built.
const std::string& nameWithBuild(const std::shared_ptr<Build>& build, const std::string& name) {
    if (!build) throw internalError(sourceName, lineNullBuild);
    return name;
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
