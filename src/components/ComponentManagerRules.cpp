// The selection rules and the read-only queries over the component tree, each a visitor run
// over the whole tree.
#include <sstream>

#include "../catalogue/Build.h"
#include "../common/Log.h"
#include "../common/error.h"
#include "ComponentManager.h"
#include "VnComponent.h"
#include "VnRadioGroup.h"

namespace {

const char* const sourceName = "ComponentManager";
const int lineGroupNotEmpty = 933;

// " 'a' 'b'": the name lists of the log lines.
template <class Names>
std::string quotedNames(const Names& names) {
    std::string text;
    for (const std::string& name : names) text += " '" + name + "'";
    return text;
}

}  // namespace

// --- SelectedCounter

ComponentManager::SelectedCounter::SelectedCounter(const std::string& productId)
    : productId(productId), total(0), selected(0), insideRadioGroup(false) {}

void ComponentManager::SelectedCounter::visit(VnComponent* component) {
    if (insideRadioGroup || component->getProductId() != productId) return;
    ++total;
    if (component->isSelected()) ++selected;
}

void ComponentManager::SelectedCounter::enterRadioGroup(VnRadioGroup* group) {
    ++total;
    insideRadioGroup = true;
    if (group->hasSelected()) ++selected;
}

void ComponentManager::SelectedCounter::leaveRadioGroup(VnRadioGroup*) { insideRadioGroup = false; }

// --- MarkSpecifiedNamesComponents

ComponentManager::MarkSpecifiedNamesComponents::MarkSpecifiedNamesComponents(ComponentManager* manager,
                                                                             const std::string& productId,
                                                                             const std::vector<std::string>& names,
                                                                             int mode)
    : manager(manager), productId(productId), mode(mode), names(names.begin(), names.end()) {}

void ComponentManager::MarkSpecifiedNamesComponents::visit(VnComponent* component) {
    if (names.count(component->name) == 0) return;
    if (!productId.empty() && component->getProductId() != productId) return;
    names.erase(component->name);

    const int status = component->getStatus();
    if (status == 3) {
        Log(2) << " skip component " + component->name + ": already up2date\n";
        return;
    }
    if (status == 4) {
        Log(2) << " skip component " + component->name + ": not available\n";
        return;
    }
    switch (mode) {
        case 0: component->setSelected(true); break;
        case 1: component->setSelected(false); break;
        default: throw error(3, 1, 1, 3);
    }
}

void ComponentManager::MarkSpecifiedNamesComponents::enterRadioGroup(VnRadioGroup* group) {
    if (mode == 0) {
        if (group->hasSelected()) return;
        VnComponent* current = group->getCurrentMember();
        if (current->getStatus() != 4) current->setSelected(true);
    } else if (mode == 1) {
        if (group->hasSelected()) group->getCurrentMember()->setSelected(false);
    }
}

void ComponentManager::MarkSpecifiedNamesComponents::finish() {
    if (names.empty()) return;
    Log(0) << "Warning: following component(s) not found";
    if (!productId.empty()) Log(0) << " in product " + productId;
    Log(0) << ":" + quotedNames(names) << "\n";
}

// --- MarkNeedForRequired, MarkNeedForChecked

namespace {

// Selects, in the component's product, what the component needs: a nested walk for the
// names, a second one that marks them. The marker runs even for no names: it selects the
// current member of every radio group that has none selected.
void markNeeds(ComponentManager& manager, VnComponent* component, const char* rule) {
    const std::vector<std::string> names = manager.getComponentsForCheckWith(component);
    Log(3) << std::string(rule) + ": for " + component->name + " " + component->description + " also need: " +
                  quotedNames(names)
           << "\n";
    ComponentManager::MarkSpecifiedNamesComponents marker(&manager, component->getProductId(), names, 0);
    manager.visit(marker);
    marker.finish();
}

}  // namespace

ComponentManager::MarkNeedForRequired::MarkNeedForRequired(ComponentManager* manager) : manager(manager) {}

void ComponentManager::MarkNeedForRequired::visit(VnComponent* component) {
    if (component->isRequired()) markNeeds(*manager, component, "MarkNeedForRequired");
}

ComponentManager::MarkNeedForChecked::MarkNeedForChecked(ComponentManager* manager) : manager(manager) {}

void ComponentManager::MarkNeedForChecked::visit(VnComponent* component) {
    if (component->isSelected()) markNeeds(*manager, component, "MarkNeedForChecked");
}

// --- CheckInstalled, MarkComponentsForUpgrade

ComponentManager::CheckInstalled::CheckInstalled(Repository* repository,
                                                 checked_pointer<SystemSpecificConfigurator> configurator)
    : repository(repository), configurator(configurator) {}

void ComponentManager::CheckInstalled::visit(VnComponent* component) {
    component->checkInstalled(repository, configurator);
}

void ComponentManager::MarkComponentsForUpgrade::visit(VnComponent* component) {
    if (!component->legacy && component->getStatus() == 2) component->setSelected(true);
}

// --- NeedAlsoForSelected

ComponentManager::NeedAlsoForSelected::NeedAlsoForSelected() = default;

