#include "updates/MUPatch.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "common/Log.h"
#include "common/error.h"
#include "common/fileops.h"
#include "common/hostinfo.h"
#include "components/VnComponent.h"
#include "installers/InstallBXAgent.h"
#include "sources/FileFetcher.h"
#include "support/EnglishTest.h"
#include "support/FixtureServers.h"
#include "support/InstalledDebs.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "updates/MUEntityFile.h"
#include "updates/MUInstalledDB.h"

// Runs in the namespace helper: the database is the private /root/.vantrell, the targets live
// under the private /opt, and every case that records runs in a child (one database per
// process).
namespace {

std::string md5Of(const std::string& path) {
    char out[33];
    return md5File(path.c_str(), out) ? std::string(out) : std::string();
}

// Any installer that is not the container agent's.
class OtherInstaller : public Installer {
public:
    OtherInstaller() : Installer(nullptr, nullptr, nullptr) {}
    cpkgs_t resolveAll() override { return {}; }
    void checkDiskSpace() override {}
};

class PatchObject : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        fileops::remove_all("/root/.vantrell");
        fileops::remove_all("/opt/p");
        ASSERT_TRUE(fileops::create_directory("/opt/p"));
        ASSERT_EQ(0, ::mkdir((source / "patches").c_str(), 0755));
        testutil::writeFile(source / "patches/new.conf", "new content\n");
        for (const char* t : {"/opt/p/one", "/opt/p/two", "/opt/p/three"}) testutil::writeFile(t, "old content\n");
    }

    std::shared_ptr<MUEntityFile> item(const std::string& target, const std::string& owner = "root") {
        auto file = std::make_shared<MUEntityFile>(&fetcher, "new.conf", target, md5Of(source / "patches/new.conf"));
        file->setPermissions(owner, "root", 0644);
        return file;
    }

    // The base component of product p1 release 2.0, recognised by the key package p1-key.
    std::shared_ptr<VnComponent> base(const std::vector<std::vector<std::string>>& keys = {{"p1-key"}}) {
        product = std::make_shared<Product>("p1", "P1", keys);
        release = std::make_shared<Release>(product, "p1-2.0", "P1 2.0", "2.0", "1.0");
        build = std::make_shared<Build>(release, "Linux", "Debian", "12", "x86_64", "", "", "", "");
        return std::make_shared<VnComponent>(build, "base", "", "", std::vector<std::vector<std::string>>{});
    }

    testutil::TempDir source;
    testutil::TempDir downloads;
    testutil::HttpServer server{source.path()};
    FileFetcher fetcher{server.url("patches/patch.xml"), downloads.path()};
    std::shared_ptr<Product> product;
    std::shared_ptr<Release> release;
    std::shared_ptr<Build> build;
};

TEST_F(PatchObject, IsNamedByProductReleaseAndVersion) {
    testutil::LogCapture log;
    MUPatch patch("p1", "2.0", "3", "t");
    EXPECT_EQ("p1-2.0~patch3", patch.name());
    EXPECT_EQ("p1-2.0~patch1:3-2", MUPatch("p1", "2.0", "1:3-2", "t").name());
    Log(2) << "patch " << patch << "\n";
    EXPECT_NE(std::string::npos, log.text().find("patch p1-2.0~patch3\n"));
    error e(4, 2, 2, 2);
    e << "first ";
    e << patch;
    EXPECT_EQ("first p1-2.0~patch3\n", e.text());
    error empty = testutil::raisedError([] { MUPatch("p1", "2.0", "", "t"); });
    EXPECT_EQ(Messages::getMessage("err_empty_version") + "\n", empty.text());
}

