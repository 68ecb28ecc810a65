#include "Product.h"

#include "../packages/Repository.h"

Product::GetSystemPackage::~GetSystemPackage() = default;

Product::GetPkgVerDirectlyFromSystem::GetPkgVerDirectlyFromSystem(Repository* repository) : repository(repository) {}

std::string Product::GetPkgVerDirectlyFromSystem::operator()(const std::string& packageName) const {
    return checked_pointer<Repository>(repository)->getPkgVersionFromSystemDirectly(packageName);
}

Product::Product() = default;

Product::Product(const std::string& id, const std::string& name,
                 const std::vector<std::vector<std::string>>& keyPackages)
    : id(id), name(name), keyPackages(keyPackages) {}

std::string Product::detectInstalledVersion(const GetSystemPackage& lookup) const {
    for (const std::vector<std::string>& group : keyPackages)
        for (const std::string& package : group) {
            std::string version = lookup(package);
            if (!version.empty()) return version;
        }
    return std::string();
}
