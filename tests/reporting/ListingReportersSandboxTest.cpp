// The installation-types and OS listings over the small catalogue of tests/fixtures/reporting
// (alpha: 1.0 built for CloudLinux 8.10 only, 2.0 for Debian 12 and CentOS 5 with two declared
// installation types; beta; gamma: 3.0 whose description declares no types).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ListingRun.h"
#include "catalogue/Build.h"
#include "catalogue/BuildInfFile.h"
#include "catalogue/InstTypes.h"
#include "common/Opsys.h"
#include "reporting/InstallationTypesReporter.h"
#include "reporting/OSListReporter.h"
#include "support/InstTypesLoading.h"

namespace {

using listingtest::decl;
using listingtest::fixture;
using listingtest::Outcome;

const std::string xml = "--enable-xml-output";
const std::vector<std::string> alpha2 = {"--select-product-id", "alpha", "--select-release-id", "alpha-2.0"};
const std::vector<std::string> gamma3 = {"--select-product-id", "gamma", "--select-release-id", "gamma-3.0"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// What build loading puts into the table: the types of the selected releases that would be
// installed afresh.
void loadInstallationTypes(const BuildManager& catalogue, const std::string& root, InstTypes& types) {
    for (const std::shared_ptr<Release>& release : catalogue.getReleases()) {
        if (!release->selected || release->update_mode() != "install") continue;
        const std::shared_ptr<Build> build = release->SelectBestBuild(Opsys());
        ASSERT_TRUE(build) << release->id;
        testutil::addTypesAsLoaderDoes(types, build, BuildInfFile(root + "/" + build->config, build->config));
    }
}

class InstallationTypesListing : public listingtest::ListingTest {};

TEST_F(InstallationTypesListing, ProductsInstalledAfresh) {
    struct Row {
        const char* label;
        // Package-cache file under tests/fixtures/reporting/installed.
        const char* installed;
        std::vector<std::string> args;
        std::string out;
        std::string raised;
    };
    const std::string fullAndCustom =
        "    Full - Install all components.\n"
        "    Custom - Custom components selection. Recommended only for experienced users.\n";
    const std::string fullAndCustomXml =
        "<type name=\"Full\" description=\"Install all components.\" />"
        "<type name=\"Custom\" description=\"Custom components selection. Recommended only for experienced "
        "users.\" />";
    // The error's line carries a line end of its own.
    const std::string noneToInstall =
        "(2,1,1,1) Installation types may be showed only for no yet installed products.\n\n";
    const Row rows[] = {
        {"a build without types of its own", "nothing.cache", gamma3 + std::vector<std::string>{"--show-installation-types"},
         "Installation types for Gamma:\n" + fullAndCustom, ""},
        {"declared types come first; one block per product in loading order", "nothing.cache",
         alpha2 + gamma3 + std::vector<std::string>{"--show-installation-types"},
         "Installation types for Alpha Server:\n"
         "    Typical - Core and mail\n"
         "    Minimal - Core only\n" +
             fullAndCustom + "Installation types for Gamma:\n" + fullAndCustom,
         ""},
        {"XML", "nothing.cache", alpha2 + gamma3 + std::vector<std::string>{"--show-installation-types", xml},
         decl + "<vantrell status=\"ok\"><products>"
                "<product id=\"alpha\" name=\"Alpha Server\"><installation_types>"
                "<type name=\"Typical\" description=\"Core and mail\" />"
                "<type name=\"Minimal\" description=\"Core only\" />" +
             fullAndCustomXml +
             "</installation_types></product>"
             "<product id=\"gamma\" name=\"Gamma\"><installation_types>" +
             fullAndCustomXml + "</installation_types></product></products></vantrell>\n",
         ""},
        {"an installed product has no types to choose", "alpha-2.0.cache",
         gamma3 + alpha2 + std::vector<std::string>{"--show-installation-types"},
         "Installation types for Gamma:\n" + fullAndCustom, ""},
        {"every selected product installed", "alpha-2.0.cache",
         alpha2 + std::vector<std::string>{"--show-installation-types"}, "", noneToInstall},
        {"every selected product installed, XML", "alpha-2.0.cache",
         alpha2 + std::vector<std::string>{"--show-installation-types", xml}, "", noneToInstall},
        {"nothing selected", "nothing.cache", {"--show-installation-types"}, "", noneToInstall},
    };
    for (const Row& row : rows) {
        const Outcome o = listingtest::run(row.args, [&](std::ostream& out) {
            const std::string root = fixture("catalogue");
            std::unique_ptr<BuildManager> catalogue = listingtest::readCatalogue(root);
            listingtest::Installed installed(fixture(std::string("installed/") + row.installed));
            listingtest::checkState(*catalogue, installed);
            listingtest::applySelections(*catalogue);
            InstTypes types;
            loadInstallationTypes(*catalogue, root, types);
            InstallationTypesReporter(0, "", "", &types).put(out);
        });
        EXPECT_EQ(o.out, row.out) << row.label << "\n" << o;
        EXPECT_EQ(o.err, "") << row.label << "\n" << o;
        EXPECT_EQ(o.raised, row.raised) << row.label << "\n" << o;
    }
}

class OSListListing : public listingtest::ListingTest {};

TEST_F(OSListListing, BuildsOfTheSelectedReleases) {
    struct Row {
        const char* label;
        std::vector<std::string> args;
        std::string out;
        std::string raised;
    };
    const Row rows[] = {
        {"two systems in build order, right-aligned, base names", alpha2 + std::vector<std::string>{"--show-os-list"},
         "     Debian12: build.inf3\n"
         "      CentOS5: build-el5.inf3\n",
         ""},
        {"a system text longer than the field is written whole",
         {"--select-product-id", "alpha", "--select-release-id", "alpha-1.0", "--show-os-list"},
         "CloudLinux8.10: build.inf3\n", ""},
        {"releases in catalogue order, whatever the order of the options",
         gamma3 + alpha2 + std::vector<std::string>{"--show-os-list"},
         "     Debian12: build.inf3\n"
         "      CentOS5: build-el5.inf3\n"
         "     Debian12: build.inf3\n",
         ""},
        {"nothing selected writes nothing", {"--show-os-list"}, "", ""},
        {"XML output is refused", alpha2 + std::vector<std::string>{"--show-os-list", xml}, "",
         "(2,1,1,2) You cannot use the options --enable-xml-output and --show-os-list at once.\n"},
    };
    for (const Row& row : rows) {
        // Installed packages are not read for this listing: no state check.
        const Outcome o = listingtest::run(row.args, [&](std::ostream& out) {
            std::unique_ptr<BuildManager> catalogue = listingtest::readCatalogue(fixture("catalogue"));
            listingtest::applySelections(*catalogue);
            OSListReporter(0, "", "", catalogue.get()).put(out);
        });
        EXPECT_EQ(o.out, row.out) << row.label << "\n" << o;
        EXPECT_EQ(o.err, "") << row.label << "\n" << o;
        EXPECT_EQ(o.raised, row.raised) << row.label << "\n" << o;
    }
}

class NullListingTables : public listingtest::ListingTest {};

TEST_F(NullListingTables, AreReportedNotDereferenced) {
    const Outcome types = listingtest::run({"--show-installation-types"}, [](std::ostream& out) {
        InstallationTypesReporter(0, "", "", nullptr).put(out);
    });
    EXPECT_EQ(types.raised.rfind("(3,1,0,3) Try of use NULL pointer: ", 0), 0u) << types;
    const Outcome systems = listingtest::run({"--show-os-list"}, [](std::ostream& out) {
        OSListReporter(0, "", "", nullptr).put(out);
    });
    EXPECT_EQ(systems.raised.rfind("(3,1,0,3) Try of use NULL pointer: ", 0), 0u) << systems;
}

}  // namespace
