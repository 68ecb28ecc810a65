// The releases answer over the update-source fixture on a local path, with the installation
// states read by the real dpkg-query from a status file of the test (which writes the shared
// progress record: hence the namespace helper).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <tinyxml.h>

#include "catalogue/BuildManager.h"
#include "catalogue/Release.h"
#include "sources/FileFetcher.h"
#include "support/InstalledDebs.h"
#include "support/LogCapture.h"
#include "support/UpdateSource.h"
#include "webui/BackendProtocol.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

std::string printed(const TiXmlNode& node) {
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    node.Accept(&printer);
    return printer.Str();
}

const std::string typesOfTarnix =
    "<installation_types><type name=\"Typical\" description=\"Base, web pages and the small mail transfer agent\" />"
    "<type name=\"Full\" description=\"Install all components.\" />"
    "<type name=\"Custom\" description=\"Custom components selection. Recommended only for experienced users.\" />"
    "</installation_types>";
const std::string typesOfVemdo =
    "<installation_types><type name=\"Full\" description=\"Install all components.\" />"
    "<type name=\"Custom\" description=\"Custom components selection. Recommended only for experienced users.\" />"
    "</installation_types>";

class ReleasesAnswerOverUpdateSource : public testutil::InstalledCatalogueTest {
protected:
    // The answer's `products` element for the catalogue at `root`.
    std::string products(BuildManager& catalogue, const std::string& root) {
        FileFetcher fetcher(root + "/", target.path());
        fetcher.quiet = true;
        protocol.resetAnswer();
        protocol.sendReleases(catalogue, fetcher);
        return printed(*protocol.answerRoot());
    }

    BackendProtocol protocol;
};

// Tarnix 9.5 installed: the installed release counts its components that are not installed,
// and the newer one is offered as an upgrade (the console calls the same release "update").
TEST_F(ReleasesAnswerOverUpdateSource, InstalledAndUpgradableReleases) {
    const std::string root = testutil::updateSource();
    std::unique_ptr<BuildManager> catalogue = checked({{"vantrell-fixture-core", "9.5-1"}}, root);
    catalogue->removeNotActualReleases();
    catalogue->selectRelease("tarnix", "tarnix-10.1");
    catalogue->findRelease("tarnix-9.5")->register_component("web");
    ASSERT_EQ(catalogue->findRelease("tarnix-10.1")->update_mode(), "update");

    EXPECT_EQ(products(*catalogue, root),
              "<vantrell status=\"ok\"><products>"
              "<product name=\"Tarnix\" id=\"tarnix\" current_version=\"9.5\" selected=\"true\">"
              "<product_site src=\"http://www.example.invalid/tarnix/\" /><releases>"
              "<release id=\"tarnix-9.5\" version=\"9.5\" name=\"Tarnix 9.5\" action=\"up2date\" "
              "num_of_not_installed_components=\"1\">" + typesOfTarnix + "</release>"
              "<release id=\"tarnix-10.1\" version=\"10.1\" name=\"Tarnix 10.1\" selected=\"true\" action=\"upgrade\" "
              "details_url=\"http://www.example.invalid/tarnix/10.1/en-US/notes.html\">" + typesOfTarnix + "</release>"
              "</releases></product></products></vantrell>");
}

