// Products: the installed version by their key packages, through any lookup of the host's
// packages and through the host's own dpkg database.
#include "catalogue/Product.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "packages/Repository.h"
#include "sources/SourceSysDeb.h"
#include "support/EnglishTest.h"
#include "support/TestUtil.h"

namespace {

// A host whose installed packages are a table; it records the names asked, in order.
class TableLookup : public Product::GetSystemPackage {
public:
    explicit TableLookup(const std::map<std::string, std::string>& installed) : installed(installed) {}
    std::string operator()(const std::string& name) const override {
        asked.push_back(name);
        auto found = installed.find(name);
        return found == installed.end() ? std::string() : found->second;
    }
    std::map<std::string, std::string> installed;
    mutable std::vector<std::string> asked;
};

TEST(ProductTest, TheFirstKeyPackageThatAnswersGivesTheVersion) {
    typedef std::vector<std::vector<std::string>> Groups;
    struct Case {
        const char* label;
        Groups groups;
        std::map<std::string, std::string> installed;
        const char* version;
        std::vector<std::string> asked;
    } cases[] = {
        {"only c installed", {{"a", "b"}, {"c"}}, {{"c", "3.0"}}, "3.0", {"a", "b", "c"}},
        {"a and c installed: groups in order", {{"a", "b"}, {"c"}}, {{"a", "1.0"}, {"c", "3.0"}}, "1.0", {"a"}},
        {"b and c installed: names in order", {{"a", "b"}, {"c"}}, {{"b", "2.0"}, {"c", "3.0"}}, "2.0", {"a", "b"}},
        {"nothing installed", {{"a", "b"}, {"c"}}, {}, "", {"a", "b", "c"}},
        // an empty answer is no answer
        {"empty version passed over", {{"a"}, {"c"}}, {{"a", ""}, {"c", "3.0"}}, "3.0", {"a", "c"}},
        // a product from a single build description may have no key packages
        {"no key packages", {}, {{"a", "1.0"}}, "", {}},
        {"an empty group", {{}, {"c"}}, {{"c", "3.0"}}, "3.0", {"c"}},
    };
    for (const Case& c : cases) {
        const Product product("p", "P", c.groups);
        TableLookup lookup(c.installed);
        EXPECT_EQ(product.detectInstalledVersion(lookup), c.version) << c.label;
        EXPECT_EQ(lookup.asked, c.asked) << c.label;
    }
}

class ProductOnThisHostTest : public testutil::EnglishTest {};

TEST_F(ProductOnThisHostTest, DirectLookupAsksTheHostsDpkg) {
    const testutil::RunResult dpkg = testutil::run({"/usr/bin/dpkg-query", "-W", "-f=${Version}", "dpkg"});
    ASSERT_EQ(dpkg.status, 0) << dpkg.err;
    const std::string expected = dpkg.out.substr(0, dpkg.out.find('-'));

    Repository repo;
    const Product product("p", "P", {{"vantrell-no-such"}, {"dpkg"}});
    // Without an installed-package source there is no one to ask.
    EXPECT_EQ(product.detectInstalledVersion(Product::GetPkgVerDirectlyFromSystem(&repo)), "");

    SourceSysDeb deb(&repo);
    EXPECT_EQ(product.detectInstalledVersion(Product::GetPkgVerDirectlyFromSystem(&repo)), expected);
}

}  // namespace
