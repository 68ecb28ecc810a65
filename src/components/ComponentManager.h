#ifndef VN_COMPONENTS_COMPONENTMANAGER_H
#define VN_COMPONENTS_COMPONENTMANAGER_H

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "../catalogue/InstTypes.h"
#include "../common/checked_pointer"
#include "ComponentArena.h"
#include "VnCompNode.h"

class Package;
class Release;
class Repository;
class SystemSpecificConfigurator;
class VnComponent;
class VnGroup;
class VnRadioGroup;
class VnSubGroup;

// The component tree of one run and its depth-first walk. Every rule over the tree is a
// Visitor: it keeps its inputs and results as members, the caller runs the walk and then
// reads them. Visitors that change the tree or report at the end do so in a call the caller
// makes right after the walk (apply(), finish()), never in their destructors.
class ComponentManager {
public:
    typedef std::vector<std::shared_ptr<VnCompNode>> NodeList;

    class Visitor {
    public:
        virtual void visit(VnComponent* component) = 0;
        // Never called by the walk.
        virtual void reserved() {}
        virtual void enterRadioGroup(VnRadioGroup*) {}
        virtual void enterSubGroup(VnSubGroup*) {}
        virtual void leaveSubGroup(VnSubGroup*) {}
        virtual void leaveRadioGroup(VnRadioGroup*) {}
        virtual ~Visitor();
    };

    // Thrown by find_and_edit once it made its edit, to leave the depth-first search; the two
    // edit operations catch it.
    struct done {};

    // Counts the components of one product that a list shows, and how many are selected. A
    // radio group counts once, whatever its product; its members are not counted.
    class SelectedCounter : public Visitor {
    public:
        explicit SelectedCounter(const std::string& productId);
        void visit(VnComponent* component) override;
        void enterRadioGroup(VnRadioGroup* group) override;
        void leaveRadioGroup(VnRadioGroup* group) override;
        uint32_t getTotal() const { return total; }
        uint32_t getSelected() const { return selected; }

    private:
        std::string productId;
        uint32_t total;
        uint32_t selected;
        bool insideRadioGroup;
    };

    // Selects (mode 0) or deselects (mode 1) the components named, of one product or of any
    // ("" product). Only the first component of a name is acted on; an up-to-date or an
    // unavailable one uses its name up with a skip line. On entering every radio group,
    // whatever the names: mode 0 selects the current member when none is selected, mode 1
    // deselects the selected one. finish(), called after the walk, warns of the names that
    // matched nothing.
    class MarkSpecifiedNamesComponents : public Visitor {
    public:
        MarkSpecifiedNamesComponents(ComponentManager* manager, const std::string& productId,
                                     const std::vector<std::string>& names, int mode);
        void visit(VnComponent* component) override;
        void enterRadioGroup(VnRadioGroup* group) override;
        void finish();
        // The names not acted on yet, sorted.
        const std::set<std::string>& remainingNames() const { return names; }

    private:
        ComponentManager* manager;
        std::string productId;
        int mode;
        std::set<std::string> names;
    };

    // For each required component: selects what it needs (a nested walk per component). The
    // walk goes on and sees the selections made ahead of it.
    class MarkNeedForRequired : public Visitor {
    public:
        explicit MarkNeedForRequired(ComponentManager* manager);
        void visit(VnComponent* component) override;

    private:
        checked_pointer<ComponentManager> manager;
    };

    // The same for each selected component.
    class MarkNeedForChecked : public Visitor {
    public:
        explicit MarkNeedForChecked(ComponentManager* manager);
        void visit(VnComponent* component) override;

    private:
        checked_pointer<ComponentManager> manager;
    };

    // Sets every component's installed state (VnComponent::checkInstalled) from the run's
    // packages. The configurator may hold null.
    class CheckInstalled : public Visitor {
    public:
        CheckInstalled(Repository* repository, checked_pointer<SystemSpecificConfigurator> configurator);
        void visit(VnComponent* component) override;

    private:
        Repository* repository;
        checked_pointer<SystemSpecificConfigurator> configurator;
    };

    // Selects every component to be upgraded (status 2) that is not legacy; leaves the others
    // as they are.
    class MarkComponentsForUpgrade : public Visitor {
    public:
        void visit(VnComponent* component) override;
    };

    // The components that are not up to date, split by selection; read through
    // findComponentPairsCheckWith.
    class NeedAlsoForSelected : public Visitor {
    public:
        NeedAlsoForSelected();
        void visit(VnComponent* component) override;
        std::vector<VnComponent*> selected;
        std::vector<VnComponent*> unselected;
    };

    // Collapses radio groups once their statuses are known: drops the switches the groups do
    // not allow, then apply() removes the groups left empty and puts a group left with one
    // member in its place, under the group's name.
    class ShriveledRadioGroupsRemover : public Visitor {
    public:
        explicit ShriveledRadioGroupsRemover(ComponentManager* manager);
        void enterRadioGroup(VnRadioGroup* group) override;
        void visit(VnComponent* component) override;
        // The tree edits found by the walk; a second call has nothing left to do.
        void apply();

    private:
        ComponentManager* manager;
        VnGroup* pending;
        std::vector<VnGroup*> groupsToRemove;
        std::vector<std::pair<VnGroup*, VnComponent*>> replacements;
    };

    ComponentManager();
    // Releases the tree; components outlive it as long as someone keeps the arena.
    ~ComponentManager();
    ComponentManager(const ComponentManager&) = delete;
    ComponentManager& operator=(const ComponentManager&) = delete;

