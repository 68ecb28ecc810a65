#ifndef VN_REPORTING_REPORTSUMMARY_H
#define VN_REPORTING_REPORTSUMMARY_H

#include <string>
#include <vector>

class BuildManager;

// What one run was and how it ended: program identity, package back-end, the products it
// worked on and the result. There is one per process; it exists before main runs.
//
// At the end of the run the exit path calls finish(), which posts the statistics report to
// the maker's update server when the rc file asks for it (SEND_EXECUTION_SUMMARY) or the host
// sits in the maker's test network. Nothing is sent from the destructor: by then other
// process-wide objects may be gone, and a network wait has no place in static destruction.
class ReportSummary {
public:
    struct ProductEntry {
        std::string product;
        std::string new_ver;
        std::string old_ver;
    };

    // Every operation below acts on the process-wide summary and never raises: statistics are
    // a courtesy, a run never fails for them. A failure leaves the summary as far as it got.
    static void setVersion(const std::string& version, const std::string& buildTime, int revision);
    static void setBackend(const std::string& backend);
    static void setOk();
    // The text is not kept: the statistics only carry the outcome.
    static void setFailed(const std::string& text);
    // One entry per selected release, in catalogue order: the product id, the release's
    // version without epoch and release part, the installed release's version ("" for none).
    // Entries already there stay.
    static void fill(const BuildManager& catalogue);
    // Sends the report when its condition holds; only the first call does anything. A run
    // without products sends nothing and looks nothing up.
    static void finish();

    static const ReportSummary& current();

    // The maker's update server (the host of defaultUpdateServerUrl) and the address its name
    // has inside the maker's test network.
    static std::string statisticsHost();
    static const char testNetworkAddress[];

    ReportSummary();
    // Only releases the fields.
    ~ReportSummary();
    ReportSummary(const ReportSummary&) = delete;
    ReportSummary& operator=(const ReportSummary&) = delete;

    // One form post per product entry to http://<statisticsHost>/vn_statistic.php, each given
    // at most 3 seconds, results ignored; nothing without entries.
    void sendStatistics() const;

    std::string version;
    std::string buildtime;
    std::string svnrev;
    std::string backend;
    std::vector<ProductEntry> products;
    std::string result;

private:
    static ReportSummary summary;
    bool finished = false;
};

// Whether the maker's update-server name resolves (IPv4) first to the test-network address.
bool isTestNetwork();

#endif
