#ifndef VN_WIZARD_DLGCOMPONENTS_H
#define VN_WIZARD_DLGCOMPONENTS_H

#include <set>
#include <string>

#include "Dialog.h"

class ComponentManager;
class VnComponent;

// The choice of the components to install, over the run's component tree. Selections live in
// the tree, so they outlast the page.
class DlgComponents : public Dialog {
public:
    // The start-up selection: the base component when it is to be installed, then what the
    // required components need. An empty tree is "err_binf3_nocomps2"; a null manager the
    // null-pointer error.
    explicit DlgComponents(ComponentManager* componentManager);
    ~DlgComponents() override;

    // Selects or deselects one component. When others are tied to it (what it needs, or what
    // needs it), asks first whether they go along; a "no" changes nothing. An up-to-date
    // member of a radio group empties its group; another up-to-date component is
    // "err_comp_instalr" (2,1,1,1). What setSelected raises passes: the tied components that a
    // confirmed question changed stay changed then.
    void toggleComponent(VnComponent* component);

    // Not owned.
    ComponentManager* componentManager;
    // The products offered, byte-wise ascending; the driver fills it before each run.
    std::set<std::string> productIds;
};

#endif
