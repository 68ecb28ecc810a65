#ifndef VN_WIZARD_TEXTDLGCOMPONENTS_H
#define VN_WIZARD_TEXTDLGCOMPONENTS_H

#include <string>
#include <utility>
#include <vector>

#include "../components/ComponentManager.h"
#include "DlgComponents.h"
#include "TextDialog.h"

class BuildManager;
class VnSubGroup;

// The component tree of one product at a time as a numbered list. With several products
// offered, the products come first in the numbering; a sub-group opens on its number; legacy
// components and other products' nodes take no number.
class TextDlgComponents : public DlgComponents, public TextDialog {
public:
    // Offers the products of the selected releases and selects what is to be upgraded. No
    // selected release is an internal error.
    TextDlgComponents(ComponentManager* componentManager, BuildManager* buildManager);
    ~TextDlgComponents() override;

    // 200, 201 or 202; 202 at once when everything is up to date.
    int run() override;
    void show();
    // One level of the tree, numbered from `number`, which moves past the last line.
    void printNodes(ComponentManager::NodeList::const_iterator first,
                    ComponentManager::NodeList::const_iterator last, int& number);
    // A number typed by the user, numbered as show() numbers the lines.
    void chooseNumber(int number);
    static bool hasSubGroup(ComponentManager::NodeList::const_iterator first,
                            ComponentManager::NodeList::const_iterator last);
    // Whether a component of the whole tree is selected; if none, says so and answers false.
    bool checkAnySelected();

    // Not owned.
    BuildManager* buildManager;
    // (product id, product name) of the selected releases, in catalogue order.
    std::vector<std::pair<std::string, std::string>> products;
    std::string currentProduct;
    // The sub-groups opened, innermost last; empty on the main list. Not owned.
    std::vector<VnSubGroup*> openGroups;

private:
    // "<selected> of <total> components selected" for the product.
    std::string selectedText(const std::string& productId) const;
    // The level shown: the top-level nodes or the innermost open group's children.
    const ComponentManager::NodeList& currentLevel() const;
};

#endif
