// The yum installer with our stand-in at /usr/bin/yum: the exact command line it runs, the
// order around the PREP and POST actions, and each way a yum run can fail. The stand-in logs
// every command line; VN_YUM_FAIL="install 0" answers without installing anything.
#include "installers/InstallYum.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/Build.h"
#include "catalogue/BuildInfFile.h"
#include "common/TerminationState.h"
#include "common/error.h"
#include "components/ComponentManager.h"
#include "components/SourceManager.h"
#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "configurators/DebianAPTConfigurator.h"
#include "configurators/YumConfigurator.h"
#include "installers/InstallOptions.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/FileFetcher.h"
#include "sources/SourceDistTarnix.h"
#include "sources/SourceTarnix.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/PrepPostActions.h"
#include "support/TestUtil.h"
#include "support/UsrBinOverlay.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::readFile;

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The installer with a list given by the test.
class TestInstaller : public InstallYum {
public:
    using InstallYum::InstallYum;
    void setList(const cpkgs_t& list) { resolvedPackages = list; }
};

// A run of release R1 whose distribution and third-party packages come from the update
// source, with one component; the configurator is configured when `withSources`.
struct YumRun {
    explicit YumRun(bool withSources) {
        if (withSources) {
            auto description = std::make_shared<BuildInfFile>();
            description->config = "R1/build.inf3";
            description->release_id = "R1";
            description->build_dir = "dist";
            description->thirdparty_dir = "thirdparty";
            catalogue.build->description = description;
            const FileFetcher fetcher("http://mirror.example/vn/products.inf3", target.path());
            sources.sources.push_back(std::make_shared<SourceDistTarnix>(&repo, fetcher, catalogue.build));
            sources.sources.push_back(std::make_shared<SourceTarnix>(&repo, fetcher, catalogue.build, 't'));
        }
        yum.configure();
        component = catalogue.component(*manager.arena(), "web", 1);
        manager.nodes.push_back(component);
    }
    ~YumRun() {
        installer.reset();
        for (Package* p : owned) delete p;
    }
    TestInstaller& make() {
        installer.reset(new TestInstaller(&repo, &manager, &yum));
        return *installer;
    }
    const Package* package(const std::string& name) {
        owned.push_back(new Package(name, "1.0-1"));
        return owned.back();
    }

    testutil::TempDir target;
    testutil::TreeCatalogue catalogue{"tarnix", "1.0", {"Linux", "CentOS", "5.5", "x86_64"}};
    Repository repo;
    SourceManager sources{repo};
    ComponentManager manager;
    YumConfigurator yum{"http://mirror.example/vn/products.inf3", &sources, &repo};
    std::shared_ptr<VnComponent> component;
    std::unique_ptr<TestInstaller> installer;
    std::vector<Package*> owned;
};

class InstallYumTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        installertest::plainOptions();
        resetTermination();
        ASSERT_EQ(testutil::shell("mkdir -p /etc/yum.repos.d").status, 0);
        testutil::overlayUsrBin({{"yum", VN_SOURCE_DIR "/tests/support/yum"}});
    }
    void TearDown() override { resetTermination(); }

    testutil::TempDir scratch;
    const std::string yumLog = scratch / "yum.log";
    testutil::ScopedEnv logEnv{"VN_YUM_LOG", yumLog};
};

TEST_F(InstallYumTest, TerminationAddsNoLine) {
    testutil::ScopedEnv hang("VN_YUM_HANG", "install");
    YumRun run(false);
    TestInstaller& installer = run.make();
    std::string got;
    std::thread call([&] {
        try {
            installer.installPackages(cpkgs_t{}, false);
        } catch (const error& e) {
            got = codesOf(e) + " " + e.text();
        }
    });
    for (int i = 0; i < 1000 && !exists(yumLog); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    requestTermination(SIGTERM);
    call.join();
    EXPECT_EQ(got, "(2,2,2,1) Interrupted by user\n");
}

}  // namespace
