// Catalogue builds: whether a build fits an operating system, its text form, its
// construction, and how it refers to its release.
#include "catalogue/Build.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "common/Opsys.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

std::string textOf(const Build& build) {
    std::ostringstream out;
    out << build;
    return out.str();
}

std::shared_ptr<Release> releaseOf(const std::string& id, const std::string& name) {
    auto product = std::make_shared<Product>("p", "P", std::vector<std::vector<std::string>>{{"p-base"}});
    return std::make_shared<Release>(product, id, name, "1.0", "1.0");
}

TEST(BuildTest, FitsTheOperatingSystemsItIsMadeFor) {
    struct Row {
        const char* label;
        const char* name;  // the build's os_name, vendor, version, arch
        const char* vendor;
        const char* version;
        const char* arch;
        const char* hostName;  // the host's
        const char* hostVendor;
        const char* hostVersion;
        const char* hostArch;
        bool fits;
    } rows[] = {
        {"same everything", "Linux", "CentOS", "5", "i386", "Linux", "CentOS", "5", "i386", true},
        // vendor first, then name
        {"RedHat never fits a CentOS host", "Linux", "RedHat", "5", "i386", "Linux", "CentOS", "5", "i386", false},
        {"RedHat 5.5 on CentOS 5.5", "Linux", "RedHat", "5.5", "i386", "Linux", "CentOS", "5.5", "i386", false},
        {"vendor compared exactly", "Linux", "centos", "5", "i386", "Linux", "CentOS", "5", "i386", false},
        {"other kernel name", "FreeBSD", "CentOS", "5", "i386", "Linux", "CentOS", "5", "i386", false},
        // major-version families
        {"CentOS 5 on 5.5", "Linux", "CentOS", "5", "i386", "Linux", "CentOS", "5.5", "i386", true},
        {"CentOS 5.2 on 5.5", "Linux", "CentOS", "5.2", "i386", "Linux", "CentOS", "5.5", "i386", true},
        {"CentOS 4 on 5.5", "Linux", "CentOS", "4", "i386", "Linux", "CentOS", "5.5", "i386", false},
        {"CentOS 15 on 5.5: whole major part", "Linux", "CentOS", "15", "i386", "Linux", "CentOS", "5.5", "i386", false},
        {"RedHat el5 family", "Linux", "RedHat", "el5.1", "i386", "Linux", "RedHat", "el5.3", "i386", true},
        {"CloudLinux 5 on 5.8", "Linux", "CloudLinux", "5", "x86_64", "Linux", "CloudLinux", "5.8", "x86_64", true},
        {"FreeBSD 7.0 on 7.2", "FreeBSD", "FreeBSD", "7.0", "i386", "FreeBSD", "FreeBSD", "7.2", "i386", true},
        {"Microsoft 2008-R2 on 2008-SP1", "Windows", "Microsoft", "2008-R2", "x86_64", "Windows", "Microsoft",
         "2008-SP1", "x86_64", true},
        {"Microsoft 2003 on 2008-SP1", "Windows", "Microsoft", "2003", "x86_64", "Windows", "Microsoft", "2008-SP1",
         "x86_64", false},
        {"Microsoft has no '.' family", "Windows", "Microsoft", "6.0", "x86_64", "Windows", "Microsoft", "6.1",
         "x86_64", false},
        // other vendors: exact versions only
        {"Ubuntu 10.04 on 10.04.1", "Linux", "Ubuntu", "10.04", "i386", "Linux", "Ubuntu", "10.04.1", "i386", false},
        {"SuSE 10 on 10.1", "Linux", "SuSE", "10", "i386", "Linux", "SuSE", "10.1", "i386", false},
        // Debian: the shorter version a text prefix of the longer, both ways
        {"Debian 5.0 on 5.0.4", "Linux", "Debian", "5.0", "i386", "Linux", "Debian", "5.0.4", "i386", true},
        {"Debian 5 on 5.0.4", "Linux", "Debian", "5", "i386", "Linux", "Debian", "5.0.4", "i386", true},
        {"Debian 4.0 on 5.0.4", "Linux", "Debian", "4.0", "i386", "Linux", "Debian", "5.0.4", "i386", false},
        {"Debian 5.0.4 on 5.0", "Linux", "Debian", "5.0.4", "i386", "Linux", "Debian", "5.0", "i386", true},
        {"Debian: plain text, so 1 fits 12.11", "Linux", "Debian", "1", "i386", "Linux", "Debian", "12.11", "i386",
         true},
        {"Debian: empty build version", "Linux", "Debian", "", "i386", "Linux", "Debian", "12", "i386", true},
        {"Debian: empty host version", "Linux", "Debian", "6.0", "i386", "Linux", "Debian", "", "i386", true},
        // arch
        {"i386 build on i686 host", "Linux", "CentOS", "5", "i386", "Linux", "CentOS", "5", "i686", true},
        {"i586 build on i686 host", "Linux", "CentOS", "5", "i586", "Linux", "CentOS", "5", "i686", true},
        {"i486 build on i586 host", "Linux", "CentOS", "5", "i486", "Linux", "CentOS", "5", "i586", true},
        {"i686 build on i586 host", "Linux", "CentOS", "5", "i686", "Linux", "CentOS", "5", "i586", false},
        {"i586 build on i486 host", "Linux", "CentOS", "5", "i586", "Linux", "CentOS", "5", "i486", false},
        {"x86_64 build on x86_64 host", "Linux", "CentOS", "5", "x86_64", "Linux", "CentOS", "5", "x86_64", true},
        {"x86_64 build on i686 host", "Linux", "CentOS", "5", "x86_64", "Linux", "CentOS", "5", "i686", false},
        {"i386 build on x86_64 host", "Linux", "CentOS", "5", "i386", "Linux", "CentOS", "5", "x86_64", false},
    };
    for (const Row& r : rows) {
        const Build build(nullptr, r.name, r.vendor, r.version, r.arch, "", "", "dists/b.inf3", "false");
        const Opsys host(r.hostName, r.hostVendor, r.hostVersion, r.hostArch, "");
        EXPECT_EQ(build.isCompatible(host), r.fits) << r.label;
    }
}

