// The lock file against other processes. Runs inside the namespace helper: /tmp is private and
// fresh for every test, and the test runs as root there.
#include "common/Lock.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "common/Log.h"
#include "common/LockProbe.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using lockprobe::outcome;

const std::string busy = "(4,2,1,1) Corvane Products Installer is already running.\n";
const std::string badSlot = "(3,1,1,3) An error occurred during attempt to lock a file. Error in Lock, line ..\n";
const std::string refused = "(4,1,1,2) Failed to lock the file /tmp/nvo-installer.lock due to system error: ";

class LockTest : public ::testing::Test {
protected:
    testutil::LogCapture log;
};

// What this process learns of slot 0: the holder that test() names, and whether a
// non-waiting Lock gets it.
std::string lookAtSlotZero() {
    std::string seen = "test=" + std::to_string(Lock::test(0));
    return seen + " lock=" + outcome([] { Lock l(0, false); });
}

struct Scene {
    std::unique_ptr<testutil::Background> other;
    std::optional<Lock> own;
};

struct Situation {
    const char* name;
    // Sets the scene; returns the pid that test(0) must name (0: none).
    std::function<int(Scene&)> arrange;
    bool lookFromForkedChild;
};

TEST_F(LockTest, SlotZeroAsTestAndLockSeeIt) {
    const Situation table[] = {
        {"free", [](Scene&) { return 0; }, false},
        {"held by another process",
         [](Scene& s) {
             s.other = lockprobe::holder(0);
             return s.other->pid();
         },
         false},
        {"another process holds only slot 1: slots are single bytes",
         [](Scene& s) {
             s.other = lockprobe::holder(1);
             return 0;
         },
         false},
        {"the holder was killed: the system released its slot",
         [](Scene& s) {
             s.other = lockprobe::holder(0);
             s.other->stop(SIGKILL);
             return 0;
         },
         false},
        // POSIX record locks never conflict within one process.
        {"held by this process",
         [](Scene& s) {
             s.own.emplace(0, false);
             return 0;
         },
         false},
        // A forked child inherits the descriptor but none of the parent's locks.
        {"held by the parent, seen from a forked child",
         [](Scene& s) {
             s.own.emplace(0, false);
             return static_cast<int>(::getpid());
         },
         true},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        Scene scene;
        const int holder = row.arrange(scene);
        const std::string expected =
            "test=" + std::to_string(holder) + " lock=" + (holder ? busy : std::string("ok"));
        EXPECT_EQ(row.lookFromForkedChild ? testutil::inChild(lookAtSlotZero) : lookAtSlotZero(), expected);
    }
}

struct Refusal {
    const char* name;
    const char* plant;  // shell command run first
    std::function<void()> call;
    std::string expected;
    const char* afterwards;  // shell test that must hold afterwards
};

