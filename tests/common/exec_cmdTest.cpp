#include "common/exec_cmd.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/PopenCommand.h"
#include "common/TerminationState.h"
#include "common/error.h"
#include "common/CommandProbe.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

using testutil::codesOf;
using commandprobe::flushedText;
using commandprobe::outcome;
using testutil::raisedError;

namespace {

class exec_cmdTest : public commandprobe::CommandTest {};

TEST_F(exec_cmdTest, StatusesAndFailuresOfCommandsRunAtOnce) {
    struct Case {
        const char* cmd;
        bool check;
        const char* expected;
    } cases[] = {
        {"true", true, "return 0"},
        {"exit 3", false, "return 3"},
        {"exit 3", true, "error (0,0,0,0) Command exit exited with non-zero status (3).\n"},
        {"no_such_cmd_vn", false, "return 127"},
        {"no_such_cmd_vn", true,
         "error (4,1,0,3) Failed to execute an external command no_such_cmd_vn: command not found\n"},
        // The message names the first word that is not env, sh or an assignment, even "-c".
        {"env LANG=C sh -c 'exit 127'", true,
         "error (4,1,0,3) Failed to execute an external command -c: command not found\n"},
        // The shell dying of a signal is an ordinary failure of the command...
        {"kill -9 $$", false, "return 1"},
        // ...but a signal to the process between the installer and the shell is raised even
        // without check, and the installer itself lives on.
        {"kill -9 $PPID", false,
         "error (4,2,0,2) The executed process was terminated because of unhandled signal received "
         "from the system.\n"},
        // The command reads /dev/null, not the installer's standard input (a pipe that never
        // ends here): it would otherwise wait until timeout gives up with 124.
        {"timeout 5 cat", true, "return 0"},
    };
    testutil::LogCapture log;

    int never[2];
    ASSERT_EQ(::pipe(never), 0);
    const int savedStdin = ::dup(0);
    ::dup2(never[0], 0);
    ::close(never[0]);

    // All at once: two commands may run in parallel, and the 750 ms polls are paid once.
    const size_t n = sizeof cases / sizeof cases[0];
    std::vector<std::string> got(n);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < n; ++i)
        threads.emplace_back([&, i] {
            got[i] = outcome([&] { return executeCommand(cases[i].cmd, false, cases[i].check); });
        });
    for (std::thread& t : threads) t.join();

    ::dup2(savedStdin, 0);
    ::close(savedStdin);
    ::close(never[1]);

    for (size_t i = 0; i < n; ++i) EXPECT_EQ(got[i], cases[i].expected) << cases[i].cmd;
    const std::string text = flushedText(log);
    EXPECT_NE(text.find("\nThe executed process was terminated because of unhandled signal received from the "
                        "system. (9)\n"),
              std::string::npos)
        << text;
    for (const Case& c : cases)
        EXPECT_NE(text.find(std::string("Execute command ") + c.cmd + "\n"), std::string::npos) << c.cmd;
}

TEST_F(exec_cmdTest, SuccessLogsOnlyTheCommandLine) {
    testutil::LogCapture log(2);
    EXPECT_EQ(executeCommand("true", false, true), 0);
    EXPECT_EQ(log.text(), "Execute command true\n");
}

TEST_F(exec_cmdTest, EchoPutsTheOutputOnTheConsole) {
    testutil::LogCapture log(2);
    std::string console;
    {
        testutil::StderrCapture err;
        std::thread shown([] { executeCommand("echo shown; echo shown-err >&2", true, false); });
        std::thread hidden([] { executeCommand("echo hidden", false, false); });
        shown.join();
        hidden.join();
        console = err.text();
    }
    EXPECT_EQ(console, "shown\nshown-err\n");
    const std::string text = flushedText(log);
    EXPECT_NE(text.find("shown\nshown-err\n"), std::string::npos) << text;
    EXPECT_NE(text.find("hidden\n"), std::string::npos) << text;
}

// Each piece of output is one log statement of at most 4096 bytes; the pieces together are
// the output, whole and in order.
std::vector<std::string> piecesOf(const std::string& logged, const std::string& cmd) {
    // The child is reaped somewhere between the pieces; that trace line is taken out.
    std::string text = std::regex_replace(logged, std::regex("#executeCommand: arrive SIGCHLD, [0-9]+\n"), "");
    const std::string head = "#Execute command " + cmd + "\n";
    EXPECT_EQ(text.compare(0, head.size(), head), 0) << text.substr(0, 200);
    EXPECT_EQ(text.substr(text.size() - 4), "#--\n");
    text = text.substr(head.size(), text.size() - head.size() - 4);
    std::vector<std::string> pieces;
    for (size_t at = 0; at < text.size();) {
        EXPECT_EQ(text[at], '#');
        size_t next = text.find('#', at + 1);
        if (next == std::string::npos) next = text.size();
        pieces.push_back(text.substr(at + 1, next - at - 1));
        at = next;
    }
    return pieces;
}

