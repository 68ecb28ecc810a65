// The installation state of releases against installed packages read by the real tools: dpkg
// status files through dpkg-query --admindir, a private rpm database, this host's own dpkg
// database, and the control panel's version file on hosts that install products without
// packages. The package reads write the shared progress record and rpm's fixed cache file,
// hence the namespace helper.
#include "catalogue/Release.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include "catalogue/Build.h"
#include "catalogue/Product.h"
#include "common/Opsys.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "packages/internString.h"
#include "sources/SourceSysDeb.h"
#include "sources/SourceSysRPM.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/RpmFixtures.h"
#include "support/TestUtil.h"

namespace {

namespace fs = boost::filesystem;
using testutil::codesOf;
using testutil::raisedError;

typedef std::vector<std::vector<std::string>> Groups;

// A repository with one installed-package source; it frees the packages the pool never frees.
struct Pool {
    Repository repo;
    std::unique_ptr<Source> source;
    // The brief read, then the name index built, so that its one-time log piece stays out of
    // the lines under test.
    void read() {
        source->getBrief();
        repo.getPackagesByName(internString("vnprod-base"));
    }
    ~Pool() {
        source.reset();
        for (Package* p : repo.pkgList) delete p;
        for (Package* p : repo.removedPackages) delete p;
    }
};

// A release whose only build fits this host (or, with `fits` false, no host at all).
std::shared_ptr<Release> releaseOf(const Groups& keyPackages, const std::string& version,
                                   const std::string& upgradeAllowedFrom, bool fits = true) {
    auto product = std::make_shared<Product>("vnprod", "Vn Product", keyPackages);
    auto release = std::make_shared<Release>(product, "r10", "Release " + version, version, upgradeAllowedFrom);
    const Opsys host;
    release->addBuild(std::make_shared<Build>(release, host.os_name(), fits ? host.os_vendor() : "NoSuchVendor",
                                              host.version(), host.arch(), "", host.environment(), "dists/r10.inf3",
                                              ""));
    return release;
}

struct StateRow {
    const char* label;
    const char* release;    // the release's version
    const char* from;       // its upgrade_allowed_from
    const char* installed;  // version of the key package in the pool; "" for none
    const char* current;    // the installed version the check stores
    bool actual;
    int kind;  // when actual
    const char* mode;
    const char* webMode;
    bool isInstalled;
    const char* logLine;  // a line the check must log
};

// What the check made of one row, or the first difference.
void expectState(const StateRow& r, Pool& pool, const Groups& keyPackages) {
    SCOPED_TRACE(r.label);
    std::shared_ptr<Release> release = releaseOf(keyPackages, r.release, r.from);
    testutil::LogCapture log(3);
    release->check_installation_state(&pool.repo);
    EXPECT_EQ(release->getInstalledVersion(), r.current);
    EXPECT_EQ(release->is_actual(), r.actual);
    EXPECT_EQ(release->is_installed(), r.isInstalled);
    if (r.actual) {
        EXPECT_EQ(release->update_kind(), r.kind);
        EXPECT_EQ(release->update_mode(), r.mode);
        EXPECT_EQ(release->web_update_mode(), r.webMode);
    } else {
        const error e = raisedError([&] { release->update_kind(); });
        EXPECT_EQ(codesOf(e), "(3,1,1,3)");
        EXPECT_NE(e.text().find(" Release, line "), std::string::npos) << e.text();
    }
    std::vector<std::string> lines = testutil::splitLines(log.text());
    EXPECT_NE(std::find(lines.begin(), lines.end(), r.logLine), lines.end()) << log.text();
}

class ReleaseStateTest : public testutil::EnglishTest {
protected:
    // The key package vnprod-base installed at `version` ("" for nothing), as dpkg reports it
    // from a status file of its own.
    std::unique_ptr<Pool> debPool(const std::string& version) {
        admindir.reset(new testutil::TempDir);
        std::string status;
        if (!version.empty())
            status = "Package: vnprod-base\nStatus: install ok installed\nMaintainer: Vn <vn@example.invalid>\n"
                     "Architecture: all\nVersion: " + version + "\nDescription: key package\n\n";
        status += "Package: vnprod-other\nStatus: install ok installed\nMaintainer: Vn <vn@example.invalid>\n"
                  "Architecture: all\nVersion: 99.0-1\nDescription: not a key package\n\n";
        testutil::writeFile(*admindir / "status", status);
        shims.add("dpkg-query", "exec /usr/bin/dpkg-query --admindir=" + admindir->path() + " \"$@\"");
        std::unique_ptr<Pool> pool(new Pool);
        pool->source.reset(new SourceSysDeb(&pool->repo));
        pool->read();
        return pool;
    }

