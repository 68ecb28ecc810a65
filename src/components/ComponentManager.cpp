#include "ComponentManager.h"

#include "../common/error.h"
#include "VnComponent.h"

namespace {

const char* const sourceName = "ComponentManager";
const int lineUnknownNode = 682;

}  // namespace

ComponentManager::Visitor::~Visitor() = default;

ComponentManager::ComponentManager() = default;

ComponentManager::~ComponentManager() = default;

void ComponentManager::visit(Visitor& visitor) {
    for (const std::shared_ptr<VnCompNode>& node : nodes) visitNode(visitor, node);
}

// `node` is held by value: the node lives through its own visit even if the visitor drops
// the tree's owner meanwhile.
void ComponentManager::visitNode(Visitor& visitor, std::shared_ptr<VnCompNode> node) {
    if (VnComponent* component = dynamic_cast<VnComponent*>(node.get())) {
        visitor.visit(component);
        return;
    }
    throw internalError(sourceName, lineUnknownNode);
}
