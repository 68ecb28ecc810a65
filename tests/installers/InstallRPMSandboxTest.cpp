// The rpm installer over real rpm packages: the vntest fixtures come through a local package
// directory, the installed ones through a private rpm database (HOME with its own .rpmmacros),
// and the resolved list is installed by the real rpm into the sandbox's private /opt.
#include "installers/InstallRPM.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/error.h"
#include "components/ComponentManager.h"
#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "installers/InstallOptions.h"
#include "main/Options.h"
#include "packages/PkgManager.h"
#include "packages/Repository.h"
#include "sources/SourceDirectory.h"
#include "sources/SourceSysRPM.h"
#include "support/EnglishTest.h"
#include "support/PrepPostActions.h"
#include "support/LogCapture.h"
#include "support/RpmFixtures.h"
#include "support/TestUtil.h"
#include "updates/Bootstrapper.h"

namespace {

using testutil::codesOf;
using testutil::rpmFixture;
using testutil::splitLines;

// What a test may look at besides the list: the protected figures of the run.
class ProbedInstallRPM : public InstallRPM {
public:
    using InstallRPM::InstallRPM;
    int32_t size() const { return downloadSize; }
    const cpkgs_t& bootstrap() const { return bootstrapPackages; }
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class InstallRPMTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        installertest::plainOptions();
        db.reset(new testutil::PrivateRpmDatabase);
        db->registerShell();
    }
    void TearDown() override {
        installer.reset();
        manager.reset();
        dirSource.reset();
        sysSource.reset();
        if (repo) {
            for (Package* p : repo->pkgList) delete p;
            for (Package* p : repo->removedPackages) delete p;
        }
        repo.reset();
        db.reset();
    }

    // The package directory offers `fixtures`; a fresh pool reads it and the installed
    // packages. Offered packages are build packages unless named in `system`.
    void load(const std::vector<std::string>& fixtures, const std::vector<std::string>& system = {}) {
        for (const std::string& f : fixtures) {
            const testutil::RunResult r = testutil::run({"/bin/cp", rpmFixture(f), packages / f});
            ASSERT_EQ(r.status, 0) << r.err;
        }
        installer.reset();
        manager.reset(new ComponentManager);
        repo.reset(new Repository);
        sysSource.reset(new SourceSysRPM(repo.get()));
        dirSource.reset(new SourceDirectory(repo.get(), packages.path()));
        repo->getBriefInfo();
        repo->getFullInfo();
        for (Package* p : repo->pkgList) {
            if (p->getType() == 's') continue;
            bool isSystem = false;
            for (const std::string& name : system) isSystem = isSystem || name == p->getName();
            p->setType(isSystem ? 'u' : 'b');
        }
        installer.reset(new ProbedInstallRPM(repo.get(), manager.get(), nullptr));
    }

    Package* offered(const std::string& name) {
        for (Package* p : repo->pkgList)
            if (p->getType() != 's' && name == p->getName()) return p;
        throw std::runtime_error("no offered package " + name);
    }
    char kindOf(const std::string& name) { return static_cast<char>(offered(name)->getType()); }

    // A top-level component listing the offered packages `names`.
    std::shared_ptr<VnComponent> component(const std::string& name, const std::vector<std::string>& names,
                                           bool selected) {
        std::shared_ptr<VnComponent> c = catalogue.component(*manager->arena(), name, 1);
        for (const std::string& n : names) c->packages.push_back(offered(n));
        c->setSelected(selected);
        manager->nodes.push_back(c);
        return c;
    }

    static std::vector<std::string> names(const cpkgs_t& list) {
        std::vector<std::string> out;
        for (const Package* p : list) out.push_back(p->getName());
        return out;
    }

    testutil::TreeCatalogue catalogue{"tarnix"};
    std::unique_ptr<testutil::PrivateRpmDatabase> db;
    testutil::TempDir packages;
    std::unique_ptr<Repository> repo;
    std::unique_ptr<SourceSysRPM> sysSource;
    std::unique_ptr<SourceDirectory> dirSource;
    std::unique_ptr<ComponentManager> manager;
    std::unique_ptr<ProbedInstallRPM> installer;
};

typedef InstallRPMTest RpmInstallRPM;

