#include "updates/MUEntityFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/fileops.h"
#include "common/hostinfo.h"
#include "sources/FileFetcher.h"
#include "support/EnglishTest.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

// Runs in the namespace helper: targets live under the private /opt, and /usr/sbin gets a
// throw-away overlay holding a restorecon stand-in that records its arguments.
namespace {

const std::string targetDir = "/opt/p";
const std::string restoreLog = "/tmp/restorecon.args";

void mustMount(const char* source, const std::string& target, const char* type, unsigned long flags,
               const char* data) {
    ASSERT_EQ(0, ::mount(source, target.c_str(), type, flags, data)) << target << ": " << std::strerror(errno);
}

std::string md5Of(const std::string& path) {
    char out[33];
    return md5File(path.c_str(), out) ? std::string(out) : std::string();
}

struct stat statOf(const std::string& path) {
    struct stat st;
    std::memset(&st, 0, sizeof st);
    ::stat(path.c_str(), &st);
    return st;
}

// Names of a directory that the replacement leaves behind ("updateXXXXXX").
std::vector<std::string> leftovers(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::strncmp(e->d_name, "update", 6) == 0 && std::strlen(e->d_name) == 12) names.push_back(e->d_name);
        ::closedir(d);
    }
    return names;
}

class PatchFileEntity : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        fileops::remove_all(targetDir);
        ASSERT_TRUE(fileops::create_directory(targetDir));
        // restorecon stand-in on a private overlay of /usr/sbin ("/sbin" leads there too).
        ASSERT_EQ(0, ::mkdir("/tmp/sbin-upper", 0755));
        ASSERT_EQ(0, ::mkdir("/tmp/sbin-work", 0755));
        mustMount("vn-sbin", "/usr/sbin", "overlay", 0,
                  "lowerdir=/usr/sbin,upperdir=/tmp/sbin-upper,workdir=/tmp/sbin-work");
        testutil::writeFile("/usr/sbin/restorecon",
                            "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" >> " + restoreLog + "\necho >> " + restoreLog + "\n");
        ASSERT_EQ(0, ::chmod("/usr/sbin/restorecon", 0755));
        ASSERT_EQ(0, ::mkdir((source / "patches").c_str(), 0755));
        testutil::writeFile(source / "patches/app.conf", "new content\n");
        testutil::writeFile(source / "patches/big.bin", std::string(20000, 'b'));
    }

    FileFetcher fetcher() { return FileFetcher(server.url("patches/patch.xml"), downloads.path()); }

    testutil::TempDir source;
    testutil::TempDir downloads;
    testutil::HttpServer server{source.path()};
};

TEST_F(PatchFileEntity, ReplacesTheTargetWithOwnerAndMode) {
    struct Row {
        std::string target;
        std::string owner;
        std::string group;
        int mode;
    } rows[] = {
        {"/opt/p/app.conf", "daemon", "nogroup", 0640},
        {"/opt/p/setuid", "root", "root", 04755},
        {"/opt/p/sticky", "daemon", "nogroup", 01754},
        {"/opt/p/a b", "root", "root", 0644},  // reaches the restore command as one argument
    };
    const uid_t daemonUid = ::getpwnam("daemon")->pw_uid;
    const gid_t nogroupGid = ::getgrnam("nogroup")->gr_gid;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.target);
        testutil::LogCapture log;
        ::unlink(restoreLog.c_str());
        testutil::writeFile(row.target, "old content\n");
        const ino_t oldInode = statOf(row.target).st_ino;
        FileFetcher f = fetcher();
        MUEntityFile item(&f, "app.conf", row.target, md5Of(source / "patches/app.conf"));
        item.setPermissions(row.owner, row.group, row.mode);
        item.prepare();
        item.apply();

        EXPECT_EQ("new content\n", testutil::readFile(row.target));
        struct stat st = statOf(row.target);
        EXPECT_EQ(row.mode, static_cast<int>(st.st_mode & 07777));
        EXPECT_EQ(row.owner == "daemon" ? daemonUid : 0u, st.st_uid);
        EXPECT_EQ(row.group == "nogroup" ? nogroupGid : 0u, st.st_gid);
        EXPECT_NE(oldInode, st.st_ino);
        EXPECT_TRUE(leftovers(targetDir).empty());
        EXPECT_NE(std::string::npos, log.text().find("Patching file " + row.target + "\n"));
        EXPECT_EQ(std::string::npos, log.text().find("ERROR: after"));
        EXPECT_EQ("1|" + row.target + "|\n", testutil::readFile(restoreLog));
    }
}

