// The status report over the shared progress record. Runs inside the namespace helper: the
// record and the lock file are private to each test.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "common/LockProbe.h"
#include "common/ProgressSegment.h"
#include "main/Reporter.h"
#include "reporting/StatusReporter.h"
#include "support/EnglishTest.h"
#include "support/TestUtil.h"

namespace {

const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";

struct State {
    unsigned stage, stageCount;
    const char* stageId;
    const char* stageTitle;
    unsigned step, stepCount;
    const char* stepId;
    const char* stepTitle;
    bool finished, failed;
    const char* errorText;
};

void store(const State& s) {
    ProgressSegment segment;
    ProgressRecord& r = *segment.record();
    r.stage = s.stage;
    r.stageCount = s.stageCount;
    ProgressRecord::store(r.stageId, s.stageId);
    ProgressRecord::store(r.stageTitle, s.stageTitle);
    r.step = s.step;
    r.stepCount = s.stepCount;
    ProgressRecord::store(r.stepId, s.stepId);
    ProgressRecord::store(r.stepTitle, s.stepTitle);
    r.finished = s.finished;
    r.failed = s.failed;
    ProgressRecord::store(r.errorText, s.errorText);
}

std::string put(int status, const std::string& message, bool xml) {
    Reporter::xmlOutput = xml;
    std::ostringstream out;
    StatusReporter r(status, message, "");
    r.put(out);
    Reporter::xmlOutput = false;
    return out.str();
}

struct Row {
    const char* label;
    State state;
    int status;
    std::string text;
    std::string xml;
};

class StatusReport : public testutil::EnglishTest {
protected:
    void TearDown() override {
        Reporter::xmlOutput = false;
        Reporter::statusPrefix.clear();
        EnglishTest::TearDown();
    }
};

TEST_F(StatusReport, RecordStatesInTextAndXml) {
    Reporter::statusPrefix = "query_";
    const std::string running = "<stage stage=\"2\" stage_n=\"4\" id=\"resolv\" title=\"Resolving &lt;deps&gt;\" />"
                                "<step step=\"1\" step_n=\"3\" id=\"s1\" title='say &quot;hi&quot;' />";
    const Row rows[] = {
        {"a zeroed record: no progress lines, numbers 0 and empty texts",
         {0, 0, "", "", 0, 0, "", "", false, false, ""}, 0, "\nmsg\n\n",
         decl + "<vantrell status=\"query_ok\" error_message=\"msg\"><progress>"
                "<stage stage=\"0\" stage_n=\"0\" id=\"\" title=\"\" /><step step=\"0\" step_n=\"0\" id=\"\" title=\"\" />"
                "</progress></vantrell>\n"},
        {"a running installation",
         {2, 4, "resolv", "Resolving <deps>", 1, 3, "s1", "say \"hi\"", false, false, ""}, 2,
         "\nBUSY: msg\n\nOverall progress: 2/4: - Resolving <deps>\nCurrent step: 1/3: - say \"hi\"\n",
         decl + "<vantrell status=\"query_busy\" error_message=\"msg\"><progress>" + running + "</progress></vantrell>\n"},
        {"a failed installation: both flags and the error text",
         {2, 4, "resolv", "Resolving <deps>", 1, 3, "s1", "say \"hi\"", true, true, "disk & full"}, 0,
         "\nmsg\n\nVantrell failed: disk & full\n\nOverall progress: 2/4: - Resolving <deps>\nCurrent step: 1/3: - say \"hi\"\n",
         decl + "<vantrell status=\"query_ok\" error_message=\"msg\"><progress finished=\"true\" failed=\"true\">"
                "<error>disk &amp; full</error>" + running + "</progress></vantrell>\n"},
        {"a finished installation",
         {0, 4, "", "", 0, 0, "", "", true, false, "stale text"}, 0, "\nmsg\n\nVantrell finished. \n\n",
         decl + "<vantrell status=\"query_ok\" error_message=\"msg\"><progress finished=\"true\">"
                "<stage stage=\"0\" stage_n=\"4\" id=\"\" title=\"\" /><step step=\"0\" step_n=\"0\" id=\"\" title=\"\" />"
                "</progress></vantrell>\n"},
    };
    for (const Row& row : rows) {
        store(row.state);
        EXPECT_EQ(put(row.status, "msg", false), row.text) << row.label;
        EXPECT_EQ(put(row.status, "msg", true), row.xml) << row.label;
    }
}

bool slotFreeWithin(int slot, int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (lockprobe::fromOutside(slot) == "free") return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST_F(StatusReport, FinishedRecordEndsTheStatusService) {
    auto service = lockprobe::holder(1);
    store({1, 4, "prep", "", 0, 0, "", "", false, false, ""});
    put(0, "msg", false);
    EXPECT_EQ(lockprobe::fromOutside(1), "held") << "a running installation keeps its status service";

    store({4, 4, "inst", "", 2, 2, "", "", true, false, ""});
    put(0, "msg", true);
    EXPECT_TRUE(slotFreeWithin(1, 10)) << "the status service was not told to stop";
    EXPECT_EQ(service->stop(SIGKILL), 128 + SIGTERM);
}

}  // namespace