TEST_F(RpmInstallRPM, ResolvesBootstrapAndSelectionAndInstallsThemBetweenPrepAndPost) {
    load({"vntest-a.rpm", "vntest-b.rpm", "vntest-e.rpm"}, {"vntest-b"});
    const std::string marker = packages / "marker";
    testutil::ScopedEnv markerEnv("M", marker);
    std::shared_ptr<VnComponent> base = component("base", {"vntest-a"}, true);
    base->bootstrapperPackages.push_back(offered("vntest-e"));
    testutil::addPrepPostActions(*base, [](const std::string& sequence) { return "echo " + sequence + " >> \"$M\""; });

    testutil::LogCapture log;
    const cpkgs_t list = installer->resolveAll();
    // Bootstrap first, then the selection, then what the resolver pulled in.
    EXPECT_EQ(names(list), (std::vector<std::string>{"vntest-e", "vntest-a", "vntest-b"}));
    EXPECT_EQ(names(installer->bootstrap()), std::vector<std::string>{"vntest-e"});
    // a and e are build packages, b a system upgrade: two sums, divided apart.
    EXPECT_EQ(installer->size(),
              static_cast<int32_t>((offered("vntest-a")->size + offered("vntest-e")->size) / 1024 + offered("vntest-b")->size / 1024));
    EXPECT_TRUE(contains(log.text(), "Determining the packages that need to be installed.\n")) << log.text();

    installer->checkPackageSet({});
    try {
        installer->install(false);
    } catch (const error& e) {
        ADD_FAILURE() << e.text();
    }
    EXPECT_EQ(db->installed(), (std::vector<std::string>{"vntest-a-1.0.noarch", "vntest-b-1.0.noarch", "vntest-e-1.0.noarch"}));
    EXPECT_EQ(splitLines(testutil::readFile(marker)), (std::vector<std::string>{"prep", "post"}));
}

TEST_F(RpmInstallRPM, OnlyPackagesThatNoSelectedComponentListsAreDemoted) {
    // base lists b; the unselected optional component shares b and lists e of its own.
    struct DemotionCase {
        const char* title;
        bool applied;
        char kindOfShared;
        char kindOfOwn;
    };
    const std::vector<DemotionCase> cases = {
        {"walked only", false, 'b', 'b'},
        {"applied", true, 'b', 't'},
    };
    for (const DemotionCase& c : cases) {
        SCOPED_TRACE(c.title);
        load({"vntest-b.rpm", "vntest-e.rpm"});
        component("base", {"vntest-b"}, true);
        component("optional", {"vntest-b", "vntest-e"}, false);
        InstallRPM::NotCheckedToUpdates demotion(repo.get());
        manager->visit(demotion);
        if (c.applied) demotion.apply();
        EXPECT_EQ(kindOf("vntest-b"), c.kindOfShared);
        EXPECT_EQ(kindOf("vntest-e"), c.kindOfOwn);
        TearDown();
        SetUp();
    }
}

TEST_F(RpmInstallRPM, ResolveAllDemotesAndTheDemotedPackageDoesNotCount) {
    load({"vntest-b.rpm", "vntest-e.rpm"});
    component("base", {"vntest-b"}, true);
    component("optional", {"vntest-b", "vntest-e"}, false);
    const cpkgs_t list = installer->resolveAll();
    EXPECT_EQ(names(list), std::vector<std::string>{"vntest-b"});
    EXPECT_EQ(kindOf("vntest-b"), 'b');
    EXPECT_EQ(kindOf("vntest-e"), 't');
    EXPECT_EQ(installer->size(), static_cast<int32_t>(offered("vntest-b")->size / 1024));
}

TEST_F(RpmInstallRPM, DownloadSizeCountsBuildAndUpgradeSizesInWholeKiB) {
    load({"vntest-a.rpm", "vntest-b.rpm", "vntest-e.rpm", "vntest-new.rpm"});
    struct SizeCase {
        const char* title;
        std::vector<std::pair<char, int64_t>> packages;  // kind and size, one offered package each
        int32_t expected;
    };
    const int64_t gib = int64_t(1) << 30;
    const std::vector<SizeCase> cases = {
        {"two builds and an upgrade, divided apart", {{'b', 1536}, {'b', 1536}, {'u', 1023}}, 3},
        {"extras and installed packages add nothing", {{'t', 4096}, {'s', 8192}, {'b', 2048}}, 2},
        {"build sizes past 32 bits", {{'b', 3 * gib}, {'b', 2 * gib + 1024}, {'u', 1024}}, int32_t(5 * (gib / 1024) + 2)},
    };
    const std::vector<Package*> offers = {offered("vntest-a"), offered("vntest-b"), offered("vntest-e"),
                                          offered("vntest-new")};
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.title);
        cpkgs_t list;
        for (size_t i = 0; i < c.packages.size(); ++i) {
            Package* p = offers.at(i);
            p->setType(c.packages[i].first);
            p->size = c.packages[i].second;
            list.push_back(p);
        }
        const ResolverOptions options = {true, false};
        PkgManager resolver(repo.get(), &list, &options);
        ResolveStatistics statistics;
        resolver.getStatistics(statistics);
        EXPECT_EQ(downloadSizeOf(statistics), c.expected);
    }
}

