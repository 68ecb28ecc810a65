// The shared progress record as other processes see it. Runs inside the namespace helper:
// System V IPC and /tmp are private and fresh for every test, and the test runs as root there.
#include "common/Progress.h"

#include <sys/ipc.h>
#include <sys/resource.h>
#include <sys/shm.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "common/LockProbe.h"
#include "common/Log.h"
#include "common/ProgressSegment.h"
#include "support/LogCapture.h"
#include "support/ProgressProbe.h"
#include "support/TestUtil.h"

namespace {

const int key = 321456;
const size_t recordSize = 20564;

class ProgressTest : public ::testing::Test {
protected:
    testutil::LogCapture log;
    testutil::TempDir tmp;
};

void expectRecord(const std::map<std::string, std::string>& expected) {
    auto seen = testutil::progressRecord();
    for (const auto& kv : expected) EXPECT_EQ(seen[kv.first], kv.second) << "field " << kv.first;
    EXPECT_EQ(seen.count("problem"), 0u) << seen["problem"];
}

// perms and bytes of the segment in the `ipcs -m` listing.
std::string ipcsPermsAndBytes() {
    auto r = testutil::run({"/usr/bin/ipcs", "-m"});
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string k, id, owner, perms, bytes;
        words >> k >> id >> owner >> perms >> bytes;
        if (k == "0x0004e7b0") return perms + " " + bytes;
    }
    return "no segment in: " + r.out;
}

// Every byte of the segment of the key, whatever its size.
std::string rawSegment() {
    int id = ::shmget(key, 0, 0);
    if (id < 0) return "no segment";
    struct shmid_ds ds;
    ::shmctl(id, IPC_STAT, &ds);
    void* p = ::shmat(id, nullptr, SHM_RDONLY);
    if (p == reinterpret_cast<void*>(-1)) return "no attach";
    std::string bytes(static_cast<const char*>(p), ds.shm_segsz);
    ::shmdt(p);
    return bytes;
}

void everyOperation() {
    Progress().stage(2, 3);
    Progress().step("unpack", "Unpacking");
    Progress().fail("boom");
    Progress().finish();
    Progress().setCookie("s3cret");
}

const std::string noSegmentLine =
    "Error: Can't create/access to shm segment: %s\nRemove status reporter feature will unavailable.\n";

std::string times(int n, const std::string& s) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
}

std::string noSegment(const std::string& why) {
    std::string line = noSegmentLine;
    return line.replace(line.find("%s"), 2, why);
}

TEST_F(ProgressTest, ReaderOfAnotherProcessSeesEachOperation) {
    Progress().stage(2, 3);
    expectRecord({{"stage", "2"}, {"stageCount", "4"}, {"stageId", "resolv"}, {"stageTitle", "Resolving package"},
                  {"step", "0"}, {"stepCount", "3"}, {"stepId", ""}, {"stepTitle", ""}, {"finished", "0"},
                  {"failed", "0"}, {"errorText", ""}, {"cookie", ""}});
    EXPECT_EQ(ipcsPermsAndBytes(), "600 20564");

    for (const char* title : {"first", "second", "third", "fourth"}) Progress().step(std::string("id-") + title, title);
    expectRecord({{"step", "4"}, {"stepCount", "4"}, {"stepId", "id-fourth"}, {"stepTitle", "fourth"}});

    Progress().fail("boom");
    expectRecord({{"finished", "1"}, {"failed", "1"}, {"errorText", "boom"}});
    Progress().setCookie("s3cret");

    // A new stage starts the steps afresh but keeps the last report and the cookie.
    Progress().stage(0, 1);
    expectRecord({{"stage", "0"}, {"stageId", "init"}, {"stageTitle", "Corvane Products Installer was started"},
                  {"step", "0"}, {"stepCount", "1"}, {"stepId", ""}, {"stepTitle", ""}, {"finished", "0"},
                  {"failed", "0"}, {"errorText", "boom"}, {"cookie", "s3cret"}});

    Progress().finish();
    expectRecord({{"finished", "1"}, {"failed", "0"}, {"errorText", "boom"}});

    EXPECT_EQ(log.text(),
              "Progress::stage: --- 2/4 (3 steps) Resolving package\n"
              "Progress::step: 1/3 first\n"
              "Progress::step: 2/3 second\n"
              "Progress::step: 3/3 third\n"
              "Progress::step: 4/4 fourth\n"
              "Progress::stage: --- 0/4 (1 steps) Corvane Products Installer was started\n");
}

