// The compatibility check of selected releases over catalogues that BuildManager reads from
// small local sources written here, and from the generated update source. Release states come
// from the real dpkg-query over status files of the test, which writes the shared progress
// record: hence the namespace helper. The builds are for Debian 12 on x86_64, and the host is
// declared so before its first detection.
#include "catalogue/ReleasesCompatibilityChecker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <boost/filesystem.hpp>

#include "catalogue/BuildManager.h"
#include "common/error.h"
#include "sources/FileFetcher.h"
#include "support/InstalledDebs.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "support/UpdateSource.h"

namespace {

namespace fs = boost::filesystem;
using testutil::codesOf;
using testutil::raisedError;

typedef std::vector<std::string> Texts;
typedef std::vector<std::pair<std::string, std::string>> Pairs;

struct ReleaseDef {
    std::string id;
    std::string name;
    std::string version;
    // (product id, version) in the order the description lists them.
    Pairs bestWith;
    // Whether its one build is for this host (Debian 12) or for CentOS 7.
    bool fits;
};

struct ProductDef {
    std::string id;
    std::string name;
    Texts incompatible;
    std::vector<ReleaseDef> releases;
};

typedef std::vector<ProductDef> CatalogueDef;

ReleaseDef release(const std::string& name, const std::string& version, const Pairs& bestWith = {},
                    bool fits = true) {
    std::string id = name;
    for (char& c : id) c = c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ReleaseDef{id, name, version, bestWith, fits};
}

ProductDef product(const std::string& name, const Texts& incompatible, const std::vector<ReleaseDef>& releases) {
    std::string id = name;
    for (char& c : id) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ProductDef{id, name, incompatible, releases};
}

// The key package of a product; the status files install it to make a release installed.
std::string keyPackage(const std::string& productId) { return "vn-" + productId + "-core"; }

// The product list and one description per product. The build descriptions are never read by
// the catalogue, so they are not written.
void writeSource(const std::string& root, const CatalogueDef& products) {
    std::ostringstream list;
    list << "<?xml version=\"1.0\"?>\n<vendors><vendor><products>\n";
    for (const ProductDef& p : products) {
        list << "<product id=\"" << p.id << "\" name=\"" << p.name << "\" reference=\"" << p.id << "/product.inf3\">";
        for (const std::string& other : p.incompatible) list << "<incompatible_with prod_id=\"" << other << "\"/>";
        list << "</product>\n";

        std::ostringstream d;
        d << "<?xml version=\"1.0\"?>\n<product id=\"" << p.id << "\">\n<keypackages><keypackage>" << keyPackage(p.id)
          << "</keypackage></keypackages>\n";
        for (const ReleaseDef& r : p.releases) {
            d << "<release id=\"" << r.id << "\" name=\"" << r.name << "\" version=\"" << r.version
              << "\" upgrade_allowed_from=\"0.1\">\n";
            if (r.fits)
                d << "<build os_name=\"Linux\" os_vendor=\"Debian\" os_version=\"12\" os_arch=\"x86_64\" "
                     "config=\"debian12/build.inf3\"/>\n";
            else
                d << "<build os_name=\"Linux\" os_vendor=\"CentOS\" os_version=\"7\" os_arch=\"x86_64\" "
                     "config=\"centos7/build.inf3\"/>\n";
            if (!r.bestWith.empty()) {
                d << "<compatibility_info>";
                for (const auto& pair : r.bestWith)
                    d << "<best_with product_id=\"" << pair.first << "\"><version>" << pair.second
                      << "</version></best_with>";
                d << "</compatibility_info>\n";
            }
            d << "</release>\n";
        }
        d << "</product>\n";
        fs::create_directories(root + "/" + p.id);
        testutil::writeFile(root + "/" + p.id + "/product.inf3", d.str());
    }
    list << "</products></vendor></vendors>\n";
    testutil::writeFile(root + "/products.inf3", list.str());
}

// "id|description|version: id|description|version|instead_of, ..." per entry, one a line.
std::string dump(const std::vector<BestWithProduct>& info) {
    std::string text;
    for (const BestWithProduct& p : info) {
        text += p.id + "|" + p.description + "|" + p.version + ":";
        for (const BestWithSuggestion& s : p.bestwith)
            text += " " + s.id + "|" + s.description + "|" + s.version + "|" + s.instead_of;
        text += "\n";
    }
    return text;
}

class ReleasesCompatibilityCheck : public testutil::InstalledCatalogueTest {
protected:
    std::unique_ptr<BuildManager> load(const std::string& root, const Pairs& installed) {
        return checked(installed, root);
    }