TEST(BuildTest, TheEnvironmentIsNoConditionOfFitting) {
    const Build bx(nullptr, "Linux", "CentOS", "5", "i386", "", "bx", "b.inf3", "");
    EXPECT_TRUE(bx.isCompatible(Opsys("Linux", "CentOS", "5", "i386", "")));
    EXPECT_TRUE(bx.isCompatible(Opsys("Linux", "CentOS", "5", "i386", "lycos")));
}

TEST(BuildTest, TextForm) {
    struct Row {
        const char* environment;
        const char* config;
        const char* text;
    } rows[] = {
        {"bx", "dists/b.inf3", "build for Linux CentOS 5 i386 under bx (dists/b.inf3)"},
        {"", "", "build for Linux CentOS 5 i386"},
        {"", "dists/b.inf3", "build for Linux CentOS 5 i386 (dists/b.inf3)"},
        {"bx", "", "build for Linux CentOS 5 i386 under bx"},
    };
    for (const Row& r : rows) {
        const Build build(nullptr, "Linux", "CentOS", "5", "i386", "Final", r.environment, r.config, "");
        EXPECT_EQ(textOf(build), r.text);
    }
}

TEST(BuildTest, ConstructionKeepsTheTextsAndIsDeprecatedOnlyForExactlyTrue) {
    struct Row {
        const char* text;
        bool deprecated;
    } rows[] = {{"true", true}, {"false", false}, {"", false}, {"TRUE", false}, {"yes", false}, {"true ", false},
                {"1", false}};
    std::shared_ptr<Release> release = releaseOf("r1", "R");
    for (const Row& r : rows) {
        const Build build(release, "Linux", "Debian", "12", "x86_64", "bookworm", "bx", "dists/d.inf3", r.text);
        EXPECT_EQ(build.deprecated, r.deprecated) << '"' << r.text << '"';
        EXPECT_EQ(build.os_release_name, "bookworm");
        EXPECT_EQ(build.getParent(), release);
        EXPECT_TRUE(build.parameters_file.empty());
        EXPECT_TRUE(build.base_dir.empty());
        EXPECT_TRUE(build.patches.empty());
        EXPECT_EQ(build.description, nullptr);
    }
    // The package sources' tests make builds by hand.
    const Build empty;
    EXPECT_FALSE(empty.deprecated);
    EXPECT_EQ(empty.getParent(), nullptr);
}

class BuildParentTest : public testutil::EnglishTest {};

TEST_F(BuildParentTest, ChangeParentLogsOnlyAMoveFromAnEarlierRelease) {
    std::shared_ptr<Release> first = releaseOf("r1", "Release One");
    std::shared_ptr<Release> second = releaseOf("r2", "");
    Build build(nullptr, "Linux", "CentOS", "5", "i386", "", "", "addons/a.inf3", "");

    testutil::LogCapture log(3);
    build.changeParent(first);
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(build.getParent(), first);

    build.changeParent(second);
    // The release without a name is logged by its id.
    EXPECT_EQ(log.text(),
              "DEBUG: Build (addon?) build for Linux CentOS 5 i386 (addons/a.inf3) change parent from Release One "
              "to r2\n");
    EXPECT_EQ(build.getParent(), second);

    const error e = raisedError([&] { build.changeParent(nullptr); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(build.getParent(), second);
}

TEST(BuildTest, ACatalogueOfReleaseAndBuildsDiesWithItsLastHolder) {
    std::weak_ptr<Release> watched;
    std::shared_ptr<Build> build;
    {
        std::shared_ptr<Release> release = releaseOf("r1", "R");
        build = std::make_shared<Build>(release, "Linux", "CentOS", "5", "i386", "", "", "b.inf3", "");
        release->addBuild(build);
        watched = release;
        EXPECT_EQ(build->getParent(), release);
    }
    // The build's reference to its parent keeps nothing alive.
    EXPECT_TRUE(watched.expired());
    EXPECT_EQ(build->getParent(), nullptr);
}

}  // namespace
