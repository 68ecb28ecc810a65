#include "StatusServer.h"

#include <signal.h>

#include "../common/Lock.h"
#include "../common/ProgressRecord.h"

void stopStatusServer() {
    const int pid = Lock::test(Lock::slotStatusService);
    if (pid != 0) ::kill(pid, SIGTERM);
}

namespace {

// "stage" and "step" have one form: the number in an attribute of the element's own name,
// the count in that name + "_n", then id and title.
TiXmlElement positionElement(const std::string& name, unsigned number, unsigned count, const std::string& id,
                             const std::string& title) {
    TiXmlElement e(name);
    e.SetAttribute(name, std::to_string(number));
    e.SetAttribute(name + "_n", std::to_string(count));
    e.SetAttribute("id", id);
    e.SetAttribute("title", title);
    return e;
}

}  // namespace

TiXmlElement makeProgressElement(const ProgressRecord& record) {
    TiXmlElement progress("progress");
    if (record.finished) progress.SetAttribute("finished", "true");
    if (record.failed) {
        progress.SetAttribute("failed", "true");
        TiXmlElement errorChild("error");
        errorChild.InsertEndChild(TiXmlText(record.getErrorText()));
        progress.InsertEndChild(errorChild);
    }
    progress.InsertEndChild(
        positionElement("stage", record.stage, record.stageCount, record.getStageId(), record.getStageTitle()));
    progress.InsertEndChild(
        positionElement("step", record.step, record.stepCount, record.getStepId(), record.getStepTitle()));
    return progress;
}