    // Walks the top-level nodes in order. An exception from the visitor ends the walk.
    void visit(Visitor& visitor) const;
    // One node and everything below it; a node of no known kind (or null) is an internal
    // error. A radio group's members are read after enterRadioGroup.
    void visitNode(Visitor& visitor, std::shared_ptr<VnCompNode> node) const;

    // Depth-first search of `list` (a sub-group's children before the next entry) for the
    // entry that holds `group`: replaces it by the arena's owner of `component`, which then
    // changes places with the first group entry of that list, or erases it when `component`
    // is null. Throws `done` once edited; returns when the group is not there.
    void find_and_edit(NodeList& list, VnGroup* group, VnComponent* component);
    // The two edits over the whole tree; a group not found is only logged.
    void edit_components_tree_replace(VnGroup* group, VnComponent* component);
    void edit_components_tree_remove(VnGroup* group);

    // Adds the KiB that a loaded build needs in `path`; negative amounts subtract.
    void addDiskUsage(const std::string& path, int64_t kib);

    // The top-level component named "base" (of the product, when one is given), else the
    // first top-level component (of the product). An empty tree is "err_binf3_nocomps2"
    // (3,1,1,3); nothing found, an internal error.
    VnComponent* getBaseComponent(const std::string& productId);
    // The same lookup answering null both for an empty tree and for a product without
    // top-level components: the patch manager skips such products.
    VnComponent* findBaseComponent(const std::string& productId) const;
    // Selects the base component and makes it required.
    void selectBaseComponent();
    // Sets the selection of every node of the range (of the product, when one is given):
    // sub-groups recursively, a radio group through its current member. Legacy components and
    // unavailable ones are left alone, and a required component is never deselected.
    static void selectAll(NodeList::const_iterator first, NodeList::const_iterator last, bool select,
                          const std::string& productId);

    bool isAnySelected();
    // False when a component is not up to date; a pending micro-update counts as not.
    bool isAllInstalled();
    // Whether a selected component comes from a build of this very release object.
    bool isSelectedFromRelease(const Release* release);
    // The full names of the selected components, in walk order.
    std::vector<std::string> getSelection();
    // The names of the components, not up to date, that `component` needs and that are not
    // selected; and of those, not up to date and selected, that need `component`.
    std::vector<std::string> getComponentsForCheckWith(VnComponent* component);
    std::vector<std::string> getComponentsForUncheckWith(VnComponent* component);
    // Selects the components of an installation type of the product. `typeName` is lower-cased
    // in place. "full" selects every component of every product, whatever the id; "custom" the
    // list of the product's first type, or, when that has none, the base component and what it
    // needs by check-with; any other name the list of that type (InstTypes::findType, whose
    // error passes). Names that matched nothing are warned of after the walk.
    void selectInstallationType(std::string& typeName, const std::string& productId);
    // Selects every component of the product (every one for "") and makes it required; an
    // unavailable one raises and ends the walk.
    void markAllAsRequired(const std::string& productId);
    // (selected, unselected) for each pair where the first depends on the second, in the
    // visitor's order.
    static std::vector<std::pair<VnComponent*, VnComponent*>> findComponentPairsCheckWith(
        const NeedAlsoForSelected& need);

    // --- What to install and remove. Only selected components count, except in needAlso.

    // Appends to `result` the packages of the selected components that are not installed in
    // the same or a newer version, then those of their first key-package set, and logs the
    // whole list (the caller's entries too). A package named twice goes once, for the first
    // component. A component package missing from the pool is "err_misheaders" (1,1,1,3);
    // what was appended before stays. A null repository is the null-pointer error at the
    // first selected component. The configurator may hold null.
    void getPackagesToInstall(std::vector<const Package*>& result, Repository* repository,
                              checked_pointer<SystemSpecificConfigurator> configurator);
    // The same for the bootstrapper packages, without key packages.
    void getBootstrapperPackagesToInstall(std::vector<const Package*>& result, Repository* repository);
    // One step of both: the packages of `packages` (a list of `component`) that are to be
    // installed, appended to `result` and registered with the run's progress table when one
    // lives.
    static void addComponentPackages(VnComponent* component, const std::vector<Package*>& packages,
                                     Repository& repository, std::vector<const Package*>& result);
    // The removal names of the selected components that are installed, in walk order;
    // a name two components list comes twice.
    std::vector<std::string> getPackagesToRemove(Repository* repository);
    // The container-template names of the selected components, sorted, each once.
    std::vector<std::string> getKVTemplListToInstall();
    // The names, sorted, of the unselected components whose build packages the resolver pulled
    // in (`resolved`): a build package that a selected component lists names none.
    std::vector<std::string> needAlso(const std::vector<const Package*>& resolved);
    // Logs a level-0 line for every directory whose file system has less free space than the
    // loaded builds need there. Raises nothing: the caller decides what a shortage means.
    void checkDiskSpace();

    // The components of the run. Whoever keeps component pointers beyond the manager keeps a
    // copy of this handle.
    const std::shared_ptr<ComponentArena>& arena() const { return components; }

    // The installation types of the loaded builds, one table per product; build loading fills
    // them.
    InstTypes instTypes;
    // The top-level nodes, in the order build loading committed them.
    NodeList nodes;
    // Directory path -> KiB that the loaded builds need there.
    std::map<std::string, int64_t> diskUsage;

private:
    std::shared_ptr<ComponentArena> components;
};

#endif
