// Releases as records: construction, details address, incompatibility, text form, and the
// state queries before any installation-state check.
#include "catalogue/Release.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Product.h"
#include "common/Log.h"
#include "common/Messages.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

std::shared_ptr<Product> productOf(const std::string& id) {
    return std::make_shared<Product>(id, id, std::vector<std::vector<std::string>>{{id + "-base"}});
}

class ReleaseTest : public testutil::EnglishTest {};

TEST_F(ReleaseTest, StartsUncheckedWithBothVersionsParsed) {
    Release release(productOf("p"), "r10", "Release 10.1", "1:10.1-2", "9.0");
    EXPECT_EQ(release.version.getEpoch(), 1u);
    EXPECT_EQ(release.version.getVersion(), "10.1");
    EXPECT_EQ(release.version.getRelease(), "2");
    EXPECT_EQ(release.upgrade_allowed_from.toString(), "9.0");
    EXPECT_EQ(release.getCheckResult(), 0);
    EXPECT_EQ(release.getInstalledVersion(), "");
    EXPECT_FALSE(release.selected);
    EXPECT_FALSE(release.isComponentUpgradeAvailable());
    EXPECT_FALSE(release.isMicroupdateAvailable());
    EXPECT_EQ(release.update_grade(), 0);
    EXPECT_TRUE(release.builds.empty());
    EXPECT_TRUE(release.bestWith.empty());
    EXPECT_TRUE(release.getInstalledComponents().empty());
    EXPECT_TRUE(release.detailsUrl.empty());

    release.addBestWith("q", "2.0");
    release.addBestWith("q", "2.0");
    EXPECT_EQ(release.bestWith.count("q"), 2u);
}

TEST_F(ReleaseTest, AVersionThatDoesNotParseMakesNoRelease) {
    for (const char* bad : {"", "-1"}) {
        const error e1 = raisedError([&] { Release(productOf("p"), "r", "R", bad, "1.0"); });
        EXPECT_EQ(e1.lines.back(), Messages::getMessage("err_empty_version")) << '"' << bad << '"';
        const error e2 = raisedError([&] { Release(productOf("p"), "r", "R", "1.0", bad); });
        EXPECT_EQ(codesOf(e2), "(1,1,1,3)") << '"' << bad << '"';
    }
}

TEST_F(ReleaseTest, DetailsUrlExpandsACopy) {
    Release release(productOf("p"), "r10", "R", "10.1", "9.0");
    struct Row {
        const char* stored;
        const char* expanded;
    } rows[] = {
        {"docs/[LOCALE]/notes.html", "docs/en-US/notes.html"},
        {"docs/[LOCALE]/[LOCALE].html", "docs/en-US/en-US.html"},
        {"docs/[NOTHING]/notes.html", "docs/[NOTHING]/notes.html"},
        {"docs/[LOCALE", "docs/[LOCALE"},
        {"", ""},
    };
    for (const Row& r : rows) {
        release.detailsUrl = r.stored;
        EXPECT_EQ(release.details_url(), r.expanded);
        EXPECT_EQ(release.detailsUrl, r.stored);
    }
}

TEST_F(ReleaseTest, IncompatibilityIsOneSided) {
    std::shared_ptr<Product> p = productOf("p");
    p->incompatibleProducts = {"x", "q"};
    Release ofP(p, "p1", "", "1.0", "1.0");
    Release ofQ(productOf("q"), "q1", "", "1.0", "1.0");
    Release ofQQ(productOf("qq"), "qq1", "", "1.0", "1.0");
    EXPECT_TRUE(ofP.is_incompatible_with(ofQ));
    EXPECT_FALSE(ofQ.is_incompatible_with(ofP));
    // exact ids only
    EXPECT_FALSE(ofP.is_incompatible_with(ofQQ));
    EXPECT_FALSE(ofP.is_incompatible_with(ofP));
}

TEST_F(ReleaseTest, IsWrittenByItsNameOrItsId) {
    const Release named(productOf("p"), "r10", "Release 10", "10.0", "9.0");
    const Release unnamed(productOf("p"), "r11", "", "11.0", "9.0");
    testutil::LogCapture log(2);
    Log(2) << named << "|" << unnamed << "\n";
    EXPECT_EQ(log.text(), "Release 10|r11\n");
}

TEST_F(ReleaseTest, StateQueriesBeforeTheCheckRaise) {
    Release release(productOf("p"), "r10", "Release 10.1", "10.1", "9.0");
    const std::vector<std::pair<const char*, std::function<void()>>> queries = {
        {"is_actual", [&] { release.is_actual(); }},
        {"is_installed", [&] { release.is_installed(); }},
        {"update_kind", [&] { release.update_kind(); }},
        {"register_component", [&] { release.register_component("base"); }},
        {"mark_microupdate_available", [&] { release.mark_microupdate_available(); }},
        {"mark_component_upgrade_available", [&] { release.mark_component_upgrade_available(); }},
    };
    for (const auto& q : queries) {
        const error e = raisedError(q.second);
        EXPECT_EQ(codesOf(e), "(3,1,1,3)") << q.first;
        EXPECT_EQ(e.text(), "release Release 10.1 installation state not checked yet\n") << q.first;
    }
    EXPECT_TRUE(release.getInstalledComponents().empty());
    EXPECT_EQ(release.update_grade(), 0);

    // The update texts read the kind, which is not calculated yet; the name may be empty.
    release.name = "";
    for (const auto& mode : {std::function<void()>([&] { release.update_mode(); }),
                             std::function<void()>([&] { release.web_update_mode(); })}) {
        const error e = raisedError(mode);
        EXPECT_EQ(codesOf(e), "(3,1,1,3)");
        EXPECT_EQ(e.text(), "release : update mode is not calculated.\n");
    }
}

TEST_F(ReleaseTest, ANullRepositoryIsRefused) {
    Release release(productOf("p"), "r10", "R", "10.1", "9.0");
    const error e = raisedError([&] { release.check_installation_state(nullptr); });
    EXPECT_EQ(codesOf(e), "(3,1,0,3)");
    EXPECT_EQ(release.getCheckResult(), 0);
}

TEST_F(ReleaseTest, AddBuildRefusesNull) {
    Release release(productOf("p"), "r10", "R", "10.1", "9.0");
    EXPECT_EQ(codesOf(raisedError([&] { release.addBuild(nullptr); })), "(3,1,1,3)");
    EXPECT_TRUE(release.builds.empty());
}

}  // namespace
