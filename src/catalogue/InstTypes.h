#ifndef VN_CATALOGUE_INSTTYPES_H
#define VN_CATALOGUE_INSTTYPES_H

#include <memory>
#include <string>
#include <vector>

class Build;
class BuildInfFile;

// The run's installation types: one entry per product, holding the types that the loaded
// build descriptions of that product declare, then the built-in "Full" and "Custom". The
// build loader fills it; the selection by installation type, the wizard and the reporters
// look types up in it. Entries and types keep their order of addition; nothing is removed.
class InstTypes {
public:
    // Declared by a build description, or one of the two built-in types.
    enum { kind_declared = 0, kind_full = 1, kind_custom = 2 };

    struct Type {
        std::string name;
        std::string description;
        int kind = kind_declared;
        // The declared component names; empty for the built-in types.
        std::vector<std::string> components;
    };

    struct ProductTypes {
        std::string product_id;
        std::string product_name;
        std::vector<Type> types;
    };

    // The texts of the built-in types.
    static const char* const fullName;
    static const char* const fullDescription;
    static const char* const customName;
    static const char* const customDescription;

    // Appends a copy of `type` to the entry of the build's product (build -> release ->
    // product), appending that entry first when the product has none. Types are never
    // merged. A build without a release, or a release without a product, is an internal error.
    void addBuildTypes(const std::shared_ptr<Build>& build, const Type& type);
    // A build loaded for the first time: the types its description declares, then "Full" and
    // "Custom".
    void addLoadedBuildTypes(const std::shared_ptr<Build>& build, const BuildInfFile& description);

    // The entry whose product id equals `productId` exactly; none is an error (3,1,1,3).
    const ProductTypes& forProduct(const std::string& productId) const;
    // The first type of `entry` named `typeName`, ignoring the case of ASCII letters; an empty
    // name or no match is an error (3,1,1,3).
    static const Type& findType(const ProductTypes& entry, const std::string& typeName);

    const std::vector<ProductTypes>& products() const { return entries; }

private:
    std::vector<ProductTypes> entries;
};

#endif
