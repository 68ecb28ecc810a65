#include "InstTypes.h"

#include "../common/error.h"
#include "Build.h"
#include "BuildInfFile.h"
#include "Product.h"
#include "Release.h"

namespace {

const char* const sourceName = "InstTypes";
const int lineNoRelease = 31;
const int lineNoProduct = 33;

// Plain ASCII, whatever the locale: type names come from descriptions and the command line.
bool sameIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

const char* const InstTypes::fullName = "Full";
const char* const InstTypes::fullDescription = "Install all components.";
const char* const InstTypes::customName = "Custom";
const char* const InstTypes::customDescription =
    "Custom components selection. Recommended only for experienced users.";

void InstTypes::addBuildTypes(const std::shared_ptr<Build>& build, const Type& type) {
    const std::shared_ptr<Release> release = build ? build->getParent() : nullptr;
    if (!release) throw internalError(sourceName, lineNoRelease);
    const Product* product = release->product.get();
    if (!product) throw internalError(sourceName, lineNoProduct);

    for (ProductTypes& entry : entries) {
        if (entry.product_id == product->id) {
            entry.types.push_back(type);
            return;
        }
    }
    entries.push_back(ProductTypes{product->id, product->name, {type}});
}

const InstTypes::ProductTypes& InstTypes::forProduct(const std::string& productId) const {
    for (const ProductTypes& entry : entries)
        if (entry.product_id == productId) return entry;
    throw error(3, 1, 1, 3) << "InstTypes data: can't get product by id='" << productId << "'";
}

const InstTypes::Type& InstTypes::findType(const ProductTypes& entry, const std::string& typeName) {
    if (typeName.empty()) throw error(3, 1, 1, 3) << "InstTypes data: tname is empty in request";
    for (const Type& type : entry.types)
        if (sameIgnoringAsciiCase(type.name, typeName)) return type;
    throw error(3, 1, 1, 3) << "InstTypes data: can't get install type from product: " << entry.product_id << "/"
                            << typeName;
}

void InstTypes::addLoadedBuildTypes(const std::shared_ptr<Build>& build, const BuildInfFile& description) {
    for (const BuildInfFile::insttype_t& declared : description.installation_types) {
        Type type;
        type.name = declared.name;
        type.description = declared.description;
        type.kind = kind_declared;
        type.components = declared.components;
        addBuildTypes(build, type);
    }
    Type full;
    full.name = fullName;
    full.description = fullDescription;
    full.kind = kind_full;
    addBuildTypes(build, full);
    Type custom;
    custom.name = customName;
    custom.description = customDescription;
    custom.kind = kind_custom;
    addBuildTypes(build, custom);
}
