// The best build of a release or add-on for a host, and whether a release has a usable one.
#include "catalogue/BuildList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "common/Opsys.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

struct BuildRow {
    const char* vendor;
    const char* version;
    const char* arch;
    const char* environment;
    const char* config;
    const char* deprecated;
};

std::shared_ptr<Release> releaseWith(const std::vector<BuildRow>& rows) {
    auto product = std::make_shared<Product>("p", "P", std::vector<std::vector<std::string>>{{"p-base"}});
    auto release = std::make_shared<Release>(product, "r10", "Release 10", "10.0", "9.0");
    for (const BuildRow& r : rows)
        release->addBuild(std::make_shared<Build>(release, "Linux", r.vendor, r.version, r.arch, "", r.environment,
                                                  r.config, r.deprecated));
    return release;
}

class BuildListTest : public testutil::EnglishTest {};

TEST_F(BuildListTest, TheFirstFittingBuildWinsUnlessALaterOneMatchesVersionAndEnvironmentExactly) {
    struct Case {
        const char* label;
        std::vector<BuildRow> builds;
        Opsys host;
        const char* best;  // config of the best build, "" for none
    } cases[] = {
        // the first fits, the second replaces it (exact version and environment), the third
        // replaces the second
        {"the last exact match wins",
         {{"CentOS", "5", "i386", "dedicated", "c5-i386", ""},
          {"CentOS", "5.5", "i386", "dedicated", "c55-i386", ""},
          {"CentOS", "5.5", "i686", "dedicated", "c55-i686", ""}},
         Opsys("Linux", "CentOS", "5.5", "i686", "dedicated"),
         "c55-i686"},
        // both fit; neither matches the host's empty environment, so the first stays
        {"environment is only a preference",
         {{"CentOS", "5", "i386", "bx", "c5-bx", ""}, {"CentOS", "5", "i386", "", "c5-plain", ""}},
         Opsys("Linux", "CentOS", "5", "i386", "dedicated"),
         "c5-bx"},
        {"a later exact version in another environment does not replace",
         {{"CentOS", "5", "i386", "", "c5", ""}, {"CentOS", "5.5", "i386", "bx", "c55-bx", ""}},
         Opsys("Linux", "CentOS", "5.5", "i386", ""),
         "c5"},
        {"the exact environment of a later build, with the host's empty one",
         {{"CentOS", "5", "i386", "bx", "c5-bx", ""}, {"CentOS", "5.5", "i386", "", "c55", ""}},
         Opsys("Linux", "CentOS", "5.5", "i386", ""),
         "c55"},
        {"builds that do not fit are passed over",
         {{"RedHat", "5.5", "i686", "", "rh", ""}, {"CentOS", "5", "x86_64", "", "c5-64", ""},
          {"CentOS", "5", "i386", "", "c5", ""}},
         Opsys("Linux", "CentOS", "5.5", "i686", ""),
         "c5"},
        {"nothing fits", {{"RedHat", "5", "i386", "", "rh", ""}}, Opsys("Linux", "CentOS", "5", "i386", ""), ""},
        {"no builds", {}, Opsys("Linux", "CentOS", "5", "i386", ""), ""},
    };
    for (const Case& c : cases) {
        std::shared_ptr<Release> release = releaseWith(c.builds);
        std::shared_ptr<Build> best = release->builds.getBestBuild(c.host);
        EXPECT_EQ(best ? best->config : std::string(), c.best) << c.label;
    }
}

TEST_F(BuildListTest, LogsTheHostAndEveryBuildThatDoesNotFit) {
    std::shared_ptr<Release> release = releaseWith(
        {{"RedHat", "5", "i386", "", "dists/rh.inf3", ""}, {"CentOS", "5", "i386", "bx", "dists/c5.inf3", ""}});
    testutil::LogCapture log(3);
    release->builds.getBestBuild(Opsys("Linux", "CentOS", "5", "i386", "bx"));
    EXPECT_EQ(log.text(),
              "DEBUG: BuildList::getBestBuild for CentOS Linux 5 i386 under bx\n"
              "DEBUG: build for Linux RedHat 5 i386 (dists/rh.inf3) is not compatible\n");
}

TEST_F(BuildListTest, SelectBestBuildNamesTheChosenConfigAtLevelTwo) {
    std::shared_ptr<Release> release = releaseWith({{"CentOS", "5", "i386", "", "dists/c5.inf3", ""}});
    {
        testutil::LogCapture log(3);
        EXPECT_EQ(release->SelectBestBuild(Opsys("Linux", "CentOS", "5", "i386", ""))->config, "dists/c5.inf3");
        EXPECT_EQ(log.text(),
                  "Select best build of r10 for current OS\n"
                  "DEBUG: BuildList::getBestBuild for CentOS Linux 5 i386\n"
                  "The SelectBestBuild function has selected the build dists/c5.inf3 for installation.\n");
    }
    {
        testutil::LogCapture log(2);
        EXPECT_EQ(release->SelectBestBuild(Opsys("Linux", "RedHat", "5", "i386", "")), nullptr);
        EXPECT_EQ(log.text(), "");
    }
}

TEST_F(BuildListTest, AUsableBuildIsABestBuildThatIsNotDeprecated) {
    struct Case {
        const char* label;
        std::vector<BuildRow> builds;
        bool usable;
    } cases[] = {
        {"fitting build", {{"CentOS", "5", "i386", "", "c5", "false"}}, true},
        {"only fit deprecated", {{"CentOS", "5", "i386", "", "c5", "true"}, {"RedHat", "5", "i386", "", "rh", ""}},
         false},
        // the best build decides, not whether some other fitting build is not deprecated
        {"deprecated best, usable runner-up",
         {{"CentOS", "5", "i386", "", "c5", "true"}, {"CentOS", "5.2", "i386", "bx", "c52", ""}}, false},
        {"deprecated first, replaced by an exact one",
         {{"CentOS", "5", "i386", "", "c5", "true"}, {"CentOS", "5.5", "i386", "", "c55", ""}}, true},
        {"nothing fits", {{"RedHat", "5", "i386", "", "rh", ""}}, false},
    };
    const Opsys host("Linux", "CentOS", "5.5", "i386", "");
    for (const Case& c : cases) {
        std::shared_ptr<Release> release = releaseWith(c.builds);
        EXPECT_EQ(release->hasUsableBuild(host), c.usable) << c.label;
    }
    std::shared_ptr<Release> deprecated = releaseWith({{"CentOS", "5", "i386", "", "c5", "true"}});
    ASSERT_NE(deprecated->SelectBestBuild(host), nullptr);
    EXPECT_TRUE(deprecated->SelectBestBuild(host)->deprecated);
}

}  // namespace
