#ifndef VN_CATALOGUE_PRODUCT_H
#define VN_CATALOGUE_PRODUCT_H

#include <string>
#include <vector>

class Repository;

// A product of the catalogue and how to recognise it on the host. The reader fills every
// field; nothing here checks them. Its releases share it.
class Product {
public:
    // Asks the host for the installed version of one package: "" when it is not installed.
    class GetSystemPackage {
    public:
        virtual std::string operator()(const std::string& packageName) const = 0;
        virtual ~GetSystemPackage();
    };

    // Asks the host's package database directly, through the repository's installed-package
    // source (not owned).
    class GetPkgVerDirectlyFromSystem : public GetSystemPackage {
    public:
        explicit GetPkgVerDirectlyFromSystem(Repository* repository);
        std::string operator()(const std::string& packageName) const override;

    private:
        Repository* repository;
    };

    Product();
    Product(const std::string& id, const std::string& name, const std::vector<std::vector<std::string>>& keyPackages);

    // The installed version of the product as `lookup` reports it: groups in order, names in
    // order, the first non-empty answer. "" when no key package answers (also for a product
    // without key packages, which only a single-build catalogue can make).
    std::string detectInstalledVersion(const GetSystemPackage& lookup) const;

    // Compared exactly wherever products are matched.
    std::string id;
    std::string name;
    // Package names by which an installation is recognised, searched group by group.
    std::vector<std::vector<std::string>> keyPackages;
    std::vector<std::string> upgradeCodes;
    std::vector<std::string> productCodes;
    std::string activeIcon;
    std::string disabledIcon;
    std::string productSite;
    // Ids of products that must not be installed together with this one.
    std::vector<std::string> incompatibleProducts;
};

#endif
