// The rpm installer over the whole road of a run, without the driver: the catalogue of the
// fixture update source read over HTTP from 127.0.0.1 on a host declared CentOS 7 x86_64, the
// installed packages from a private rpm database, build loading, installed-state detection and
// the selection; then the installer that the factory picks for the host, the resolved list
// downloaded from the server and installed by the real rpm into the sandbox's private /opt,
// and the same road again over the changed host.
#include "installers/InstallRPM.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/BuildManager.h"
#include "common/Log.h"
#include "common/Opsys.h"
#include "common/error.h"
#include "components/BuildLoading.h"
#include "components/ComponentManager.h"
#include "components/VnComponent.h"
#include "installers/InstallOptions.h"
#include "main/BackendFactories.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "reporting/ProductsProgress.h"
#include "sources/FileFetcher.h"
#include "sources/SourceSysRPM.h"
#include "support/EnglishTest.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/RpmFixtures.h"
#include "support/TestUtil.h"
#include "support/UpdateSource.h"

namespace {

using testutil::codesOf;
using testutil::splitLines;

typedef std::vector<std::string> Texts;

const char* const markerFile = "/opt/vantrell-fixture.marker";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string kindsOf(const Repository& repo, const std::string& name) {
    std::string kinds;
    for (const Package* p : repo.pkgList)
        if (name == p->getName()) kinds += static_cast<char>(p->getType());
    return kinds;
}

Texts names(const cpkgs_t& list) {
    Texts out;
    for (const Package* p : list) out.push_back(p->getName());
    return out;
}

// Positions of the log lines that begin with `prefix`.
std::vector<size_t> linesStarting(const Texts& lines, const std::string& prefix) {
    std::vector<size_t> at;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].compare(0, prefix.size(), prefix) == 0) at.push_back(i);
    return at;
}

// The requests for package files that reached the server.
Texts packageRequests(const testutil::HttpServer& server) {
    Texts out;
    for (const std::string& r : server.requests())
        if (contains(r, ".rpm ")) out.push_back(r);
    return out;
}

// One run's holders, as the driver keeps them: the installed packages read from the private
// rpm database, the catalogue read from `url` and checked against them, Tarnix 10.1 loaded and
// committed, and every component's installed state detected. The members go in reverse
// order: the sources leave the repository before it goes.
class Road {
public:
    Road(const std::string& url, const std::string& target) {
        installed.reset(new SourceSysRPM(&repo));
        repo.getBriefInfo();
        FileFetcher fetcher(url + "products.inf3", target);
        fetcher.quiet = true;
        catalogue.reset(new BuildManager(&fetcher, ""));
        catalogue->checkInstallationState(&repo);
        catalogue->deselectAll();
        catalogue->selectRelease("tarnix", "tarnix-10.1");
        run.reset(new testutil::LoadRun(repo, url, target));
        run->loadSelected(*catalogue, repo);
    }

    // Everything the tree offers, but the components named, then what the selection needs.
    void select(const Texts& leftOut) {
        ComponentManager& tree = components();
        ComponentManager::selectAll(tree.nodes.begin(), tree.nodes.end(), true, "");
        for (const std::string& name : leftOut) component(name).setSelected(false);
        ComponentManager::MarkNeedForChecked need(&tree);
        tree.visit(need);
    }

    ComponentManager& components() { return run->components; }

    VnComponent& component(const std::string& name) {
        struct Finder : ComponentManager::Visitor {
            void visit(VnComponent* c) override {
                if (c->name == name) found = c;
            }
            std::string name;
            VnComponent* found = nullptr;
        } finder;
        finder.name = name;
        components().visit(finder);
        if (!finder.found) throw error(3, 1, 1, 3) << "no component " << name;
        return *finder.found;
    }

    Repository repo;
    std::unique_ptr<SourceSysRPM> installed;
    std::unique_ptr<BuildManager> catalogue;
    std::unique_ptr<testutil::LoadRun> run;
};

class InstallRPMRoadTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        Opsys::override_os_name = "Linux";
        Opsys::override_os_vendor = "CentOS";
        Opsys::override_os_version = "7";
        Opsys::override_os_arch = "x86_64";
        const Opsys host;
        if (host.os_vendor() != "CentOS" || host.version() != "7" || host.arch() != "x86_64")
            GTEST_SKIP() << "the host was detected before this test could declare it";
        installertest::plainOptions();
        db.reset(new testutil::PrivateRpmDatabase);
        db->registerShell();
        server.reset(new testutil::HttpServer(testutil::updateSource()));
    }
    void TearDown() override {
        server.reset();
        db.reset();
        Opsys::override_os_name.clear();
        Opsys::override_os_vendor.clear();
        Opsys::override_os_version.clear();
        Opsys::override_os_arch.clear();
    }

    std::unique_ptr<Road> road() { return std::unique_ptr<Road>(new Road(server->url(), target / "download")); }

    testutil::TempDir target;
    std::unique_ptr<testutil::PrivateRpmDatabase> db;
    std::unique_ptr<testutil::HttpServer> server;
};

typedef InstallRPMRoadTest RpmInstallRPMRoad;