void ComponentManager::NeedAlsoForSelected::visit(VnComponent* component) {
    if (component->getStatus() == 3) return;
    (component->isSelected() ? selected : unselected).push_back(component);
}

std::vector<std::pair<VnComponent*, VnComponent*>> ComponentManager::findComponentPairsCheckWith(
    const NeedAlsoForSelected& need) {
    std::vector<std::pair<VnComponent*, VnComponent*>> pairs;
    for (VnComponent* a : need.selected)
        for (VnComponent* b : need.unselected)
            if (a->dependsOn(*b)) pairs.emplace_back(a, b);
    return pairs;
}

// --- ShriveledRadioGroupsRemover

ComponentManager::ShriveledRadioGroupsRemover::ShriveledRadioGroupsRemover(ComponentManager* manager)
    : manager(manager), pending(nullptr) {}

void ComponentManager::ShriveledRadioGroupsRemover::enterRadioGroup(VnRadioGroup* group) {
    group->drop_not_allowed_switches();
    if (group->members.size() == 1) {
        pending = group;
    } else if (group->members.empty()) {
        if (!group->isEmpty()) throw internalError(sourceName, lineGroupNotEmpty);
        groupsToRemove.push_back(group);
    }
}

void ComponentManager::ShriveledRadioGroupsRemover::visit(VnComponent* component) {
    if (!pending) return;
    replacements.emplace_back(pending, component);
    pending = nullptr;
}

void ComponentManager::ShriveledRadioGroupsRemover::apply() {
    const std::vector<VnGroup*> removals = std::move(groupsToRemove);
    const std::vector<std::pair<VnGroup*, VnComponent*>> replacing = std::move(replacements);
    groupsToRemove.clear();
    replacements.clear();
    pending = nullptr;

    for (VnGroup* group : removals) manager->edit_components_tree_remove(group);
    for (const std::pair<VnGroup*, VnComponent*>& r : replacing) {
        // The group may be gone after the edit.
        const std::string groupName = r.first->name;
        VnComponent* member = r.second;
        manager->edit_components_tree_replace(r.first, member);
        const std::string oldName = member->name;
        member->name = groupName;
        std::ostringstream line;
        line << "rename component " << oldName << "(" << static_cast<const void*>(member) << ") to " << groupName
             << "\n";
        Log(3) << line.str();
    }
}

// --- Queries

bool ComponentManager::isAnySelected() {
    class IsAnySelected : public Visitor {
    public:
        void visit(VnComponent* component) override {
            if (component->isSelected()) any = true;
        }
        bool any = false;
    } v;
    visit(v);
    return v.any;
}

bool ComponentManager::isAllInstalled() {
    class IsAllInstalled : public Visitor {
    public:
        void visit(VnComponent* component) override {
            if (component->getStatus() != 3) all = false;
        }
        bool all = true;
    } v;
    visit(v);
    return v.all;
}

bool ComponentManager::isSelectedFromRelease(const Release* release) {
    class Checker : public Visitor {
    public:
        explicit Checker(const Release* release) : release(release) {}
        void visit(VnComponent* component) override {
            if (component->isSelected() && component->getBuild()->getParent().get() == release) found = true;
        }
        const Release* release;
        bool found = false;
    } v(release);
    visit(v);
    return v.found;
}

std::vector<std::string> ComponentManager::getSelection() {
    class Selection : public Visitor {
    public:
        void visit(VnComponent* component) override {
            if (component->isSelected()) names.push_back(component->getFullName());
        }
        std::vector<std::string> names;
    } v;
    visit(v);
    return v.names;
}

std::vector<std::string> ComponentManager::getComponentsForCheckWith(VnComponent* given) {
    class ComponentsForCheckWith : public Visitor {
    public:
        explicit ComponentsForCheckWith(VnComponent* given) : given(given) {}
        void visit(VnComponent* x) override {
            if (x->getStatus() != 3 && !x->isSelected() && given->dependsOn(*x)) names.push_back(x->name);
        }
        std::vector<std::string> names;
        VnComponent* given;
    } v(given);
    visit(v);
    return v.names;
}

std::vector<std::string> ComponentManager::getComponentsForUncheckWith(VnComponent* given) {
    class ComponentsForUncheckWith : public Visitor {
    public:
        explicit ComponentsForUncheckWith(VnComponent* given) : given(given) {}
        void visit(VnComponent* x) override {
            if (x->getStatus() != 3 && x->dependsOn(*given) && x->isSelected()) names.push_back(x->name);
        }
        std::vector<std::string> names;
        VnComponent* given;
    } v(given);
    visit(v);
    return v.names;
}

void ComponentManager::markAllAsRequired(const std::string& productId) {
    class MarkAllAsRequired : public Visitor {
    public:
        explicit MarkAllAsRequired(const std::string& productId) : productId(productId) {}
        void visit(VnComponent* component) override {
            if (!productId.empty() && component->getProductId() != productId) return;
            component->setSelected(true);
            component->forceSelect();
        }
        std::string productId;
    } v(productId);
    visit(v);
}
