#include "common/TerminationState.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <sstream>
#include <thread>
#include <vector>

#include "common/error.h"
#include "support/LogCapture.h"

namespace {

class TerminationTest : public ::testing::Test {
protected:
    void SetUp() override { resetTermination(); }
    void TearDown() override {
        resetTermination();
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGHUP, SIG_DFL);
    }
    testutil::LogCapture log;
};

extern "C" void onSignal(int sig) { requestTermination(sig); }

void installHandler(int sig) {
    struct sigaction sa;
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    ::sigaction(sig, &sa, nullptr);
}

// The codes and text of what checkTermination raised, or "-".
std::string checkpoint() {
    try {
        checkTermination();
        return "-";
    } catch (error& e) {
        return testutil::codesOf(e) + " " + e.text();
    }
}

const std::string canceled = "(2,2,2,1) Interrupted by user\n";
const std::string stoppedLine =
    "\nCorvane Products Installer process has received termination signal and stopped working";

TEST_F(TerminationTest, SignalIsTakenOnceAndEndsTheRunOnce) {
    installHandler(SIGINT);
    std::raise(SIGINT);
    EXPECT_FALSE(isTerminated());
    EXPECT_TRUE(acceptTerminationRequest());
    EXPECT_FALSE(acceptTerminationRequest());
    EXPECT_EQ(checkpoint(), canceled);
    EXPECT_EQ(log.text(), stoppedLine + " (signal number 2).\n");
    EXPECT_EQ(checkpoint(), "-");
    EXPECT_TRUE(isTerminated());
    EXPECT_EQ(log.text(), stoppedLine + " (signal number 2).\n") << "logged once";
}

TEST_F(TerminationTest, FirstRequestKeepsItsNumber) {
    installHandler(SIGHUP);
    requestTermination(2);
    std::raise(SIGHUP);
    EXPECT_EQ(checkpoint(), canceled);
    EXPECT_EQ(log.text(), stoppedLine + " (signal number 2).\n");
}

TEST_F(TerminationTest, CancelWithoutSignalHasNoNumber) {
    requestTermination(0);
    EXPECT_EQ(checkpoint(), canceled);
    EXPECT_EQ(log.text(), stoppedLine + ".\n");
}

// Events: R<n> request, A accept (1/0), C checkpoint (x raised, - nothing), T isTerminated
// (1/0), Z reset. The outputs of A, C and T in order.
std::string play(const std::string& events) {
    std::istringstream in(events);
    std::string ev, out;
    while (in >> ev) {
        switch (ev[0]) {
            case 'R': requestTermination(std::stoi(ev.substr(1))); break;
            case 'A': out += acceptTerminationRequest() ? "1" : "0"; break;
            case 'C': out += checkpoint() == "-" ? "-" : "x"; break;
            case 'T': out += isTerminated() ? "1" : "0"; break;
            case 'Z': resetTermination(); break;
        }
    }
    return out;
}

TEST_F(TerminationTest, StateTable) {
    struct Row {
        const char* events;
        const char* outputs;
        const char* why;
    };
    const Row table[] = {
        {"A C T", "0-0", "running: nothing to take, nothing to end"},
        {"R15 T C T C", "0x1-", "a request not taken still ends the run at the checkpoint"},
        {"R2 A A C T", "10x1", "taken once, then ended once"},
        {"R2 C A R1 A T", "x001", "once terminated, new requests and takes change nothing"},
        {"R2 C Z T R1 A C", "x01x", "after a reset a new request starts over"},
        {"R2 Z A C", "0-", "a reset drops a pending request"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.events);
        resetTermination();
        EXPECT_EQ(play(row.events), row.outputs) << row.why;
    }
}

// Between threads: one request is taken by exactly one of them, and ends the run exactly once.
TEST_F(TerminationTest, RacingThreadsTakeAndEndEachRequestOnce) {
    const int threads = 8, rounds = 1000;
    std::atomic<int> round{0}, finished{0}, accepted{0}, raised{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&] {
            for (int r = 1; r <= rounds; ++r) {
                while (round.load() < r) std::this_thread::yield();
                if (acceptTerminationRequest()) ++accepted;
                try {
                    checkTermination();
                } catch (error&) {
                    ++raised;
                }
                ++finished;
            }
        });
    }
    int wrongRounds = 0;
    for (int r = 1; r <= rounds; ++r) {
        resetTermination();
        accepted = 0;
        raised = 0;
        requestTermination(2);
        round = r;
        while (finished.load() < threads * r) std::this_thread::yield();
        if (accepted.load() != 1 || raised.load() != 1) ++wrongRounds;
    }
    for (auto& th : pool) th.join();
    EXPECT_EQ(wrongRounds, 0);
}

}  // namespace