// Each case runs in a fresh child, so no descriptor is open before it.
TEST_F(LockTest, RefusalsBeforeAnythingIsLocked) {
    const Refusal table[] = {
        {"slot -1 is checked before the file is opened", "", [] { Lock::test(-1); }, badSlot,
         "test ! -e /tmp/nvo-installer.lock"},
        {"slot 3 of test", "", [] { Lock::test(3); }, badSlot, "test ! -e /tmp/nvo-installer.lock"},
        {"slot 3 of a Lock: the file is opened first", "", [] { Lock l(3, true); }, badSlot,
         "test -f /tmp/nvo-installer.lock"},
        {"a planted link is not followed", "ln -s /tmp/victim /tmp/nvo-installer.lock", [] { Lock l(0, false); },
         refused + "Too many levels of symbolic links\n", "test ! -e /tmp/victim"},
        {"a planted link, through test", "ln -s /tmp/victim /tmp/nvo-installer.lock", [] { Lock::test(0); },
         refused + "Too many levels of symbolic links\n", "test ! -e /tmp/victim"},
        // In a /tmp without the sticky bit the kernel opens a file of another user for root
        // (fs.protected_regular only guards sticky directories): the refusal must be the
        // program's own owner check. The private /tmp gets its sticky bit back afterwards.
        {"a file of another user, in a /tmp that is not sticky",
         "chmod 0777 /tmp && touch /tmp/nvo-installer.lock && chown 65534 /tmp/nvo-installer.lock",
         [] { Lock l(0, false); }, refused + "Operation not permitted\n",
         "chmod 1777 /tmp && test -f /tmp/nvo-installer.lock && test \"$(stat -c %u /tmp/nvo-installer.lock)\" = 65534"},
        {"a directory", "mkdir /tmp/nvo-installer.lock", [] { Lock l(1, false); }, refused + "Is a directory\n",
         "test -d /tmp/nvo-installer.lock"},
        // Opening a FIFO for writing would block until a reader comes.
        {"a FIFO without a reader", "mkfifo /tmp/nvo-installer.lock", [] { Lock l(0, false); },
         refused + "No such device or address\n", "test -p /tmp/nvo-installer.lock"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(testutil::shell("rm -rf /tmp/nvo-installer.lock /tmp/victim").status, 0);
        if (*row.plant) {
            ASSERT_EQ(testutil::shell(row.plant).status, 0);
        }
        EXPECT_EQ(testutil::inChild([&] { return outcome(row.call); }), row.expected);
        EXPECT_EQ(testutil::shell(row.afterwards).status, 0) << row.afterwards;
    }
}

TEST_F(LockTest, OneDescriptorUntilTheLastLockGoes) {
    std::optional<Lock> first, second;
    first.emplace(1, false);
    struct stat st;
    ASSERT_EQ(::lstat(lockprobe::lockFile, &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    second.emplace(2, true);
    EXPECT_EQ(lockprobe::descriptors().size(), 1u);
    EXPECT_EQ(lockprobe::fromOutside(1), "held");
    EXPECT_EQ(lockprobe::fromOutside(2), "held");

    first.reset();
    EXPECT_EQ(lockprobe::fromOutside(1), "free");
    EXPECT_EQ(lockprobe::fromOutside(2), "held") << "closing the file early would drop slot 2 too";
    EXPECT_EQ(lockprobe::descriptors().size(), 1u);

    second.reset();
    EXPECT_EQ(lockprobe::fromOutside(2), "free");
    EXPECT_TRUE(lockprobe::descriptors().empty());

    // test() opens the file again and leaves it open, with nothing held.
    EXPECT_EQ(Lock::test(2), 0);
    EXPECT_EQ(lockprobe::descriptors().size(), 1u);
    EXPECT_EQ(lockprobe::fromOutside(0), "free");
}

TEST_F(LockTest, WaitingLockGetsTheSlotWhenTheHolderGoes) {
    auto other = lockprobe::holder(2);
    std::atomic<bool> taken{false};
    std::thread waiter([&] {
        Lock l(2, true);
        taken = true;
    });
    ::usleep(200 * 1000);
    EXPECT_FALSE(taken.load()) << "the lock did not wait for the holder";
    other->stop(SIGKILL);
    waiter.join();
    EXPECT_TRUE(taken.load());
    EXPECT_TRUE(lockprobe::descriptors().empty());
}

// Closing the descriptor behind the object's back makes the release fail with EBADF.
void closeBehindTheLocksBack() {
    for (int fd : lockprobe::descriptors()) ::close(fd);
}

TEST_F(LockTest, FailedReleaseRaisesWhenNothingElseIsLeaving) {
    const std::string result = outcome([] {
        Lock l(1, false);
        closeBehindTheLocksBack();
    });
    EXPECT_EQ(result, "(4,1,1,2) Unable to unlock the file /tmp/nvo-installer.lock: Bad file descriptor\n");
}

TEST_F(LockTest, FailedReleaseIsLoggedWhileAnotherErrorLeaves) {
    const std::string result = outcome([] {
        Lock l(1, false);
        closeBehindTheLocksBack();
        throw error(2, 1, 1, 1) << "the first error";
    });
    // Reaching this line at all means the destructor did not terminate the process.
    EXPECT_EQ(result, "(2,1,1,1) the first error\n");
    EXPECT_EQ(Log::summaryText(), "Unable to unlock the file /tmp/nvo-installer.lock: Bad file descriptor\n");
}

// The descriptor and the count are shared by the threads of the process: taking, testing and
// releasing from several threads at once must neither close the file under a holder nor leave
// it open at the end.
TEST_F(LockTest, ThreadsShareTheDescriptorSafely) {
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 2000; ++i) {
                try {
                    Lock l(t % 3, t % 2 == 0);
                    if (Lock::test(2 - t % 3) != 0) ++failures;
                } catch (error&) {
                    ++failures;
                }
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_TRUE(lockprobe::descriptors().empty());
}

}  // namespace
