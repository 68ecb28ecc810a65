#include "Progress.h"

#include <ostream>
#include <sstream>

#include "Log.h"
#include "Messages.h"
#include "ProgressSegment.h"

namespace {

struct StageName {
    const char* id;
    const char* titleKey;
};

const StageName stageNames[] = {
    {"init", "progress_stage_init"},
    {"prep", "progress_stage_prep"},
    {"resolv", "progress_stage_resolv"},
    {"download", "progress_stage_download"},
    {"inst", "install_start"},
};

}  // namespace

void Progress::stage(unsigned stage, unsigned steps) {
    try {
        const bool named = stage < sizeof stageNames / sizeof stageNames[0];
        const std::string title = named ? Messages::getMessage(stageNames[stage].titleKey) : std::string();
        std::ostringstream line;
        {
            ProgressSegment access;
            ProgressRecord& r = *access.record();
            r.stage = stage;
            r.stageCount = ProgressRecord::stageCountValue;
            r.finished = 0;
            r.failed = 0;
            r.step = 0;
            r.stepCount = steps;
            ProgressRecord::store(r.stepId, "");
            ProgressRecord::store(r.stepTitle, "");
            if (named) {
                ProgressRecord::store(r.stageId, stageNames[stage].id);
                ProgressRecord::store(r.stageTitle, title);
            }
            line << "Progress::stage: --- " << r.stage << "/" << r.stageCount << " (" << r.stepCount << " steps) "
                 << r.getStageTitle() << "\n";
        }
        Log(3) << line.str();
    } catch (...) {
        Log(2) << "Progress::stage() was interrupted by exception" << std::endl;
    }
}

void Progress::step(const std::string& id, const std::string& title) {
    try {
        std::ostringstream line;
        {
            ProgressSegment access;
            ProgressRecord& r = *access.record();
            r.step += 1;
            if (r.stepCount < r.step) r.stepCount = r.step;
            ProgressRecord::store(r.stepId, id);
            ProgressRecord::store(r.stepTitle, title);
            line << "Progress::step: " << r.step << "/" << r.stepCount << " ";
        }
        Log(3) << line.str() << title << std::endl;
    } catch (...) {
        Log(2) << "Progress::step() was interrupted by exception" << std::endl;
    }
}

void Progress::finish() {
    try {
        ProgressSegment access;
        ProgressRecord& r = *access.record();
        r.finished = 1;
        r.failed = 0;
    } catch (...) {
        Log(2) << "Progress::finish() was interrupted by exception" << std::endl;
    }
}

void Progress::fail(const std::string& text) {
    try {
        ProgressSegment access;
        ProgressRecord& r = *access.record();
        r.finished = 1;
        r.failed = 1;
        ProgressRecord::store(r.errorText, text);
    } catch (...) {
        Log(2) << "Progress::fail() was interrupted by exception" << std::endl;
    }
}

void Progress::setCookie(const std::string& cookie) {
    ProgressSegment access;
    ProgressRecord::store(access.record()->cookie, cookie);
}