// Products in the catalogue order of their releases, one element per run of neighbours; a
// release whose description is missing is left out with its reason, one whose only build is
// deprecated silently.
TEST_F(ReleasesAnswerOverUpdateSource, InterleavedProductsAndAMissingDescription) {
    testutil::UpdateSourceCopy source;
    const std::string debian = "os_name=\"Linux\" os_vendor=\"Debian\" os_version=\"12\" os_arch=\"x86_64\"";
    testutil::writeFile(source / "products.inf3",
                        "<vendors><vendor><products>"
                        "<product id=\"tarnix\" name=\"Tarnix\" reference=\"tarnix/first.inf3\"/>"
                        "<product id=\"vemdo\" name=\"VEMDO\" reference=\"vemdo/only.inf3\"/>"
                        "<product id=\"tarnix\" name=\"Tarnix\" reference=\"tarnix/second.inf3\"/>"
                        "</products></vendor></vendors>\n");
    auto product = [](const std::string& id, const std::string& key, const std::string& releases) {
        return "<product id=\"" + id + "\"><keypackages><keypackage>" + key + "</keypackage></keypackages>" +
               releases + "</product>\n";
    };
    auto release = [](const std::string& id, const std::string& version, const std::string& build) {
        return "<release id=\"" + id + "\" name=\"R " + version + "\" version=\"" + version +
               "\" upgrade_allowed_from=\"1.0\"><build " + build + "/></release>";
    };
    testutil::writeFile(source / "tarnix/first.inf3",
                        product("tarnix", "vantrell-fixture-core",
                                release("tarnix-9.5", "9.5", debian + " config=\"debian12/build-9.5.inf3\"") +
                                    release("tarnix-10.1", "10.1", debian + " config=\"debian12/build.inf3\"")));
    testutil::writeFile(source / "vemdo/only.inf3",
                        product("vemdo", "vantrell-fixture-vemdo",
                                release("vemdo-4.1", "4.1", debian + " config=\"debian12/missing.inf3\"") +
                                    release("vemdo-4.0", "4.0", debian + " config=\"debian12/build-4.0.inf3\"")));
    testutil::writeFile(source / "tarnix/second.inf3",
                        product("tarnix", "vantrell-fixture-core",
                                release("tarnix-7.0", "7.0", debian + " deprecated=\"true\" config=\"debian12/build-8.0.inf3\"") +
                                    release("tarnix-8.0", "8.0", debian + " config=\"debian12/build-8.0.inf3\"")));
    std::unique_ptr<BuildManager> catalogue = checked({}, source.path());
    catalogue->removeNotActualReleases();
    ASSERT_EQ(catalogue->getReleases().size(), 6u);

    testutil::LogCapture log(2);
    const std::string tarnixHead =
        "<product name=\"Tarnix\" id=\"tarnix\"><releases>";
    auto installable = [](const std::string& id, const std::string& version, const std::string& types) {
        return "<release id=\"" + id + "\" version=\"" + version + "\" name=\"R " + version +
               "\" action=\"install\">" + types + "</release>";
    };
    EXPECT_EQ(products(*catalogue, source.path()),
              "<vantrell status=\"ok\"><products>" + tarnixHead + installable("tarnix-9.5", "9.5", typesOfTarnix) +
                  installable("tarnix-10.1", "10.1", typesOfTarnix) + "</releases></product>" +
                  "<product name=\"VEMDO\" id=\"vemdo\"><releases>" + installable("vemdo-4.0", "4.0", typesOfVemdo) +
                  "</releases></product>" + tarnixHead + installable("tarnix-8.0", "8.0", typesOfTarnix) +
                  "</releases></product></products></vantrell>");
    const std::string text = log.text();
    EXPECT_NE(text.find("\nCan't get installation types for vemdo-4.1\n: The file " + source / "vemdo/debian12/missing.inf3" +
                        " was not found.\n\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("tarnix-7.0"), std::string::npos) << text;
}

// The release queries are not caught: an unchecked catalogue fails the command.
TEST_F(ReleasesAnswerOverUpdateSource, AnUncheckedCatalogueFailsTheAnswer) {
    FileFetcher fetcher(testutil::updateSource() + "/", target.path());
    fetcher.quiet = true;
    BuildManager catalogue(&fetcher, "");
    protocol.resetAnswer();
    const error e = raisedError([&] { protocol.sendReleases(catalogue, fetcher); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(printed(*protocol.answerRoot()), "<vantrell status=\"ok\" />");
}

}  // namespace
