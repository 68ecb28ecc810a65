// The release selections of the settings and the catalogue loading of the text wizard, over the
// catalogue of tests/fixtures/main/routines on a host declared Debian 12 (each case in a forked
// child: the settings and the host description are built once per process). Installed packages
// come from a dpkg status file of the test, read by the real dpkg-query.
#include "main/DriverRoutines.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/BuildManager.h"
#include "catalogue/Release.h"
#include "common/Opsys.h"
#include "main/BackendFactories.h"
#include "main/Options.h"
#include "packages/Repository.h"
#include "sources/FileFetcher.h"
#include "support/EnglishTest.h"
#include "support/InstalledDebs.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

const std::string catalogueRoot = VN_FIXTURES_DIR "/main/routines";

// In a child: Debian 12 declared and the settings built from `args`.
void declareHost(std::vector<std::string> args) {
    Opsys::override_os_name = "Linux";
    Opsys::override_os_vendor = "Debian";
    Opsys::override_os_version = "12";
    Opsys::override_os_arch = "x86_64";
    static std::vector<std::string> words;
    static std::vector<char*> argv;
    words = {"vantrell"};
    words.insert(words.end(), args.begin(), args.end());
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    commandLineArgs.argc = static_cast<int>(words.size());
    commandLineArgs.argv = argv.data();
    Options::instance();
}

std::string selectedReleases(const BuildManager& catalogue) {
    std::string out;
    for (const char* id : {"p1-1.0", "p1-2.0", "p2-1.0", "p3-1.0", "p3-2.0"})
        if (catalogue.findRelease(id)->selected) out += std::string(out.empty() ? "" : " ") + id;
    return out;
}

class DriverRoutines : public testutil::EnglishTest {};

TEST_F(DriverRoutines, ReleaseSelections) {
    struct Row {
        const char* label;
        std::vector<std::string> args;
        const char* outcome;  // selected releases, then the error when one was raised
    };
    const Row rows[] = {
        // The failing selection ends the routine: the one before it stays, the one after never runs.
        {"latest, a current that is not installed, one by id",
         {"--select-product-id", "p1", "--select-release-latest", "--select-product-id", "p2",
          "--select-release-current", "--select-product-id", "p3", "--select-release-id", "p3-2.0"},
         "p1-2.0 | (2,1,1,2) The product with ID p2 is not installed on the server\n"},
        {"the current release of an installed product",
         {"--select-product-id", "p3", "--select-release-current"},
         "p3-1.0"},
        {"by id", {"--select-product-id", "p1", "--select-release-id", "p1-1.0"}, "p1-1.0"},
        {"an unknown release id",
         {"--select-product-id", "p1", "--select-release-id", "p1-9.0"},
         " | (2,1,1,2) There is no release with ID p1-9.0 in p1\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string out = testutil::inChild([&] {
            declareHost(row.args);
            testutil::TempDir downloads;
            testutil::InstalledDebs debs(std::vector<std::pair<std::string, std::string>>{{"vnrt-p3-base", "1.0-1"}});
            std::unique_ptr<BuildManager> catalogue =
                testutil::checkedCatalogue(catalogueRoot, downloads.path(), debs.repo);
            catalogue->deselectAll();
            std::string result;
            try {
                applyReleaseSelections(catalogue.get());
            } catch (const error& e) {
                result = " | " + testutil::codesOf(e) + " " + e.text();
            }
            return selectedReleases(*catalogue) + result;
        });
        EXPECT_EQ(out, row.outcome);
    }
}

TEST_F(DriverRoutines, ReleaseSelectionsWithoutCatalogue) {
    const std::string out = testutil::inChild([] {
        declareHost({"--select-product-id", "p1", "--select-release-latest"});
        const error e = testutil::raisedError([] { applyReleaseSelections(nullptr); });
        return testutil::codesOf(e) + " " + e.text();
    });
    EXPECT_EQ(out.rfind("(3,1,1,3) An internal error occured in vantrell, rev.", 0), 0u) << out;
}

// A second load keeps the repository (the installed packages are read once) and makes a new
// fetcher and catalogue.
TEST_F(DriverRoutines, LoadProductCatalogueKeepsTheRepository) {
    const std::string out = testutil::inChild([] {
        declareHost({});
        testutil::TempDir target;
        // Its dpkg-query (on PATH while it lives) reads the test's status file.
        testutil::InstalledDebs debs(std::vector<std::pair<std::string, std::string>>{{"vnrt-p3-base", "1.0-1"}});
        testutil::LogCapture log(3);
        checked_autoclean_pointer<Repository> repository;
        checked_autoclean_pointer<FileFetcher> fetcher;
        checked_autoclean_pointer<BuildManager> catalogue;
        const std::string source = catalogueRoot + "/products.inf3";

        loadProductCatalogue(source, target.path(), repository, fetcher, catalogue);
        Repository* firstRepository = repository.get();
        FileFetcher* firstFetcher = fetcher.get();
        BuildManager* firstCatalogue = catalogue.get();
        std::string result = "source=" + std::to_string(systemPackagesSource != nullptr) +
                             " installed=" + catalogue->getInstalledReleaseId("p3") + "\n";

        loadProductCatalogue(source, target.path(), repository, fetcher, catalogue);
        result += "sameRepository=" + std::to_string(repository.get() == firstRepository) +
                  " newFetcher=" + std::to_string(fetcher.get() != firstFetcher) +
                  " newCatalogue=" + std::to_string(catalogue.get() != firstCatalogue) +
                  " installed=" + catalogue->getInstalledReleaseId("p3") + "\n";
        const std::string text = log.text();
        size_t reads = 0;
        for (size_t at = text.find("readSystemPackagesBrief: execute"); at != std::string::npos;
             at = text.find("readSystemPackagesBrief: execute", at + 1))
            ++reads;
        result += "reads=" + std::to_string(reads) + "\n";
        return result;
    });
    EXPECT_EQ(out,
              "source=1 installed=p3-1.0\n"
              "sameRepository=1 newFetcher=1 newCatalogue=1 installed=p3-1.0\n"
              "reads=1\n");
}

}  // namespace
