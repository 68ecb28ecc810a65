#ifndef VN_REPORTING_REPORTSUMMARY_H
#define VN_REPORTING_REPORTSUMMARY_H

#include <string>
#include <vector>

// What one run was and how it ended: program identity, package back-end, the products it
// worked on and the result. There is one per process; it exists before main runs and is
// destroyed by the process's normal exit (`exit` or a return from main).
class ReportSummary {
public:
    struct ProductEntry {
        std::string product;
        std::string new_ver;
        std::string old_ver;
    };

    // The setters act on the process-wide summary and never raise.
    static void setVersion(const std::string& version, const std::string& buildTime, int revision);
    static void setBackend(const std::string& backend);
    static void setOk();
    // The text is not kept: the statistics only carry the outcome.
    static void setFailed(const std::string& text);

    static const ReportSummary& current();

    ReportSummary();
    ~ReportSummary();
    ReportSummary(const ReportSummary&) = delete;
    ReportSummary& operator=(const ReportSummary&) = delete;

    std::string version;
    std::string buildtime;
    std::string svnrev;
    std::string backend;
    std::vector<ProductEntry> products;
    std::string result;

private:
    static ReportSummary summary;
};

#endif