    testutil::CommandShims shims;
    std::unique_ptr<testutil::TempDir> admindir;
};

const Groups debKeys = {{"vnprod-no-such"}, {"vnprod-base"}};

TEST_F(ReleaseStateTest, ReleaseMatrixOverDpkg) {
    const StateRow rows[] = {
        {"nothing installed", "10.1", "9.0", "", "", true, 1, "install", "install", false,
         "Release r10 no previously installed"},
        {"older installed", "10.1", "9.0", "9.5-3", "9.5", true, 2, "update", "upgrade", false, "Release r10 is actual"},
        {"this release installed", "10.1", "9.0", "10.1-1", "10.1", true, 4, "up2date", "up2date", true,
         "Release r10 is currently installed"},
        {"newer installed", "10.1", "9.0", "10.2-1", "10.2", false, 0, "", "", false,
         "Release r10 too old: 10.2 is installed."},
        {"too old to upgrade from", "10.1", "9.0", "8.6-1", "8.6", false, 0, "", "", false,
         "Release r10 not fit because too new: upgrade are allowed only begins from 9.0 version"},
        {"upgrade_allowed_from itself", "10.1", "9.0", "9.0", "9.0", true, 2, "update", "upgrade", false,
         "Release r10 is actual"},
        // the installed text has no release part, so a release with one never reads as installed
        {"release part never installed", "8.6.0-2", "8.0", "8.6.0-2", "8.6.0", true, 2, "update", "upgrade", false,
         "Release r10 is actual"},
        // the epoch stays in the installed text and outweighs any version
        {"epoch installed", "10.1", "9.0", "1:9.5-3", "1:9.5", false, 0, "", "", false,
         "Release r10 too old: 1:9.5 is installed."},
    };
    for (const StateRow& r : rows) {
        std::unique_ptr<Pool> pool = debPool(r.installed);
        expectState(r, *pool, debKeys);
    }
}

TEST_F(ReleaseStateTest, NoFittingBuildIsNotActualEvenWithNothingInstalled) {
    std::unique_ptr<Pool> pool = debPool("");
    std::shared_ptr<Release> release = releaseOf(debKeys, "10.1", "9.0", false);
    testutil::LogCapture log(2);
    release->check_installation_state(&pool->repo);
    EXPECT_FALSE(release->is_actual());
    EXPECT_EQ(log.text(), "Release r10 contains no any build for this OS\n");
}

TEST_F(ReleaseStateTest, ARecheckStoresTheNewVersionAndKeepsTheKindOnTheNotActualPath) {
    std::shared_ptr<Release> release = releaseOf(debKeys, "10.1", "9.0");
    {
        std::unique_ptr<Pool> pool = debPool("9.5-3");
        release->check_installation_state(&pool->repo);
        EXPECT_EQ(release->update_kind(), 2);
    }
    std::unique_ptr<Pool> pool = debPool("10.2-1");
    release->check_installation_state(&pool->repo);
    EXPECT_FALSE(release->is_actual());
    EXPECT_EQ(release->getInstalledVersion(), "10.2");
    EXPECT_EQ(release->update_mode(), "update");
}

TEST_F(ReleaseStateTest, ComponentsAndFlagsCountOnlyForTheInstalledUpToDateRelease) {
    struct Case {
        const char* installed;
        std::vector<std::string> components;
        bool flags;
    } cases[] = {
        {"10.1-1", {"base", "mail"}, true},
        {"9.5-3", {}, false},
        {"", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installed);
        std::unique_ptr<Pool> pool = debPool(c.installed);
        std::shared_ptr<Release> release = releaseOf(debKeys, "10.1", "9.0");
        release->check_installation_state(&pool->repo);
        release->register_component("base");
        release->register_component("mail");
        EXPECT_EQ(release->getInstalledComponents(), c.components);
        const std::string mode = release->update_mode();
        const std::string webMode = release->web_update_mode();

        release->mark_microupdate_available();
        EXPECT_EQ(release->isMicroupdateAvailable(), c.flags);
        EXPECT_EQ(release->update_grade(), c.flags ? 1 : 0);
        EXPECT_EQ(release->update_mode(), c.flags ? "update" : mode);
        EXPECT_EQ(release->web_update_mode(), c.flags ? "update" : webMode);

        release->mark_component_upgrade_available();
        release->mark_microupdate_available();
        EXPECT_EQ(release->isComponentUpgradeAvailable(), c.flags);
        EXPECT_EQ(release->update_grade(), c.flags ? 2 : 0);

        // the flags only grow: a recheck leaves them
        release->check_installation_state(&pool->repo);
        EXPECT_EQ(release->update_grade(), c.flags ? 2 : 0);
    }
}

TEST_F(ReleaseStateTest, OnThisHostDpkgIsFoundByItsSecondKeyGroup) {
    const testutil::RunResult dpkg = testutil::run({"/usr/bin/dpkg-query", "-W", "-f=${Version}", "dpkg"});
    ASSERT_EQ(dpkg.status, 0) << dpkg.err;
    const std::string::size_type dash = dpkg.out.rfind('-');
    const std::string expected = dash == std::string::npos ? dpkg.out : dpkg.out.substr(0, dash);

    Pool pool;
    pool.source.reset(new SourceSysDeb(&pool.repo));
    pool.read();
    std::shared_ptr<Release> release = releaseOf({{"vantrell-no-such"}, {"dpkg"}}, "1.0", "1.0");
    EXPECT_EQ(release->calculate_current_release(&pool.repo), expected);
    EXPECT_EQ(release->product->detectInstalledVersion(Product::GetPkgVerDirectlyFromSystem(&pool.repo)), expected);
}

typedef ReleaseStateTest RpmReleaseState;

TEST_F(RpmReleaseState, ReleaseMatrixOverRpm) {
    const StateRow rows[] = {
        {"nothing installed", "2.0", "1.0", "", "", true, 1, "install", "install", false,
         "Release r10 no previously installed"},
        {"older installed", "2.0", "1.0", "1.0", "1.0", true, 2, "update", "upgrade", false, "Release r10 is actual"},
        {"this release installed", "2.0", "1.0", "2.0", "2.0", true, 4, "up2date", "up2date", true,
         "Release r10 is currently installed"},
        {"newer installed", "1.5", "1.0", "2.0", "2.0", false, 0, "", "", false,
         "Release r10 too old: 2.0 is installed."},
        {"too old to upgrade from", "3.0", "2.5", "2.0", "2.0", false, 0, "", "", false,
         "Release r10 not fit because too new: upgrade are allowed only begins from 2.5 version"},
    };
    for (const StateRow& r : rows) {
        // A private database for every rpm this process starts, with foo at the row's version.
        testutil::TempDir home;
        testutil::ScopedEnv homeEnv("HOME", home.path());
        testutil::writeFile(home / ".rpmmacros", "%_dbpath " + home.path() + "/db\n");
        testutil::RunResult run = testutil::run({"/usr/bin/rpm", "--initdb"});
        ASSERT_EQ(run.status, 0) << run.err;
        if (*r.installed) {
            run = testutil::run({"/usr/bin/rpm", "-i", "--justdb", "--nodeps",
                                 testutil::rpmFixture(std::string("installed-foo-") + r.installed + ".rpm")});
            ASSERT_EQ(run.status, 0) << run.err;
        }
        Pool pool;
        pool.source.reset(new SourceSysRPM(&pool.repo));
        pool.read();
        expectState(r, pool, {{"vnprod-no-such"}, {"foo"}});
    }
}

// Hosts whose products are not installed as packages: the control panel's version file
// answers when no key package is installed. The overrides count only before the first
// detection of a process, so each case runs in a child of its own.
TEST_F(ReleaseStateTest, WithoutKeyPackagesSomeHostsAskTheProductsVersionFile) {
    fs::create_directories("/etc/nvo");
    testutil::writeFile("/etc/nvo/nvo.conf", "PRODUCT_ROOT_D /opt/tarnix\n");
    fs::create_directories("/opt/tarnix");
    struct Case {
        const char* os;
        const char* line;  // of the control panel's version file
        Groups keyPackages;
        const char* current;
    } cases[] = {
        {"FreeBSD", "8.1.0 x y 5", {{"vnprod-no-such"}}, "8.1.0"},
        {"FreeBSD", "10.1.0 x y 100", {{"vnprod-no-such"}}, ""},
        {"MacOS", "10.1.0 x y 100", {{"vnprod-no-such"}}, "10.1.0"},
        {"Windows-server", "10.1.0 x y 100", {{"vnprod-no-such"}}, "10.1.0"},
        {"Linux", "10.1.0 x y 100", {{"vnprod-no-such"}}, ""},
        // a product without key packages (from a single build description) is no error
        {"MacOS", "10.1.0 x y 100", {}, "10.1.0"},
        {"Linux", "10.1.0 x y 100", {}, ""},
        // an installed key package answers first
        {"MacOS", "10.1.0 x y 100", {{"vnprod-base"}}, "9.5"},
    };
    for (const Case& c : cases) {
        testutil::writeFile("/opt/tarnix/version", std::string(c.line) + "\n");
        const std::string result = testutil::inChild([&] {
            Opsys::override_os_name = c.os;
            Pool pool;
            Package* installed = new Package("vnprod-base", "9.5-1");
            installed->setType('s');
            pool.repo.addPackage(installed, nullptr);
            auto product = std::make_shared<Product>("tarnix", "Panel", c.keyPackages);
            Release release(product, "t10", "", "10.1.0", "9.0");
            return release.calculate_current_release(&pool.repo);
        });
        EXPECT_EQ(result, c.current) << c.os << " " << c.line;
    }
}

TEST_F(ReleaseStateTest, TheFallBackVersionDecidesTheKind) {
    fs::create_directories("/etc/nvo");
    testutil::writeFile("/etc/nvo/nvo.conf", "PRODUCT_ROOT_D /opt/tarnix\n");
    fs::create_directories("/opt/tarnix");
    testutil::writeFile("/opt/tarnix/version", "10.1.0 x y 100\n");
    const std::string result = testutil::inChild([] {
        Opsys::override_os_name = "MacOS";
        Pool pool;
        auto product = std::make_shared<Product>("tarnix", "Panel", Groups{{"tarnix-base"}});
        auto release = std::make_shared<Release>(product, "t10", "", "10.1.0", "9.0");
        const Opsys host;
        release->addBuild(std::make_shared<Build>(release, "MacOS", host.os_vendor(), host.version(), host.arch(),
                                                  "", host.environment(), "dists/t.inf3", ""));
        release->check_installation_state(&pool.repo);
        std::ostringstream out;
        out << release->getInstalledVersion() << " " << release->update_kind() << " " << release->update_mode();
        return out.str();
    });
    EXPECT_EQ(result, "10.1.0 4 up2date");
}

}  // namespace
