// The installation-types table: one entry per product, filled from build descriptions the way
// the build loader fills it, and its two look-ups.
#include "catalogue/InstTypes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "catalogue/BuildInfFile.h"
#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "packages/Package.h"
#include "support/EnglishTest.h"
#include "support/InstTypesLoading.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

struct Catalogue {
    std::shared_ptr<Release> release(const std::string& productId, const std::string& id) {
        auto product = std::make_shared<Product>(productId, productId + " name",
                                                 std::vector<std::vector<std::string>>{{productId + "-base"}});
        releases.push_back(std::make_shared<Release>(product, id, id, "1.0", "0.9"));
        return releases.back();
    }
    std::shared_ptr<Build> build(const std::shared_ptr<Release>& release) {
        auto b = std::make_shared<Build>(release, "Linux", "Debian", "5.0", "i386", "lenny", "dedicated",
                                         "dists/b.inf3", "false");
        release->addBuild(b);
        return b;
    }
    std::vector<std::shared_ptr<Release>> releases;
};

InstTypes::Type declared(const std::string& name, const std::vector<std::string>& components) {
    InstTypes::Type t;
    t.name = name;
    t.description = name + " set";
    t.kind = InstTypes::kind_declared;
    t.components = components;
    return t;
}

std::string names(const InstTypes::ProductTypes& entry) {
    std::string out;
    for (const InstTypes::Type& t : entry.types) out += (out.empty() ? "" : ",") + t.name + "/" + std::to_string(t.kind);
    return out;
}

class InstTypesTest : public testutil::EnglishTest {};

TEST_F(InstTypesTest, TwoBuildsOfOneProductShareOneEntryInCallOrder) {
    Catalogue c;
    const auto tarnix95 = c.build(c.release("tarnix", "tarnix_9_5"));
    const auto mardell = c.build(c.release("mardell", "mardell_4"));
    const auto tarnix96 = c.build(c.release("tarnix", "tarnix_9_6"));
    InstTypes table;
    table.addBuildTypes(tarnix95, declared("Typical", {"base"}));
    table.addBuildTypes(mardell, declared("Sites", {"builder"}));
    table.addBuildTypes(tarnix96, declared("Mail", {"base", "mail"}));
    // Never merged: the same name twice stays twice.
    table.addBuildTypes(tarnix96, declared("Typical", {"base", "web"}));

    ASSERT_EQ(2u, table.products().size());
    EXPECT_EQ("tarnix", table.products()[0].product_id);
    EXPECT_EQ("tarnix name", table.products()[0].product_name);
    EXPECT_EQ("Typical/0,Mail/0,Typical/0", names(table.forProduct("tarnix")));
    EXPECT_EQ("Sites/0", names(table.forProduct("mardell")));
    EXPECT_EQ((std::vector<std::string>{"base"}), InstTypes::findType(table.forProduct("tarnix"), "typical").components);
}

TEST_F(InstTypesTest, LooksUpTypesOfADescriptionAndTheBuiltInOnes) {
    Catalogue c;
    const auto build = c.build(c.release("tarnix", "tarnix_9_5_4"));
    InstTypes table;
    {
        testutil::LogCapture log(0);
        BuildInfFile description(std::string(VN_FIXTURES_DIR) + "/catalogue/build/debian-full.inf3", "dists/b.inf3");
        testutil::addTypesAsLoaderDoes(table, build, description);
        for (Package* p : description.update_packages) delete p;
        for (Package* p : description.thirdparty_packages) delete p;
        for (const auto& component : description.components) {
            for (Package* p : component->packages) delete p;
            for (Package* p : component->bootstrapper_packages) delete p;
        }
    }
    const InstTypes::ProductTypes& tarnix = table.forProduct("tarnix");
    EXPECT_EQ("Typical/0,full/0,Full/1,Custom/2", names(tarnix));

    struct Row {
        const char* asked;
        const char* name;
        int kind;
        const char* description;
    } rows[] = {
        {"CUSTOM", "Custom", InstTypes::kind_custom,
         "Custom components selection. Recommended only for experienced users."},
        {"custom", "Custom", InstTypes::kind_custom,
         "Custom components selection. Recommended only for experienced users."},
        // The declared "full" comes before the built-in one.
        {"Full", "full", InstTypes::kind_declared, "Everything the maker offers"},
        {"FULL", "full", InstTypes::kind_declared, "Everything the maker offers"},
        {"tYpIcAl", "Typical", InstTypes::kind_declared, "The usual set"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.asked);
        const InstTypes::Type& t = InstTypes::findType(tarnix, row.asked);
        EXPECT_EQ(row.name, t.name);
        EXPECT_EQ(row.kind, t.kind);
        EXPECT_EQ(row.description, t.description);
    }
    EXPECT_EQ((std::vector<std::string>{"base", "mail", "web"}), InstTypes::findType(tarnix, "full").components);
    EXPECT_EQ("Install all components.", tarnix.types[2].description);
    EXPECT_TRUE(tarnix.types[2].components.empty());
}

TEST_F(InstTypesTest, FailedLookUpsAreInternalErrors) {
    Catalogue c;
    InstTypes table;
    table.addBuildTypes(c.build(c.release("tarnix", "r")), declared("Typical", {"base"}));
    const InstTypes::ProductTypes& tarnix = table.forProduct("tarnix");
    // Non-ASCII letters are not folded: "İ" (U+0130) is no "i", whatever the locale.
    table.addBuildTypes(c.build(c.release("tarnix", "r2")), declared("\xc4\xb0nstall", {"base"}));

    struct Row {
        const char* label;
        std::function<void()> lookUp;
        const char* text;
    } rows[] = {
        {"empty type name", [&] { InstTypes::findType(tarnix, ""); }, "InstTypes data: tname is empty in request\n"},
        {"product id in another case", [&] { table.forProduct("TARNIX"); },
         "InstTypes data: can't get product by id='TARNIX'\n"},
        {"unknown product", [&] { table.forProduct(""); }, "InstTypes data: can't get product by id=''\n"},
        {"unknown type", [&] { InstTypes::findType(tarnix, "x"); },
         "InstTypes data: can't get install type from product: tarnix/x\n"},
        {"no Unicode case folding", [&] { InstTypes::findType(tarnix, "\xc4\xb1nstall"); },
         "InstTypes data: can't get install type from product: tarnix/\xc4\xb1nstall\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const error e = raisedError(row.lookUp);
        EXPECT_EQ(row.text, e.text());
        EXPECT_EQ("(3,1,1,3)", codesOf(e));
    }
}

TEST_F(InstTypesTest, ABuildWithoutReleaseIsRefused) {
    InstTypes table;
    auto orphan = std::make_shared<Build>();
    Catalogue c;
    std::shared_ptr<Build> released;
    {
        auto gone = c.release("tarnix", "r");
        released = std::make_shared<Build>(gone, "Linux", "Debian", "5.0", "i386", "", "", "b.inf3", "");
        c.releases.clear();
    }
    for (const auto& build : {orphan, released, std::shared_ptr<Build>()}) {
        const error e = raisedError([&] { table.addBuildTypes(build, declared("T", {"c"})); });
        EXPECT_EQ("An internal error occured in vantrell, rev.297274 InstTypes, line 31.\n", e.text());
        EXPECT_EQ("(3,1,1,3)", codesOf(e));
    }
    EXPECT_TRUE(table.products().empty());
}

}  // namespace
