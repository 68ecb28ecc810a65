#include "updates/MUInstalledDB.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "common/error.h"
#include "common/fileops.h"
#include "common/tinybind.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "updates/MUPatch.h"

// Every case runs in the namespace helper: the database is the private /root/.vantrell, and
// each case that needs a fresh process-wide database asks for it in a child.
namespace {

const std::string dir = "/root/.vantrell";
const std::string dbFile = dir + "/microupdates.xml";
const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n";

class PatchDatabase : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        ASSERT_EQ("/root", get_home_dir());
        fileops::remove_all(dir);
    }
};

void record(const std::string& product, const std::string& release, const std::string& version,
            const std::string& timestamp = "t") {
    MUInstalledDB::instance().setInstalled(MUPatch(product, release, version, timestamp));
}

// "version=timestamp ..." of one entry, "-" when there is none.
std::string patchesOf(const std::string& product, const std::string& release) {
    for (const MUInstalledDB::Entry& e : MUInstalledDB::instance().getEntries()) {
        if (e.id != product || e.version != release) continue;
        std::string out;
        for (const auto& p : e.patches) out += (out.empty() ? "" : " ") + p.first.toString() + "=" + p.second;
        return out;
    }
    return "-";
}

std::string errorText(const std::function<void()>& f) {
    try {
        f();
    } catch (const error& e) {
        return testutil::codesOf(e) + " " + e.text();
    } catch (const tinybind::err& e) {
        return "xml " + std::to_string(e.code) + " " + e.message;
    }
    return "no error";
}

int modeOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return -1;
    return st.st_mode & 07777;
}

void mustMount(const char* source, const std::string& target, const char* type, unsigned long flags,
               const char* data) {
    ASSERT_EQ(0, ::mount(source, target.c_str(), type, flags, data)) << target << ": " << std::strerror(errno);
}

TEST_F(PatchDatabase, IsInstalledWhenARecordedVersionIsAtLeastThePatchs) {
    struct Row {
        std::string release;
        std::string version;
        bool installed;
    } rows[] = {
        {"2.0", "3", true},
        {"2.0", "5", true},
        {"2.0", "6", false},
        {"2.0", "5.1", false},
        {"2.1", "1", false},  // another release version has no record
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.release + " " + row.version);
        EXPECT_EQ(row.installed ? "yes" : "no", testutil::inChild([&] {
                      std::string before = MUInstalledDB::instance().isInstalled(MUPatch("p1", "2.0", "1", "t"))
                                               ? "recorded already"
                                               : "";
                      record("p1", "2.0", "5");
                      auto patch = std::make_shared<MUPatch>("p1", row.release, row.version, "t");
                      return before + (MUInstalledDB::instance().isInstalled(std::weak_ptr<MUPatch>(patch)) ? "yes" : "no");
                  }));
    }
}

TEST_F(PatchDatabase, RecordingKeepsTheGreatestVersionAndTheFirstTimestamp) {
    struct Row {
        std::vector<std::pair<std::string, std::string>> recorded;
        std::string kept;
    } rows[] = {
        {{{"2", "a"}, {"3", "b"}}, "3=b"},
        {{{"3", "b"}, {"2", "a"}}, "3=b"},
        {{{"3", "first"}, {"3", "second"}}, "3=first"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.kept + " changed", testutil::inChild([&] {
                      for (const auto& r : row.recorded) record("p1", "2.0", r.first, r.second);
                      return patchesOf("p1", "2.0") + (MUInstalledDB::instance().isChanged() ? " changed" : "");
                  }));
    }
}

TEST_F(PatchDatabase, WritesOnlyTheNewestReleaseOfAProductAsTheGoldenText) {
    testutil::LogCapture log;
    EXPECT_EQ("", testutil::inChild([] {
                  record("p1", "9.0", "7", "old");
                  record("p1", "9.5", "2", "t");
                  record("p1", "9.5", "3", "t");
                  record("p2", "1.0", "1", "x");
                  MUInstalledDB::instance().ensureProduct("p2", "1.1");  // newest, but without patches
                  MUInstalledDB::instance().flush();
                  return MUInstalledDB::instance().isChanged() ? "still changed" : "";
              }));
    EXPECT_EQ(declaration +
                  "<patches>\n"
                  "    <product id=\"p1\" version=\"9.5\">\n"
                  "        <patch version=\"3\" timestamp=\"t\" />\n"
                  "    </product>\n"
                  "</patches>\n",
              testutil::readFile(dbFile));
    EXPECT_EQ(0600, modeOf(dbFile));
    EXPECT_NE(std::string::npos, log.text().find("MUInstalledDB::setInstalled: append p1-9.5~patch3\n"));
    // Read back by a new process.
    EXPECT_EQ("3=t|-|true", testutil::inChild([] {
                  return patchesOf("p1", "9.5") + "|" + patchesOf("p1", "9.0") + "|" +
                         (MUInstalledDB::instance().isInstalled(MUPatch("p1", "9.5", "3", "")) ? "true" : "false");
              }));
}

