// Whether a component is installed and current, detected over real packages: installed rpm
// packages registered in a private rpm database and read through the real rpm, installed
// Debian packages read by the real dpkg-query from a status file of tests/fixtures/dpkg, build
// packages read from .rpm fixture files and from .deb files that dpkg-deb makes here, and a
// configurator that answers from a table. The installed-package reads announce their step in
// the shared progress record, so these tests run inside the namespace helper.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/Product.h"
#include "common/Opsys.h"
#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "configurators/SystemSpecificConfigurator.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/SourceSysDeb.h"
#include "sources/SourceSysRPM.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/RpmFixtures.h"
#include "support/TestUtil.h"

namespace {

using testutil::rpmFixture;
using testutil::splitLines;
using testutil::TreeCatalogue;

typedef std::vector<std::vector<std::string>> KeySets;

// The host's package tool: offers what its table holds (name and version text, as a new
// package per question, as the real kinds do) and remembers what it was asked.
class TableConfigurator : public SystemSpecificConfigurator {
public:
    TableConfigurator() { configure(); }
    void reconfigureSources() override {}
    std::map<std::string, std::pair<std::string, std::string>> offers;
    std::vector<std::string> asked;

protected:
    Package* doGetPackage(const std::string& name) override {
        asked.push_back(name);
        auto it = offers.find(name);
        if (it == offers.end()) return nullptr;
        Package* offered = new Package(it->second.first, it->second.second);
        offered->setType('u');
        return offered;
    }
    void doConfigure() override {}
};

// The build time of a fixture package; of "a|b", the later of the two.
std::string buildTimeOf(const std::string& fixtures) {
    long latest = 0;
    for (size_t start = 0; start <= fixtures.size();) {
        size_t end = fixtures.find('|', start);
        if (end == std::string::npos) end = fixtures.size();
        const std::string time = testutil::rpmQuery(rpmFixture(fixtures.substr(start, end - start)),
                                                    {"--queryformat", "%{BUILDTIME}"});
        latest = std::max(latest, std::stol(time));
        start = end + 1;
    }
    return std::to_string(latest);
}

class ComponentDetection : public testutil::EnglishTest {
protected:
    ~ComponentDetection() override {
        rpmInstalled.reset();
        debInstalled.reset();
        for (Repository* repo : {&rpmRepo, &debRepo}) {
            for (Package* p : repo->pkgList) delete p;
            for (Package* p : repo->removedPackages) delete p;
        }
    }

    // vnfix-web 1.0 and xsame 1.0 installed in a private rpm database; vnfix-web 3.0 and
    // vnfix-repo offered by a repository source.
    void rpmHost() {
        home.reset(new testutil::TempDir);
        homeEnv.reset(new testutil::ScopedEnv("HOME", home->path()));
        testutil::writeFile(*home / ".rpmmacros", "%_dbpath " + home->path() + "/db\n");
        ASSERT_EQ(testutil::run({"/usr/bin/rpm", "--initdb"}).status, 0);
        for (const char* fixture : {"stamped-vnfix-web-1.0.rpm", "installed-xsame-1.0.rpm"}) {
            const testutil::RunResult r = testutil::run(
                {"/usr/bin/rpm", "-i", "--justdb", "--nodeps", "--replacefiles", rpmFixture(fixture)});
            ASSERT_EQ(r.status, 0) << fixture << ": " << r.err;
        }
        rpmInstalled.reset(new SourceSysRPM(&rpmRepo));
        rpmInstalled->getBrief();
        for (const char* fixture : {"stamped-vnfix-web-3.0.rpm", "repo.rpm"}) {
            Package* offered = Package::create("placeholder", "0.1", rpmFixture(fixture));
            offered->readInfo();
            offered->setType('u');
            rpmRepo.addPackage(offered, nullptr);
        }
    }

    // tarnix-base 12.0.1-3, vnfix-webmail 2.0-1 and vnfix-spamd 1.0~rc1-1 installed.
    void debHost() {
        shims.add("dpkg-query", "exec /usr/bin/dpkg-query --admindir=" VN_FIXTURES_DIR "/dpkg/components \"$@\"");
        debInstalled.reset(new SourceSysDeb(&debRepo));
        debInstalled->getBrief();
    }