TEST_F(ProgressTest, StageNamesAndTitles) {
    struct Row {
        unsigned stage;
        const char* id;
        const char* title;
    };
    const Row table[] = {
        {0, "init", "Corvane Products Installer was started"},
        {1, "prep", "Preparing the system"},
        {2, "resolv", "Resolving package"},
        {3, "download", "Downloading packages"},
        {4, "inst", "Starting installation of packages"},
        // No name of its own: the previous stage's name and title stay.
        {7, "inst", "Starting installation of packages"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.stage);
        Progress().stage(row.stage, row.stage + 10);
        expectRecord({{"stage", std::to_string(row.stage)}, {"stageCount", "4"}, {"stageId", row.id},
                      {"stageTitle", row.title}, {"stepCount", std::to_string(row.stage + 10)}});
    }
}

TEST_F(ProgressTest, TextsAreCutToTheirFieldLessOne) {
    struct Row {
        const char* what;
        std::function<void()> write;
        const char* field;
        std::string expected;
    };
    const Row table[] = {
        {"a shorter text leaves the bytes behind its NUL",
         [] {
             Progress().step("abcdef", "t");
             Progress().step("xy", "t");
         },
         "stepId.raw", "xy\\0def"},
        {"a 5000-byte step title", [] { Progress().step("s", std::string(5000, 't')); }, "stepTitle",
         std::string(4095, 't')},
        {"a title that just fits", [] { Progress().step("s", std::string(4095, 'u')); }, "stepTitle",
         std::string(4095, 'u')},
        {"a 100-byte step id", [] { Progress().step(std::string(100, 'i'), "t"); }, "stepId", std::string(79, 'i')},
        {"a 9000-byte report", [] { Progress().fail(std::string(9000, 'e')); }, "errorText", std::string(8095, 'e')},
        {"a 5000-byte cookie", [] { Progress().setCookie(std::string(5000, 'c')); }, "cookie",
         std::string(4095, 'c')},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.what);
        row.write();
        EXPECT_EQ(testutil::progressRecord()[row.field], row.expected);
    }
}

TEST_F(ProgressTest, FreshSegmentAfterMarkForDeletion) {
    Progress().step("s", "first step without a stage");
    expectRecord({{"step", "1"}, {"stepCount", "1"}});

    {
        ProgressSegment access;
        access.markForDeletion();
        EXPECT_EQ(access.record()->step, 1u) << "still attached until the access ends";
    }
    EXPECT_EQ(rawSegment(), "no segment");

    Progress().step("s", "again");
    expectRecord({{"step", "1"}, {"stepCount", "1"}, {"stepTitle", "again"}});
}

TEST_F(ProgressTest, WithoutAUsableSegmentTheRunGoesOn) {
    ASSERT_GE(::shmget(key, 100, IPC_CREAT | IPC_EXCL | 0600), 0);
    std::string console;
    {
        testutil::StderrCapture cap;
        everyOperation();
        console = cap.text();
    }
    const std::string expected = times(5, noSegment("Invalid argument"));
    EXPECT_EQ(console, expected);
    EXPECT_EQ(Log::summaryText(), expected);
    EXPECT_EQ(rawSegment(), std::string(100, '\0'));

    // The process's own record carried the operations.
    testutil::StderrCapture cap;
    ProgressSegment access;
    const ProgressRecord& r = *access.record();
    EXPECT_EQ(r.stage, 2u);
    EXPECT_EQ(r.step, 1u);
    EXPECT_EQ(r.getStepTitle(), "Unpacking");
    EXPECT_EQ(r.finished, 1);
    EXPECT_EQ(r.getCookie(), "s3cret");
}

TEST_F(ProgressTest, SegmentOfAnotherUserIsLeftAlone) {
    const std::string made = testutil::inChild([] {
        if (::setuid(65534) != 0) return std::string("setuid failed");
        int id = ::shmget(key, recordSize, IPC_CREAT | 0666);
        void* p = id < 0 ? reinterpret_cast<void*>(-1) : ::shmat(id, nullptr, 0);
        if (p == reinterpret_cast<void*>(-1)) return std::string("no segment");
        std::memset(p, 0xAB, recordSize);
        ::shmdt(p);
        return std::string("made");
    });
    ASSERT_EQ(made, "made");
    const std::string before = rawSegment();

    testutil::StderrCapture cap;
    everyOperation();
    EXPECT_EQ(Log::summaryText(), times(5, noSegment("Operation not permitted")));
    EXPECT_EQ(rawSegment(), before);
    EXPECT_EQ(ipcsPermsAndBytes(), "666 20564") << "not ours to change";
}