TEST_F(RpmInstallRPM, ASecondResolveIsAnInternalError) {
    load({"vntest-e.rpm", "vntest-b.rpm"});
    component("base", {"vntest-e"}, true)->bootstrapperPackages.push_back(offered("vntest-b"));
    installer->resolveAll();
    testutil::LogCapture log;
    try {
        installer->resolveAll();
        FAIL() << "no error";
    } catch (const error& e) {
        EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 InstallRPM, line 118.\n");
        EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    }
    // The bootstrap packages were looked up again before the check.
    EXPECT_TRUE(contains(log.text(), "Get bootstrapper packages to installation from selected component base"))
        << log.text();
}

TEST_F(RpmInstallRPM, AnUnresolvableRequirementCarriesTheResolverReport) {
    // a requires vntest-b, which nothing offers.
    load({"vntest-a.rpm"});
    component("base", {"vntest-a"}, true);
    testutil::LogCapture log;
    try {
        installer->resolveAll();
        FAIL() << "no error";
    } catch (const error& e) {
        // The resolver's own line, the report appended to it, and the empty oldest line.
        const std::string head = "Unable to install the \"vntest-a-1.0-1.noarch\" package.";
        const std::string text = e.text();
        ASSERT_EQ(text.compare(0, head.size(), head), 0) << text;
        const std::string report = text.substr(head.size());
        const std::string reportHead = "\n\nThe following could cause the installation failure:\n";
        EXPECT_EQ(report.compare(0, reportHead.size(), reportHead), 0) << text;
        EXPECT_NE(report.find("The dependency for \"vntest-b\" required\n by the \"vntest-a-1.0-1.noarch\" package"),
                  std::string::npos)
            << text;
        EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
        EXPECT_EQ(e.lines.size(), 2u);
        EXPECT_EQ(e.lines.front(), "");
        EXPECT_EQ(codesOf(e), "(5,1,1,3)");
        EXPECT_TRUE(e.hasMark(0));
        // The report is in the log once.
        const std::string logged = log.text();
        const std::string::size_type first = logged.find(reportHead.substr(2));
        ASSERT_NE(first, std::string::npos) << logged;
        EXPECT_EQ(logged.find(reportHead.substr(2), first + 1), std::string::npos) << logged;
    }
}

TEST_F(RpmInstallRPM, WithMajorUpdatesDisabledOnlyTheSelectionIsListed) {
    load({"vntest-a.rpm", "vntest-e.rpm"});
    component("base", {"vntest-a"}, true)->bootstrapperPackages.push_back(offered("vntest-e"));
    const std::string outcome = testutil::inChild([&] {
        // The settings of a run started with the switch, as the program builds them.
        char name[] = "vantrell", option[] = "--disable-major-updates";
        char* argv[] = {name, option, nullptr};
        Options::instance() = Options(2, argv);
        if (!Options::instance().disableMajorUpdates) return std::string("switch not read");
        testutil::LogCapture log;
        const cpkgs_t list = installer->resolveAll();
        std::string out;
        for (const std::string& n : names(list)) out += n + " ";
        out += "size " + std::to_string(installer->size()) + " bootstrap " + std::to_string(installer->bootstrap().size());
        if (contains(log.text(), "Determining the packages")) out += " step";
        return out;
    });
    // a requires b, which nothing offers: no resolver ran, or this would have failed.
    EXPECT_EQ(outcome, "vntest-a size 0 bootstrap 0");
}

TEST_F(RpmInstallRPM, NothingToInstallRunsNoResolver) {
    load({"vntest-a.rpm"});
    component("base", {}, true);
    component("optional", {"vntest-a"}, false);
    const cpkgs_t list = installer->resolveAll();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(installer->size(), 0);
    // No walk: the unselected component's package keeps its kind.
    EXPECT_EQ(kindOf("vntest-a"), 'b');
}

TEST_F(RpmInstallRPM, DiskSpaceCheckNeedsTheComponentManager) {
    load({});
    ProbedInstallRPM orphan(repo.get(), nullptr, nullptr);
    EXPECT_THROW(orphan.checkDiskSpace(), error);
}

}  // namespace
