#include "ComponentArena.h"

#include "../common/error.h"
#include "VnComponent.h"

namespace {

const char* const sourceName = "ComponentArena";
const int lineNullComponent = 31;

}  // namespace

ComponentArena::ComponentArena() = default;

ComponentArena::~ComponentArena() = default;

std::shared_ptr<VnComponent> ComponentArena::make(const std::shared_ptr<Build>& build, const std::string& name,
                                                  const std::string& description, const std::string& environment,
                                                  const std::vector<std::vector<std::string>>& keyPackages) {
    std::shared_ptr<VnComponent> component =
        std::make_shared<VnComponent>(build, name, description, environment, keyPackages);
    add(component);
    return component;
}

void ComponentArena::add(const std::shared_ptr<VnComponent>& component) {
    if (!component) throw internalError(sourceName, lineNullComponent);
    if (index.emplace(component.get(), kept.size()).second) kept.push_back(component);
}

std::shared_ptr<VnComponent> ComponentArena::ownerOf(const VnComponent* component) const {
    auto it = index.find(component);
    return it == index.end() ? std::shared_ptr<VnComponent>() : kept[it->second];
}