    // A build package: "name_version.deb" is made by dpkg-deb, anything else is an rpm
    // fixture file.
    Package* buildPackage(const std::string& spec) {
        std::string file;
        const size_t cut = spec.find('_');
        if (cut != std::string::npos) {
            const std::string root = debs / ("root" + std::to_string(owned.size()));
            EXPECT_EQ(::mkdir(root.c_str(), 0755), 0);
            EXPECT_EQ(::mkdir((root + "/DEBIAN").c_str(), 0755), 0);
            testutil::writeFile(root + "/DEBIAN/control",
                                "Package: " + spec.substr(0, cut) + "\nVersion: " +
                                    spec.substr(cut + 1, spec.size() - cut - 5) +
                                    "\nArchitecture: all\nMaintainer: Nobody <nobody@example.invalid>\n"
                                    "Description: a build package\n");
            file = debs / spec;
            const testutil::RunResult r = testutil::run({"/usr/bin/dpkg-deb", "-Zgzip", "-b", root, file});
            EXPECT_EQ(r.status, 0) << r.err;
        } else {
            file = rpmFixture(spec);
        }
        owned.emplace_back(Package::create("placeholder", "0.1", file));
        owned.back()->readInfo();
        owned.back()->setType('b');
        return owned.back().get();
    }

    std::shared_ptr<VnComponent> component(const TreeCatalogue& catalogue, const KeySets& keys,
                                           const std::vector<std::string>& packages) {
        auto c = std::make_shared<VnComponent>(catalogue.build, "base", "Base", "", keys);
        for (const std::string& p : packages) c->packages.push_back(buildPackage(p));
        return c;
    }

