#include <string>
#include <vector>

#include "ComponentManager.h"
#include "VnComponent.h"

void ComponentManager::selectInstallationType(std::string& typeName, const std::string& productId) {
    for (char& c : typeName)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');

    if (typeName == "full") {
        selectAll(nodes.begin(), nodes.end(), true, "");
        return;
    }

    std::vector<std::string> names;
    if (typeName == "custom") {
        const InstTypes::ProductTypes& entry = instTypes.forProduct(productId);
        if (!entry.types.empty()) names = entry.types.front().components;
        // A build without types of its own: "Full" comes first and lists nothing.
        if (names.empty()) {
            VnComponent* base = getBaseComponent(productId);
            names = getComponentsForCheckWith(base);
            names.push_back(base->name);
        }
    } else {
        names = InstTypes::findType(instTypes.forProduct(productId), typeName).components;
    }
    MarkSpecifiedNamesComponents mark(this, productId, names, 0);
    visit(mark);
    mark.finish();
}
