#include "DlgComponents.h"

#include <boost/format.hpp>

#include "../common/Messages.h"
#include "../common/error.h"
#include "../components/ComponentManager.h"
#include "../components/VnComponent.h"
#include "DlgYesNo.h"
#include "TextDlgMaker.h"

namespace {

ComponentManager* notNull(ComponentManager* manager) { return checked_pointer<ComponentManager>(manager).checked(); }

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

}  // namespace

DlgComponents::DlgComponents(ComponentManager* manager) : componentManager(notNull(manager)) {
    if (componentManager->getBaseComponent("")->getStatus() == 1) componentManager->selectBaseComponent();
    ComponentManager::MarkNeedForRequired needs(componentManager);
    componentManager->visit(needs);
}

DlgComponents::~DlgComponents() = default;

void DlgComponents::toggleComponent(VnComponent* component) {
    VnComponent& c = *checked_pointer<VnComponent>(component);
    if (c.getStatus() == 3) {
        // Selecting it clears the group and leaves the installed member as it is.
        if (c.getRadioGroup()) {
            c.setSelected(true);
            return;
        }
        throw error(2, 1, 1, 1) << boost::format(Messages::getMessage("err_comp_instalr")) % c.name;
    }
    const bool deselect = c.isSelected();
    const std::vector<std::string> tied = deselect ? componentManager->getComponentsForUncheckWith(&c)
                                                   : componentManager->getComponentsForCheckWith(&c);
    if (!tied.empty()) {
        const std::string question =
            Messages::getMessage(deselect ? "components_uncheck_also" : "components_need_also") + "\n\n" +
            joined(tied) + "\n\n" + Messages::getMessage(deselect ? "components_deselect_them" : "components_select_them");
        if (createTextDlgMaker()->createYesNo(question)->run() != PageResult::yes) return;
        ComponentManager::MarkSpecifiedNamesComponents marker(componentManager, c.getProductId(), tied,
                                                              deselect ? 1 : 0);
        componentManager->visit(marker);
        marker.finish();
    }
    c.setSelected(!deselect);
}