    const Opsys host;
    const std::vector<std::string> thisHost{host.os_name(), host.os_vendor(), host.version(), host.arch()};
    testutil::CommandShims shims;
    std::unique_ptr<testutil::TempDir> home;
    std::unique_ptr<testutil::ScopedEnv> homeEnv;
    testutil::TempDir debs;
    Repository rpmRepo;
    Repository debRepo;
    std::unique_ptr<SourceSysRPM> rpmInstalled;
    std::unique_ptr<SourceSysDeb> debInstalled;
    std::vector<std::unique_ptr<Package>> owned;
};

typedef ComponentDetection RpmComponentDetection;

TEST_F(RpmComponentDetection, Table) {
    rpmHost();
    debHost();
    TableConfigurator configurator;
    configurator.offers["ports/nosuch"] = {"nosuch", "3.0-1"};
    configurator.offers["vnfix-late"] = {"vnfix-late", "1.0-1"};

    // Release of the component's build: 'I' installed and up to date (kind 4), 'N' not
    // installed (kind 1), 'F' a FreeBSD build, of a release that does not fit this host.
    struct Row {
        const char* what;
        char system;  // 'r' rpm, 'd' Debian
        char release;
        bool withConfigurator;
        KeySets keys;
        std::vector<std::string> packages;
        int status;
        const char* installedTime;  // the fixture whose build time it is; "" for 0
        const char* availableTime;
        const char* installedVersion;
        const char* availableVersion;
    };
    const Row rows[] = {
        {"no key sets and no packages", 'r', 'I', false, {}, {}, 3, "", "", "", ""},
        {"an older key package installed, the own build package preferred over a newer offer", 'r', 'I', false,
         {{"vnfix-web"}}, {"stamped-vnfix-web-2.0.rpm"}, 2, "stamped-vnfix-web-1.0.rpm",
         "stamped-vnfix-web-2.0.rpm", "1.0-1", "2.0-1"},
        {"an older key package installed, a newer one offered by the repository", 'r', 'I', false,
         {{"vnfix-web"}}, {}, 2, "stamped-vnfix-web-1.0.rpm", "stamped-vnfix-web-3.0.rpm", "1.0-1", "3.0-1"},
        {"nothing installed, all offered", 'r', 'I', false, {{"vnfix-alpha"}}, {"alpha.rpm"}, 1, "", "alpha.rpm",
         "", "1.2.3-4.el5"},
        {"the same on a release that is not installed", 'r', 'N', false, {{"vnfix-alpha"}}, {"alpha.rpm"}, 1, "",
         "alpha.rpm", "", "1.2.3-4.el5"},
        {"a key offered only by the repository", 'r', 'N', false, {{"vnfix-repo"}}, {}, 1, "", "repo.rpm", "",
         "1:2.0-1"},
        {"a key neither installed nor offered", 'r', 'I', false, {{"nosuch"}}, {}, 4, "", "", "", ""},
        {"a missing name ends its set before the installed one", 'r', 'I', false, {{"nosuch", "xsame"}}, {}, 4,
         "", "", "", ""},
        {"of two sets, a failing first and a current second: the second decides", 'r', 'I', false,
         {{"nosuch"}, {"xsame"}}, {"installed-xsame-1.0.rpm"}, 3, "installed-xsame-1.0.rpm",
         "installed-xsame-1.0.rpm", "1.0-1", "1.0-1"},
        {"no key sets: the build packages decide", 'r', 'I', false, {},
         {"stamped-vnfix-web-2.0.rpm", "alpha.rpm"}, 2, "stamped-vnfix-web-1.0.rpm", "alpha.rpm", "1.0-1",
         "2.0-1"},
        {"build packages raise the available time also when they are not compared", 'r', 'I', false,
         {{"vnfix-web"}}, {"alpha.rpm"}, 2, "stamped-vnfix-web-1.0.rpm", "alpha.rpm", "1.0-1", "3.0-1"},
        {"a key set current, a build package not installed", 'r', 'I', false, {{"xsame"}}, {"alpha.rpm"}, 2,
         "installed-xsame-1.0.rpm", "installed-xsame-1.0.rpm|alpha.rpm", "1.0-1", "1.2.3-4.el5"},
        {"the configurator offers a name nobody else has, asked by the whole name", 'r', 'I', true,
         {{"ports/nosuch"}}, {}, 1, "", "", "", "3.0-1"},
        {"FreeBSD: a plain key name is only looked up as installed", 'r', 'F', true, {{"vnfix-late"}}, {}, 1, "",
         "", "", ""},
        // Its installed package is not compared, and gives neither time nor version either.
        {"FreeBSD: an installed plain key name is not compared with the newer offer", 'r', 'F', true,
         {{"vnfix-web"}}, {}, 3, "", "", "", ""},
        {"FreeBSD: a key with a '/' is looked up", 'r', 'F', true, {{"ports/nosuch"}}, {}, 1, "", "", "", "3.0-1"},
        {"FreeBSD without a configurator: the usual rules", 'r', 'F', false, {{"vnfix-late"}}, {}, 4, "", "", "",
         ""},
        {"Debian: an older key package installed", 'd', 'I', false, {{"vnfix-webmail"}},
         {"vnfix-webmail_2.1-1.deb"}, 2, "", "", "2.0-1", "2.1-1"},
        {"Debian: current", 'd', 'I', false, {{"vnfix-webmail"}}, {"vnfix-webmail_2.0-1.deb"}, 3, "", "", "2.0-1",
         "2.0-1"},
        {"Debian: a pre-release is older by Debian's rules", 'd', 'I', false, {{"vnfix-spamd"}},
         {"vnfix-spamd_1.0-1.deb"}, 2, "", "", "1.0~rc1-1", "1.0-1"},
        {"Debian: not installed", 'd', 'N', false, {{"vnfix-news"}}, {"vnfix-news_1.0-1.deb"}, 1, "", "", "",
         "1.0-1"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Repository& repo = r.system == 'r' ? rpmRepo : debRepo;
        const bool rpm = r.system == 'r';
        TreeCatalogue catalogue(r.release == 'N' ? "mardell" : "tarnix", rpm ? "1.0" : "12.0.1",
                                r.release == 'F' ? std::vector<std::string>{"FreeBSD", "FreeBSD", "7", "i386"}
                                                 : thisHost);
        catalogue.product->keyPackages = {{rpm ? "vnfix-web" : "tarnix-base"}};
        if (r.release == 'N') catalogue.product->keyPackages = {{"mardell-base"}};
        catalogue.release->check_installation_state(&repo);
        if (r.release != 'F') {
            ASSERT_EQ(catalogue.release->update_kind(), r.release == 'I' ? 4 : 1);
        }

        std::shared_ptr<VnComponent> c = component(catalogue, r.keys, r.packages);
        c->checkInstalled(&repo, r.withConfigurator ? &configurator : nullptr);
        EXPECT_EQ(c->getStatus(), r.status);
        EXPECT_EQ(std::to_string(c->getInstalledBuildTime()), *r.installedTime ? buildTimeOf(r.installedTime) : "0");
        EXPECT_EQ(std::to_string(c->getAvailableBuildTime()), *r.availableTime ? buildTimeOf(r.availableTime) : "0");
        EXPECT_EQ(c->getInstalledVersion(), r.installedVersion);
        EXPECT_EQ(c->getAvailableVersion(), r.availableVersion);

        // The release hears of an upgrade, and of a component to install, only when it is the
        // installed one.
        if (r.release == 'F') continue;
        const bool installedRelease = r.release == 'I';
        EXPECT_EQ(catalogue.release->update_grade(), r.status == 2 && installedRelease ? 2 : 0);
        EXPECT_EQ(catalogue.release->getInstalledComponents(),
                  r.status == 1 && installedRelease ? std::vector<std::string>{"base"} : std::vector<std::string>{});
    }
    EXPECT_EQ(configurator.asked, (std::vector<std::string>{"ports/nosuch", "ports/nosuch"}));
}

TEST_F(RpmComponentDetection, Trace) {
    rpmHost();
    TreeCatalogue tarnix("tarnix", "1.0", thisHost);
    tarnix.product->keyPackages = {{"vnfix-web"}};
    tarnix.release->check_installation_state(&rpmRepo);

    std::shared_ptr<VnComponent> upgrade = component(tarnix, {{"vnfix-web"}}, {"stamped-vnfix-web-2.0.rpm"});
    {
        testutil::LogCapture summary(1);
        upgrade->checkInstalled(&rpmRepo, nullptr);
        EXPECT_EQ(summary.text(), "Component tarnix/base: mode upgrade,  installed=1200000000,  available=1300000000\n");
    }
    {
        testutil::LogCapture log(3);
        upgrade->checkInstalled(&rpmRepo, nullptr);
        EXPECT_EQ(splitLines(log.text()),
                  (std::vector<std::string>{
                      "Check installation state for component tarnix/base:",
                      "test keypackages set:  'vnfix-web'",
                      "In system installed vnfix-web-1.0-1.noarch",
                      "Following package is available: vnfix-web-2.0-1.noarch",
                      "by keypackages: available=true, installed_latest=false, comp_any=true, "
                      "avbl_time=1300000000, inst_ver=1.0-1, avail_ver=2.0-1",
                      "VnComponent: after build packages: inst_time=1200000000, avbl_time=1300000000, "
                      "inst_ver=1.0-1, avail_ver=2.0-1",
                      "finally check installed: installed_latest=false, available=true, comp_any=true",
                      "Component tarnix/base: mode=2",
                      "Component tarnix/base: mode upgrade,  installed=1200000000,  available=1300000000",
                  }));
    }

    // The build-package pass, after a failing first set; "New version ... is not available." for
    // the name that nobody offers.
    std::shared_ptr<VnComponent> current =
        component(tarnix, {{"vnfix-gone"}, {"vnfix-web"}}, {"stamped-vnfix-web-1.0.rpm"});
    testutil::LogCapture log(3);
    current->checkInstalled(&rpmRepo, nullptr);
    EXPECT_EQ(splitLines(log.text()),
              (std::vector<std::string>{
                  "Check installation state for component tarnix/base:",
                  "test keypackages set:  'vnfix-gone'",
                  "Package vnfix-gone is not installed",
                  "New version of package vnfix-gone is not available.",
                  "test keypackages set:  'vnfix-web'",
                  "In system installed vnfix-web-1.0-1.noarch",
                  "Following package is available: vnfix-web-1.0-1.noarch",
                  "by keypackages: available=true, installed_latest=true, comp_any=true, avbl_time=1200000000, "
                  "inst_ver=1.0-1, avail_ver=1.0-1",
                  "Iterate for build packages...",
                  "Compare system vnfix-web-1.0-1.noarch",
                  "    with build vnfix-web-1.0-1.noarch",
                  "  currently installed_latest=true",
                  "VnComponent: after build packages: inst_time=1200000000, avbl_time=1200000000, "
                  "inst_ver=1.0-1, avail_ver=1.0-1",
                  "finally check installed: installed_latest=true, available=true, comp_any=true",
                  "Component tarnix/base: mode=3",
                  "Component tarnix/base: mode up2date,  installed=1200000000,  available=1200000000",
              }));
}

TEST_F(RpmComponentDetection, ASecondDetectionKeepsTheHigherVersions) {
    rpmHost();
    TreeCatalogue tarnix("tarnix", "1.0", thisHost);
    tarnix.product->keyPackages = {{"vnfix-web"}};
    tarnix.release->check_installation_state(&rpmRepo);

    std::shared_ptr<VnComponent> c = component(tarnix, {{"vnfix-web"}}, {"stamped-vnfix-web-2.0.rpm"});
    c->checkInstalled(&rpmRepo, nullptr);
    ASSERT_EQ(c->getAvailableVersion(), "2.0-1");

    // The build now offers what is installed: current, with the times of this detection and
    // the versions of both.
    c->packages = {buildPackage("stamped-vnfix-web-1.0.rpm")};
    c->checkInstalled(&rpmRepo, nullptr);
    EXPECT_EQ(c->getStatus(), 3);
    EXPECT_EQ(c->getAvailableBuildTime(), 1200000000);
    EXPECT_EQ(c->getInstalledVersion(), "1.0-1");
    EXPECT_EQ(c->getAvailableVersion(), "2.0-1");

    // An error status is final: a later detection changes nothing.
    c->setStatus(4);
    c->checkInstalled(&rpmRepo, nullptr);
    EXPECT_EQ(c->getStatus(), 4);
    EXPECT_EQ(c->getAvailableBuildTime(), 1200000000);
}

TEST_F(RpmComponentDetection, FindKeyPackage) {
    rpmHost();
    TableConfigurator configurator;
    configurator.offers["cat/vnfix-late"] = {"vnfix-late", "1.0-1"};
    TreeCatalogue tarnix("tarnix", "1.0", thisHost);
    std::shared_ptr<VnComponent> c = component(tarnix, {}, {"stamped-vnfix-web-2.0.rpm"});
    Package* own = c->packages[0];

    struct Row {
        const char* key;
        bool withConfigurator;
        const char* found;  // "own", "repository", "configurator", "" for none
    };
    const Row rows[] = {
        {"vnfix-web", false, "own"},
        {"www/vnfix-web", true, "own"},
        {"vnfix-repo", true, "repository"},
        {"cat/vnfix-late", true, "configurator"},
        {"cat/vnfix-late", false, ""},
        {"vnfix-late", true, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.key);
        Package* p = c->findKeyPackage(r.key, &rpmRepo, r.withConfigurator ? &configurator : nullptr);
        const std::string found = r.found;
        if (found == "own")
            EXPECT_EQ(p, own);
        else if (found == "repository")
            EXPECT_EQ(p ? p->toString() : "", "vnfix-repo-1:2.0-1.noarch");
        else if (found == "configurator")
            EXPECT_EQ(p ? p->toString() + " " + static_cast<char>(p->getType()) : "", "vnfix-late-1.0-1 u");
        else
            EXPECT_EQ(p, nullptr);
    }
}

}  // namespace
