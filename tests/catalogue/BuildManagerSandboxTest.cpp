// The catalogue of the generated update source checked against installed Debian packages that
// the real dpkg-query reads from status files of the test (through a dpkg-query on PATH that
// only adds --admindir), then pruned. Reading the installed packages writes the shared progress
// record, hence the namespace helper. The builds of the source are for Debian 12 on x86_64:
// the host is declared so before its first detection.
#include "catalogue/BuildManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "sources/FileFetcher.h"
#include "support/InstalledDebs.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "support/UpdateSource.h"

namespace {

typedef std::vector<std::string> Texts;

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

class BuildManagerInstalled : public testutil::InstalledCatalogueTest {
protected:
    // The fixture's catalogue by default.
    std::unique_ptr<BuildManager> checked(const std::vector<std::pair<std::string, std::string>>& installed,
                                          const std::string& root = testutil::updateSource()) {
        return InstalledCatalogueTest::checked(installed, root);
    }

    static Texts ids(const BuildManager& catalogue) {
        Texts result;
        for (const auto& r : catalogue.getReleases()) result.push_back(r->id);
        return result;
    }

};

TEST_F(BuildManagerInstalled, AnInstalledProductDropsTooOldReleasesAndTheConflictingProduct) {
    std::unique_ptr<BuildManager> catalogue = checked({{"vantrell-fixture-core", "9.5-1"}});
    EXPECT_EQ(catalogue->getInstalledVersion("tarnix"), "9.5");
    testutil::LogCapture log(3);
    catalogue->removeNotActualReleases();

    EXPECT_EQ(ids(*catalogue), (Texts{"tarnix-9.5", "tarnix-10.1"}));
    EXPECT_EQ(catalogue->findRelease("tarnix-9.5")->update_kind(), Release::kind_up2date);
    EXPECT_EQ(catalogue->findRelease("tarnix-10.1")->update_kind(), Release::kind_update);
    const Texts lines = testutil::splitLines(log.text());
    const Texts expected = {
        "DEBUG: Removing not actual releases...",
        "DEBUG: drop vemdo-4.0 because version 9.5 of conflicting product 'tarnix' is allready installed.",
        "DEBUG: drop vemdo-4.1 because version 9.5 of conflicting product 'tarnix' is allready installed.",
        "DEBUG: Removing not actual releases: done",
    };
    Texts removal;
    for (const std::string& line : lines)
        if (startsWith(line, "DEBUG: drop ") || startsWith(line, "DEBUG: Removing not actual"))
            removal.push_back(line);
    EXPECT_EQ(removal, expected) << log.text();

    EXPECT_EQ(catalogue->getInstalledVersion("tarnix"), "9.5");
    EXPECT_EQ(catalogue->getInstalledReleaseId("tarnix"), "tarnix-9.5");
    EXPECT_EQ(catalogue->getInstalledReleaseVersion("tarnix"), "9.5");
    EXPECT_EQ(catalogue->getLatestReleaseId("tarnix"), "tarnix-10.1");
    EXPECT_EQ(catalogue->getInstalledVersion("vemdo"), "");
    EXPECT_EQ(catalogue->getInstalledReleaseId("vemdo"), "");
}

TEST_F(BuildManagerInstalled, ConflictsCountInBothDirectionsAndOnlyForInstalledProducts) {
    const struct {
        const char* label;
        std::vector<std::pair<std::string, std::string>> installed;
        Texts remaining;
        int drops;
    } rows[] = {
        // Nothing installed: the conflicting products both stay.
        {"nothing", {}, {"tarnix-8.0", "tarnix-9.5", "tarnix-10.1", "vemdo-4.0", "vemdo-4.1"}, 0},
        // vemdo names tarnix as incompatible: installed vemdo drops tarnix as well.
        {"vemdo", {{"vantrell-fixture-vemdo", "4.1-1"}}, {"vemdo-4.1"}, 3},
        // Each installed product drops the other's releases that are still actual.
        {"both", {{"vantrell-fixture-core", "10.1-1"}, {"vantrell-fixture-vemdo", "4.0-1"}}, {}, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::unique_ptr<BuildManager> catalogue = checked(row.installed);
        testutil::LogCapture log(3);
        catalogue->removeNotActualReleases();
        EXPECT_EQ(ids(*catalogue), row.remaining);
        const Texts lines = testutil::splitLines(log.text());
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& l) { return startsWith(l, "DEBUG: drop "); }),
                  row.drops)
            << log.text();
        debs.reset();
    }
}

TEST_F(BuildManagerInstalled, InstalledReleaseVersionIsItsVersionPartOnly) {
    testutil::TempDir source;
    testutil::writeFile(source / "products.inf3",
                        "<vendors><vendor><products><product id=\"p\" name=\"P\" reference=\"p.inf3\"/>"
                        "</products></vendor></vendors>\n");
    std::string releases;
    // The installed text carries no release part, so only a release without one can be the
    // installed release.
    for (const char* version : {"1:8.5.0", "1:8.6.0", "1:9.0.0"})
        releases += std::string("<release id=\"r") + version + "\" name=\"R\" version=\"" + version +
                    "\" upgrade_allowed_from=\"1:8.0\"><build os_name=\"Linux\" os_vendor=\"Debian\" "
                    "os_version=\"12\" os_arch=\"x86_64\" config=\"b.inf3\"/></release>\n";
    testutil::writeFile(source / "p.inf3", "<product id=\"p\"><keypackages><keypackage>vnkey</keypackage></keypackages>\n" +
                                               releases + "</product>\n");
    std::unique_ptr<BuildManager> catalogue = checked({{"vnkey", "1:8.6.0-2"}}, source.path());
    EXPECT_EQ(catalogue->getInstalledVersion("p"), "1:8.6.0");
    EXPECT_EQ(catalogue->getInstalledReleaseId("p"), "r1:8.6.0");
    EXPECT_EQ(catalogue->getInstalledReleaseVersion("p"), "8.6.0");
    EXPECT_EQ(catalogue->getLatestReleaseId("p"), "r1:9.0.0");
    catalogue->removeNotActualReleases();
    EXPECT_EQ(ids(*catalogue), (Texts{"r1:8.6.0", "r1:9.0.0"}));
}

TEST_F(BuildManagerInstalled, QueriesBeforeTheCheckRaiseTheNotCheckedError) {
    FileFetcher fetcher(testutil::updateSource() + "/", target.path());
    fetcher.quiet = true;
    BuildManager catalogue(&fetcher, "");
    const error e = testutil::raisedError([&] { catalogue.getInstalledVersion("tarnix"); });
    EXPECT_EQ(testutil::codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), "release Tarnix 8.0 installation state not checked yet\n");
    EXPECT_EQ(testutil::codesOf(testutil::raisedError([&] { catalogue.removeNotActualReleases(); })), "(3,1,1,3)");
    EXPECT_EQ(catalogue.getInstalledVersion("nosuch"), "") << "only releases of the product are asked";
}

}  // namespace
