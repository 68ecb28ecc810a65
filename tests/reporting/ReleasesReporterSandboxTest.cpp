// The release listings over real catalogues: the generated update source (tarnix 8.0, 9.5, 10.1
// and vemdo 4.0, 4.1, all built for Debian 12) and the small catalogues of
// tests/fixtures/reporting, checked against installed packages from package-cache files.
#include "reporting/ReleasesReporter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ListingRun.h"
#include "support/UpdateSource.h"

namespace {

using listingtest::decl;
using listingtest::fixture;
using listingtest::Outcome;

// Marks on the installed tarnix release, as the component checks and the patch data set them.
enum { noMarks = 0, patchPending = 1, componentUpgrade = 2 };

struct Row {
    const char* label;
    // "" for the generated update source, else a tree under tests/fixtures/reporting.
    const char* catalogue;
    // Package-cache file under tests/fixtures/reporting/installed; null: no state check, as for
    // "--show-all-releases".
    const char* installed;
    int marks;
    std::vector<std::string> args;
    std::string out;
    std::string err;
    std::string raised;
    // The driver drops the releases that are not actual before the late listings.
    bool prune = true;
};

Outcome report(const Row& row) {
    return listingtest::run(row.args, [&](std::ostream& out) {
        const std::string root = *row.catalogue ? fixture(row.catalogue) : testutil::updateSource();
        std::unique_ptr<BuildManager> catalogue = listingtest::readCatalogue(root);
        std::unique_ptr<listingtest::Installed> installed;
        if (row.installed) {
            installed.reset(new listingtest::Installed(fixture(std::string("installed/") + row.installed)));
            catalogue->checkInstallationState(&installed->repo);
            if (row.prune) catalogue->removeNotActualReleases();
        }
        if (row.marks) {
            std::shared_ptr<Release> current = catalogue->findRelease(catalogue->getInstalledReleaseId("tarnix"));
            if (row.marks & patchPending) current->mark_microupdate_available();
            if (row.marks & componentUpgrade) current->mark_component_upgrade_available();
        }
        const int mode = Options::instance().command == Options::CheckUpdates ? ReleasesReporter::mode_updates
                                                                                 : ReleasesReporter::mode_list;
        ReleasesReporter(0, "", "", catalogue.get(), mode).put(out);
    });
}

const std::string header = "---  prod_id  release_id  (description)  ---\n";
const std::string everyRelease = header +
                                 "tarnix tarnix-8.0 (Tarnix 8.0)\n"
                                 "tarnix tarnix-9.5 (Tarnix 9.5)\n"
                                 "tarnix tarnix-10.1 (Tarnix 10.1)\n"
                                 "vemdo vemdo-4.0 (VEMDO 4.0)\n"
                                 "vemdo vemdo-4.1 (VEMDO 4.1)\n";
// With 9.5 installed: 8.0 is too old, and vemdo cannot be installed next to tarnix.
const std::string actualOver95 = header +
                                 "tarnix tarnix-9.5 (Tarnix 9.5)\n"
                                 "tarnix tarnix-10.1 (Tarnix 10.1)\n";

std::string document(const std::string& content) {
    return decl + "<vantrell status=\"ok\">" + content + "</vantrell>\n";
}
std::string releases(const std::string& items) { return document("<releases>" + items + "</releases>"); }
std::string release(const std::string& id, const std::string& attributes, const std::string& name) {
    return "<release id=\"" + id + "\"" + attributes + "><description>" + name + "</description></release>";
}

const std::string xml = "--enable-xml-output";
const std::string noUpdates = "There are no updates. You have up-to-date versions of installed components";
const std::string listEmpty = "There are no suitable product versions";

class ReleasesReporterListing : public listingtest::ListingTest {};

TEST_F(ReleasesReporterListing, ListingsAndUpdateChecks) {
    const Row rows[] = {
        // Text: every release of the catalogue, unfiltered, the same in both modes.
        {"all releases, no state computed", "", nullptr, noMarks, {"--show-all-releases"}, everyRelease, "", ""},
        {"show releases, nothing installed", "", "nothing.cache", noMarks, {"--show-releases"}, everyRelease, "", ""},
        {"check updates prints what show releases prints", "", "nothing.cache", noMarks, {"--check-updates"},
         everyRelease, "", ""},
        {"show releases over 9.5", "", "core-9.5.cache", noMarks, {"--show-releases"}, actualOver95, "", ""},
        {"the up-to-date release stays in the update check's text", "", "core-9.5.cache", noMarks,
         {"--check-updates"}, actualOver95, "", ""},
        {"text shows names as written, also releases not built for this host", "catalogue", nullptr, noMarks,
         {"--show-all-releases"},
         header + "alpha alpha-1.0 (Alpha 1.0)\nalpha alpha-2.0 (Alpha 2 & \"Co\")\nbeta beta-1.0 (Beta 1.0)\n"
                  "gamma gamma-3.0 (Gamma 3.0)\n",
         "", ""},

        // XML of the update check: the selected product only ("--check-updates" selects tarnix).
        {"installs carry no grade", "", "nothing.cache", noMarks, {"--check-updates", xml},
         releases(release("tarnix-8.0", " action=\"install\"", "Tarnix 8.0") +
                  release("tarnix-9.5", " action=\"install\"", "Tarnix 9.5") +
                  release("tarnix-10.1", " action=\"install\"", "Tarnix 10.1")),
         "", ""},
        {"the up-to-date release without news is left out; an update has no grade", "", "core-9.5.cache", noMarks,
         {"--check-updates", xml}, releases(release("tarnix-10.1", " action=\"update\"", "Tarnix 10.1")), "", ""},
        {"a pending patch is a minor update of the installed release", "", "core-9.5.cache", patchPending,
         {"--check-updates", xml},
         releases(release("tarnix-9.5", " action=\"update\" update_grade=\"minor\"", "Tarnix 9.5") +
                  release("tarnix-10.1", " action=\"update\"", "Tarnix 10.1")),
         "", ""},
        {"a component upgrade is a major one", "", "core-9.5.cache", componentUpgrade, {"--check-updates", xml},
         releases(release("tarnix-9.5", " action=\"update\" update_grade=\"major\"", "Tarnix 9.5") +
                  release("tarnix-10.1", " action=\"update\"", "Tarnix 10.1")),
         "", ""},
        {"major wins over minor", "", "core-9.5.cache", patchPending | componentUpgrade, {"--check-updates", xml},
         releases(release("tarnix-9.5", " action=\"update\" update_grade=\"major\"", "Tarnix 9.5") +
                  release("tarnix-10.1", " action=\"update\"", "Tarnix 10.1")),
         "", ""},
        {"latest installed, nothing pending", "", "core-10.1.cache", noMarks, {"--check-updates", xml},
         document("<releases />"), "", ""},
        {"latest installed with a patch", "", "core-10.1.cache", patchPending, {"--check-updates", xml},
         releases(release("tarnix-10.1", " action=\"update\" update_grade=\"minor\"", "Tarnix 10.1")), "", ""},
        {"the product named before the option", "", "nothing.cache", noMarks,
         {"--select-product-id", "vemdo", "--check-updates", xml},
         releases(release("vemdo-4.0", " action=\"install\"", "VEMDO 4.0") +
                  release("vemdo-4.1", " action=\"install\"", "VEMDO 4.1")),
         "", ""},
        {"no release of a selected product", "", "nothing.cache", noMarks,
         {"--select-product-id", "other", "--check-updates", xml}, document("<releases />"), "", ""},

        // XML listing: every release of the selected products, with its action and no grade.
        {"the listing keeps the up-to-date release", "", "core-9.5.cache", noMarks, {"--show-releases", xml},
         releases(release("tarnix-9.5", " action=\"up2date\"", "Tarnix 9.5") +
                  release("tarnix-10.1", " action=\"update\"", "Tarnix 10.1")),
         "", ""},
        {"the listing shows no grade", "", "core-9.5.cache", componentUpgrade, {"--show-releases", xml},
         releases(release("tarnix-9.5", " action=\"update\"", "Tarnix 9.5") +
                  release("tarnix-10.1", " action=\"update\"", "Tarnix 10.1")),
         "", ""},
        {"all releases without any selection", "", nullptr, noMarks, {"--show-all-releases", xml},
         document("<releases />"), "", ""},
        // Answered before the state check: no action to show, and no failure.
        {"all releases of a selected product, state unknown", "", nullptr, noMarks,
         {"--select-product-id", "tarnix", "--select-release-id", "tarnix-10.1", "--show-all-releases", xml},
         releases(release("tarnix-8.0", "", "Tarnix 8.0") + release("tarnix-9.5", "", "Tarnix 9.5") +
                  release("tarnix-10.1", "", "Tarnix 10.1")),
         "", ""},
        {"names are escaped", "catalogue", nullptr, noMarks,
         {"--select-product-id", "alpha", "--select-release-id", "alpha-2.0", "--show-all-releases", xml},
         releases(release("alpha-1.0", "", "Alpha 1.0") + release("alpha-2.0", "", "Alpha 2 &amp; &quot;Co&quot;")),
         "", ""},

        // Empty catalogue: the plain report; only the listing's is an error.
        {"empty update check", "empty", "nothing.cache", noMarks, {"--check-updates"}, "\n" + noUpdates + "\n", "", ""},
        {"empty update check in XML", "empty", "nothing.cache", noMarks, {"--check-updates", xml},
         decl + "<vantrell status=\"ok\" error_message=\"" + noUpdates + "\" />\n", "", ""},
        {"empty listing", "empty", "nothing.cache", noMarks, {"--show-releases"}, "\nERROR: " + listEmpty + "\n", "",
         ""},
        {"empty listing in XML also tells standard error", "empty", "nothing.cache", noMarks, {"--show-releases", xml},
         decl + "<vantrell status=\"error\" error_message=\"" + listEmpty + "\" />\n", "ERROR: " + listEmpty + "\n",
         ""},
        {"empty list of all releases", "empty", nullptr, noMarks, {"--show-all-releases"},
         "\nERROR: " + listEmpty + "\n", "", ""},

        // A release whose state was checked but that was never dropped has no update mode: the
        // failure passes on, and nothing of the document has been written.
        {"a checked release that is not actual", "", "core-10.1.cache", noMarks, {"--check-updates", xml}, "", "",
         "(3,1,1,3) release Tarnix 8.0: update mode is not calculated.\n", false},
        {"the text reads no update mode", "", "core-10.1.cache", noMarks, {"--check-updates"}, everyRelease, "", "",
         false},
    };
    for (const Row& row : rows) {
        const Outcome o = report(row);
        EXPECT_EQ(o.out, row.out) << row.label << "\n" << o;
        EXPECT_EQ(o.err, row.err) << row.label << "\n" << o;
        EXPECT_EQ(o.raised, row.raised) << row.label << "\n" << o;
    }
}

TEST_F(ReleasesReporterListing, ANullCatalogueIsReported) {
    const Outcome o = listingtest::run({"--show-releases"}, [](std::ostream& out) {
        ReleasesReporter(0, "", "", nullptr, ReleasesReporter::mode_list).put(out);
    });
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.raised.rfind("(3,1,0,3) Try of use NULL pointer: ../common/checked_pointer:", 0), 0u) << o;
}

}  // namespace
