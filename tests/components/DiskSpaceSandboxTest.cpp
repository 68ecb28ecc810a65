// The free space of the directories that the loaded builds need, measured on tmpfs file
// systems of fixed size mounted inside the sandbox, so that nothing else writing meanwhile
// moves the figures.
#include <sys/mount.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/ComponentManager.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::LogCapture;

class DiskSpace : public testutil::EnglishTest {
protected:
    // A tmpfs of `size` ("1000k") at `dir`.
    void mountSpace(const std::string& dir, const char* size) {
        ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0) << dir;
        ASSERT_EQ(::mount("vn-space", dir.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()), 0) << dir;
    }
};

std::string shortage(const std::string& dir, const std::string& megabytes) {
    return "There is not enough free disk space in the " + dir + " directory. You need to free up " + megabytes +
           " megabytes.\n";
}

// Only the lines that reach the console, in the order written.
std::string consoleLines(const std::string& log) {
    std::string kept;
    for (const std::string& line : testutil::splitLines(log))
        if (line.rfind("fileops::", 0) != 0) kept += line + "\n";
    return kept;
}

TEST_F(DiskSpace, EveryShortDirectoryGetsItsLine) {
    mountSpace("/tmp/small", "1000k");
    mountSpace("/tmp/medium", "1100k");
    mountSpace("/tmp/roomy", "1100k");

    ComponentManager manager;
    manager.addDiskUsage("/tmp/small", 2048);
    // Whole megabytes each, remainders dropped: 1 - 1.
    manager.addDiskUsage("/tmp/medium", 1500);
    // Exactly what is free is enough.
    manager.addDiskUsage("/tmp/roomy", 1100);
    // A missing directory is made, then measured.
    manager.addDiskUsage("/tmp/small/new/deeper", 1001);
    LogCapture log(3);
    manager.checkDiskSpace();

    EXPECT_EQ(consoleLines(log.text()),
              shortage("/tmp/medium", "0") + shortage("/tmp/small", "2") + shortage("/tmp/small/new/deeper", "0"));
    struct stat st;
    EXPECT_EQ(::stat("/tmp/small/new/deeper", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(DiskSpace, NeedsOfSeveralBuildsAddUpPast32Bits) {
    mountSpace("/tmp/small", "1000k");
    ComponentManager manager;
    for (int build = 0; build < 3; ++build) manager.addDiskUsage("/tmp/small", 2147483647);
    LogCapture log(3);
    manager.checkDiskSpace();
    EXPECT_EQ(consoleLines(log.text()), shortage("/tmp/small", "6291455"));
}

TEST_F(DiskSpace, ADirectoryThatCannotBeMadeCountsNothingFree) {
    mountSpace("/tmp/small", "1000k");
    testutil::writeFile("/tmp/small/file", "x");
    ComponentManager manager;
    manager.addDiskUsage("/tmp/small/file/sub", 10);
    manager.addDiskUsage("/tmp/small/ok", 10);
    LogCapture log(3);
    manager.checkDiskSpace();
    EXPECT_EQ(consoleLines(log.text()),
              "Can't create directory /tmp/small/file/sub: error in create /tmp/small/file: File exists\n"
              "Failed to create the directory /tmp/small/file/sub: File exists\n"
              "Warning! Unable to determine the amount of free disk space: Not a directory\n" +
                  shortage("/tmp/small/file/sub", "0"));
    struct stat st;
    EXPECT_EQ(::stat("/tmp/small/ok", &st), 0);
}

}  // namespace
