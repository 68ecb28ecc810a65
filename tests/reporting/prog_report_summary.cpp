// A run's summary from start to exit: records the version as main does, builds the settings
// (the rc file of the home directory), reads the catalogue at CATALOGUE, checks it against the
// installed packages of the package-cache file INSTALLED, selects the releases given as
// PRODUCT:RELEASE, records the back-end "InstallDeb", fills the products and ends through the
// exit path: RESULT "ok" sets OK and exits with success, "fail" sets FAIL and exits with an
// error, "none" sets nothing and exits with success. Prints "filled N" before it exits.
#include <curl/curl.h>
#include <stdlib.h>

#include <iostream>
#include <memory>
#include <string>

#include "catalogue/BuildManager.h"
#include "common/BuildInfo.h"
#include "common/error.h"
#include "main/Options.h"
#include "main/finishExecution.h"
#include "packages/Repository.h"
#include "reporting/ReportSummary.h"
#include "sources/FileFetcher.h"
#include "sources/SourceSysCache.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: prog_report_summary RESULT CATALOGUE INSTALLED [PRODUCT:RELEASE]...\n";
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    ReportSummary::setVersion(buildinfo::version, buildinfo::buildTime, buildinfo::sourceRevision);
    commandLineArgs.argc = 1;
    commandLineArgs.argv = argv;
    const std::string result = argv[1];
    try {
        Options::instance();
        char target[] = "/tmp/summary-fetchXXXXXX";
        if (!::mkdtemp(target)) throw error() << "mkdtemp failed";
        FileFetcher fetcher(std::string(argv[2]) + "/", target);
        fetcher.quiet = true;
        BuildManager catalogue(&fetcher, "");
        Repository repo;
        SourceSysCache installed(&repo, argv[3]);
        repo.getBriefInfo();
        catalogue.checkInstallationState(&repo);
        for (int i = 4; i < argc; ++i) {
            const std::string pair = argv[i];
            const std::string::size_type colon = pair.find(':');
            catalogue.selectRelease(pair.substr(0, colon), pair.substr(colon + 1));
        }
        ReportSummary::setBackend("InstallDeb");
        ReportSummary::fill(catalogue);
        std::cout << "filled " << ReportSummary::current().products.size() << "\n" << std::flush;
        if (result == "ok") ReportSummary::setOk();
        if (result == "fail") {
            ReportSummary::setFailed("the run failed");
            exitWithError();
        }
        exitWithSuccess();
    } catch (const error& e) {
        std::cout << "raised: " << e.text() << std::flush;
        return 1;
    }
}