TEST_F(PatchDatabase, PatchVersionsAreWrittenWithoutTheirRelease) {
    struct Row {
        std::string recorded;
        std::string attribute;
        std::string readBack;
    } rows[] = {
        {"2-1", "2", "2"},
        {"1:2-1", "1:2", "1:2"},
        {"0:4", "0:4", "0:4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.recorded);
        fileops::remove_all(dir);
        EXPECT_EQ("", testutil::inChild([&] {
                      record("p1", "2.0", row.recorded);
                      MUInstalledDB::instance().flush();
                      return std::string();
                  }));
        EXPECT_NE(std::string::npos, testutil::readFile(dbFile).find("<patch version=\"" + row.attribute + "\" "));
        EXPECT_EQ(row.readBack + "=t", testutil::inChild([] { return patchesOf("p1", "2.0"); }));
    }
}

TEST_F(PatchDatabase, EntriesWithoutPatchesWriteAnEmptyRoot) {
    EXPECT_EQ("changed|", testutil::inChild([] {
                  MUInstalledDB& db = MUInstalledDB::instance();
                  db.ensureProduct("p1", "2.0");
                  std::string out = db.isChanged() ? "changed|" : "|";
                  db.flush();
                  return out + (db.isChanged() ? "changed" : "");
              }));
    EXPECT_EQ(declaration + "<patches />\n", testutil::readFile(dbFile));
    EXPECT_EQ(0600, modeOf(dbFile));
}

TEST_F(PatchDatabase, NothingIsCreatedWithoutChanges) {
    EXPECT_EQ("false", testutil::inChild([] {
                  MUInstalledDB& db = MUInstalledDB::instance();
                  db.prod("p1", "2.0");  // finding an entry is no change
                  db.flush();
                  return db.isInstalled(MUPatch("p1", "2.0", "1", "")) ? "true" : "false";
              }));
    EXPECT_FALSE(fileops::exists(dir));
}

TEST_F(PatchDatabase, ReadsMergedProductsAndKeepsTheFirstTimestamp) {
    ASSERT_TRUE(fileops::create_directory(dir));
    testutil::writeFile(dbFile,
                        "<patches>\n"
                        " <product id=\"p1\" version=\"2.0\"><patch version=\"1\" timestamp=\"a\"/></product>\n"
                        " <product id=\"p1\" version=\"2.0\"><patch version=\"1\" timestamp=\"b\"/>\n"
                        "   <other/></product>\n"
                        " <product id=\"p2\" version=\"1\"/>\n"
                        "</patches>\n");
    EXPECT_EQ("1=a|2|unchanged", testutil::inChild([] {
                  MUInstalledDB& db = MUInstalledDB::instance();
                  return patchesOf("p1", "2.0") + "|" + std::to_string(db.getEntries().size()) + "|" +
                         (db.isChanged() ? "changed" : "unchanged");
              }));
}

TEST_F(PatchDatabase, AFileThatCannotBeReadFailsEveryCall) {
    const std::string emptyVersion = Messages::getMessage("err_empty_version");
    struct Row {
        std::string content;
        std::string raised;
    } rows[] = {
        {"<foo/>", "xml 1 Root element name not match"},
        {"<patches><product id=\"p1\" version=\"2.0\"><patch version=\"\" timestamp=\"t\"/></product></patches>",
         "(1,1,1,3) Can't read the installed patches database " + dbFile + "\n" + emptyVersion + "\n"},
        {"<patches><product id=\"p1\" version=\"2.0\"><patch timestamp=\"t\"/></product></patches>",
         "(1,1,1,3) Can't read the installed patches database " + dbFile + "\n" + emptyVersion + "\n"},
    };
    ASSERT_TRUE(fileops::create_directory(dir));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.content);
        testutil::writeFile(dbFile, row.content);
        EXPECT_EQ(row.raised + "|" + row.raised, testutil::inChild([] {
                      std::string first = errorText([] { MUInstalledDB::instance(); });
                      return first + "|" + errorText([] { MUInstalledDB::instance(); });
                  }));
        EXPECT_EQ(row.content, testutil::readFile(dbFile));
    }
}

