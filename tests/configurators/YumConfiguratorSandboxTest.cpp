// The yum configurator on the sandbox's /etc: the repository file it writes and removes, its
// refusals, and the check of yum itself with our stand-in at /usr/bin/yum.
#include "configurators/YumConfigurator.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "catalogue/BuildInfFile.h"
#include "common/Opsys.h"
#include "common/error.h"
#include "components/SourceManager.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/FileFetcher.h"
#include "sources/SourceDistTarnix.h"
#include "sources/SourceSysRPM.h"
#include "sources/SourceTarnix.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "support/UsrBinOverlay.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::readFile;

const std::string repoFile = "/etc/yum.repos.d/vantrell-sources.repo";

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void mustRun(const std::string& command) {
    const testutil::RunResult r = testutil::shell(command);
    ASSERT_EQ(r.status, 0) << command << "\n" << r.out << r.err;
}

// A build whose description lists `releaseId` with the three package directories.
std::shared_ptr<Build> buildOf(const std::string& releaseId) {
    auto build = std::make_shared<Build>();
    auto description = std::make_shared<BuildInfFile>();
    description->config = releaseId + "/build.inf3";
    description->release_id = releaseId;
    description->build_dir = "dist";
    description->updates_dir = "updates";
    description->thirdparty_dir = "thirdparty";
    build->description = description;
    return build;
}

struct World {
    testutil::TempDir target;
    Repository repo;
    SourceManager sources{repo};
    std::shared_ptr<Build> r1 = buildOf("R1");
    std::shared_ptr<Build> addon = buildOf("A1");

    // R1: its distribution from a local mirror, updates and third-party packages over http;
    // then the add-on's distribution and updates over http, and no product source at all.
    void addSources() {
        const FileFetcher local("/srv/mirror/products.inf3", target.path());
        const FileFetcher remote("http://mirror.example/vn/products.inf3", target.path());
        sources.sources.push_back(std::make_shared<SourceDistTarnix>(&repo, local, r1));
        sources.sources.push_back(std::make_shared<SourceTarnix>(&repo, remote, r1, 'u'));
        sources.sources.push_back(std::make_shared<SourceTarnix>(&repo, remote, r1, 't'));
        sources.sources.push_back(nullptr);
        sources.sources.push_back(std::make_shared<SourceDistTarnix>(&repo, remote, addon));
        sources.sources.push_back(std::make_shared<SourceTarnix>(&repo, remote, addon, 'u'));
    }
};

const char* const header =
    "\n"
    "## This is temporary appended by Corvane from Quellit for \n"
    "## specify source of product's packages for yum.\n";

std::string section(const std::string& release, const std::string& kind, const std::string& url) {
    const std::string id = release + "-" + kind;
    return "[" + id + "]\n" + "name=Corvane product " + release + " " + kind + "\n" + "baseurl=" + url + "\n" +
           "#mirrorlist=http://updates.corvane.example/" + id + ".mirrors\n" + "enabled=0\n" +
           "#gpgkey=http://updates.corvane.example/RPM-GPG-KEY-corvane\n" + "gpgcheck=0\n" + "\n";
}

class YumRepoFile : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        mustRun("rm -rf /etc/yum.repos.d && mkdir /etc/yum.repos.d");
    }
};