    std::unique_ptr<BuildManager> load(const CatalogueDef& products, const Pairs& installed) {
        testutil::TempDir root;
        writeSource(root.path(), products);
        return load(root.path(), installed);
    }

    // Each release through the selection of its product.
    static void select(BuildManager& catalogue, const Texts& releaseIds) {
        for (const std::string& id : releaseIds) {
            const std::shared_ptr<Release> r = catalogue.findRelease(id);
            ASSERT_TRUE(r) << id;
            catalogue.selectRelease(r->product->id, id);
        }
    }

};

// Lines of `log` in the order of `wanted` (others may come between them); the first one
// missing, or "" when all are there.
std::string missingInOrder(const std::string& log, const Texts& wanted) {
    const Texts lines = testutil::splitLines(log);
    auto at = lines.begin();
    for (const std::string& w : wanted) {
        at = std::find(at, lines.end(), w);
        if (at == lines.end()) return w;
        ++at;
    }
    return "";
}

const char* const tarnixVemdo = "The products 'Tarnix' and 'Vemdo' cannot be installed on the same server.";
const char* const vemdoTarnix = "The products 'Vemdo' and 'Tarnix' cannot be installed on the same server.";

TEST_F(ReleasesCompatibilityCheck, Scenarios) {
    struct Scenario {
        const char* label;
        CatalogueDef catalogue;
        Pairs installed;
        // Selected through BuildManager::selectRelease, in this order.
        Texts selected;
        // Selected by setting the flag: a second release of one product, which no selection
        // call leaves selected.
        Texts forced;
        std::string errors;
        std::string warnings;
        std::string bestWith;
        // Lines the walk logs, in this order.
        Texts log;
    };
    const Scenario rows[] = {
        {"each declares the other: one line per direction, in catalogue order",
         {product("Tarnix", {"vemdo"}, {release("Tarnix 10.1", "10.1")}),
          product("Vemdo", {"tarnix"}, {release("Vemdo 1.5", "1.5")})},
         {},
         {"tarnix-10.1", "vemdo-1.5"},
         {},
         std::string(tarnixVemdo) + "\n" + vemdoTarnix,
         "",
         "",
         {"DEBUG: Checking selected releases for compatibility with each others.",
          "ReleasesCompatibilityChecker: check Tarnix 10.1", "  secondary is Vemdo 1.5 checked and current, check it",
          "  debug: ReleasesCompatibilityChecker::isBestWith: have products Tarnix 10.1 and Vemdo 1.5 any best with "
          "link?... no ",
          "ReleasesCompatibilityChecker: check Vemdo 1.5", "  secondary is Tarnix 10.1 checked and current, check it"}},
        {"the catalogue's order decides the order of the lines",
         {product("Vemdo", {"tarnix"}, {release("Vemdo 1.5", "1.5")}),
          product("Tarnix", {"vemdo"}, {release("Tarnix 10.1", "10.1")})},
         {},
         {"tarnix-10.1", "vemdo-1.5"},
         {},
         std::string(vemdoTarnix) + "\n" + tarnixVemdo,
         "",
         "",
         {}},
        {"a one-sided declaration gives one line, while the declaring release is visited",
         {product("Tarnix", {}, {release("Tarnix 10.1", "10.1")}),
          product("Vemdo", {"tarnix"}, {release("Vemdo 1.5", "1.5")})},
         {},
         {"tarnix-10.1", "vemdo-1.5"},
         {},
         vemdoTarnix,
         "",
         "",
         {}},
        {"a product listing itself: its releases are never compared with each other",
         {product("Tarnix", {"tarnix"}, {release("Tarnix 9.5", "9.5"), release("Tarnix 10.1", "10.1")}),
          product("Vemdo", {}, {release("Vemdo 1.5", "1.5")})},
         {},
         {"tarnix-10.1", "vemdo-1.5"},
         {"tarnix-9.5"},
         "",
         "",
         "",
         {"ReleasesCompatibilityChecker: check Tarnix 9.5", "  secondary is Vemdo 1.5 checked and current, check it",
          "ReleasesCompatibilityChecker: check Tarnix 10.1", "  secondary is Vemdo 1.5 checked and current, check it",
          "ReleasesCompatibilityChecker: check Vemdo 1.5", "  secondary is Tarnix 9.5 checked and current, check it",
          "  secondary is Tarnix 10.1 checked and current, check it"}},
        {"a release that is not selected is neither examined nor compared",
         {product("Tarnix", {"vemdo"}, {release("Tarnix 10.1", "10.1", {{"vemdo", "2.0"}})}),
          product("Vemdo", {"tarnix"}, {release("Vemdo 1.5", "1.5")})},
         {},
         {"tarnix-10.1"},
         {},
         "",
         "",
         "",
         {"ReleasesCompatibilityChecker: check Tarnix 10.1", "  secondary Vemdo 1.5 is not checked for install, skip",
          "Vemdo 1.5 not checked, skip check"}},
        {"an installed selected release is neither examined nor compared",
         {product("Tarnix", {"vemdo"}, {release("Tarnix 10.1", "10.1", {{"vemdo", "2.0"}})}),
          product("Vemdo", {"tarnix"}, {release("Vemdo 1.5", "1.5", {{"tarnix", "11.0"}})})},
         {{keyPackage("tarnix"), "10.1-1"}},
         {"tarnix-10.1", "vemdo-1.5"},
         {},
         "",
         "",
         "",
         {"Tarnix 10.1 is currently installed, skip check", "ReleasesCompatibilityChecker: check Vemdo 1.5",
          "  secondary Tarnix 10.1 is current, skip"}},
        {"a release that is not actual is skipped, but still compared with",
         {product("Tarnix", {"vemdo"}, {release("Tarnix 10.1", "10.1", {}, false)}),
          product("Vemdo", {"tarnix"}, {release("Vemdo 1.5", "1.5")})},
         {},
         {"tarnix-10.1", "vemdo-1.5"},
         {},
         vemdoTarnix,
         "",
         "",
         {"Tarnix 10.1 not actual, skip check", "ReleasesCompatibilityChecker: check Vemdo 1.5",
          "  secondary is Tarnix 10.1 checked and current, check it"}},
        {"the highest preferred version is suggested, whatever the pairs' order",
         {product("Tarnix", {}, {release("Tarnix 10.1", "10.1", {{"vemdo", "2.0"}, {"vemdo", "1.0"}})}),
          product("Vemdo", {}, {release("Vemdo 1.5", "1.5")})},
         {},
         {"tarnix-10.1", "vemdo-1.5"},
         {},
         "",
         "\nTarnix 10.1 works better with Vemdo 2.0, but Vemdo 1.5 was selected",
         "tarnix|Tarnix|10.1: vemdo|Vemdo|2.0|1.5\n",
         {"   iter: vemdo - 2.0", "    check: currVersion=2.0", "     bestVersion is None, = currVersion, 2.0",
          "   iter: vemdo - 1.0", "    check: currVersion=1.0",
          "Tarnix 10.1 works better with Vemdo 2.0, but Vemdo 1.5 was selected"}},
        {"a pair naming exactly the selected version suppresses the warning",
         {product("Tarnix", {}, {release("Tarnix 10.1", "10.1", {{"vemdo", "9.0"}, {"vemdo", "1.5"}})}),
          product("Vemdo", {}, {release("Vemdo 1.5", "1.5")})},
         {},
         {"tarnix-10.1", "vemdo-1.5"},
         {},
         "",
         "",
         "",
         {"     bestVersion is None, = currVersion, 9.0", "    check: currVersion=1.5",
          "   currVersion == b->ver() == 1.5 - bestMatch set to true "}},
        // A best of "0.0" is the same as none: such pairs never give a warning.
        {"pairs that all say 0.0 give no warning",
         {product("Tarnix", {}, {release("Tarnix 10.1", "10.1", {{"vemdo", "0.0"}, {"vemdo", "0.0"}})}),
          product("Vemdo", {}, {release("Vemdo 1.5", "1.5")})},
         {},
         {"tarnix-10.1", "vemdo-1.5"},
         {},
         "",
         "",
         "",
         {"    check: currVersion=0.0", "     bestVersion is None, = currVersion, 0.0"}},
        // The question looks at every release of the product, the report only at the one
        // examined: the answer is "yes", and nothing is reported.
        {"only another release of the product prefers Vemdo",
         {product("Tarnix", {},
                  {release("Tarnix 9.5", "9.5", {{"vemdo", "2.0"}}), release("Tarnix 10.1", "10.1", {{"kelbo", "3.0"}})}),
          product("Vemdo", {}, {release("Vemdo 1.5", "1.5")})},
         {},
         {"tarnix-10.1", "vemdo-1.5"},
         {},
         "",
         "",
         "",
         {"  debug: ReleasesCompatibilityChecker::isBestWith: have products Tarnix 10.1 and Vemdo 1.5 any best with "
          "link?... yes ",
          "  ReleasesCompatibilityChecker::reportBest: here I need report that Tarnix 10.1 fit to Vemdo 1.5",
          "    ReleasesCompatibilityChecker::reportBest: iterate by Tarnix 10.1 best_with records ",
          "   iter: kelbo - 3.0"}},
        // Texts show whole versions; the records hold the version part only.
        {"one entry per product collects its suggestions; both directions warn",
         {product("Tarnix", {}, {release("Tarnix 10.1", "1:10.1-2", {{"vemdo", "2.0"}, {"kelbo", "1:3.0-4"}})}),
          product("Vemdo", {}, {release("Vemdo 1.5", "1.5", {{"tarnix", "11.0"}})}),
          product("Kelbo", {}, {release("Kelbo 2.5", "1:2.5")})},
         {},
         {"tarnix-10.1", "vemdo-1.5", "kelbo-2.5"},
         {},
         "",
         "\nTarnix 10.1 works better with Vemdo 2.0, but Vemdo 1.5 was selected"
         "\nTarnix 10.1 works better with Kelbo 1:3.0-4, but Kelbo 2.5 was selected"
         "\nVemdo 1.5 works better with Tarnix 11.0, but Tarnix 10.1 was selected",
         "tarnix|Tarnix|10.1: vemdo|Vemdo|2.0|1.5 kelbo|Kelbo|3.0|2.5\nvemdo|Vemdo|1.5: tarnix|Tarnix|11.0|10.1\n",
         {"   iter: kelbo - 1:3.0-4", "    check: currVersion=1:3.0-4",
          "     bestVersion is None, = currVersion, 1:3.0-4"}},
        {"a higher pair after the first raises the best",
         {product("Tarnix", {}, {release("Tarnix 10.1", "10.1", {{"vemdo", "1.0"}, {"vemdo", "2.0"}})}),
          product("Vemdo", {}, {release("Vemdo 1.5", "1.5")})},
         {},
         {"tarnix-10.1", "vemdo-1.5"},
         {},
         "",
         "\nTarnix 10.1 works better with Vemdo 2.0, but Vemdo 1.5 was selected",
         "tarnix|Tarnix|10.1: vemdo|Vemdo|2.0|1.5\n",
         {"     bestVersion is None, = currVersion, 1.0", "    check: currVersion=2.0",
          "     currVersion > bestVersion, bestVersion = currVersion, 2.0"}},
    };
    for (const Scenario& row : rows) {
        SCOPED_TRACE(row.label);
        std::unique_ptr<BuildManager> catalogue = load(row.catalogue, row.installed);
        select(*catalogue, row.selected);
        for (const std::string& id : row.forced) catalogue->findRelease(id)->selected = true;

        testutil::LogCapture log(3);
        ReleasesCompatibilityChecker checker(catalogue.get(), &debs->repo);
        catalogue->visit(checker);

        EXPECT_EQ(checker.errorText(), row.errors);
        EXPECT_EQ(checker.isError(), !row.errors.empty());
        EXPECT_EQ(checker.warningText(), row.warnings);
        EXPECT_EQ(checker.isWarning(), !row.warnings.empty());
        EXPECT_EQ(dump(checker.bestWithInfo()), row.bestWith);
        EXPECT_EQ(missingInOrder(log.text(), row.log), "") << log.text();
        if (row.warnings.empty()) {
            EXPECT_EQ(log.text().find(" works better with "), std::string::npos) << log.text();
        }
        // The check leaves the selection as it found it.
        Texts selected = row.selected;
        selected.insert(selected.end(), row.forced.begin(), row.forced.end());
        Texts now = catalogue->getSelectedReleaseIds();
        std::sort(selected.begin(), selected.end());
        std::sort(now.begin(), now.end());
        EXPECT_EQ(now, selected);
    }
}

// Every line of one examined pair, spacing included: scripts and support read these logs.
TEST_F(ReleasesCompatibilityCheck, WholeLogOfAWarning) {
    std::unique_ptr<BuildManager> catalogue =
        load({product("Tarnix", {"vemdo"}, {release("Tarnix 10.1", "10.1", {{"vemdo", "1.0"}, {"vemdo", "2.0"}})}),
              product("Vemdo", {}, {release("Vemdo 1.0", "1.0"), release("Vemdo 1.5", "1.5")})},
             {{keyPackage("vemdo"), "1.0-3"}});
    select(*catalogue, {"tarnix-10.1", "vemdo-1.5"});
    testutil::LogCapture log(3);
    ReleasesCompatibilityChecker checker(catalogue.get(), &debs->repo);
    catalogue->visit(checker);
    EXPECT_EQ(log.text(),
              "DEBUG: Checking selected releases for compatibility with each others.\n"
              "ReleasesCompatibilityChecker: check Tarnix 10.1\n"
              "  secondary Vemdo 1.0 is current, skip\n"
              "  secondary is Vemdo 1.5 checked and current, check it\n"
              "  debug: ReleasesCompatibilityChecker::isBestWith: have products Tarnix 10.1 and Vemdo 1.5 any best "
              "with link?... yes \n"
              "  ReleasesCompatibilityChecker::reportBest: here I need report that Tarnix 10.1 fit to Vemdo 1.5\n"
              "    ReleasesCompatibilityChecker::reportBest: iterate by Tarnix 10.1 best_with records \n"
              "   iter: vemdo - 1.0\n"
              "    check: currVersion=1.0\n"
              "     bestVersion is None, = currVersion, 1.0\n"
              "   iter: vemdo - 2.0\n"
              "    check: currVersion=2.0\n"
              "     currVersion > bestVersion, bestVersion = currVersion, 2.0\n"
              "Tarnix 10.1 works better with Vemdo 2.0, but Vemdo 1.5 was selected\n"
              "Vemdo 1.0 is currently installed, skip check\n"
              "ReleasesCompatibilityChecker: check Vemdo 1.5\n"
              "  secondary is Tarnix 10.1 checked and current, check it\n"
              "  debug: ReleasesCompatibilityChecker::isBestWith: have products Vemdo 1.5 and Tarnix 10.1 any best "
              "with link?... no \n");
    EXPECT_EQ(checker.errorText(), tarnixVemdo);
}

TEST_F(ReleasesCompatibilityCheck, TwoReleasesOfOneProductAreNeverAPair) {
    std::unique_ptr<BuildManager> catalogue = load(
        {product("Tarnix", {}, {release("Tarnix 9.5", "9.5", {{"tarnix", "10.1"}}), release("Tarnix 10.1", "10.1")})},
        {});
    ReleasesCompatibilityChecker checker(catalogue.get(), &debs->repo);
    const error e = raisedError(
        [&] { checker.isBestWith(*catalogue->findRelease("tarnix-9.5"), *catalogue->findRelease("tarnix-10.1")); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 ReleasesCompatibilityChecker, line 98.\n");
}

// A release whose state was never checked cannot be judged: the walk stops with the state's
// own error rather than guess.
TEST_F(ReleasesCompatibilityCheck, UncheckedStateStopsTheWalk) {
    testutil::TempDir root;
    writeSource(root.path(), {product("Tarnix", {}, {release("Tarnix 10.1", "10.1")})});
    FileFetcher fetcher(root.path() + "/", target.path());
    fetcher.quiet = true;
    BuildManager catalogue(&fetcher, "");
    ReleasesCompatibilityChecker checker(&catalogue, nullptr);
    const error e = raisedError([&] { catalogue.visit(checker); });
    EXPECT_EQ(e.text(), "release Tarnix 10.1 installation state not checked yet\n");
    EXPECT_FALSE(checker.isError());
    EXPECT_FALSE(checker.isWarning());
}

// The generated update source: vemdo names tarnix as incompatible, and tarnix 10.1 works best
// with VEMDO 4.1.
TEST_F(ReleasesCompatibilityCheck, OverUpdateSource) {
    const struct {
        const char* vemdo;
        const char* errors;
        const char* warnings;
        const char* bestWith;
    } rows[] = {
        {"vemdo-4.0", "The products 'VEMDO' and 'Tarnix' cannot be installed on the same server.",
         "\nTarnix 10.1 works better with VEMDO 4.1, but VEMDO 4.0 was selected",
         "tarnix|Tarnix|10.1: vemdo|VEMDO|4.1|4.0\n"},
        {"vemdo-4.1", "The products 'VEMDO' and 'Tarnix' cannot be installed on the same server.", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.vemdo);
        std::unique_ptr<BuildManager> catalogue = load(testutil::updateSource(), {});
        select(*catalogue, {"tarnix-10.1", row.vemdo});
        ReleasesCompatibilityChecker checker(catalogue.get(), &debs->repo);
        catalogue->visit(checker);
        EXPECT_EQ(checker.errorText(), row.errors);
        EXPECT_EQ(checker.warningText(), row.warnings);
        EXPECT_EQ(dump(checker.bestWithInfo()), row.bestWith);
    }
}

}  // namespace
