#include "VnComponent.h"

#include "../catalogue/Build.h"
#include "../catalogue/Product.h"
#include "../catalogue/Release.h"
#include "../common/error.h"

namespace {

const char* const sourceName = "VnComponent";
const int lineNullBuild = 46;
const int lineNoStatus = 112;

}  // namespace

VnComponent::VnComponent(const std::shared_ptr<Build>& build, const std::string& name, const std::string& description,
                         const std::string& environment, const std::vector<std::vector<std::string>>& keyPackages)
    : Component(name, description, environment, keyPackages),
      status(0),
      selected(false),
      required(false),
      microUpdateAvailable(false),
      build(build) {
    if (!build) throw internalError(sourceName, lineNullBuild);
}

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
