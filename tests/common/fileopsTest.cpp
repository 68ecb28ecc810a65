#include "common/fileops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include "common/Messages.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace fs = boost::filesystem;
using testutil::raisedError;
using testutil::readFile;
using testutil::writeFile;

namespace {

class fileopsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        oldMask = ::umask(022);
    }
    void TearDown() override { ::umask(oldMask); }
    testutil::TempDir tmp;
    mode_t oldMask = 0;
};

// Runs `f` with the working directory in `dir`, for relative paths.
template <class F>
void inDirectory(const std::string& dir, F f) {
    std::string old = fs::current_path().string();
    fs::current_path(dir);
    f();
    fs::current_path(old);
}

mode_t modeOf(const std::string& path) {
    struct stat st;
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode;
}

TEST_F(fileopsTest, PathStrings) {
    struct Case {
        const char* in;
        const char* dir;
        const char* base;
    } cases[] = {
        {"/etc", "", "etc"},  // the root is not a parent here
        {"/etc/", "/etc", ""},
        {"file", "", "file"},
        {"", "", ""},
        {"/", "", ""},
        {"a/b/c.txt", "a/b", "c.txt"},
        {"http://host/dir/f", "http://host/dir", "f"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fileops::dirname(c.in), c.dir) << c.in;
        EXPECT_EQ(fileops::parent_path(c.in), c.dir) << c.in;
        EXPECT_EQ(fileops::basename(c.in), c.base) << c.in;
        EXPECT_EQ(fileops::filename(c.in), c.base) << c.in;
    }

    struct Trail {
        const char* in;
        const char* stripped;
        const char* ensured;
    } trails[] = {
        {"///", "", "///"},
        {"", "", "/"},
        {"name///", "name", "name///"},
        {"/a/b", "/a/b", "/a/b/"},
        {"/a//b/", "/a//b", "/a//b/"},
    };
    for (const Trail& t : trails) {
        std::string s = t.in;
        fileops::strip_trailing(s, '/');
        EXPECT_EQ(s, t.stripped) << t.in;
        s = t.in;
        fileops::ensure_trailing(s, '/');
        EXPECT_EQ(s, t.ensured) << t.in;
    }
}

TEST_F(fileopsTest, ExistsLeavesUrlsAloneAndTracesItsVerdict) {
    testutil::LogCapture log;
    // Local directories that a URL text would reach if it were looked up as a path.
    fs::create_directories(tmp / "http:/host");
    fs::create_directories(tmp / "ftp:/host");
    fs::create_directories(tmp / "x/http:/host");
    inDirectory(tmp.path(), [] {
        EXPECT_FALSE(fileops::exists("http://host"));
        EXPECT_FALSE(fileops::exists("ftp://host"));
        // only a prefix counts as a URL
        EXPECT_TRUE(fileops::exists("x/http://host"));
    });
    EXPECT_FALSE(fileops::exists(tmp / "missing"));
    EXPECT_EQ(log.text(),
              "fileops::exists: http://hostno (not local)\n"
              "fileops::exists: ftp://hostno (not local)\n"
              "fileops::exists: x/http://host - yes\n"
              "fileops::exists: " + tmp / "missing" + " - no\n");
}

TEST_F(fileopsTest, KindQueries) {
    writeFile(tmp / "f", "12345");
    fs::create_symlink(tmp / "d", tmp / "link-to-dir");
    fs::create_directory(tmp / "d");
    fs::create_symlink(tmp / "nowhere", tmp / "dangling");
    struct Case {
        const char* name;
        bool file, dir;
    } cases[] = {
        {"f", true, false}, {"d", false, true}, {"link-to-dir", false, true},
        {"missing", false, false}, {"dangling", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fileops::is_file(tmp / c.name), c.file) << c.name;
        EXPECT_EQ(fileops::is_directory(tmp / c.name), c.dir) << c.name;
    }
    EXPECT_THROW(fileops::file_size(tmp / "missing"), fs::filesystem_error);
}