TEST_F(YumRepoFile, RepositoryFileListsTheProductSources) {
    World w;
    w.addSources();
    YumConfigurator yum("/srv/mirror/products.inf3", &w.sources, &w.repo);
    EXPECT_TRUE(yum.repoIds().empty());
    yum.configure();
    EXPECT_EQ(readFile(repoFile), header + section("R1", "dist", "file:///srv/mirror/R1/dist/") +
                                      section("R1", "thirdparty", "http://mirror.example/vn/R1/thirdparty/") +
                                      section("A1", "dist", "http://mirror.example/vn/A1/dist/"));
    EXPECT_EQ(yum.repoIds(), (std::vector<std::string>{"R1-dist", "R1-thirdparty", "A1-dist"}));
    struct stat st;
    ASSERT_EQ(::stat(repoFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    // Nothing but the file is left in yum's directory.
    EXPECT_EQ(testutil::shell("ls -A /etc/yum.repos.d").out, "vantrell-sources.repo\n");

    // The add-on dropped: its section and id go with it.
    w.sources.dropBuildSources(w.addon);
    yum.reconfigureSources();
    EXPECT_EQ(readFile(repoFile), header + section("R1", "dist", "file:///srv/mirror/R1/dist/") +
                                      section("R1", "thirdparty", "http://mirror.example/vn/R1/thirdparty/"));
    EXPECT_EQ(yum.repoIds(), (std::vector<std::string>{"R1-dist", "R1-thirdparty"}));

    yum.restore();
    EXPECT_FALSE(exists(repoFile));
}

TEST_F(YumRepoFile, WithoutProductSourcesOnlyTheHeader) {
    World w;
    YumConfigurator yum("http://u.example/", &w.sources, &w.repo);
    yum.configure();
    EXPECT_EQ(readFile(repoFile), header);
    EXPECT_TRUE(yum.repoIds().empty());
}

TEST_F(YumRepoFile, WriteFailuresLeaveItUnconfigured) {
    struct Row {
        const char* label;
        const char* setUp;
        const char* undo;
        const char* reason;
    };
    const Row rows[] = {
        {"no directory", "rm -rf /etc/yum.repos.d", "mkdir /etc/yum.repos.d", "No such file or directory"},
        {"read-only directory",
         "mount --bind /etc/yum.repos.d /etc/yum.repos.d && mount -o remount,ro,bind /etc/yum.repos.d",
         "umount /etc/yum.repos.d", "Read-only file system"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        mustRun(r.setUp);
        World w;
        w.addSources();
        YumConfigurator yum("/srv/mirror/products.inf3", &w.sources, &w.repo);
        const error e = raisedError([&] { yum.configure(); });
        EXPECT_EQ(codesOf(e), "(4,1,1,2)");
        EXPECT_EQ(e.text(), "Failed to open the file /etc/yum.repos.d/vantrell-sources.repo for writing: " +
                                std::string(r.reason) + ".\n");
        EXPECT_TRUE(yum.repoIds().empty());
        EXPECT_FALSE(yum.isConfigured());
        EXPECT_EQ(testutil::shell("ls -A /etc/yum.repos.d 2>/dev/null").out, "");
        mustRun(r.undo);
    }
}

TEST_F(YumRepoFile, ControlBytesFromTheDescriptionAreRefused) {
    const char* const values[] = {"R1\n[evil]", "R1\rx", "R1\tx"};
    for (const char* value : values) {
        SCOPED_TRACE(value);
        World w;
        w.r1->description->release_id = value;
        w.addSources();
        testutil::writeFile(repoFile, "kept\n");
        YumConfigurator yum("/srv/mirror/products.inf3", &w.sources, &w.repo);
        const error e = raisedError([&] { yum.configure(); });
        EXPECT_EQ(codesOf(e), "(1,1,1,3)");
        EXPECT_NE(e.text().find(value), std::string::npos) << e.text();
        EXPECT_TRUE(yum.repoIds().empty());
        EXPECT_EQ(readFile(repoFile), "kept\n");
        yum.restore();
    }
    // A location with a line break.
    World w;
    w.addSources();
    std::static_pointer_cast<SourceTarnix>(w.sources.sources[2])->fetcher.subdirsOffset = "R1/x\ngpgcheck=1/";
    YumConfigurator yum("/srv/mirror/products.inf3", &w.sources, &w.repo);
    EXPECT_EQ(codesOf(raisedError([&] { yum.configure(); })), "(1,1,1,3)");
    EXPECT_FALSE(exists(repoFile));
}

TEST_F(YumRepoFile, RestoreRemovesTheFileWhoeverWroteIt) {
    // A file left by an earlier run goes with a configurator that never configured.
    testutil::writeFile(repoFile, "left over\n");
    {
        World w;
        YumConfigurator yum("http://u.example/", &w.sources, &w.repo);
    }
    EXPECT_FALSE(exists(repoFile));
    // A missing file is no error; restore() twice neither.
    World w;
    YumConfigurator yum("http://u.example/", &w.sources, &w.repo);
    yum.restore();
    yum.restore();
    // Configured after a restore, the destructor removes the file again.
    {
        YumConfigurator again("http://u.example/", &w.sources, &w.repo);
        again.configure();
        again.restore();
        again.reconfigureSources();
        EXPECT_TRUE(exists(repoFile));
    }
    EXPECT_FALSE(exists(repoFile));
}

// --- checkUsable with the stand-in at /usr/bin/yum; rpm's answer after the update is canned.
TEST_F(YumRepoFile, CheckUsableWithoutYum) {
    testutil::overlayUsrBin({}, {"yum"});
    World w;
    YumConfigurator yum("http://u.example/", &w.sources, &w.repo);
    const error e = raisedError([&] { yum.checkUsable(); });
    EXPECT_EQ(codesOf(e), "(4,1,1,2)");
    EXPECT_EQ(e.text(), "The Yum utility is not installed in your system.\n");
}

}  // namespace
