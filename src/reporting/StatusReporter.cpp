#include "StatusReporter.h"

#include "../common/ProgressSegment.h"
#include "StatusServer.h"

StatusReporter::StatusReporter(int status_, const std::string& message_, const std::string& errorClass_)
    : Reporter(status_, message_, errorClass_) {}

StatusReporter::~StatusReporter() = default;

std::ostream& StatusReporter::put(std::ostream& out) {
    ProgressSegment segment;
    const ProgressRecord& record = *segment.record();
    if (record.finished) stopStatusServer();

    if (xmlOutput) {
        const TiXmlElement progress = makeProgressElement(record);
        return putXml(out, &progress);
    }

    Reporter::put(out);
    out << "\n";
    if (record.finished) {
        if (record.failed)
            out << "Vantrell failed: " << record.getErrorText() << "\n";
        else
            out << "Vantrell finished. \n";
        out << "\n";
    }
    if (record.stage != 0) {
        out << "Overall progress: " << record.stage << "/" << record.stageCount << ": - " << record.getStageTitle()
            << "\n";
        out << "Current step: " << record.step << "/" << record.stepCount << ": - " << record.getStepTitle() << "\n";
    }
    out.flush();
    return out;
}
