#ifndef VN_TESTS_REPORTING_LISTINGRUN_H
#define VN_TESTS_REPORTING_LISTINGRUN_H

// The listing commands the way the command-line driver reaches them: each case runs in a forked
// child (the settings, the report mode and the host description are process-wide) that builds
// the settings from its own command line, reads a real catalogue, checks it against installed
// packages from a package-cache file and then lets a reporter write to a stream.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/BuildManager.h"
#include "common/error.h"
#include "common/fileops.h"
#include "main/Options.h"
#include "main/OptionsProbe.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/FileFetcher.h"
#include "sources/SourceSysCache.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace listingtest {

const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";

inline std::string fixture(const std::string& name) { return std::string(VN_FIXTURES_DIR) + "/reporting/" + name; }

// What a case wrote and raised.
struct Outcome {
    std::string out;
    std::string err;
    // "(class,repeat,state,support) text" of a raised `error`; empty when nothing was raised.
    std::string raised;
};

inline std::ostream& operator<<(std::ostream& s, const Outcome& o) {
    return s << "out: " << o.out << "\nerr: " << o.err << "\nraised: " << o.raised;
}

// Home is a fresh tmpfs while a test runs, so no settings file of the host is read.
using ListingTest = optionstest::HomeFixture;

// In a forked child: the settings from "vantrell", the host options of a Debian 12 x86_64 host
// and `args`; then `body`, whose writes to its stream and to standard error are the outcome.
inline Outcome run(const std::vector<std::string>& args, const std::function<void(std::ostream&)>& body) {
    const char separator = '\x1e';
    const std::string packed = testutil::inChild([&] {
        std::vector<std::string> words{"vantrell",           "--override-os-name",    "Linux",
                                       "--override-os-vendor", "Debian",              "--override-os-version",
                                       "12",                 "--override-os-arch",    "x86_64"};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(&w[0]);
        argv.push_back(nullptr);
        commandLineArgs.argc = static_cast<int>(words.size());
        commandLineArgs.argv = argv.data();

        std::ostringstream out;
        std::string raised;
        std::string err;
        try {
            Options::instance();
            testutil::StderrCapture capture;
            try {
                body(out);
            } catch (const error& e) {
                raised = testutil::codesOf(e) + " " + e.text();
            }
            err = capture.text();
        } catch (const error& e) {
            raised = "settings: " + e.text();
        }
        return out.str() + separator + err + separator + raised;
    });
    const size_t first = packed.find(separator);
    const size_t second = packed.find(separator, first + 1);
    if (second == std::string::npos) return Outcome{"", "", "child: " + packed};
    return Outcome{packed.substr(0, first), packed.substr(first + 1, second - first - 1), packed.substr(second + 1)};
}

// The catalogue of the update source at the local path `root`.
inline std::unique_ptr<BuildManager> readCatalogue(const std::string& root) {
    testutil::TempDir target;
    FileFetcher fetcher(root + "/", target.path());
    fetcher.quiet = true;
    return std::unique_ptr<BuildManager>(new BuildManager(&fetcher, ""));
}

// The installed packages of a package-cache file, pooled the way the driver pools them.
class Installed {
public:
    explicit Installed(const std::string& cacheFile) : source(new SourceSysCache(&repo, cacheFile)) {
        repo.getBriefInfo();
    }
    // The source takes its packages out of the pool when it goes; they are freed here.
    ~Installed() {
        source.reset();
        for (Package* p : repo.pkgList) delete p;
        for (Package* p : repo.removedPackages) delete p;
    }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;

    Repository repo;

private:
    std::unique_ptr<SourceSysCache> source;
};

// The driver's state check against `installed`, then the removal of releases that are not
// actual here.
inline void checkState(BuildManager& catalogue, Installed& installed) {
    catalogue.checkInstallationState(&installed.repo);
    catalogue.removeNotActualReleases();
}

// The release selections by id of the settings, applied as the driver applies them.
inline void applySelections(BuildManager& catalogue) {
    for (const ReleaseSelection& s : Options::instance().releaseSelections)
        if (s.kind == ReleaseSelection::ById) catalogue.selectRelease(s.productId, s.releaseId);
}

}  // namespace listingtest

#endif