TEST_F(fileopsTest, FileSizeHasSixtyFourBits) {
    // Sparse: 5 GiB + 3 bytes of size without the blocks.
    const uint64_t size = (5ull << 30) + 3;
    int fd = ::open((tmp / "big").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    ::close(fd);
    EXPECT_EQ(fileops::file_size(tmp / "big"), size);
}

TEST_F(fileopsTest, CreateDirectoryMakesMissingLevels) {
    EXPECT_TRUE(fileops::create_directory(""));
    EXPECT_FALSE(fileops::create_directory(tmp.path()));

    fs::create_directory(tmp / "a");
    EXPECT_TRUE(fileops::create_directory(tmp / "a/b/c"));
    EXPECT_TRUE(fs::is_directory(tmp / "a/b/c"));
    EXPECT_EQ(modeOf(tmp / "a/b") & 07777, 0755u);
    EXPECT_EQ(modeOf(tmp / "a/b/c") & 07777, 0755u);
    EXPECT_FALSE(fileops::create_directory(tmp / "a/b/c"));

    inDirectory(tmp.path(), [&] {
        EXPECT_TRUE(fileops::create_directory("rel/x/"));
        EXPECT_TRUE(fileops::create_directory("rel2/y"));
    });
    EXPECT_TRUE(fs::is_directory(tmp / "rel/x"));
    EXPECT_TRUE(fs::is_directory(tmp / "rel2/y"));

    // A link to a directory is a directory to walk through.
    fs::create_symlink(tmp / "a", tmp / "via");
    EXPECT_TRUE(fileops::create_directory(tmp / "via/new"));
    EXPECT_TRUE(fs::is_directory(tmp / "a/new"));
}

TEST_F(fileopsTest, CreateDirectoryWithAModeGivesItOnlyToTheLastLevel) {
    const mode_t before = ::umask(022);
    EXPECT_TRUE(fileops::create_directory(tmp / "p/q/private", 0700));
    EXPECT_TRUE(fileops::create_directory(tmp / "p/slash/", 0700));
    const mode_t after = ::umask(before);
    EXPECT_EQ(after, 022u) << "the umask is never changed";
    EXPECT_EQ(modeOf(tmp / "p") & 07777, 0755u);
    EXPECT_EQ(modeOf(tmp / "p/q") & 07777, 0755u);
    EXPECT_EQ(modeOf(tmp / "p/q/private") & 07777, 0700u);
    EXPECT_EQ(modeOf(tmp / "p/slash") & 07777, 0700u);
    // An existing directory keeps its mode.
    fs::create_directory(tmp / "open");
    fs::permissions(tmp / "open", fs::perms(0775));
    EXPECT_FALSE(fileops::create_directory(tmp / "open", 0700));
    EXPECT_EQ(modeOf(tmp / "open") & 07777, 0775u);
}

TEST_F(fileopsTest, CreateDirectoryThroughAFileLogsAndRaises) {
    testutil::LogCapture log(1);
    fs::create_directory(tmp / "T");
    writeFile(tmp / "T/a", "plain file");
    const std::string path = tmp / "T/a/b/c";
    error e = raisedError([&] { fileops::create_directory(path); });
    EXPECT_EQ(e.text(), "Failed to create the directory " + path + ": File exists\n");
    EXPECT_EQ(testutil::codesOf(e), "(4,1,1,2)");
    EXPECT_EQ(log.text(), "Can't create directory " + path + ": error in create " + tmp / "T/a" +
                              ": File exists\n");
    EXPECT_FALSE(fs::exists(tmp / "T/a/b"));
}

TEST_F(fileopsTest, RemoveAndRemoveAll) {
    writeFile(tmp / "f", "x");
    fs::create_symlink(tmp / "nowhere", tmp / "dangling");
    fs::create_symlink(tmp / "f2", tmp / "link");
    writeFile(tmp / "f2", "kept");

    fileops::remove(tmp / "missing");  // nothing to do, nothing raised
    fileops::remove(tmp / "f");
    EXPECT_FALSE(fs::exists(fs::symlink_status(tmp / "f")));
    // A dangling link does not exist for remove(), so it stays.
    fileops::remove(tmp / "dangling");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(tmp / "dangling")));
    // A link is removed itself, never what it points to.
    fileops::remove(tmp / "link");
    EXPECT_FALSE(fs::exists(fs::symlink_status(tmp / "link")));
    EXPECT_EQ(readFile(tmp / "f2"), "kept");

    fs::create_directories(tmp / "tree/sub");
    writeFile(tmp / "tree/sub/1", "");
    writeFile(tmp / "tree/2", "");
    EXPECT_EQ(fileops::remove_all(tmp / "tree"), 4u);
    EXPECT_EQ(fileops::remove_all(tmp / "tree"), 0u);
    EXPECT_EQ(fileops::remove_all(tmp / "dangling"), 1u);

    fs::create_directories(tmp / "full/x");
    EXPECT_THROW(fileops::remove(tmp / "full"), fs::filesystem_error);
}