TEST_F(PatchObject, APatchStopsAtTheFailingItemAndIsNotRecorded) {
    auto component = base();
    MUPatch patch("p1", "2.0", "3", "t");
    patch.addItem(item("/opt/p/one"));
    patch.addItem(item("/opt/p/ro/two"));
    patch.addItem(item("/opt/p/three"));
    ASSERT_TRUE(fileops::create_directory("/opt/p/ro"));
    testutil::writeFile("/opt/p/ro/two", "old content\n");
    ASSERT_EQ(0, ::mount("/opt/p/ro", "/opt/p/ro", nullptr, MS_BIND, nullptr)) << std::strerror(errno);
    ASSERT_EQ(0, ::mount(nullptr, "/opt/p/ro", nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr));
    EXPECT_EQ("can't apply patch p1-2.0~patch3|(4,2,2,2)|not installed", testutil::inChild([&] {
                  patch.prepare();
                  error e = testutil::raisedError([&] { patch.apply(*component, nullptr, nullptr); });
                  return testutil::splitLines(e.text()).at(0) + "|" + testutil::codesOf(e) + "|" +
                         (MUInstalledDB::instance().isInstalled(patch) ? "installed" : "not installed");
              }));
    EXPECT_EQ("new content\n", testutil::readFile("/opt/p/one"));
    EXPECT_EQ("old content\n", testutil::readFile("/opt/p/ro/two"));
    EXPECT_EQ("old content\n", testutil::readFile("/opt/p/three"));
    EXPECT_FALSE(fileops::exists("/root/.vantrell"));
}

TEST_F(PatchObject, APrepareFailureNamesThePatch) {
    MUPatch patch("p1", "2.0", "3", "t");
    patch.addItem(item("/opt/p/one"));
    patch.addItem(item("/opt/p/two", "nosuchuser"));
    error e = testutil::raisedError([&] { patch.prepare(); });
    EXPECT_EQ("error during prepare patch p1-2.0~patch3\n"
              "User named 'nosuchuser' is not exists in this system.\n",
              e.text());
    EXPECT_EQ("(4,2,2,2)", testutil::codesOf(e));
}

TEST_F(PatchObject, APatchWithoutItemsIsRecorded) {
    auto component = base();
    EXPECT_EQ("installed", testutil::inChild([&] {
                  MUPatch patch("p1", "2.0", "3", "t");
                  patch.prepare();
                  patch.apply(*component, nullptr, nullptr);
                  return std::string(MUInstalledDB::instance().isInstalled(patch) ? "installed" : "not installed");
              }));
}

TEST_F(PatchObject, TheContainerAgentAppliesOnlyToTheInstalledRelease) {
    struct Row {
        std::string name;
        std::vector<std::pair<std::string, std::string>> installed;
        std::vector<std::vector<std::string>> keys;
        bool agent;
        std::string logged;  // the line that must be there
        bool applied;
    } rows[] = {
        {"other release", {{"p1-key", "2.1"}}, {{"p1-key"}}, true,
         "INFO: skip applying patch p1-2.0~patch3 because currently in system installed product version 2.1\n", false},
        {"not installed", {}, {{"p1-key"}}, true,
         "INFO: skip applying patch p1-2.0~patch3 because currently in system installed product version \n", false},
        // A product without key packages cannot be recognised: skipped like one not installed.
        {"no key packages", {{"p1-key", "2.0"}}, {}, true,
         "INFO: skip applying patch p1-2.0~patch3 because currently in system installed product version \n", false},
        {"same release", {{"p1-key", "2.0"}}, {{"p1-key"}}, true,
         "DEBUG: MUPatch::apply: version of patch and installed into system product is match (2.0), apply patch.\n",
         true},
        {"other installer", {{"p1-key", "2.1"}}, {{"p1-key"}}, false, "Patching file /opt/p/one\n", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testutil::writeFile("/opt/p/one", "old content\n");
        testutil::InstalledDebs debs(row.installed);
        auto component = base(row.keys);
        InstallBXAgent agent(&debs.repo, nullptr, nullptr);
        OtherInstaller other;
        testutil::LogCapture log;
        std::string result = testutil::inChild([&] {
            MUPatch patch("p1", "2.0", "3", "t");
            patch.addItem(item("/opt/p/one"));
            patch.prepare();
            patch.apply(*component, row.agent ? static_cast<Installer*>(&agent) : &other, &debs.repo);
            return std::string(MUInstalledDB::instance().isInstalled(patch) ? "recorded" : "not recorded");
        });
        EXPECT_EQ(row.applied ? "recorded" : "not recorded", result);
        EXPECT_EQ(row.applied ? "new content\n" : "old content\n", testutil::readFile("/opt/p/one"));
        EXPECT_NE(std::string::npos, log.text().find(row.logged)) << log.text();
        if (!row.agent) {
            EXPECT_EQ(std::string::npos, log.text().find("MUPatch::apply")) << log.text();
            EXPECT_EQ(std::string::npos, log.text().find("p1-key")) << log.text();
        }
    }
}

}  // namespace
