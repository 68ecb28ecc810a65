#include "TextDlgComponents.h"

#include <boost/format.hpp>
#include <iomanip>
#include <iostream>

#include "../catalogue/BuildManager.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../components/VnComponent.h"
#include "../components/VnRadioGroup.h"
#include "../components/VnSubGroup.h"

namespace {

const char* const sourceName = "TextDlgComponents";
const int lineNoProducts = 29;
const int lineNoOfferedProduct = 95;
const int lineNullMember = 294;
const int lineUnknownNode = 306;

std::ostream& number(int n) { return std::cout << std::setw(2) << n; }

}  // namespace

TextDlgComponents::TextDlgComponents(ComponentManager* componentManager, BuildManager* buildManager_)
    : DlgComponents(componentManager), buildManager(buildManager_) {
    for (const auto& release : checked_pointer<BuildManager>(buildManager)->getReleases())
        if (release->selected) products.emplace_back(release->product->id, release->product->name);
    if (products.empty()) throw internalError(sourceName, lineNoProducts);
    currentProduct = products.front().first;
    ComponentManager::MarkComponentsForUpgrade upgrades;
    this->componentManager->visit(upgrades);
}

TextDlgComponents::~TextDlgComponents() = default;

int TextDlgComponents::run() {
    openGroups.clear();
    if (!productIds.empty()) currentProduct = *productIds.begin();
    if (componentManager->isAllInstalled()) {
        std::cout << "\n" << Messages::getMessage("components_allready_installed") << "\n";
        return PageResult::quit;
    }
    for (;;) {
        show();
        const Choice choice = readChoice('N');
        if (choice.isNumber) {
            try {
                chooseNumber(choice.number);
            } catch (const error& e) {
                waitForEnter(e.text());
            }
            continue;
        }
        if (openGroups.empty()) {
            const ComponentManager::NodeList& nodes = componentManager->nodes;
            switch (choice.letter) {
                case 'A':
                    ComponentManager::selectAll(nodes.begin(), nodes.end(), true, currentProduct);
                    break;
                case 'D': {
                    ComponentManager::selectAll(nodes.begin(), nodes.end(), false, currentProduct);
                    ComponentManager::MarkNeedForRequired needs(componentManager);
                    componentManager->visit(needs);
                    break;
                }
                case 'N':
                    if (checkAnySelected()) return PageResult::next;
                    break;
                case 'P':
                    return PageResult::previous;
                case 'Q':
                    return PageResult::quit;
                default:
                    waitForEnter(Messages::getMessage("wizard_listed_only"));
            }
        } else {
            const ComponentManager::NodeList& children = openGroups.back()->children;
            switch (choice.letter) {
                case 'A':
                case 'D':
                    ComponentManager::selectAll(children.begin(), children.end(), choice.letter == 'A',
                                                currentProduct);
                    break;
                case 'L':
                case 'N':
                    openGroups.pop_back();
                    break;
                case 'Q':
                    return PageResult::quit;
                default:
                    waitForEnter(Messages::getMessage("wizard_listed_only"));
            }
        }
    }
}

std::string TextDlgComponents::selectedText(const std::string& productId) const {
    ComponentManager::SelectedCounter counter(productId);
    componentManager->visit(counter);
    return (boost::format(Messages::getMessage("components_page_num_selected")) % counter.getSelected() %
            counter.getTotal())
        .str();
}

const ComponentManager::NodeList& TextDlgComponents::currentLevel() const {
    return openGroups.empty() ? componentManager->nodes : openGroups.back()->children;
}

