// Add-ons: their compatibility entries and the releases they apply to.
#include "catalogue/Addon.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

std::shared_ptr<Release> releaseOf(const std::string& productId, const std::string& version) {
    auto product = std::make_shared<Product>(productId, productId, std::vector<std::vector<std::string>>{{"k"}});
    return std::make_shared<Release>(product, productId + "-" + version, "", version, version);
}

class AddonTest : public testutil::EnglishTest {};

TEST_F(AddonTest, AppliesWithinAnyEntryOfTheReleasesProductBoundsIncluded) {
    Addon addon("a1", "Add-on", "1.2", false);
    addon.addCompatible("p", "1.0", "2.0");
    addon.addCompatible("q", "2.1", "2.9");
    addon.addCompatible("p", "3.0", "4.0");
    struct Row {
        const char* product;
        const char* version;
        bool applies;
    } rows[] = {
        {"p", "3.5", true},  {"p", "2.0", true},  {"p", "1.0", true},  {"p", "4.0", true},
        {"p", "2.5", false}, {"p", "0.9", false}, {"p", "4.1", false},
        // the entry of q is no entry of p, and the other way round
        {"q", "2.5", true},  {"q", "3.5", false}, {"r", "1.5", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(addon.applicableTo(*releaseOf(r.product, r.version)), r.applies) << r.product << " " << r.version;
}

TEST_F(AddonTest, LogsEachEntryOfTheProductAndTheVerdict) {
    Addon addon("a1", "Add-on", "1.2", false);
    addon.addCompatible("p", "1.0", "2.0");
    addon.addCompatible("p", "3.0", "4.0");
    std::shared_ptr<Release> release = releaseOf("p", "3.5");
    release->name = "P 3.5";
    testutil::LogCapture log(3);
    EXPECT_TRUE(addon.applicableTo(*release));
    EXPECT_EQ(log.text(),
              "Addon::applicableTo: release 3.5, addon applicable from 1.0 to 2.0\n"
              "DEBUG: Addon::applicableTo: version too high for a1\n"
              "Addon::applicableTo: release 3.5, addon applicable from 3.0 to 4.0\n"
              "DEBUG: Addon::applicableTo: merge addon a1 because it fit for release P 3.5\n");
}

TEST_F(AddonTest, EntriesOfOtherProductsArePassedOverSilently) {
    Addon addon("a1", "Add-on", "1.2", false);
    addon.addCompatible("other", "1.0", "9.0");
    testutil::LogCapture log(3);
    EXPECT_FALSE(addon.applicableTo(*releaseOf("p", "3.5")));
    EXPECT_EQ(log.text(), "");
}

TEST_F(AddonTest, AnAddonWithoutEntriesIsAnInternalError) {
    const Addon addon("a1", "Add-on", "1.2", true);
    EXPECT_FALSE(addon.hasCompatibilityInfo());
    const error e = raisedError([&] { addon.applicableTo(*releaseOf("p", "1.0")); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    ASSERT_EQ(e.lines.size(), 1u);
    EXPECT_EQ(e.lines[0].rfind("An internal error occured in vantrell, rev.", 0), 0u) << e.lines[0];
    EXPECT_NE(e.lines[0].find(" Addon, line "), std::string::npos) << e.lines[0];
}

TEST_F(AddonTest, ABadEntryIsRaisedWithItsOwnLineAndNotKept) {
    Addon addon("a1", "Add-on", "1.2", false);
    addon.addCompatible("p", "1.0", "2.0");
    struct Row {
        const char* from;
        const char* to;
        const char* line;
        const char* logged;  // the log writes an empty piece as "~empty"
    } rows[] = {
        {"", "2.0", "Wrong addon's compat info: p  from  to 2.0", "from=~empty, to=2.0"},
        {"1.0", "", "Wrong addon's compat info: p  from 1.0 to ", "from=1.0, to=~empty"},
    };
    for (const Row& r : rows) {
        testutil::LogCapture log(3);
        const error e = raisedError([&] { addon.addCompatible("p", r.from, r.to); });
        EXPECT_EQ(e.text(), std::string(r.line) + "\n" + Messages::getMessage("err_empty_version") + "\n");
        // the empty-version error keeps its codes
        EXPECT_EQ(codesOf(e), "(1,1,1,3)");
        EXPECT_EQ(log.text(), std::string("DEBUG: Addon::addCompatible: prod_id=p, ") + r.logged + "\n");
    }
    ASSERT_EQ(addon.getCompatibility().size(), 1u);
    EXPECT_EQ(addon.getCompatibility()[0].to.toString(), "2.0");
}

TEST_F(AddonTest, PrintsItsId) {
    Addon addon("a1", "Add-on", "1.2", true);
    std::ostringstream out;
    out << addon;
    EXPECT_EQ(out.str(), "a1");
    EXPECT_TRUE(addon.lazy);
    EXPECT_EQ(addon.version, "1.2");
    EXPECT_TRUE(addon.builds.empty());
}

}  // namespace
