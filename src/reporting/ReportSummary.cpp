#include "ReportSummary.h"

ReportSummary ReportSummary::summary;

ReportSummary::ReportSummary() : result("undefined") {}

// Nothing fills the products yet, and a summary without products sends no statistics.
ReportSummary::~ReportSummary() = default;

void ReportSummary::setVersion(const std::string& version, const std::string& buildTime, int revision) {
    try {
        summary.version = version;
        summary.buildtime = buildTime;
        summary.svnrev = std::to_string(revision);
    } catch (...) {
        // Statistics are a courtesy: a run never fails for them.
    }
}

void ReportSummary::setBackend(const std::string& backend) {
    try {
        summary.backend = backend;
    } catch (...) {
    }
}

void ReportSummary::setOk() { summary.result = "OK"; }

void ReportSummary::setFailed(const std::string&) { summary.result = "FAIL"; }

const ReportSummary& ReportSummary::current() { return summary; }