TEST_F(fileopsTest, RenameTracesAndLetsLibraryErrorsThrough) {
    testutil::LogCapture log;
    writeFile(tmp / "from", "data");
    fileops::rename(tmp / "from", tmp / "to");
    EXPECT_EQ(readFile(tmp / "to"), "data");
    EXPECT_EQ(log.text(), "fileops::rename(" + tmp / "from" + ", " + tmp / "to" + ")\n");
    EXPECT_THROW(fileops::rename(tmp / "from", tmp / "to"), fs::filesystem_error);
}

TEST_F(fileopsTest, CopyFileReplacesTheTarget) {
    testutil::LogCapture log;
    std::string content(10000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
    writeFile(tmp / "src", content);
    writeFile(tmp / "dst", std::string(20000, 'x'));  // longer than the new content
    ::chmod((tmp / "dst").c_str(), 0600);

    fileops::copy_file(tmp / "src", tmp / "dst");
    EXPECT_EQ(readFile(tmp / "dst"), content);
    // a new file, with the usual mode under the umask
    EXPECT_EQ(modeOf(tmp / "dst") & 07777, 0644u);
    std::string src = tmp / "src", dst = tmp / "dst";
    EXPECT_EQ(log.text(), "fileops::copy_file(" + src + ", " + dst + ")\n"
                          "fileops::exists: " + src + " - yes\n"
                          "fileops::remove(" + dst + ")\n"
                          "fileops::exists: " + dst + " - yes\n"
                          "fileops::exists: " + dst + " - no\n");
}

TEST_F(fileopsTest, CopyFileNeverWritesThroughALink) {
    writeFile(tmp / "src", "new content");
    writeFile(tmp / "victim", "precious");
    fs::create_symlink(tmp / "victim", tmp / "live-link");
    fs::create_symlink(tmp / "would-be-created", tmp / "dangling-link");

    fileops::copy_file(tmp / "src", tmp / "dangling-link");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(tmp / "dangling-link")));
    EXPECT_EQ(readFile(tmp / "dangling-link"), "new content");
    EXPECT_FALSE(fs::exists(fs::symlink_status(tmp / "would-be-created")));

    fileops::copy_file(tmp / "src", tmp / "live-link");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(tmp / "live-link")));
    EXPECT_EQ(readFile(tmp / "live-link"), "new content");
    EXPECT_EQ(readFile(tmp / "victim"), "precious");
}

TEST_F(fileopsTest, CopyFileFailures) {
    fs::create_directory(tmp / "dir");
    writeFile(tmp / "src", "x");
    struct Case {
        std::string from, to, text, codes;
    } cases[] = {
        {tmp / "missing", tmp / "t1",
         "Unable to copy the file " + tmp / "missing" + " because there is no such a file.\n", "(4,1,1,2)"},
        {tmp / "dir", tmp / "t2",
         "Cannot copy the file " + tmp / "dir" + " because there is a directory " + tmp / "t2" +
             ", but not the file.\n",
         "(4,1,1,2)"},
        // reading the start of a process's memory fails although the file opens
        {"/proc/self/mem", tmp / "t3", "Failed to read the file /proc/self/mem: Input/output error.\n",
         "(4,2,1,2)"},
        {tmp / "src", tmp / "no-such-dir/t4",
         "Failed to open the file " + tmp / "no-such-dir/t4" + " for writing: No such file or directory.\n",
         "(4,2,1,2)"},
    };
    for (const Case& c : cases) {
        error e = raisedError([&] { fileops::copy_file(c.from, c.to); });
        EXPECT_EQ(e.text(), c.text) << c.from;
        EXPECT_EQ(testutil::codesOf(e), c.codes) << c.from;
    }
}