// A full disk during the write leaves the old file as it was and the flag set; the next flush,
// once there is space, writes it.
TEST_F(PatchDatabase, AFullDiskKeepsTheOldFile) {
    ASSERT_TRUE(fileops::create_directory(dir));
    mustMount("vn-mudb", dir, "tmpfs", 0, "size=64k");
    const std::string old = declaration + "<patches />\n";
    testutil::writeFile(dbFile, old);
    // Fill up to the last byte.
    int fd = ::open((dir + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);

    std::string result = testutil::inChild([] {
        record("p1", "2.0", "3");
        std::string out = errorText([] { MUInstalledDB::instance().flush(); });
        out += MUInstalledDB::instance().isChanged() ? "|changed" : "|cleared";
        fileops::remove(dir + "/filler");
        MUInstalledDB::instance().flush();
        return out + (MUInstalledDB::instance().isChanged() ? "|changed" : "|cleared");
    });
    const std::string prefix = "(4,2,2,2) Can't store installed patches DB to XML file " + dir + "/mudb";
    EXPECT_EQ(prefix, result.substr(0, prefix.size()));
    EXPECT_EQ("\n|changed|cleared", result.substr(prefix.size() + 6));
    EXPECT_NE(std::string::npos, testutil::readFile(dbFile).find("<patch version=\"3\" timestamp=\"t\" />"));
}

TEST_F(PatchDatabase, AFullDiskLeavesTheOldBytes) {
    ASSERT_TRUE(fileops::create_directory(dir));
    mustMount("vn-mudb", dir, "tmpfs", 0, "size=64k");
    const std::string old = declaration + "<patches>\n    <product id=\"p0\" version=\"1\">\n" +
                            "        <patch version=\"1\" timestamp=\"t\" />\n    </product>\n</patches>\n";
    testutil::writeFile(dbFile, old);
    int fd = ::open((dir + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
    EXPECT_EQ("changed", testutil::inChild([] {
                  for (int i = 0; i < 100; ++i) record("p" + std::to_string(i), "2.0", "3");
                  errorText([] { MUInstalledDB::instance().flush(); });
                  return std::string(MUInstalledDB::instance().isChanged() ? "changed" : "cleared");
              }));
    EXPECT_EQ(old, testutil::readFile(dbFile));
}

TEST_F(PatchDatabase, SaveFailuresRaiseAndKeepTheFlag) {
    struct Row {
        std::string name;
        std::function<void()> setUp;
        std::string raised;
        std::string logged;
    } rows[] = {
        {"read-only directory",
         [] {
             ASSERT_TRUE(fileops::create_directory(dir));
             mustMount(dir.c_str(), dir, nullptr, MS_BIND, nullptr);
             mustMount(nullptr, dir, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr);
         },
         "(4,2,2,2) Can't generate unique file name with mkstemp: Read-only file system\n",
         "DEBUG: mkstemp with template '" + dir + "/mudbXXXXXX' failed.\n"},
        {"plain file", [] { testutil::writeFile(dir, "x"); },
         "(4,2,2,2) path " + dir + " exists, but it is not directory\n",
         "ERROR: path " + dir + " exists, but it is not directory\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testutil::LogCapture log;
        row.setUp();
        EXPECT_EQ(row.raised + "|changed", testutil::inChild([] {
                      record("p1", "2.0", "3");
                      std::string out = errorText([] { MUInstalledDB::instance().flush(); });
                      return out + (MUInstalledDB::instance().isChanged() ? "|changed" : "|cleared");
                  }));
        EXPECT_NE(std::string::npos, log.text().find(row.logged)) << log.text();
        ::umount2(dir.c_str(), MNT_DETACH);
        fileops::remove_all(dir);
    }
}

}  // namespace
