#include "common/SystemCmd.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/Pipe.h"
#include "common/error.h"
#include "common/CommandProbe.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

using commandprobe::flushedText;
using commandprobe::readAll;
using testutil::codesOf;
using testutil::raisedError;

namespace {

class SystemCmdTest : public commandprobe::CommandTest {};

TEST_F(SystemCmdTest, OutputToTheCallerErrorsToTheLog) {
    testutil::LogCapture log(2);
    const char* cmd = "echo out; echo err >&2; exit 1";
    std::string console, out;
    int first = -1, second = -1;
    {
        testutil::StderrCapture err;
        {
            SystemCmd c(cmd, SystemCmd::read_mode, false);
            out = readAll(c.fp);
            first = c.wait();
            second = c.wait();
        }
        console = err.text();
    }
    EXPECT_EQ(out, "out\n");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(console, "err\n");  // level 0
    EXPECT_EQ(flushedText(log), std::string("vantrell: read output of ") + cmd + "\nerr\n--\n");
}

TEST_F(SystemCmdTest, ExitStatusChecks) {
    struct Case {
        const char* cmd;
        bool check;
        int waited;  // -1: wait() is not called before the destructor
        const char* expected;
    } cases[] = {
        {"echo out; echo err >&2; exit 1", true, -1, "(4,2,2,2) vantrell: Error in execution of echo\n"},
        {"echo out; exit 1", true, 1, "(4,2,2,2) vantrell: Error in execution of echo\n"},
        {"kill -9 $$", false, 127, ""},
        {"kill -9 $$", true, 127, "(4,2,2,2) vantrell: Error in execution of kill\n"},
        {"exit 0", true, 0, ""},
        {"LANG=C no_such_cmd_vn", false, 127, ""},
    };
    for (const Case& c : cases) {
        testutil::LogCapture log(3);
        Log::consoleLevel = -1;
        std::string got;
        int waited = -1;
        try {
            SystemCmd cmd(c.cmd, SystemCmd::read_mode, c.check);
            readAll(cmd.fp);
            if (c.waited != -1) waited = cmd.wait();
        } catch (const error& e) {
            got = codesOf(e) + " " + e.text();
        }
        EXPECT_EQ(got, c.expected) << c.cmd;
        EXPECT_EQ(waited, c.waited) << c.cmd;
        const std::string text = flushedText(log);
        EXPECT_NE(text.find("SystemCmd::~SystemCmd() entry \n"), std::string::npos) << c.cmd;
        // the closing line is written when nothing is raised
        EXPECT_EQ(text.find("SystemCmd::~SystemCmd() out \n") != std::string::npos, *c.expected == '\0') << c.cmd;
    }
}

TEST_F(SystemCmdTest, DestroyedWhileAnotherErrorLeavesLogsInstead) {
    testutil::LogCapture log(2);
    error e = raisedError([] {
        SystemCmd cmd("exit 2", SystemCmd::read_mode, true);
        throw error(2, 1, 1, 1) << "the caller's own failure";
    });
    EXPECT_EQ(e.text(), "the caller's own failure\n");
    EXPECT_NE(Log::summaryText().find("vantrell: Error in execution of exit\n"), std::string::npos);
}

// The error output comes first and is larger than a pipe holds: the command can only get to
// its standard output because the thread keeps taking its error output meanwhile.
TEST_F(SystemCmdTest, BothOutputsFlowAtOnce) {
    testutil::LogCapture log(2);
    Log::consoleLevel = -1;
    const std::string cmd = "head -c 200000 /dev/zero | tr '\\0' e >&2; head -c 200000 /dev/zero | tr '\\0' o";
    std::string out;
    {
        SystemCmd c(cmd, SystemCmd::read_mode, true);
        out = readAll(c.fp);
    }
    EXPECT_EQ(out, std::string(200000, 'o'));
    EXPECT_EQ(flushedText(log), "vantrell: read output of " + cmd + "\n" + std::string(200000, 'e') + "--\n");
}

class PipeTest : public ::testing::Test {};

TEST_F(PipeTest, EndsAreUsedAndClosedOnce) {
    struct Case {
        void (Pipe::*close)();
        int (Pipe::*use)() const;
        int (Pipe::*other)() const;
        const char* message;
    } cases[] = {
        {&Pipe::closeOut, &Pipe::out, &Pipe::in, "Pipe: out() end is already closed\n"},
        {&Pipe::closeIn, &Pipe::in, &Pipe::out, "Pipe: in() end is already closed\n"},
    };
    for (const Case& c : cases) {
        Pipe p;
        const int fd = (p.*c.use)();
        (p.*c.close)();
        EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
        error e = raisedError([&] { (p.*c.use)(); });
        EXPECT_EQ(codesOf(e) + " " + e.text(), std::string("(3,2,1,3) ") + c.message);
        (p.*c.close)();  // nothing more
        EXPECT_GE((p.*c.other)(), 0);
    }
}

TEST_F(PipeTest, NoChildInheritsAnEnd) {
    Pipe p;
    EXPECT_EQ(::fcntl(p.out(), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    EXPECT_EQ(::fcntl(p.in(), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
}

TEST_F(PipeTest, DescriptorZeroIsAnOpenEnd) {
    const int saved = ::dup(0);
    ASSERT_GE(saved, 0);
    ::close(0);
    {
        Pipe p;
        EXPECT_EQ(p.out(), 0);
        ASSERT_EQ(::write(p.in(), "z", 1), 1);
        char c = 0;
        EXPECT_EQ(::read(p.out(), &c, 1), 1);
        EXPECT_EQ(c, 'z');
        p.closeOut();
        EXPECT_EQ(::fcntl(0, F_GETFD), -1);
        EXPECT_THROW(p.out(), error);
    }
    ::dup2(saved, 0);
    ::close(saved);
}

TEST_F(PipeTest, FailedCloseIsRaisedOnceAndTheEndCountsClosed) {
    struct Case {
        void (Pipe::*close)();
        int (Pipe::*use)() const;
        const char* words;
    } cases[] = {
        {&Pipe::closeOut, &Pipe::out, " Can't close out fd "},
        {&Pipe::closeIn, &Pipe::in, " Can't close in fd "},
    };
    for (const Case& c : cases) {
        Pipe p;
        const int fd = (p.*c.use)();
        ::close(fd);  // behind its back
        error e = raisedError([&] { (p.*c.close)(); });
        std::ostringstream expected;
        expected << "(4,2,1,1) Pipe: " << static_cast<const void*>(&p) << c.words << fd << ":Bad file descriptor\n";
        EXPECT_EQ(codesOf(e) + " " + e.text(), expected.str());

        // The number may belong to someone else by now: it is never closed again.
        Pipe other;
        ASSERT_TRUE(other.out() == fd || other.in() == fd);
        (p.*c.close)();
        EXPECT_GE(::fcntl(other.out(), F_GETFD), 0);
        EXPECT_GE(::fcntl(other.in(), F_GETFD), 0);
    }
}

}  // namespace
