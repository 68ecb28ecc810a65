#include "common/StdioFile.h"

#include <gtest/gtest.h>

#include "common/Log.h"
#include "common/Messages.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

using testutil::raisedError;

namespace {

class StdioFileTest : public ::testing::Test {
protected:
    void SetUp() override { Messages::resetForTest(); }
    testutil::TempDir tmp;
};

TEST_F(StdioFileTest, OpenFailuresNameTheDirection) {
    struct Case {
        const char* mode;
        std::string text;
    } cases[] = {
        {"r", "Failed to open the file " + tmp / "none/f" + ": No such file or directory.\n"},
        {"rb", "Failed to open the file " + tmp / "none/f" + ": No such file or directory.\n"},
        {"w", "Failed to open the file " + tmp / "none/f" + " for writing: No such file or directory.\n"},
        {"wb", "Failed to open the file " + tmp / "none/f" + " for writing: No such file or directory.\n"},
    };
    for (const Case& c : cases) {
        error e = raisedError([&] { StdioFile f(tmp / "none/f", c.mode); });
        EXPECT_EQ(e.text(), c.text) << c.mode;
        EXPECT_EQ(testutil::codesOf(e), "(4,1,1,2)") << c.mode;
    }
}

TEST_F(StdioFileTest, WritesAndCloses) {
    {
        StdioFile f(tmp / "out", "wb");
        EXPECT_TRUE(f.write);
        std::fputs("content", f.file);
    }
    EXPECT_EQ(testutil::readFile(tmp / "out"), "content");
    StdioFile r(tmp / "out", "r");
    EXPECT_FALSE(r.write);
}

TEST_F(StdioFileTest, FailingCloseRaisesUnlessAnotherErrorIsLeaving) {
    // /dev/full takes the buffered bytes only when the stream is flushed at close.
    error e = raisedError([] {
        StdioFile f("/dev/full", "w");
        std::fputs("x", f.file);
    });
    EXPECT_EQ(e.text(), "Failed to write to the file /dev/full: No space left on device.\n");
    EXPECT_EQ(testutil::codesOf(e), "(4,1,1,2)");

    testutil::LogCapture log(1);
    error first = raisedError([] {
        StdioFile f("/dev/full", "w");
        std::fputs("x", f.file);
        throw error(2, 1, 1, 1) << "first";
    });
    EXPECT_EQ(first.text(), "first\n");
    EXPECT_EQ(log.text(), "Failed to write to the file /dev/full: No space left on device.\n");
}

}  // namespace
