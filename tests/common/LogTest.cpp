#include "common/Log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <boost/format.hpp>

#include "common/FunctionTracer.h"
#include "support/TestUtil.h"

namespace {

using testutil::readFile;

class LogTest : public ::testing::Test {
protected:
    void SetUp() override { Log::resetForTest(); }
    void TearDown() override { Log::resetForTest(); }
    testutil::TempDir tmp;
    std::string logPath() const { return tmp / "vantrell3.log"; }
};

TEST_F(LogTest, EachSinkAdmitsItsOwnLevels) {
    Log::openFile(logPath().c_str(), true);
    Log::ConsoleMessages watch;
    std::string err;
    {
        testutil::StderrCapture cap;
        Log(0) << "zero\n";
        Log(1) << "one\n";
        Log(2) << "two\n";
        Log(3) << "three\n";
        err = cap.text();
    }
    size_t pos = 0;
    EXPECT_EQ(err, "zero\n");
    EXPECT_EQ(Log::summaryText(), "zero\none\n");
    EXPECT_EQ(readFile(logPath()), "zero\none\ntwo\n");
    EXPECT_EQ(Log::getCapturedMessages(pos), "zero\none\n");

    Log::fileLevel = 3;  // --debug
    Log(3) << "debug\n";
    EXPECT_EQ(readFile(logPath()), "zero\none\ntwo\ndebug\n");
    EXPECT_EQ(Log::summaryText(), "zero\none\n");
}

TEST_F(LogTest, EmptyTextIsWrittenAsMarker) {
    Log::openFile(logPath().c_str(), true);
    std::string err;
    {
        testutil::StderrCapture cap;
        Log(0) << "";
        err = cap.text();
    }
    EXPECT_EQ(err, "~empty");
    EXPECT_EQ(Log::summaryText(), "~empty");
    EXPECT_EQ(readFile(logPath()), "~empty");
}

TEST_F(LogTest, ValuesManipulatorsAndFormats) {
    Log::openFile(logPath().c_str(), true);
    Log(2) << "n=" << 42 << ' ' << 2.5 << std::endl << boost::format("%s-%s") % "a" % 7 << std::string("!");
    EXPECT_EQ(readFile(logPath()), "n=42 2.5\na-7!");
}

TEST_F(LogTest, PendingTextMovesIntoTheFileWithoutDepthPrefix) {
    Log::depth = 2;
    Log(2) << "early ";
    Log(1) << "also early\n";
    EXPECT_FALSE(::access(logPath().c_str(), F_OK) == 0);
    Log::openFile(logPath().c_str(), false);
    EXPECT_EQ(readFile(logPath()), "early also early\n");

    std::string err;
    {
        testutil::StderrCapture cap;
        Log::consoleLevel = 2;
        Log::ConsoleMessages watch;
        Log(2) << "a" << "b";
        Log(1) << "c";
        size_t pos = 0;
        EXPECT_EQ(Log::getCapturedMessages(pos), "c");
        err = cap.text();
    }
    EXPECT_EQ(readFile(logPath()), "early also early\n##ab##c");
    EXPECT_EQ(err, "abc");
    EXPECT_EQ(Log::summaryText(), "also early\nc");
}

TEST_F(LogTest, NewLogFileIsPrivate) {
    mode_t old = ::umask(022);
    Log::openFile(logPath().c_str(), true);
    ::umask(old);
    struct stat st;
    ASSERT_EQ(::stat(logPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(LogTest, TruncateOrAppend) {
    testutil::writeFile(logPath(), "old\n");
    ::chmod(logPath().c_str(), 0600);
    Log::openFile(logPath().c_str(), false);
    Log(2) << "new\n";
    EXPECT_EQ(readFile(logPath()), "old\nnew\n");
    Log::openFile(logPath().c_str(), true);
    Log(2) << "fresh\n";
    EXPECT_EQ(readFile(logPath()), "fresh\n");
}

TEST_F(LogTest, RawOutputIsFilteredForFileSummaryAndCapture) {
    Log::openFile(logPath().c_str(), true);
    Log::ConsoleMessages watch;
    const char raw[] = "x\ty\r\xc3\xa9\n";
    std::string err;
    {
        testutil::StderrCapture cap;
        Log(0).writeRaw(raw, sizeof raw - 1);
        err = cap.text();
    }
    EXPECT_EQ(err, raw) << "the console gets the bytes unchanged";
    Log(2) << ".";  // raw output is flushed by the next ordinary text
    EXPECT_EQ(readFile(logPath()), "xy\n.");
    EXPECT_EQ(Log::summaryText(), "xy\n");
    size_t pos = 0;
    EXPECT_EQ(Log::getCapturedMessages(pos), "xy\n");

    Log(1).writeRaw("s\n", 2);  // level 1: not into the summary
    Log(2) << ".";
    EXPECT_EQ(Log::summaryText(), "xy\n");
    EXPECT_EQ(readFile(logPath()), "xy\n.s\n.");
}

TEST_F(LogTest, RawOutputAboveFileLevelGoesNowhere) {
    Log::openFile(logPath().c_str(), true);
    Log::consoleLevel = 3;
    std::string err;
    {
        testutil::StderrCapture cap;
        Log(3).writeRaw("debug\n", 6);
        err = cap.text();
    }
    EXPECT_EQ(err, "");
    EXPECT_EQ(readFile(logPath()), "");
}

TEST_F(LogTest, CaptureIsCappedAndDeltaContinues) {
    Log::openFile(logPath().c_str(), true);
    Log::ConsoleMessages watch;
    std::string big(300000, 'x');
    for (size_t i = 0; i < big.size(); i += 1000) big[i] = static_cast<char>('a' + (i / 1000) % 26);
    Log(1) << big;
    size_t pos = 0;
    std::string first = Log::getCapturedMessages(pos);
    EXPECT_EQ(first.size(), 262144u);
    EXPECT_EQ(pos, 262144u);
    std::string rest = Log::getCapturedMessagesDelta(pos);
    EXPECT_EQ(rest.size(), 37856u);
    EXPECT_EQ(pos, 300000u);
    EXPECT_EQ(first + rest, big);
    EXPECT_EQ(Log::getCapturedMessagesDelta(pos), "");

    size_t past = 300001;
    try {
        Log::getCapturedMessagesDelta(past);
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "basic_string::substr");
    }
}

TEST_F(LogTest, OlderConsoleMessagesDoesNotTakeTheNewerCapture) {
    Log::openFile(logPath().c_str(), true);
    auto older = std::make_unique<Log::ConsoleMessages>();
    Log(1) << "before ";
    Log::ConsoleMessages newer;
    older.reset();
    Log(1) << "after";
    EXPECT_EQ(Log::getCapturedMessagesDelta(newer.position), "after");
    Log(1) << "!";
    EXPECT_EQ(Log::getCapturedMessagesDelta(newer.position), "!");
}

TEST_F(LogTest, GetLogStartsAtALineBoundary) {
    Log::openFile(logPath().c_str(), true);
    Log(2) << "before the job\n";
    Log::ConsoleMessages job;
    Log(2) << "line one\nline two\nline three\n";
    EXPECT_EQ(job.get_log(1000), "line one\nline two\nline three\n");
    // 15 bytes from the end lands inside "line two\n"; the tail starts after its newline.
    EXPECT_EQ(job.get_log(15), "line three\n");

    // No newline within 300 characters: start 300 characters later.
    Log(2) << std::string(400, 'z');
    EXPECT_EQ(job.get_log(350), std::string(50, 'z'));
}

// A link, a foreign file or a file with a second name at the log path is refused: nothing is
// written through it, and the refusal is explained on the console.
TEST_F(LogTest, RefusesLinksForeignFilesAndHardLinks) {
    ASSERT_EQ(::geteuid(), 0u) << "tests run as root (the owner case needs chown)";
    const std::string target = tmp / "target";
    struct Case {
        const char* label;
        std::function<void(const std::string& path)> plant;
    } cases[] = {
        {"symlink", [&](const std::string& p) { ASSERT_EQ(::symlink(target.c_str(), p.c_str()), 0); }},
        {"dangling symlink",
         [&](const std::string& p) {
             ::unlink(target.c_str());
             ASSERT_EQ(::symlink(target.c_str(), p.c_str()), 0);
         }},
        {"foreign owner",
         [&](const std::string& p) {
             testutil::writeFile(p, "precious\n");
             ASSERT_EQ(::chown(p.c_str(), 65534, 65534), 0);
         }},
        {"hard link", [&](const std::string& p) { ASSERT_EQ(::link(target.c_str(), p.c_str()), 0); }},
    };
    for (auto& c : cases) {
        Log::resetForTest();
        testutil::writeFile(target, "precious\n");
        const std::string path = tmp / "log";
        ::unlink(path.c_str());
        c.plant(path);
        const std::string before = readFile(path);
        Log(2) << "pending text\n";
        std::string err;
        {
            testutil::StderrCapture cap;
            Log::openFile(path.c_str(), true);
            Log(2) << "secret\n";
            err = cap.text();
        }
        EXPECT_EQ(readFile(path), before) << c.label;
        if (std::string(c.label) != "dangling symlink") EXPECT_EQ(readFile(target), "precious\n") << c.label;
        else EXPECT_NE(::access(target.c_str(), F_OK), 0) << c.label << ": nothing created through the link";
        EXPECT_NE(err.find("Warning: unable to open the log file " + path), std::string::npos) << c.label << err;
        EXPECT_EQ(Log::fileDescriptor(), -1) << c.label;
    }
}

TEST_F(LogTest, DescriptorIsExposedForChildren) {
    Log::openFile(logPath().c_str(), true);
    Log(2) << "a";
    int fd = Log::fileDescriptor();
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "b", 1), 1);
    Log(2) << "c";
    EXPECT_EQ(readFile(logPath()), "abc");
}

TEST_F(LogTest, FunctionTracerLines) {
    Log::openFile(logPath().c_str(), true);
    Log::fileLevel = 3;
    { FunctionTracer t("findRequiredFor"); }
    try {
        FunctionTracer t("resolve");
        throw 1;
    } catch (int) {
    }
    try {
        throw 2;
    } catch (int) {
        // Inside a handler no exception is in flight any more: a normal return.
        FunctionTracer t("inHandler");
    }
    EXPECT_EQ(readFile(logPath()),
              "DEBUG: function entry [findRequiredFor]\nDEBUG: function return [findRequiredFor]\n"
              "DEBUG: function entry [resolve]\nDEBUG: function exception [resolve]\n"
              "DEBUG: function entry [inHandler]\nDEBUG: function return [inHandler]\n");
}

}  // namespace