TEST_F(RpmInstallRPMRoad, InstallsTheSelectionBetweenPrepAndPostThenFindsNothingLeft) {
    {
        std::unique_ptr<Road> first = road();
        first->select({"broken"});
        // The description allows no host package manager, so no configurator applies, and
        // the base component's rpm packages choose this installer.
        EXPECT_FALSE(first->run->sources.nativePackageManagersAllowed);
        const std::unique_ptr<Installer> chosen =
            createInstaller(&first->repo, &first->components(), nullptr, &first->run->sources);
        ASSERT_TRUE(dynamic_cast<InstallRPM*>(chosen.get()));
        Installer& installer = *chosen;
        testutil::LogCapture log;
        const cpkgs_t list = installer.resolveAll();
        // The bootstrapper package comes first.
        ASSERT_FALSE(list.empty());
        EXPECT_EQ(names(list).front(), "vantrell-fixture-bootstrap");
        installer.checkPackageSet({});
        try {
            installer.install(false);
        } catch (const error& e) {
            ADD_FAILURE() << e.text();
        }
        // The output of the last child reaches the log with the next line.
        Log(0) << "end of the installation\n";

        EXPECT_EQ(db->installed(),
                  (Texts{"vantrell-fixture-bootstrap-10.1.noarch", "vantrell-fixture-core-10.1.noarch",
                         "vantrell-fixture-extras-10.1.noarch", "vantrell-fixture-mta-light-10.1.noarch",
                         "vantrell-fixture-web-10.1.noarch"}));
        for (const char* dir : {"bootstrap", "core", "extras", "mta-light", "web"}) {
            EXPECT_EQ(testutil::readFile(std::string("/opt/vantrell-fixture/") + dir + "/version"), "10.1-1\n")
                << dir;
        }
        // The prep actions ran after the bootstrapper package only, the post actions after all.
        EXPECT_EQ(splitLines(testutil::readFile(markerFile)),
                  (Texts{"prep bootstrap", "post bootstrap core extras mta-light web"}));
        const Texts lines = splitLines(log.text());
        const std::vector<size_t> rpmRuns = linesStarting(lines, "Execute command rpm -U ");
        const std::vector<size_t> prep = linesStarting(lines, "Execute command echo prep ");
        const std::vector<size_t> post = linesStarting(lines, "Execute command echo post ");
        ASSERT_FALSE(rpmRuns.empty()) << log.text();
        ASSERT_EQ(prep.size(), 1u) << log.text();
        ASSERT_EQ(post.size(), 1u) << log.text();
        // The bootstrapper package goes in before the prep actions, everything else after.
        EXPECT_EQ(std::count_if(rpmRuns.begin(), rpmRuns.end(), [&](size_t at) { return at < prep.front(); }), 2)
            << log.text();
        EXPECT_LT(rpmRuns.back(), post.front()) << log.text();

        const std::map<std::string, ProductsProgress::PackageEntry> progress =
            ProductsProgress::instance()->packagesSnapshot();
        EXPECT_EQ(progress.size(), 5u);
        for (const auto& entry : progress) {
            EXPECT_EQ(entry.second.stage, 3) << entry.first;
        }
        // Every package file came from the server.
        EXPECT_EQ(packageRequests(*server).size(), 5u) << server->requests().size();
    }

    // The changed host: the same selection needs nothing.
    const size_t requestsBefore = packageRequests(*server).size();
    std::unique_ptr<Road> second = road();
    second->select({"broken"});
    InstallRPM installer(&second->repo, &second->components(), nullptr);
    testutil::LogCapture log;
    EXPECT_EQ(names(installer.resolveAll()), Texts{});
    EXPECT_FALSE(contains(log.text(), "Execute command rpm -U")) << log.text();
    EXPECT_EQ(packageRequests(*server).size(), requestsBefore);
}

TEST_F(RpmInstallRPMRoad, AnUnselectedComponentsOwnPackageIsDemotedButNotTheOneItSharesWithBase) {
    std::unique_ptr<Road> run = road();
    run->select({"broken", "extras"});
    InstallRPM installer(&run->repo, &run->components(), nullptr);
    const cpkgs_t list = installer.resolveAll();
    EXPECT_EQ(names(list), (Texts{"vantrell-fixture-bootstrap", "vantrell-fixture-core", "vantrell-fixture-web",
                                  "vantrell-fixture-mta-light"}));
    EXPECT_EQ(kindsOf(run->repo, "vantrell-fixture-extras"), "t");
    // The build's core and the newer one of the updates directory.
    EXPECT_EQ(kindsOf(run->repo, "vantrell-fixture-core"), "bu");
    EXPECT_EQ(kindsOf(run->repo, "vantrell-fixture-broken"), "t");
}

TEST_F(RpmInstallRPMRoad, ARequirementNoSourceProvidesFailsWithTheResolverReport) {
    std::unique_ptr<Road> run = road();
    run->select({});
    InstallRPM installer(&run->repo, &run->components(), nullptr);
    testutil::LogCapture log;
    try {
        installer.resolveAll();
        FAIL() << "no error";
    } catch (const error& e) {
        const std::string reportHead = "The following could cause the installation failure:\n";
        const std::string text = e.text();
        EXPECT_EQ(codesOf(e), "(5,1,1,3)");
        EXPECT_TRUE(e.hasMark(0));
        // The resolver's line for the requested package with the report appended to it, then
        // the empty oldest line.
        EXPECT_EQ(text,
                  "Unable to install the \"vantrell-fixture-broken-10.1-1.noarch\" package.\n\n" + reportHead +
                      "The dependency for \"vantrell-fixture-nowhere\" required\n"
                      " by the \"vantrell-fixture-broken-10.1-1.noarch\" package could not be resolved.\n\n\n\n");
        EXPECT_EQ(e.lines.size(), 2u);
        const std::string logged = log.text();
        const std::string::size_type first = logged.find(reportHead);
        ASSERT_NE(first, std::string::npos) << logged;
        EXPECT_EQ(logged.find(reportHead, first + 1), std::string::npos) << logged;
    }
    EXPECT_EQ(db->installed(), Texts{});
}

}  // namespace
