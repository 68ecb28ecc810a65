#include "ComponentManager.h"

#include <set>
#include <sstream>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "VnComponent.h"
#include "VnRadioGroup.h"
#include "VnSubGroup.h"

namespace {

const char* const sourceName = "ComponentManager";
const int lineNoBaseComponent = 78;
const int lineNotInArena = 590;
const int lineUnknownNode = 682;
const int lineUnknownSelectNode = 803;

// An address as the stream writes a pointer.
std::string addressOf(const void* p) {
    std::ostringstream text;
    text << p;
    return text.str();
}

void collectRadioGroups(const ComponentManager::NodeList& list, std::set<const VnRadioGroup*>& groups) noexcept {
    for (const std::shared_ptr<VnCompNode>& node : list) {
        if (VnRadioGroup* group = dynamic_cast<VnRadioGroup*>(node.get()))
            groups.insert(group);
        else if (VnSubGroup* sub = dynamic_cast<VnSubGroup*>(node.get()))
            collectRadioGroups(sub->children, groups);
    }
}

}  // namespace

ComponentManager::Visitor::~Visitor() = default;

ComponentManager::ComponentManager() : components(std::make_shared<ComponentArena>()) {}

// Components keep a plain link to their radio group. The groups go with the tree, while the
// components may live on in the arena: no link may point at a group that is gone, also not
// the link of a member that left the group's list without clearing it. Only the arena's
// components are touched: they are the ones known to be alive here.
ComponentManager::~ComponentManager() {
    try {
        std::set<const VnRadioGroup*> groups;
        collectRadioGroups(nodes, groups);
        if (groups.empty()) return;
        for (const std::shared_ptr<VnComponent>& component : components->components())
            if (groups.count(component->getRadioGroup())) component->setRadioGroup(nullptr);
    } catch (...) {
        // Only the set can fail (memory); the links are then left as they are.
    }
}

void ComponentManager::visit(Visitor& visitor) const {
    // A copy: the nodes stay alive, and the loop valid, whatever the visitor does to the list.
    const NodeList list = nodes;
    for (const std::shared_ptr<VnCompNode>& node : list) visitNode(visitor, node);
}

// `node` is held by value: the node lives through its own visit even if the visitor drops
// the tree's owner meanwhile.
void ComponentManager::visitNode(Visitor& visitor, std::shared_ptr<VnCompNode> node) const {
    if (VnComponent* component = dynamic_cast<VnComponent*>(node.get())) {
        visitor.visit(component);
        return;
    }
    if (VnRadioGroup* group = dynamic_cast<VnRadioGroup*>(node.get())) {
        visitor.enterRadioGroup(group);
        // Read only now: entering may shrink the group.
        const std::vector<VnComponent*> members = group->members;
        for (VnComponent* member : members) visitor.visit(member);
        visitor.leaveRadioGroup(group);
        return;
    }
    if (VnSubGroup* sub = dynamic_cast<VnSubGroup*>(node.get())) {
        visitor.enterSubGroup(sub);
        const NodeList children = sub->children;
        for (const std::shared_ptr<VnCompNode>& child : children) visitNode(visitor, child);
        visitor.leaveSubGroup(sub);
        return;
    }
    throw internalError(sourceName, lineUnknownNode);
}

void ComponentManager::find_and_edit(NodeList& list, VnGroup* group, VnComponent* component) {
    const VnCompNode* wanted = group;
    for (size_t i = 0; i < list.size(); ++i) {
        VnCompNode* node = list[i].get();
        if (node && node == wanted && dynamic_cast<VnGroup*>(node)) {
            if (component) {
                // The tree shares the arena's owner; a second owner made from the plain
                // pointer would free the component twice.
                std::shared_ptr<VnComponent> owner = components->ownerOf(component);
                if (!owner) throw internalError(sourceName, lineNotInArena);
                Log(3) << "DEBUG: find_and_edit: replace " + group->name + " (" + addressOf(group) + ") with " +
                              component->name + " (" + addressOf(component) + ")"
                       << "\n";
                component->setRadioGroup(nullptr);
                // The group may go here.
                list[i] = owner;
                for (size_t j = 0; j < list.size(); ++j) {
                    if (dynamic_cast<VnGroup*>(list[j].get())) {
                        std::swap(list[i], list[j]);
                        break;
                    }
                }
            } else {
                Log(3) << "DEBUG: find_and_edit: erase " + addressOf(group) << "\n";
                list.erase(list.begin() + static_cast<NodeList::difference_type>(i));
            }
            throw done();
        }
        if (VnSubGroup* sub = dynamic_cast<VnSubGroup*>(node)) find_and_edit(sub->children, group, component);
    }
}

void ComponentManager::edit_components_tree_replace(VnGroup* group, VnComponent* component) {
    try {
        find_and_edit(nodes, group, component);
    } catch (const done&) {
        return;
    }
    Log(3) << "DEBUG: edit_components_tree_replace: " + addressOf(group) + " not found!\n";
}

void ComponentManager::edit_components_tree_remove(VnGroup* group) {
    try {
        find_and_edit(nodes, group, nullptr);
    } catch (const done&) {
        return;
    }
    Log(3) << "DEBUG: edit_components_tree_remove: " + addressOf(group) + " not found!\n";
}

void ComponentManager::addDiskUsage(const std::string& path, int64_t kib) { diskUsage[path] += kib; }

VnComponent* ComponentManager::getBaseComponent(const std::string& productId) {
    if (nodes.empty()) throw error(3, 1, 1, 3) << Messages::getMessage("err_binf3_nocomps2");
    for (const std::shared_ptr<VnCompNode>& node : nodes) {
        VnComponent* component = dynamic_cast<VnComponent*>(node.get());
        if (!component) continue;
        if (!productId.empty() && component->getProductId() != productId) continue;
        if (component->name == "base") return component;
    }
    for (const std::shared_ptr<VnCompNode>& node : nodes) {
        VnComponent* component = dynamic_cast<VnComponent*>(node.get());
        if (!component) continue;
        if (productId.empty() || component->getProductId() == productId) return component;
    }
    throw internalError(sourceName, lineNoBaseComponent);
}

void ComponentManager::selectBaseComponent() {
    getBaseComponent("")->setSelected(true);
    getBaseComponent("")->forceSelect();
}

void ComponentManager::selectAll(NodeList::const_iterator first, NodeList::const_iterator last, bool select,
                                 const std::string& productId) {
    for (; first != last; ++first) {
        VnCompNode* node = first->get();
        if (!node) throw internalError(sourceName, lineUnknownSelectNode);
        if (!productId.empty() && node->getProductId() != productId) continue;

        VnComponent* target = nullptr;
        if (VnSubGroup* sub = dynamic_cast<VnSubGroup*>(node)) {
            selectAll(sub->children.begin(), sub->children.end(), select, "");
            continue;
        } else if (VnRadioGroup* group = dynamic_cast<VnRadioGroup*>(node)) {
            target = group->getCurrentMember();
        } else if (VnComponent* component = dynamic_cast<VnComponent*>(node)) {
            if (component->legacy) continue;
            target = component;
        } else {
            throw internalError(sourceName, lineUnknownSelectNode);
        }

        if (target->getStatus() == 4) continue;
        if (select || !target->isRequired()) target->setSelected(select);
    }
}
