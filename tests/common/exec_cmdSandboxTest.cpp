// Runs in private namespaces: /proc shows only the processes of this test, so a command left
// running after a cancellation is seen, and none can outlive the test.
#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/Lock.h"
#include "common/Log.h"
#include "common/Messages.h"
#include "common/SystemCmd.h"
#include "common/TerminationState.h"
#include "common/error.h"
#include "common/exec_cmd.h"
#include "common/CommandProbe.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

using commandprobe::flushedText;
using commandprobe::readAll;
using testutil::codesOf;

namespace {

class exec_cmdSandboxTest : public commandprobe::CommandTest {};

// Processes whose argument list is exactly `args`. A zombie has no arguments left, so only
// processes that still run count.
int processesWith(const std::vector<std::string>& args) {
    std::string wanted;
    for (const std::string& a : args) wanted += a + '\0';
    int count = 0;
    DIR* proc = ::opendir("/proc");
    if (!proc) return -1;
    while (dirent* d = ::readdir(proc)) {
        if (d->d_name[0] < '0' || d->d_name[0] > '9') continue;
        if (testutil::readFile(std::string("/proc/") + d->d_name + "/cmdline") == wanted) ++count;
    }
    ::closedir(proc);
    return count;
}

// Polls `f` every 50 ms for at most `ms` milliseconds.
template <class F>
bool eventually(F f, int ms) {
    for (int waited = 0;; waited += 50) {
        if (f()) return true;
        if (waited >= ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

class CancellationTest : public exec_cmdSandboxTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CancellationTest, StopsTheCommandAndEverythingItStarted) {
    testutil::LogCapture log(3);
    const std::vector<std::string> marker = {"sleep", "30.0417"};
    std::string got;
    std::chrono::steady_clock::time_point returned;
    std::thread call([&] {
        try {
            executeCommand(GetParam(), false, false);
            got = "returned";
        } catch (const error& e) {
            got = codesOf(e) + " " + e.text();
        }
        returned = std::chrono::steady_clock::now();
    });
    ASSERT_TRUE(eventually([&] { return processesWith(marker) == 1; }, 10000));

    const auto asked = std::chrono::steady_clock::now();
    requestTermination(2);
    call.join();

    // At most three polls of 750 ms: the one under way, the signal, the reap.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(returned - asked).count(), 2500);
    EXPECT_EQ(got, "(2,2,2,1) Interrupted by user\n");
    EXPECT_TRUE(isTerminated());
    const std::string text = flushedText(log);
    EXPECT_NE(text.find("\nstarted\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\nnever\n"), std::string::npos) << text;
    EXPECT_NE(text.find("DEBUG: send SIGTERM to child process because Corvane Installer was canceled by user.\n"),
              std::string::npos)
        << text;
    EXPECT_TRUE(eventually([&] { return processesWith(marker) == 0; }, 2000)) << "the sleep is still running";
}

INSTANTIATE_TEST_SUITE_P(Commands, CancellationTest,
                         ::testing::Values(
                             // the shell has become the sleep
                             "echo started; exec sleep 30.0417",
                             // the sleep is a child of the shell: only its process group reaches it
                             "echo started; sleep 30.0417; echo never"));

// Descriptors of ours are close-on-exec; whatever the test process got from whoever started
// it is no concern here and is closed first.
void closeInheritedDescriptors() {
    std::vector<int> inherited;
    DIR* d = ::opendir("/proc/self/fd");
    ASSERT_NE(d, nullptr);
    while (dirent* e = ::readdir(d)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
        int fd = std::atoi(e->d_name);
        if (fd > 2 && fd != ::dirfd(d) && !(::fcntl(fd, F_GETFD) & FD_CLOEXEC)) inherited.push_back(fd);
    }
    ::closedir(d);
    for (int fd : inherited) ::close(fd);
}

TEST_F(exec_cmdSandboxTest, CommandsGetOnlyTheStandardDescriptors) {
    closeInheritedDescriptors();
    testutil::LogCapture log(2);  // the log file is open
    testutil::TempDir tmp;
    Lock run(Lock::slotRun, false);  // and so is the lock file

    // A stream whose pipes stay open in this process while the other commands start.
    SystemCmd holder("true", SystemCmd::read_mode, false);
    holder.wait();

    // "ls" itself opens 3 for the directory.
    const std::string own = "0\n1\n2\n3\n";
    EXPECT_EQ(executeCommand("ls /proc/self/fd", false, true), 0);
    // The process between the installer and the shell keeps no copy of the installer's
    // descriptors either.
    EXPECT_EQ(executeCommand("sleep 0.2; ls /proc/$PPID/fd", false, true), 0);
    {
        SystemCmd lister("ls /proc/self/fd", SystemCmd::read_mode, true);
        EXPECT_EQ(readAll(lister.fp), own);
    }
    const std::string listed = tmp / "listed";
    launchCommand("ls /proc/self/fd > " + listed);
    int status = 0;
    ASSERT_GT(::waitpid(-1, &status, 0), 0);
    EXPECT_EQ(testutil::readFile(listed), own);

    EXPECT_EQ(flushedText(log), "vantrell: read output of true\n"
                                "Execute command ls /proc/self/fd\n" + own +
                                    "Execute command sleep 0.2; ls /proc/$PPID/fd\n0\n1\n2\n"
                                    "vantrell: read output of ls /proc/self/fd\n"
                                    "Execute command ls /proc/self/fd > " + listed + "\n--\n");
}

}  // namespace