// Whatever another user planted at a fixed name goes without being opened or walked, or the
// creation fails: a tree is never descended into, so no file elsewhere can be reached.
TEST_F(fileopsTest, PrivateFileReplacesWhatWasPlantedButNoTree) {
    fs::create_directories(tmp / "outside/dir");
    writeFile(tmp / "outside/file", "precious");
    writeFile(tmp / "outside/dir/inner", "inner");
    // Names, kinds, inodes, sizes, times and bytes below "outside".
    auto outsideState = [&] {
        return testutil::shell("cd " + tmp / "outside" + " && find . -printf '%p %y %i %s %T@\\n' | sort && cat file dir/inner")
            .out;
    };
    struct Case {
        const char* name;
        std::string plant;  // shell command; "{p}" is the fixed name
        bool created;
    } cases[] = {
        {"nothing", "", true},
        {"an older file", "echo old > {p}", true},
        {"a link to a file outside", "ln -s " + tmp / "outside/file" + " {p}", true},
        {"a hard link to a file outside", "ln " + tmp / "outside/file" + " {p}", true},
        {"a FIFO", "mkfifo {p}", true},
        {"an empty directory", "mkdir {p}", true},
        {"a directory with a file", "mkdir {p} && echo x > {p}/x", false},
        {"a directory with a link to a directory outside", "mkdir {p} && ln -s " + tmp / "outside/dir" + " {p}/sub",
         false},
        {"a link to a directory outside", "ln -s " + tmp / "outside/dir" + " {p}", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = tmp / "fixed";
        ASSERT_EQ(testutil::shell("rm -rf " + path).status, 0);
        std::string plant = c.plant;
        for (size_t at; (at = plant.find("{p}")) != std::string::npos;) plant.replace(at, 3, path);
        if (!plant.empty()) {
            ASSERT_EQ(testutil::shell(plant).status, 0);
        }
        const std::string before = outsideState();
        if (c.created) {
            fileops::FileIdentity made = fileops::create_private_file(path);
            struct stat st;
            ASSERT_EQ(::lstat(path.c_str(), &st), 0);
            EXPECT_TRUE(S_ISREG(st.st_mode));
            EXPECT_EQ(st.st_mode & 07777, 0600u);
            EXPECT_EQ(st.st_size, 0);
            EXPECT_EQ(st.st_nlink, 1u);
            EXPECT_EQ(st.st_ino, made.inode);
        } else {
            error e = raisedError([&] { fileops::create_private_file(path); });
            EXPECT_EQ(e.text(), "Unable to create the file " + path + ": Directory not empty\n");
            EXPECT_EQ(testutil::codesOf(e), "(4,1,1,2)");
            EXPECT_TRUE(fs::is_directory(fs::symlink_status(path))) << "the planted tree stays as it was";
        }
        EXPECT_EQ(outsideState(), before);
    }
}

TEST_F(fileopsTest, CopyContentsTruncatesAndReports) {
    std::string content(4096 * 3 + 17, 'a');
    content[5000] = '\n';
    writeFile(tmp / "src", content);
    writeFile(tmp / "dst", std::string(50000, 'z'));
    fs::create_symlink(tmp / "dst", tmp / "via-link");
    fileops::copy_contents(tmp / "src", tmp / "via-link");
    EXPECT_EQ(readFile(tmp / "dst"), content);

    fileops::copy_contents(tmp / "src", tmp / "fresh");
    EXPECT_EQ(readFile(tmp / "fresh"), content);
    EXPECT_EQ(modeOf(tmp / "fresh") & 07777, 0644u);

    struct Case {
        std::string from, to, text;
    } cases[] = {
        {tmp / "missing", tmp / "t", "Failed to open the file " + tmp / "missing" + ": No such file or directory.\n"},
        {tmp / "src", tmp / "none/t",
         "Failed to open the file " + tmp / "none/t" + " for writing: No such file or directory.\n"},
        {tmp / "src", "/dev/full", "Failed to write to the file /dev/full: No space left on device.\n"},
        {"/proc/self/mem", tmp / "t", "Failed to read the file /proc/self/mem: Input/output error.\n"},
    };
    for (const Case& c : cases) {
        error e = raisedError([&] { fileops::copy_contents(c.from, c.to); });
        EXPECT_EQ(e.text(), c.text) << c.from << " -> " << c.to;
        EXPECT_EQ(testutil::codesOf(e), "(4,2,1,2)") << c.from << " -> " << c.to;
    }
}

// get_home_dir runs in a program of its own per case: its cache lives as long as the process,
// and nss_wrapper gives it the password database of the case.
class HomeDirTest : public ::testing::Test {
protected:
    std::string run(const std::string& passwd) {
        writeFile(tmp / "passwd", passwd);
        writeFile(tmp / "group", "root:x:0:\n");
        testutil::RunResult r = testutil::run({testutil::program("prog_home_dir")},
                                              {{"LD_PRELOAD", "libnss_wrapper.so"},
                                               {"NSS_WRAPPER_PASSWD", tmp / "passwd"},
                                               {"NSS_WRAPPER_GROUP", tmp / "group"}});
        EXPECT_EQ(r.status, 0) << r.err;
        // Entry addresses differ from run to run.
        std::string out;
        for (size_t i = 0; i < r.err.size();) {
            if (r.err.compare(i, 2, "0x") == 0) {
                out += "PTR";
                for (i += 2; i < r.err.size() && std::isxdigit(static_cast<unsigned char>(r.err[i])); ++i) {
                }
            } else {
                out += r.err[i++];
            }
        }
        return out;
    }
    testutil::TempDir tmp;
    const std::string uid = std::to_string(::geteuid());
};

TEST_F(HomeDirTest, HomeComesFromThePasswordDatabaseAndIsCached) {
    const std::string home = tmp / "home";
    std::string trace = run("other:x:4242:4242::/home/other:/bin/sh\n"
                            "me:x:" + uid + ":0::" + home + ":/bin/sh\n");
    EXPECT_EQ(trace, "DEBUG: get_home_dir: myUID=" + uid + "\n"
                     "DEBUG: get_home_dir: myPWD=PTR\n"
                     "DEBUG: get_home_dir: passwdLine=PTR\n"
                     "DEBUG: get_home_dir: passwdLine=PTR\n"
                     "DEBUG: get_home_dir: passwdLine not NULL, get value " + home + "\n"
                     "DEBUG: get_home_dir: return " + home + "\n"
                     "call 1: " + home + "\n"
                     "call 2: " + home + "\n");
}

TEST_F(HomeDirTest, MissingEntryFallsBackToRoot) {
    ASSERT_TRUE(fs::is_directory("/root"));
    std::string trace = run("other:x:4242:4242::/home/other:/bin/sh\n");
    EXPECT_EQ(trace, "DEBUG: get_home_dir: myUID=" + uid + "\n"
                     "DEBUG: get_home_dir: myPWD=0\n"
                     "DEBUG: get_home_dir: Can't get getpwuid: No such file or directory\n"
                     "DEBUG: get_home_dir: passwdLine=PTR\n"
                     "fileops::exists: /root - yes\n"
                     "DEBUG: get_home_dir: passwdLine is NULL, return /root\n"
                     "DEBUG: get_home_dir: return /root\n"
                     "call 1: /root\n"
                     "call 2: /root\n");
}

TEST_F(HomeDirTest, EmptyHomeIsNotCached) {
    std::string trace = run("me:x:" + uid + ":0:::/bin/sh\n");
    const std::string walk = "DEBUG: get_home_dir: myUID=" + uid + "\n"
                             "DEBUG: get_home_dir: myPWD=PTR\n"
                             "DEBUG: get_home_dir: passwdLine=PTR\n"
                             "DEBUG: get_home_dir: passwdLine not NULL, get value \n"
                             "DEBUG: get_home_dir: return \n";
    EXPECT_EQ(trace, walk + "call 1: \n" + walk + "call 2: \n");
}

}  // namespace