TEST_F(PatchFileEntity, AMissingTargetIsNeitherFetchedNorCreated) {
    testutil::LogCapture log;
    FileFetcher f = fetcher();
    MUEntityFile item(&f, "app.conf", "/opt/p/absent.conf", md5Of(source / "patches/app.conf"));
    item.setPermissions("root", "root", 0644);
    item.prepare();
    item.apply();
    EXPECT_NE(std::string::npos, log.text().find("MUEntityFile::apply: skip because absent\n"));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ("", item.localPath);
    EXPECT_FALSE(fileops::exists("/opt/p/absent.conf"));
    EXPECT_FALSE(fileops::exists(restoreLog));
}

TEST_F(PatchFileEntity, PrepareFailsAfterTheDownload) {
    struct Row {
        std::string owner;
        std::string group;
        std::string raised;
    } rows[] = {
        {"nosuchuser", "nogroup", "(4,2,2,2) User named 'nosuchuser' is not exists in this system.\n"},
        {"root", "nosuchgroup", "(4,2,2,2) Group named 'nosuchgroup' is not exists on this system.\n"},
        // A description without permissions for an existing file.
        {"", "", "(3,1,1,3) An internal error occured in vantrell, rev.297274 MUEntityFile, line 116.\n"},
        {"root", "", "(3,1,1,3) An internal error occured in vantrell, rev.297274 MUEntityFile, line 117.\n"},
    };
    testutil::writeFile("/opt/p/app.conf", "old content\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.owner + ":" + row.group);
        size_t before = server.requests().size();
        FileFetcher f = fetcher();
        MUEntityFile item(&f, "app.conf", "/opt/p/app.conf", md5Of(source / "patches/app.conf"));
        item.setPermissions(row.owner, row.group, 0644);
        error e = testutil::raisedError([&] { item.prepare(); });
        EXPECT_EQ(row.raised, testutil::codesOf(e) + " " + e.text());
        // The download happened first (or found its copy with the right digest).
        EXPECT_TRUE(server.requests().size() > before || before > 0);
        EXPECT_EQ("new content\n", testutil::readFile(item.localPath));
        EXPECT_EQ("old content\n", testutil::readFile("/opt/p/app.conf"));
    }
    EXPECT_FALSE(server.requests().empty());
}

TEST_F(PatchFileEntity, AFailedReplacementLeavesTheTarget) {
    struct Row {
        std::string name;
        std::function<void()> setUp;
        std::string replacement;
        std::string raised;  // prefix of the error text
        size_t leftOver;
    } rows[] = {
        {"read-only directory",
         [] {
             mustMount(targetDir.c_str(), targetDir, nullptr, MS_BIND, nullptr);
             mustMount(nullptr, targetDir, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr);
         },
         "app.conf", "(4,2,2,2) Can't generate unique file name with mkstemp: Read-only file system\n", 0},
        {"full disk",
         [] {
             mustMount("vn-opt-p", targetDir, "tmpfs", 0, "size=64k");
             testutil::writeFile("/opt/p/app.conf", "old content\n");
             int fd = ::open("/opt/p/filler", O_WRONLY | O_CREAT, 0600);
             ASSERT_GE(fd, 0);
             std::string block(4096, 'x');
             while (::write(fd, block.data(), block.size()) > 0) {
             }
             ::close(fd);
         },
         "big.bin", "(4,", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testutil::writeFile("/opt/p/app.conf", "old content\n");
        row.setUp();
        FileFetcher f = fetcher();
        MUEntityFile item(&f, row.replacement, "/opt/p/app.conf", md5Of(source / ("patches/" + row.replacement)));
        item.setPermissions("root", "root", 0644);
        item.prepare();
        error e = testutil::raisedError([&] { item.apply(); });
        std::string text = testutil::codesOf(e) + " " + e.text();
        EXPECT_EQ(row.raised, text.substr(0, row.raised.size())) << text;
        EXPECT_EQ("old content\n", testutil::readFile("/opt/p/app.conf"));
        EXPECT_EQ(row.leftOver, leftovers(targetDir).size());
        ::umount2(targetDir.c_str(), MNT_DETACH);
    }
}

}  // namespace