void TextDlgComponents::show() {
    const char* toggleKey = nullptr;
    if (!openGroups.empty()) {
        const VnSubGroup& group = *openGroups.back();
        showHeader(Messages::getMessage("components_page_hdr") + " / " + group.name);
        std::cout << Messages::getMessage("components_page_body3") << "\n\n";
        int n = 1;
        printNodes(group.children.begin(), group.children.end(), n);
        toggleKey = hasSubGroup(group.children.begin(), group.children.end())
                        ? "components_page_bottom_toggle_groups"
                        : "components_page_bottom_toggle_components";
        std::cout << "\n"
                  << Messages::getMessage("components_page_bottom_head_group") << Messages::getMessage(toggleKey)
                  << Messages::getMessage("components_page_bottom_bottom_group");
        return;
    }

    int n = 1;
    std::string currentName;
    if (productIds.size() < 2) {
        const std::pair<std::string, std::string>* offered = nullptr;
        for (const auto& product : products)
            if (productIds.count(product.first)) {
                offered = &product;
                break;
            }
        if (!offered) throw internalError(sourceName, lineNoOfferedProduct);
        showHeader(Messages::getMessage("components_page_hdr1") + offered->second);
        std::cout << " " << selectedText(offered->first) << "\n";
        currentName = offered->second;
    } else {
        showHeader(Messages::getMessage("components_page_hdr"));
        std::cout << Messages::getMessage("components_page_body1") << "\n\n";
        for (const auto& product : products) {
            if (!productIds.count(product.first)) continue;
            number(n) << ". (" << (product.first == currentProduct ? '*' : ' ') << ") " << product.second
                      << "  ........ " << selectedText(product.first) << "\n";
            ++n;
            if (product.first == currentProduct) currentName = product.second;
        }
    }
    std::cout << "\n"
              << (boost::format(Messages::getMessage("components_page_body2")) % currentName).str() << "\n\n";
    const ComponentManager::NodeList& nodes = componentManager->nodes;
    printNodes(nodes.begin(), nodes.end(), n);
    toggleKey = hasSubGroup(nodes.begin(), nodes.end()) ? "components_page_bottom_toggle_groups"
                                                        : "components_page_bottom_toggle_components";
    std::cout << "\n"
              << Messages::getMessage("components_page_bottom_head_main") << Messages::getMessage(toggleKey)
              << Messages::getMessage("components_page_bottom_bottom_main");
}

void TextDlgComponents::printNodes(ComponentManager::NodeList::const_iterator first,
                                   ComponentManager::NodeList::const_iterator last, int& n) {
    for (; first != last; ++first) {
        VnCompNode* node = first->get();
        if (!node) throw internalError(sourceName, lineUnknownNode);
        if (node->getProductId() != currentProduct) continue;
        if (auto* component = dynamic_cast<VnComponent*>(node)) {
            if (component->legacy) continue;
            if (component->isRequired())
                number(n) << ".  *  " << component->getName() << "\n";
            else
                number(n) << ". [" << component->getMark() << "] " << component->getName() << "\n";
            ++n;
        } else if (auto* group = dynamic_cast<VnRadioGroup*>(node)) {
            std::cout << "\n  " << group->getName() << "\n";
            for (VnComponent* member : group->members) {
                if (!member) throw internalError(sourceName, lineNullMember);
                number(n) << ". (" << member->getMark() << ") " << member->getName() << "\n";
                ++n;
            }
            std::cout << "\n";
        } else {
            number(n) << ". [" << node->getMark() << "] " << node->getName() << "\n";
            ++n;
        }
    }
}

void TextDlgComponents::chooseNumber(int k) {
    int n = 1;
    if (openGroups.empty() && productIds.size() >= 2) {
        for (const auto& product : products) {
            if (!productIds.count(product.first)) continue;
            if (k == n) {
                currentProduct = product.first;
                return;
            }
            ++n;
        }
    }
    // A copy: opening a group or toggling must not pull the list from under the loop.
    const ComponentManager::NodeList level = currentLevel();
    for (const auto& node : level) {
        if (!node) throw internalError(sourceName, lineUnknownNode);
        if (node->getProductId() != currentProduct) continue;
        if (auto* component = dynamic_cast<VnComponent*>(node.get())) {
            if (component->legacy) continue;
            if (k == n) {
                toggleComponent(component);
                return;
            }
            ++n;
        } else if (auto* group = dynamic_cast<VnRadioGroup*>(node.get())) {
            for (VnComponent* member : group->members) {
                if (!member) throw internalError(sourceName, lineNullMember);
                if (k == n) {
                    toggleComponent(member);
                    return;
                }
                ++n;
            }
        } else if (auto* subGroup = dynamic_cast<VnSubGroup*>(node.get())) {
            if (k == n) {
                openGroups.push_back(subGroup);
                return;
            }
            ++n;
        } else {
            if (k == n) throw internalError(sourceName, lineUnknownNode);
            ++n;
        }
    }
    waitForEnter(Messages::getMessage("wizard_no_item_num"));
}

bool TextDlgComponents::hasSubGroup(ComponentManager::NodeList::const_iterator first,
                                    ComponentManager::NodeList::const_iterator last) {
    for (; first != last; ++first)
        if (dynamic_cast<const VnSubGroup*>(first->get())) return true;
    return false;
}

bool TextDlgComponents::checkAnySelected() {
    if (componentManager->isAnySelected()) return true;
    waitForEnter(Messages::getMessage("components_atleast_one"));
    return false;
}
