#ifndef VN_COMPONENTS_COMPONENTMANAGER_H
#define VN_COMPONENTS_COMPONENTMANAGER_H

#include <memory>
#include <vector>

#include "VnCompNode.h"

class VnComponent;
class VnRadioGroup;
class VnSubGroup;

// The component tree of one run and its depth-first walk. Every rule over the tree is a
// Visitor: it keeps its inputs and results as members, the caller runs the walk and then
// reads them.
class ComponentManager {
public:
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

    ComponentManager();
    ~ComponentManager();
    ComponentManager(const ComponentManager&) = delete;
    ComponentManager& operator=(const ComponentManager&) = delete;

    // Walks the top-level nodes in order. An exception from the visitor ends the walk.
    void visit(Visitor& visitor);
    // One node and everything below it; a node of no known kind (or null) is an internal
    // error.
    void visitNode(Visitor& visitor, std::shared_ptr<VnCompNode> node);

    // The top-level nodes, in the order build loading committed them.
    std::vector<std::shared_ptr<VnCompNode>> nodes;
};

#endif
