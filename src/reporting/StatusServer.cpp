#include "StatusServer.h"

#include <signal.h>

#include "../common/Lock.h"
#include "../common/ProgressRecord.h"

void stopStatusServer() {
    const int pid = Lock::test(Lock::slotStatusService);
    if (pid != 0) ::kill(pid, SIGTERM);
}

TiXmlElement makeProgressElement(const ProgressRecord& record) {
    TiXmlElement progress("progress");
    if (record.finished) progress.SetAttribute("finished", "true");
    if (record.failed) {
        progress.SetAttribute("failed", "true");
        TiXmlElement errorChild("error");
        errorChild.InsertEndChild(TiXmlText(record.getErrorText()));
        progress.InsertEndChild(errorChild);
    }

    TiXmlElement stage("stage");
    stage.SetAttribute("stage", std::to_string(record.stage));
    stage.SetAttribute("stage_n", std::to_string(record.stageCount));
    stage.SetAttribute("id", record.getStageId());
    stage.SetAttribute("title", record.getStageTitle());
    progress.InsertEndChild(stage);

    TiXmlElement step("step");
    step.SetAttribute("step", std::to_string(record.step));
    step.SetAttribute("step_n", std::to_string(record.stepCount));
    step.SetAttribute("id", record.getStepId());
    step.SetAttribute("title", record.getStepTitle());
    progress.InsertEndChild(step);
    return progress;
}
