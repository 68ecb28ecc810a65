#ifndef VN_WIZARD_DLGINSTTYPES_H
#define VN_WIZARD_DLGINSTTYPES_H

#include <string>
#include <utility>
#include <vector>

#include "../catalogue/InstTypes.h"
#include "../common/checked_pointer"
#include "Dialog.h"

class ComponentManager;

// The choice of one installation type per product. The driver reads `choices` and
// `viewComponents` after the run and selects the components itself.
class DlgInstTypes : public Dialog {
public:
    // Every product of the manager's table starts with its first type. A null manager is the
    // null-pointer error.
    explicit DlgInstTypes(ComponentManager* componentManager);
    ~DlgInstTypes() override;

    // The chosen type name of the product; a product without a choice gets an empty one,
    // appended.
    std::string& choiceFor(const std::string& productId);

    // The run's table, not owned.
    checked_pointer<const InstTypes> instTypes;
    // (product id, chosen type name), in table order; kept from run to run.
    std::vector<std::pair<std::string, std::string>> choices;
    // The user left with 'L': the components are to be shown next. Cleared by every run.
    bool viewComponents;
};

#endif