TEST_F(ProgressTest, OlderSegmentOfOursIsNarrowedAndKept) {
    int id = ::shmget(key, recordSize, IPC_CREAT | IPC_EXCL | 0644);
    ASSERT_GE(id, 0);
    void* p = ::shmat(id, nullptr, 0);
    ASSERT_NE(p, reinterpret_cast<void*>(-1));
    const uint32_t stage = 3, stepCount = 5;
    std::memcpy(static_cast<char*>(p) + 0, &stage, 4);
    std::memcpy(static_cast<char*>(p) + 4188, &stepCount, 4);
    ::shmdt(p);

    Progress().step("s", "t");
    EXPECT_EQ(ipcsPermsAndBytes(), "600 20564");
    expectRecord({{"stage", "3"}, {"step", "1"}, {"stepCount", "5"}});
    EXPECT_TRUE(Log::summaryText().empty()) << Log::summaryText();
}

// Attaching maps memory; with no address space left it fails.
TEST_F(ProgressTest, AttachFailureIsContainedButReachesTheCookieCaller) {
    Progress().stage(1, 2);  // the segment exists from here on
    const std::string childLog = tmp / "child.log";
    const std::string seen = testutil::inChild([&childLog] {
        Log::openFile(childLog.c_str(), true);
        Log::consoleLevel = -1;
        {
            // Heap that malloc keeps, so that only new mappings run out.
            std::vector<std::string> warm(64, std::string(1000, 'w'));
        }
        struct rlimit lim;
        ::getrlimit(RLIMIT_AS, &lim);
        const rlim_t unlimited = lim.rlim_cur;
        std::string status = testutil::readFile("/proc/self/status");
        lim.rlim_cur = std::stoul(status.substr(status.find("VmSize:") + 7)) * 1024;
        if (::setrlimit(RLIMIT_AS, &lim) != 0) return std::string("setrlimit failed");
        Progress().step("s", "t");
        Progress().finish();
        std::string cookie = lockprobe::outcome([] { Progress().setCookie("c"); });
        lim.rlim_cur = unlimited;
        ::setrlimit(RLIMIT_AS, &lim);
        return cookie + "|slot 2 " + lockprobe::fromOutside(2) + "|" + testutil::readFile(childLog);
    });
    EXPECT_EQ(seen,
              "(4,1,1,2) Can't access to shm segment: Cannot allocate memory\n"
              "|slot 2 free|"
              "Progress::step() was interrupted by exception\n"
              "Progress::finish() was interrupted by exception\n");
    expectRecord({{"stage", "1"}, {"step", "0"}, {"finished", "0"}, {"cookie", ""}});
}

TEST_F(ProgressTest, TwoThreadsCountEveryStep) {
    Log::fileLevel = 2;  // 20000 step lines would only slow the race down
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 10000; ++i) Progress().step("s", "t");
        });
    for (auto& th : threads) th.join();
    expectRecord({{"step", "20000"}, {"stepCount", "20000"}});
}

// Slot 2 does not order the threads of one process, so an access also waits for the
// accesses of the other threads.
TEST_F(ProgressTest, AccessesOfThreadsTakeTurns) {
    std::optional<ProgressSegment> first;
    first.emplace();
    std::atomic<bool> done{false};
    std::thread other([&done] {
        Progress().step("s", "t");
        done = true;
    });
    ::usleep(200 * 1000);
    EXPECT_FALSE(done.load()) << "two accesses at once";
    first.reset();
    other.join();
    EXPECT_EQ(lockprobe::fromOutside(2), "free");
    expectRecord({{"step", "1"}});
}

TEST_F(ProgressTest, AccessWaitsWhileAnotherProcessReads) {
    auto reader = lockprobe::holder(2);
    std::atomic<bool> done{false};
    std::thread writer([&done] {
        Progress().step("s", "t");
        done = true;
    });
    ::usleep(200 * 1000);
    EXPECT_FALSE(done.load()) << "the write did not wait for slot 2";
    reader->stop(SIGKILL);
    writer.join();
    expectRecord({{"step", "1"}});
}

}  // namespace