TEST_F(exec_cmdTest, OutputReachesTheLogWholeInPieces) {
    testutil::LogCapture log(3);
    // With depth 1 every log statement starts with "#", so each piece shows where it began.
    Log::depth = 1;
    const char* cmd = "head -c 10000 /dev/zero | tr '\\0' a";
    EXPECT_EQ(executeCommand(cmd, false, true), 0);
    std::string whole;
    for (const std::string& piece : piecesOf(flushedText(log), cmd)) {
        EXPECT_LE(piece.size(), 4096u);
        whole += piece;
    }
    EXPECT_EQ(whole, std::string(10000, 'a'));
}

// A command that writes more than the pipe holds is drained as it writes, while other
// children of the process start and end (their ends are none of this call's business).
TEST_F(exec_cmdTest, LargeOutputDrainsWhileOtherChildrenEnd) {
    testutil::LogCapture log(2);
    std::atomic<bool> done{false};
    std::string result;
    const char* cmd = "head -c 2097152 /dev/zero | tr '\\0' b";
    std::thread big([&] {
        result = outcome([&] { return executeCommand(cmd, false, true); });
        done = true;
    });
    int launched = 0;
    for (; launched < 3; ++launched) launchCommand("true");
    big.join();

    EXPECT_EQ(result, "return 0");
    // Whole and in order; the launched commands' lines fall somewhere between the pieces.
    const std::string text = std::regex_replace(flushedText(log), std::regex("Execute command true\n"), "");
    EXPECT_EQ(text.size(), std::string("Execute command ").size() + std::strlen(cmd) + 1 + 2097152 + 3);
    EXPECT_TRUE(text == std::string("Execute command ") + cmd + "\n" + std::string(2097152, 'b') + "--\n");
    for (int i = 0; i < launched; ++i) {
        int status = 0;
        EXPECT_GT(::waitpid(-1, &status, 0), 0);  // the launched children, never reaped by the call
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
}

TEST_F(exec_cmdTest, LaunchedCommandRunsWithoutOutputAndIsNotWaitedFor) {
    testutil::LogCapture log(2);
    testutil::TempDir tmp;
    const std::string flag = tmp / "flag";
    testutil::StderrCapture err;
    launchCommand("echo to-null; echo to-null >&2; sleep 0.3; echo ran > " + flag);
    // Returned at once: the command has not got that far yet.
    EXPECT_NE(::access(flag.c_str(), F_OK), 0);
    int status = 0;
    ASSERT_GT(::waitpid(-1, &status, 0), 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(testutil::readFile(flag), "ran\n");
    EXPECT_EQ(err.text(), "");
    EXPECT_EQ(log.text(), "Execute command echo to-null; echo to-null >&2; sleep 0.3; echo ran > " + flag + "\n");
}

TEST_F(exec_cmdTest, CommandNames) {
    struct Case {
        const char* line;
        const char* name;
    } cases[] = {
        {"env LANG=C LC_ALL=C yum info ", "yum"},
        {"DEBIAN_FRONTEND=noninteractive LANG=C apt-get --assume-yes --show-upgraded --purge --list-cleanup "
         "--no-reinstall -o Dpkg::options::=--force-confdef -o Dpkg::options::=--force-confold -o "
         "APT::Get::AllowUnauthenticated=true ",
         "apt-get"},
        {"  uname -s", "uname"},
        // kept as it always was: the word after "sh" is the option
        {"sh -c x", "-c"},
        // every word skipped: the whole line
        {"env", "env"},
        {"sh", "sh"},
        {"A=1  env ", "A=1  env "},
        {"", ""},
        // only blanks separate words; a tab belongs to the word
        {"env\tx y", "env\tx"},
        {"envy sh2", "envy"},
    };
    for (const Case& c : cases) EXPECT_EQ(getCommandName(c.line), c.name) << "[" << c.line << "]";
}

TEST_F(exec_cmdTest, OutputLines) {
    struct Case {
        const char* cmd;
        const char* args;
        std::vector<std::string> lines;
    } cases[] = {
        {"uname", "-s", {"Linux"}},
        {"printf", "'a\\n\\n  b \\t\\n'", {"a", "", "b"}},
        {"printf", "'no line end'", {"no line end"}},
        {"true", "", {}},
        // a line longer than the 4096-byte buffer comes in pieces
        {"head -c 5000 /dev/zero | tr '\\0' x", "", {std::string(4095, 'x'), std::string(905, 'x')}},
    };
    testutil::LogCapture log(2);
    for (const Case& c : cases) EXPECT_EQ(getCommandOutput(c.cmd, c.args), c.lines) << c.cmd;
    EXPECT_NE(log.text().find("vantrell: read output of uname -s with popen\nvantrell: pclose OK\n"),
              std::string::npos);
}

TEST_F(exec_cmdTest, OutputLineAndItsFailures) {
    struct Case {
        const char* cmd;
        const char* expected;
    } cases[] = {
        {"echo first; echo second", "return first"},
        {"true", "error (0,0,0,0) No data received from the true utility.\n"},
        {"LANG=C true", "error (0,0,0,0) No data received from the true utility.\n"},
        // the exit status wins over the line already read
        {"echo x; exit 1", "error (4,2,2,2) vantrell: Error in execution of echo\n"},
    };
    for (const Case& c : cases) {
        std::string got;
        try {
            got = "return " + getCommandOutputLine(c.cmd, "");
        } catch (const error& e) {
            got = "error " + codesOf(e) + " " + e.text();
        }
        EXPECT_EQ(got, c.expected) << c.cmd;
    }
}

TEST_F(exec_cmdTest, FailedReaderLogsTwoLines) {
    struct Case {
        bool ignoreExit;
        const char* expected;
    } cases[] = {
        {false, "error (4,2,2,2) vantrell: Error in execution of exit\n"},
        {true, "return 0"},
    };
    for (const Case& c : cases) {
        testutil::LogCapture log(2);
        std::string got = outcome([&] {
            PopenCommand reader("exit 3", c.ignoreExit);
            return 0;
        });
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(log.text(),
                  "vantrell: read output of exit 3 with popen\n"
                  "pclose error: Success\n"
                  "Execution of 'exit' failed - exit code not zero\n");
    }
}

TEST_F(exec_cmdTest, ReaderClosedWhileAnotherErrorLeavesLogsInstead) {
    testutil::LogCapture log(2);
    error e = raisedError([] {
        PopenCommand reader("exit 1", false);
        throw error(2, 1, 1, 1) << "the caller's own failure";
    });
    EXPECT_EQ(e.text(), "the caller's own failure\n");
    EXPECT_NE(Log::summaryText().find("vantrell: Error in execution of exit\n"), std::string::npos);
}

// Children must end with _exit: exit-time handlers and stdio buffers belong to the installer.
// The helper program prints a text before each command into a pipe, unflushed, and registers
// an exit handler that records any process but itself.
class ChildExitTest : public exec_cmdTest {
protected:
    testutil::TempDir tmp;
    std::string marker() const { return tmp / "marker"; }
    std::string logFile() const { return tmp / "vantrell3.log"; }
};

const char* const childExitOutput = "before-execute;before-launch;before-stream;results";

TEST_F(ChildExitTest, WorkingShell) {
    testutil::RunResult r = testutil::run({testutil::program("prog_exec_exit"), marker(), logFile()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string(childExitOutput) + " 0 0 0\n");
    EXPECT_EQ(testutil::readFile(marker()), "");
    EXPECT_EQ(testutil::readFile(logFile()).find("system() operation failed"), std::string::npos);
}

TEST_F(ChildExitTest, ShellThatCannotBeExecuted) {
    // A file without execute permission is bound over /bin/sh in private namespaces; from then
    // on nothing can use a shell, so the helper program is started directly.
    const std::string notAShell = tmp / "not-a-shell";
    testutil::writeFile(notAShell, "#!/bin/true\n");
    ::chmod(notAShell.c_str(), 0644);
    testutil::RunResult r =
        testutil::run({VN_SANDBOX, "--keep", tmp.path(), "--", "/bin/bash", "-c", "mount --bind \"$0\" /bin/sh && exec \"$@\"",
                       notAShell, testutil::program("prog_exec_exit"), marker(), logFile()});
    if (r.status == 77) GTEST_SKIP() << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string(childExitOutput) + " 127 127 127\n");
    EXPECT_EQ(testutil::readFile(marker()), "");

    // Each child's last words reached the log: through the pipe of executeCommand and of the
    // stream, straight into the file for the launched command.
    const std::string line = "Failed to execute an external command: system() operation failed. (Permission denied).\n";
    const std::string text = testutil::readFile(logFile());
    size_t count = 0;
    for (size_t p = text.find(line); p != std::string::npos; p = text.find(line, p + 1)) ++count;
    EXPECT_EQ(count, 3u) << text;
}

}  // namespace
