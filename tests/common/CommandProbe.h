// What the tests of external commands share: a fresh log, catalogue and termination state, and
// the ways to look at what a command left behind.
#ifndef VN_TESTS_COMMON_COMMANDPROBE_H
#define VN_TESTS_COMMON_COMMANDPROBE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/TerminationState.h"
#include "common/error.h"
#include "support/LogCapture.h"

namespace commandprobe {

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        Log::resetForTest();
        resetTermination();
    }
    void TearDown() override {
        Log::resetForTest();
        resetTermination();
    }
};

// The log file as a reader sees it once more text follows: raw command output is not flushed
// on its own, the next ordinary statement ("--" here) flushes it.
inline std::string flushedText(const testutil::LogCapture& log) {
    Log(2) << "--\n";
    return log.text();
}

// What a call gave: "return N" or "error (c,r,s,p) <text>".
template <class F>
std::string outcome(F f) {
    try {
        return "return " + std::to_string(f());
    } catch (const error& e) {
        return "error " + testutil::codesOf(e) + " " + e.text();
    }
}

inline std::string readAll(FILE* fp) {
    std::string out;
    for (int c; (c = std::fgetc(fp)) != EOF;) out += static_cast<char>(c);
    return out;
}

}  // namespace commandprobe

#endif
