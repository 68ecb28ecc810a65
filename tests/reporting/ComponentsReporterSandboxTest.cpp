// The components listing over a real tree: the catalogue of tests/fixtures/reporting/components
// loaded by the build loader, the components' states detected from installed packages of a
// package-cache file, the setting values given on the child's own command line.
#include "reporting/ComponentsReporter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ListingRun.h"
#include "components/BuildLoading.h"
#include "components/ComponentManager.h"
#include "components/Param.h"
#include "components/ParamManager.h"

namespace {

using listingtest::decl;
using listingtest::fixture;
using listingtest::Outcome;

// What the driver has in hand when it reaches the listing.
struct Loaded {
    Loaded(const std::string& cache, const std::string& downloads)
        : catalogue(listingtest::readCatalogue(fixture("components"))),
          installed(fixture("installed/" + cache)),
          load(installed.repo, fixture("components"), downloads) {
        catalogue->checkInstallationState(&installed.repo);
        catalogue->deselectAll();
        catalogue->selectRelease("tarnix", "tarnix-12");
        load.loadSelected(*catalogue, installed.repo);
        load.params.loadFromOptions(Options::instance().componentOptions);
    }

    std::shared_ptr<Param> setting(const std::string& id) { return testutil::findSetting(load.params, id); }

    std::unique_ptr<BuildManager> catalogue;
    listingtest::Installed installed;
    testutil::LoadRun load;
};

// The listing in a child with `args` after the usual host options; `prepare` changes the run
// first, as the driver's steps before the listing would.
Outcome listing(const std::string& cache, const std::vector<std::string>& args,
                const std::function<void(Loaded&)>& prepare = nullptr) {
    return listingtest::run(args, [&](std::ostream& out) {
        testutil::TempDir downloads;
        Loaded run(cache, downloads.path());
        if (prepare) prepare(run);
        ComponentsReporter(run.catalogue.get(), &run.load.components, &run.load.params).put(out);
    });
}

// base up to date, webmail older than offered, the light mail agent as offered.
const std::string partly = "tarnix-12-partly.cache";
// The same without base.
const std::string withoutBase = "tarnix-12-without-base.cache";

const std::vector<std::string> options{"--show-components",     "--show-options",
                                       "--set-option",          "admin_password=secret",
                                       "--set-option",          "storage=maildir",
                                       "--set-option",          "maildir_root=/srv/mail"};

// The component lines of the partly installed host, in walk order (radio members and the
// sub-group's children in place, no group line).
const char* const lineBase = "  base              [up2date] - Base of Tarnix\n";
const char* const lineWebmail = "  webmail           [upgrade] - Web mail\n";
const char* const lineMailstore = "  mailstore         [install] - Mail storage\n";
const char* const lineOldtools = "  oldtools          [install] - Old tools\n";
const char* const lineAntivirus = "  antivirus-database[install] - Virus signatures\n";
const char* const lineStatistics = "  statistics-collector[install] - Statistics\n";
const char* const lineMtaLight = "  mta-light         [up2date] - Small mail transfer agent\n";
const char* const lineMtaFull = "  mta-full          [install] - Full mail transfer agent\n";
const char* const lineBackup = "  backup            [install] - Backup tool\n";
const char* const lineSpamguard = "  spamguard         [install] - Spam filter\n";

class ComponentsReporterTest : public listingtest::ListingTest {};

TEST_F(ComponentsReporterTest, TextListsEveryComponentOnce) {
    const Outcome o = listing(partly, {"--show-components"});
    EXPECT_EQ(o.raised, "") << o;
    EXPECT_EQ(o.out, std::string(lineBase) + lineWebmail + lineMailstore + lineOldtools + lineAntivirus +
                         lineStatistics + lineMtaLight + lineMtaFull + lineBackup + lineSpamguard);
}

TEST_F(ComponentsReporterTest, TextWithTheSettingsOfEachComponent) {
    const Outcome o = listing(partly, options);
    EXPECT_EQ(o.raised, "") << o;
    EXPECT_EQ(o.out, std::string(lineBase) +
                         "    Option: ssl - Encrypt connections\n"
                         "      Default: yes\n"
                         "    For variant 'yes' following sub-options available:\n"
                         "      Option: ssl_cert - Certificate file\n"
                         "        Default: /etc/tarnix/cert.pem\n"
                         "    Option: alias - Other host name\n" +
                         lineWebmail +
                         "    === Limits ===\n"
                         "      Option: max_upload - Largest attachment in MB\n"
                         "        Default: 10\n" +
                         lineMailstore +
                         "    Option: admin_password - Administrator password\n"
                         "      Current: ******\n"
                         "    Option: storage - How mail is kept\n"
                         "      mbox - One file per folder\n"
                         "      maildir - One file per message\n"
                         "      Current: maildir\n"
                         "    For variant 'maildir' following sub-options available:\n"
                         "      Option: maildir_root - Mail directory\n"
                         "        Current: /srv/mail\n" +
                         lineOldtools + lineAntivirus + lineStatistics + lineMtaLight + lineMtaFull +
                         "    Option: relay - How mail leaves\n"
                         "      none - Deliver locally\n"
                         "      smarthost - Through a relay host\n"
                         "      direct - Directly\n"
                         "      Default: none\n"
                         "    For variant 'direct' following sub-options available:\n"
                         "      Option: relay_port - Port\n"
                         "        Default: 25\n"
                         "    For variant 'smarthost' following sub-options available:\n"
                         "      Option: relay_host - Relay host name\n" +
                         lineBackup + lineSpamguard);
}

std::string document(const std::string& content) {
    return decl + "<vantrell status=\"ok\">" + content + "</vantrell>\n";
}

// The release of tarnix 12 on the host without base, base made required as the driver does.
const std::string tarnixWithoutBase =
    "<release id=\"tarnix-12\"><description>Tarnix 12</description><components>"
    "<component id=\"base\" action=\"install\" serverbuildtime=\"1700000001\" localbuildtime=\"0\""
    " serverversion=\"12.0-1\" localversion=\"\" kernelupdate=\"false\" required=\"true\">"
    "<description>Base of Tarnix</description><dependencies>"
    "<dependency id=\"webmail\" type=\"hardwired\" /><dependency id=\"mailstore\" type=\"required\" />"
    "<dependency id=\"mta\" type=\"required\" /></dependencies></component>"
    "<component id=\"webmail\" action=\"upgrade\" serverbuildtime=\"1700000002\" localbuildtime=\"1650000002\""
    " serverversion=\"12.0-1\" localversion=\"11.5-2\" kernelupdate=\"false\">"
    "<description>Web mail</description><dependencies /></component>"
    "<component id=\"mailstore\" action=\"install\" serverbuildtime=\"1700000003\" localbuildtime=\"0\""
    " serverversion=\"12.0-1\" localversion=\"\" kernelupdate=\"false\">"
    "<description>Mail storage</description><dependencies /></component>"
    "<component_1 legacy=\"true\" id=\"oldtools\" action=\"install\" serverbuildtime=\"1700000004\""
    " localbuildtime=\"0\" serverversion=\"12.0-1\" localversion=\"\" kernelupdate=\"false\">"
    "<description>Old tools</description><dependencies /></component_1>"
    "<component id=\"antivirus-database\" action=\"install\" serverbuildtime=\"1700000005\" localbuildtime=\"0\""
    " serverversion=\"12.0-1\" localversion=\"\" kernelupdate=\"false\">"
    "<description>Virus signatures</description><dependencies /></component>"
    "<component id=\"statistics-collector\" action=\"install\" serverbuildtime=\"1700000006\" localbuildtime=\"0\""
    " serverversion=\"12.0-1\" localversion=\"\" kernelupdate=\"false\">"
    "<description>Statistics</description><dependencies /></component>"
    "<component id=\"mta-light\" action=\"up2date\" serverbuildtime=\"1700000007\" localbuildtime=\"1690000007\""
    " serverversion=\"12.0-1\" localversion=\"12.0-1\" kernelupdate=\"false\">"
    "<description>Small mail transfer agent</description><dependencies /></component>"
    "<component id=\"mta-full\" action=\"install\" serverbuildtime=\"1700000008\" localbuildtime=\"0\""
    " serverversion=\"12.0-1\" localversion=\"\" kernelupdate=\"false\">"
    "<description>Full mail transfer agent</description><dependencies /></component>"
    "<component id=\"backup\" action=\"install\" serverbuildtime=\"1700000009\" localbuildtime=\"0\""
    " serverversion=\"12.0-1\" localversion=\"\" kernelupdate=\"false\">"
    "<description>Backup tool</description><dependencies /></component>"
    "<component id=\"spamguard\" action=\"install\" serverbuildtime=\"1700000010\" localbuildtime=\"0\""
    " serverversion=\"12.0-1\" localversion=\"\" kernelupdate=\"false\">"
    "<description>Spam filter</description><dependencies /></component>"
    "</components></release>";
// Selected once the tree is loaded: none of the tree's components belongs to it.
const std::string mardellEmpty = "<release id=\"mardell-3\"><description>Mardell 3</description><components /></release>";

void requireBase(Loaded& run) { run.load.components.selectBaseComponent(); }
void selectMardellToo(Loaded& run) {
    requireBase(run);
    run.catalogue->findRelease("mardell-3")->selected = true;
}
void onlyMardell(Loaded& run) {
    run.catalogue->findRelease("tarnix-12")->selected = false;
    run.catalogue->findRelease("mardell-3")->selected = true;
}

TEST_F(ComponentsReporterTest, XmlListsTheSelectedReleasesWithTheirComponents) {
    const std::string xml = "--enable-xml-output";
    const std::string notImplemented =
        "(3,1,1,3) ComponentsReporter: --show-options with --enable-xml-output is not implemented.\n";
    struct Row {
        const char* label;
        std::vector<std::string> args;
        std::function<void(Loaded&)> prepare;
        std::string out;
        std::string raised;
    };
    const Row rows[] = {
        {"one release with components, tarnix 11 not selected",
         {"--show-components", xml},
         requireBase,
         document("<releases>" + tarnixWithoutBase + "</releases>"),
         ""},
        {"a selected release without components of the tree",
         {"--show-components", xml},
         selectMardellToo,
         document("<releases>" + tarnixWithoutBase + mardellEmpty + "</releases>"),
         ""},
        {"settings cannot be listed in XML: nothing is written", {"--show-components", "--show-options", xml},
         requireBase, "", notImplemented},
        {"without components there is nothing to refuse", {"--show-components", "--show-options", xml},
         onlyMardell, document("<releases>" + mardellEmpty + "</releases>"), ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const Outcome o = listing(withoutBase, row.args, row.prepare);
        EXPECT_EQ(o.out, row.out) << o;
        EXPECT_EQ(o.raised, row.raised) << o;
    }
}

TEST_F(ComponentsReporterTest, BrokenInputsRaise) {
    // A boolean with a default that is neither value: the lines before it stay written.
    Outcome o = listing(partly, {"--show-components", "--show-options"},
                        [](Loaded& run) { run.setting("ssl")->setDefault("maybe"); });
    EXPECT_EQ(o.raised, "(3,1,1,3) An internal error occured in vantrell, rev.297274 ComponentsReporter.cpp, line 77.\n")
        << o;
    EXPECT_EQ(o.out, std::string(lineBase) + "    Option: ssl - Encrypt connections\n");

    // Without a component tree or settings the text listing writes nothing.
    for (int missing = 0; missing < 2; ++missing) {
        o = listingtest::run({"--show-components"}, [&](std::ostream& out) {
            testutil::TempDir downloads;
            Loaded run(partly, downloads.path());
            ComponentsReporter(run.catalogue.get(), missing == 0 ? nullptr : &run.load.components,
                               missing == 1 ? nullptr : &run.load.params)
                .put(out);
        });
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.raised.find("(3,1,0,3) Try of use NULL pointer: "), 0u) << o;
    }
}

}  // namespace
