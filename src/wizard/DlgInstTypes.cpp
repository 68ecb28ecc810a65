#include "DlgInstTypes.h"

#include "../components/ComponentManager.h"

namespace {

const InstTypes* tableOf(ComponentManager* componentManager) {
    return &checked_pointer<ComponentManager>(componentManager)->instTypes;
}

}  // namespace

DlgInstTypes::DlgInstTypes(ComponentManager* componentManager)
    : instTypes(tableOf(componentManager)), viewComponents(false) {
    for (const InstTypes::ProductTypes& entry : instTypes->products())
        choices.emplace_back(entry.product_id, entry.types.empty() ? std::string() : entry.types.front().name);
}

DlgInstTypes::~DlgInstTypes() = default;

std::string& DlgInstTypes::choiceFor(const std::string& productId) {
    for (auto& choice : choices)
        if (choice.first == productId) return choice.second;
    choices.emplace_back(productId, std::string());
    return choices.back().second;
}
