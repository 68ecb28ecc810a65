// The catalogue read from a real update source: the generated one (tests/fixtures/update-source)
// over HTTP on 127.0.0.1 and as a local directory, and small sources written here or copied
// from tests/fixtures/catalogue for the faults. Then the walks, lookups and selection.
#include "catalogue/BuildManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include "common/Log.h"
#include "common/error.h"
#include "sources/FileFetcher.h"
#include "support/EnglishTest.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "support/UpdateSource.h"
#include "updates/SelfUpgrade.h"

namespace {

namespace fs = boost::filesystem;
using testutil::codesOf;
using testutil::raisedError;
using testutil::splitLines;

const std::string debian = R"(os_name="Linux" os_vendor="Debian" os_version="12" os_arch="x86_64")";

std::string fixture(const std::string& name) { return std::string(VN_FIXTURES_DIR) + "/catalogue/" + name; }

// A local update source that the test writes file by file.
class SmallSource {
public:
    void write(const std::string& name, const std::string& content) {
        fs::create_directories(fs::path(path(name)).parent_path());
        testutil::writeFile(path(name), content);
    }
    // A file of tests/fixtures/catalogue under `name`.
    void copy(const std::string& name, const std::string& fixtureName) {
        write(name, testutil::readFile(fixture(fixtureName)));
    }
    std::string root() const { return dir.path(); }
    std::string path(const std::string& name) const { return dir / name; }

private:
    testutil::TempDir dir;
};

// A product list of the products (id, reference) and add-ons (id, reference, lazy) given.
std::string productList(const std::vector<std::pair<std::string, std::string>>& products,
                        const std::vector<std::pair<std::string, std::string>>& addons = {},
                        const std::string& extra = "") {
    std::ostringstream s;
    s << "<?xml version=\"1.0\"?>\n<vendors>\n" << extra << "  <vendor>\n    <products>\n";
    for (const auto& p : products)
        s << "      <product id=\"" << p.first << "\" name=\"Name of " << p.first << "\" reference=\"" << p.second
          << "\"/>\n";
    for (const auto& a : addons) s << "      <addon id=\"" << a.first << "\" reference=\"" << a.second << "\"/>\n";
    s << "    </products>\n  </vendor>\n</vendors>\n";
    return s.str();
}

// A product description whose releases (id, version) each have `builds` Debian builds.
std::string productDescription(const std::vector<std::pair<std::string, std::string>>& releases, int builds = 1) {
    std::ostringstream s;
    s << "<?xml version=\"1.0\"?>\n<product id=\"desc\">\n  <keypackages>\n    <keypackage>k</keypackage>\n"
      << "  </keypackages>\n";
    for (const auto& r : releases) {
        s << "  <release id=\"" << r.first << "\" name=\"" << r.first << "\" version=\"" << r.second
          << "\" upgrade_allowed_from=\"0.1\">\n";
        for (int i = 0; i < builds; ++i) s << "    <build " << debian << " config=\"b" << i << ".inf3\"/>\n";
        s << "  </release>\n";
    }
    s << "</product>\n";
    return s.str();
}

std::unique_ptr<BuildManager> load(const std::string& sourceDir, const std::string& sourceFile,
                                   const std::string& targetDir) {
    FileFetcher fetcher(sourceDir + sourceFile, targetDir);
    fetcher.quiet = true;
    return std::unique_ptr<BuildManager>(new BuildManager(&fetcher, sourceFile));
}

std::unique_ptr<BuildManager> load(const SmallSource& source, const std::string& sourceFile = "") {
    return load(source.root() + "/", sourceFile, source.root() + "/target");
}

std::vector<std::string> releaseIds(const BuildManager& catalogue) {
    std::vector<std::string> ids;
    for (const auto& r : catalogue.getReleases()) ids.push_back(r->id);
    return ids;
}

std::vector<std::string> configs(const BuildList& builds) {
    std::vector<std::string> result;
    for (const auto& b : builds) result.push_back(b->config);
    return result;
}

typedef std::vector<std::string> Texts;

// --- the generated update source ---------------------------------------------------------------

class BuildManagerFixtureSource : public testutil::EnglishTest, public ::testing::WithParamInterface<bool> {};

TEST_P(BuildManagerFixtureSource, ReadsReleasesBuildsAndAddonsInListOrder) {
    const bool overHttp = GetParam();
    testutil::TempDir target;
    std::unique_ptr<testutil::HttpServer> server;
    if (overHttp) server.reset(new testutil::HttpServer(testutil::updateSource()));
    std::unique_ptr<BuildManager> catalogue =
        load(overHttp ? server->url() : testutil::updateSource() + "/", "", target.path());

    EXPECT_EQ(releaseIds(*catalogue), (Texts{"tarnix-8.0", "tarnix-9.5", "tarnix-10.1", "vemdo-4.0", "vemdo-4.1"}));

    std::shared_ptr<Release> latest = catalogue->findRelease("tarnix-10.1");
    ASSERT_TRUE(latest);
    EXPECT_EQ(configs(latest->builds), (Texts{"tarnix/debian12/build.inf3", "tarnix/centos7/build.inf3"}));
    EXPECT_EQ(latest->builds[0]->base_dir, "tarnix");
    EXPECT_EQ(latest->builds[0]->getParent(), latest);
    EXPECT_EQ(latest->builds[1]->os_vendor, "CentOS");
    EXPECT_EQ(latest->upgrade_allowed_from.toString(), "9.0");
    EXPECT_EQ(latest->detailsUrl, "http://www.example.invalid/tarnix/10.1/[LOCALE]/notes.html");
    EXPECT_EQ(latest->bestWith, (std::multimap<std::string, std::string>{{"vemdo", "4.1"}}));
    EXPECT_EQ(configs(catalogue->findRelease("tarnix-9.5")->builds), Texts{"tarnix/debian12/build-9.5.inf3"});

    // The product takes the list entry's name; the conflict comes from the list.
    std::shared_ptr<Product> tarnix = catalogue->getProduct("tarnix");
    ASSERT_TRUE(tarnix);
    EXPECT_EQ(tarnix->name, "Tarnix");
    EXPECT_EQ(tarnix->keyPackages, std::vector<Texts>{Texts{"vantrell-fixture-core"}});
    EXPECT_EQ(tarnix->productSite, "http://www.example.invalid/tarnix/");
    EXPECT_EQ(catalogue->findRelease("tarnix-8.0")->product, tarnix);
    EXPECT_EQ(catalogue->getProduct("vemdo")->name, "VEMDO");
    EXPECT_EQ(catalogue->getProduct("vemdo")->incompatibleProducts, Texts{"tarnix"});

    const BuildManager::addons_t& addons = catalogue->getAddons();
    ASSERT_EQ(addons.size(), 2u);
    EXPECT_EQ(addons[0]->id, "fixture-addon-1.0");
    EXPECT_FALSE(addons[0]->lazy);
    EXPECT_EQ(addons[1]->id, "fixture-lazy-1.0");
    EXPECT_TRUE(addons[1]->lazy);
    EXPECT_EQ(configs(addons[0]->builds), Texts{"addons/debian12/addon.inf3"});
    EXPECT_FALSE(addons[0]->builds[0]->getParent());
    ASSERT_EQ(addons[0]->getCompatibility().size(), 1u);
    EXPECT_EQ(addons[0]->getCompatibility()[0].productId, "tarnix");
    EXPECT_EQ(addons[0]->getCompatibility()[0].to.toString(), "10.9");

    if (overHttp) {
        EXPECT_EQ(server->requests(),
                  (Texts{"GET /products.inf3 HTTP/1.1", "GET /tarnix/product.inf3 HTTP/1.1", "GET /vemdo/product.inf3 HTTP/1.1",
                         "GET /addons/fixture-addon.inf3 HTTP/1.1", "GET /addons/fixture-lazy.inf3 HTTP/1.1"}));
        EXPECT_TRUE(fs::is_regular_file(target / "tarnix/product.inf3"));
    } else {
        EXPECT_TRUE(fs::is_empty(target.path())) << "a local source is read where it lies";
    }
}

INSTANTIATE_TEST_SUITE_P(HttpAndLocal, BuildManagerFixtureSource, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Http" : "Local"; });

class BuildManagerSingleBuild : public testutil::EnglishTest {};

TEST_F(BuildManagerSingleBuild, ABuildDescriptionAsProductListIsOneReleaseOfOneBuild) {
    const std::string dir = testutil::updateSource() + "/tarnix/debian12/";
    std::unique_ptr<BuildManager> catalogue = load(dir, "build.inf3", testutil::TempDir().path());
    ASSERT_EQ(releaseIds(*catalogue), Texts{"tarnix-10.1"});
    const Release& release = *catalogue->getReleases()[0];
    EXPECT_EQ(release.product->id, "tarnix");
    EXPECT_EQ(release.product->name, "Tarnix");
    EXPECT_EQ(release.product->keyPackages, std::vector<Texts>{Texts{"vantrell-fixture-core"}});
    EXPECT_EQ(release.name, "Tarnix 10.1");
    EXPECT_EQ(release.upgrade_allowed_from.toString(), "9.0");
    ASSERT_EQ(release.builds.size(), 1u);
    const Build& build = *release.builds[0];
    EXPECT_EQ(build.config, "build.inf3");
    EXPECT_EQ(build.base_dir, "");
    EXPECT_EQ(build.os_release_name, "bookworm");
    EXPECT_EQ(build.os_vendor, "Debian");
    EXPECT_EQ(build.getParent().get(), &release);
    EXPECT_TRUE(catalogue->getAddons().empty());
}

TEST_F(BuildManagerSingleBuild, DisplayNamesOfTheKnownProducts) {
    const struct {
        const char* id;
        const char* name;
    } rows[] = {{"tarnix", "Tarnix"}, {"mardell", "Mardell"}, {"vemdo", "VEMDO"}, {"TARNIX", "TARNIX"}, {"other", "other"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        // The fixture's VEMDO build under another product id.
        std::string description = testutil::readFile(testutil::updateSource() + "/vemdo/debian12/build.inf3");
        const std::string id = "<product id=\"vemdo\">";
        ASSERT_NE(description.find(id), std::string::npos);
        description.replace(description.find(id), id.size(), std::string("<product id=\"") + row.id + "\">");
        SmallSource source;
        source.write("single.inf3", description);
        std::unique_ptr<BuildManager> catalogue = load(source, "single.inf3");
        ASSERT_EQ(catalogue->getReleases().size(), 1u);
        EXPECT_EQ(catalogue->getReleases()[0]->product->id, row.id);
        EXPECT_EQ(catalogue->getReleases()[0]->product->name, row.name);
    }
}

// --- which file is the product list --------------------------------------------------------------

class BuildManagerCandidates : public testutil::EnglishTest {};

TEST_F(BuildManagerCandidates, VersionsListIsReadWhenProductsListIsMissing) {
    SmallSource source;
    source.write("versions.inf3", productList({{"p", "p/product.inf3"}}));
    source.write("p/product.inf3", productDescription({{"r1", "1.0"}}));
    testutil::HttpServer server(source.root());
    std::unique_ptr<BuildManager> catalogue = load(server.url(), "", source.path("target"));
    EXPECT_EQ(releaseIds(*catalogue), Texts{"r1"});
    EXPECT_EQ(server.requests(), (Texts{"GET /products.inf3 HTTP/1.1", "GET /versions.inf3 HTTP/1.1",
                                        "GET /p/product.inf3 HTTP/1.1"}));
}

TEST_F(BuildManagerCandidates, NeitherListGivesOneLinePerCandidateInOrder) {
    SmallSource source;
    const std::string root = source.root() + "/";
    const error e = raisedError([&] { load(root, "", source.path("target")); });
    EXPECT_EQ(codesOf(e), "(1,1,1,2)");
    EXPECT_EQ(e.text(), "Failed to read the product information from the file: "
                        "Can't process products.inf3: The file " + root + "products.inf3 was not found.\n\n"
                        "Can't process versions.inf3: The file " + root + "versions.inf3 was not found.\n\n\n");

    // Over HTTP the lines carry the transfer errors, in the same order.
    testutil::HttpServer server(source.root());
    const error overHttp = raisedError([&] { load(server.url(), "", source.path("target")); });
    const std::string text = overHttp.text();
    const std::string::size_type first = text.find("Can't process products.inf3: ");
    const std::string::size_type second = text.find("Can't process versions.inf3: ");
    EXPECT_NE(first, std::string::npos) << text;
    EXPECT_NE(second, std::string::npos) << text;
    EXPECT_LT(first, second);
}

TEST_F(BuildManagerCandidates, ANamedListIsTheOnlyCandidate) {
    SmallSource source;
    source.write("products.inf3", productList({{"p", "p/product.inf3"}}));
    testutil::HttpServer server(source.root());
    const error e = raisedError([&] { load(server.url(), "x.inf3", source.path("target")); });
    EXPECT_EQ(codesOf(e), "(1,1,1,2)");
    EXPECT_NE(e.text().find("Can't process x.inf3: "), std::string::npos) << e.text();
    EXPECT_EQ(e.text().find("products.inf3"), std::string::npos) << e.text();
    EXPECT_EQ(server.requests(), Texts{"GET /x.inf3 HTTP/1.1"});
}

TEST_F(BuildManagerCandidates, AProductDescriptionAsListIsFetchedAgainUnderItsOwnName) {
    SmallSource source;
    source.write("single.inf3", R"(<product id="p" name="Single">
  <keypackages><keypackage>k</keypackage></keypackages>
  <release id="r1" name="R1" version="1.0" upgrade_allowed_from="0.5">
    <build )" + debian + R"( config="sub/b.inf3"/>
  </release>
</product>
)");
    testutil::HttpServer server(source.root());
    std::unique_ptr<BuildManager> catalogue = load(server.url(), "single.inf3", source.path("target"));
    EXPECT_EQ(server.requests(), (Texts{"GET /single.inf3 HTTP/1.1", "GET /single.inf3 HTTP/1.1"}));
    ASSERT_EQ(releaseIds(*catalogue), Texts{"r1"});
    EXPECT_EQ(catalogue->getReleases()[0]->product->name, "Single");
    EXPECT_EQ(configs(catalogue->getReleases()[0]->builds), Texts{"sub/b.inf3"});
}

// --- faults ----------------------------------------------------------------------------------------

struct FaultRow {
    const char* file;        // under tests/fixtures/catalogue
    bool isList;             // the product list itself; else tarnix's product description
    const char* codes;
    const char* message;     // English text; %L the list's path, %P the description's path
};

std::string expand(std::string text, const std::string& list, const std::string& product) {
    for (std::string::size_type at; (at = text.find("%L")) != std::string::npos;) text.replace(at, 2, list);
    for (std::string::size_type at; (at = text.find("%P")) != std::string::npos;) text.replace(at, 2, product);
    return text;
}

class BuildManagerFaults : public testutil::EnglishTest {};

TEST_F(BuildManagerFaults, EachBrokenFileRaisesItsError) {
    const FaultRow rows[] = {
        {"product/not-xml.inf3", false, "(1,1,1,3)", "Syntax error in file %P:\nError reading end tag."},
        {"product/no-root.inf3", false, "(1,1,1,3)", "An XML root element was not found in the file %P"},
        {"product/wrong-root.inf3", false, "(1,1,1,3)", "Syntax error in file %P:\nthe root element is incorrectly named."},
        {"product/empty-id.inf3", false, "(1,1,1,3)", "The 'id' attribute of the root element was not found in the file %P"},
        {"product/no-keypackages.inf3", false, "(1,1,1,3)", "The list of product's key packages was not found in the file %P"},
        // Only the first group is searched first: it must not be empty.
        {"product/first-group-empty.inf3", false, "(1,1,1,3)",
         "The list of product's key packages was not found in the file %P"},
        // XML faults inside a product description name the product list.
        {"product/keypackage-without-text.inf3", false, "(1,1,1,2)",
         "Can't parse %L: Text node not found in element 'keypackage' (row:4 col:5)"},
        {"product/no-release.inf3", false, "(1,1,1,3)", "There is no list of product release versions in the file %P"},
        {"product/release-without-id.inf3", false, "(1,1,1,3)",
         "The 'id' release version attribute was not found in file %P, at  (row 6, col 3)"},
        {"product/release-without-version.inf3", false, "(1,1,1,3)",
         "The 'version' release version attribute was not found in file %P, at  (row 6, col 3)"},
        {"product/release-without-upgrade-from.inf3", false, "(1,1,1,3)",
         "The 'upgrade_allowed_from' release version attribute was not found in file %P, at  (row 6, col 3)"},
        {"product/release-empty-version.inf3", false, "(1,1,1,3)", "Version is not specified. Error in Version, line 91."},
        {"product/build-without-arch.inf3", false, "(1,1,1,3)",
         "The 'os_arch' build attribute was not found in file %P at  (%P: row 8, col 5)"},
        {"product/build-without-config.inf3", false, "(1,1,1,3)",
         "The 'config' build attribute was not found in file %P, at  (%P: row 7, col 5)"},
        {"product/best-with-without-product.inf3", false, "(0,0,0,0)", "Empty prod_id in best_with"},
        {"product/best-with-empty-version.inf3", false, "(0,0,0,0)", "Empty version in prod_id=vemdo in best_with"},
        {"list/incompatible-without-prod-id.inf3", true, "(1,1,1,2)",
         "Can't parse %L: There is no attribute 'prod_id' in element incompatible_with (row:7 col:9)"},
        {"list/vendor-without-products.inf3", true, "(1,1,1,2)",
         "Can't parse %L: There is no child element 'products' in tag 'vendor'"},
        {"list/not-xml.inf3", true, "(1,1,1,2)", "Can't parse %L: Error reading end tag."},
        {"list/catalog-root.inf3", true, "(1,1,1,3)", "Unsupported config file"},
    };
    for (const FaultRow& row : rows) {
        SCOPED_TRACE(row.file);
        SmallSource source;
        if (row.isList) {
            source.copy("products.inf3", row.file);
        } else {
            source.write("products.inf3", productList({{"tarnix", "tarnix/product.inf3"}}));
            source.copy("tarnix/product.inf3", row.file);
        }
        source.write("vemdo/product.inf3", productDescription({{"v1", "1.0"}}));
        const error e = raisedError([&] { load(source); });
        EXPECT_EQ(codesOf(e), row.codes);
        EXPECT_EQ(e.text(), expand(row.message, source.path("products.inf3"), source.path("tarnix/product.inf3")) + "\n");
    }
}

TEST_F(BuildManagerFaults, ProductDescriptionRequiringANewerInstallerStopsTheRead) {
    // The demanded version is process-wide: each case runs in a child of its own.
    const struct {
        const char* label;
        bool inList;
    } rows[] = {{"product list", true}, {"product description", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string outcome = testutil::inChild([&] {
            SmallSource source;
            if (row.inList) {
                source.copy("products.inf3", "list/requires-newer-installer.inf3");
                source.write("tarnix/product.inf3", productDescription({{"r1", "1.0"}}));
            } else {
                source.write("products.inf3", productList({{"tarnix", "tarnix/product.inf3"}}));
                std::string text = productDescription({{"r1", "1.0"}});
                text.replace(text.find("  <keypackages>"), 0, "  <required_vantrell version=\"99.0\"/>\n");
                source.write("tarnix/product.inf3", text);
            }
            try {
                load(source);
            } catch (const SelfUpgrade::NeedSelfUpgrade&) {
                return std::string("need self-upgrade");
            } catch (const error& e) {
                return e.text();
            }
            return std::string("loaded");
        });
        EXPECT_EQ(outcome, "need self-upgrade");
    }
}

TEST_F(BuildManagerFaults, ReferencesThatLeaveTheSourceAreRefusedBeforeAnyRequest) {
    // curl would resolve the dots itself and ask for /etc/passwd: the log must show no request
    // after the ones for the files read before.
    const struct {
        const char* label;
        std::string list;
        const char* refused;
        Texts requests;
    } rows[] = {
        {"product", productList({{"tarnix", "../../etc/passwd"}}), "../../etc/passwd", {"GET /products.inf3 HTTP/1.1"}},
        {"add-on", productList({{"tarnix", "tarnix/product.inf3"}}, {{"a", "addons/../../x.inf3"}}),
         "addons/../../x.inf3", {"GET /products.inf3 HTTP/1.1", "GET /tarnix/product.inf3 HTTP/1.1"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        SmallSource source;
        source.write("products.inf3", row.list);
        source.write("tarnix/product.inf3", productDescription({{"r1", "1.0"}}));
        testutil::HttpServer server(source.root());
        const error e = raisedError([&] { load(server.url(), "", source.path("target")); });
        EXPECT_EQ(codesOf(e), "(1,1,1,3)");
        EXPECT_EQ(e.text(), std::string("The file ") + row.refused + " was not found.\n");
        EXPECT_EQ(server.requests(), row.requests);
        // A local source refuses it the same way.
        SmallSource local;
        local.write("products.inf3", row.list);
        local.write("tarnix/product.inf3", productDescription({{"r1", "1.0"}}));
        EXPECT_EQ(codesOf(raisedError([&] { load(local); })), "(1,1,1,3)");
    }
}

// --- what the product descriptions fill ---------------------------------------------------------

class BuildManagerProducts : public testutil::EnglishTest {};

TEST_F(BuildManagerProducts, TheEntryNamesTheProductAndTheReferencePlacesTheBuilds) {
    SmallSource source;
    source.write("products.inf3", R"(<vendors>
  <vendor>
    <products>
      <product id="deep" name="Deep Product" reference="dir/sub/x.inf3">
        <incompatible_with prod_id="flat"/>
        <incompatible_with prod_id="other"/>
      </product>
      <unknown id="skipped" reference="nosuch.inf3"/>
      <product id="flat" name="Flat Product" reference="flat.inf3"/>
    </products>
  </vendor>
  <vendor>
    <products/>
  </vendor>
</vendors>
)");
    source.write("dir/sub/x.inf3", R"(<product id="description-id" name="Description Name">
  <keypackages>
    <keypackage>k1</keypackage>
    <keypackage>k2</keypackage>
    <upgrade_code>U-1</upgrade_code>
    <product_code>P-1</product_code>
  </keypackages>
  <keypackages>
    <product_code>P-2</product_code>
  </keypackages>
  <active_icon src="icons/a.png"/>
  <active_icon src="icons/second.png"/>
  <disabled_icon/>
  <release id="d1" name="D1" version="2:1.5-3" upgrade_allowed_from="1.0">
    <build )" + debian + R"( config="b.inf3" deprecated="true" patches="p1.xml p2.xml"/>
    <build )" + debian + R"( config="c.inf3" deprecated="TRUE" environment="bx"/>
    <compatibility_info>
      <best_with product_id="flat">
        <version>3.0</version>
        <version>3.0</version>
      </best_with>
    </compatibility_info>
  </release>
</product>
)");
    source.write("flat.inf3", R"(<product id="f">
  <keypackages><keypackage>f</keypackage></keypackages>
  <release id="f1" name="F1" version="1.0" upgrade_allowed_from="1.0">
    <build )" + debian + R"( config="b.inf3"/>
  </release>
  <release id="f2" name="F2" version="2.0" upgrade_allowed_from="1.0">
  </release>
  <release id="f3" name="F3" version="3.0" upgrade_allowed_from="1.0">
    <build )" + debian + R"( config="sub/b.inf3"/>
    <compatibility_info/>
  </release>
</product>
)");
    testutil::LogCapture log(3);
    std::unique_ptr<BuildManager> catalogue = load(source);
    EXPECT_EQ(releaseIds(*catalogue), (Texts{"d1", "f1", "f3"}));

    std::shared_ptr<Product> deep = catalogue->getProduct("deep");
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->name, "Deep Product");
    EXPECT_FALSE(catalogue->getProduct("description-id"));
    EXPECT_EQ(deep->keyPackages, (std::vector<Texts>{{"k1", "k2"}, {}}));
    EXPECT_EQ(deep->upgradeCodes, Texts{"U-1"});
    EXPECT_EQ(deep->productCodes, (Texts{"P-1", "P-2"}));
    EXPECT_EQ(deep->incompatibleProducts, (Texts{"flat", "other"}));
    EXPECT_EQ(deep->activeIcon, "icons/a.png");
    EXPECT_EQ(deep->disabledIcon, "");
    EXPECT_EQ(deep->productSite, "");

    const Release& d1 = *catalogue->findRelease("d1");
    EXPECT_EQ(d1.version.toString(), "2:1.5-3");
    EXPECT_EQ(configs(d1.builds), (Texts{"dir/sub/b.inf3", "dir/sub/c.inf3"}));
    EXPECT_EQ(d1.builds[0]->base_dir, "dir/sub");
    EXPECT_TRUE(d1.builds[0]->deprecated);
    EXPECT_FALSE(d1.builds[1]->deprecated);
    EXPECT_EQ(d1.builds[0]->patches, Texts{"p1.xml p2.xml"});
    EXPECT_TRUE(d1.builds[1]->patches.empty());
    EXPECT_EQ(d1.builds[1]->environment, "bx");
    EXPECT_EQ(d1.builds[0]->os_release_name, "");
    EXPECT_EQ(d1.bestWith.count("flat"), 2u);

    EXPECT_EQ(catalogue->getProduct("flat")->name, "Flat Product");
    EXPECT_TRUE(catalogue->getProduct("flat")->incompatibleProducts.empty());
    EXPECT_EQ(configs(catalogue->findRelease("f3")->builds), Texts{"sub/b.inf3"});
    EXPECT_EQ(catalogue->findRelease("f3")->builds[0]->base_dir, "");

    const Texts lines = splitLines(log.text());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "In release f2 no builds"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "parseBestWith: product D1 best with flat 3.0"), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "parseBestWith: no compatibility info in F1"), 1);
}

TEST_F(BuildManagerProducts, AProductWhoseReleasesAllLackBuildsIsAbsent) {
    SmallSource source;
    source.write("products.inf3", productList({{"empty", "empty.inf3"}, {"full", "full.inf3"}}));
    // Without builds the release is dropped before its broken best-with data is read.
    source.write("empty.inf3", R"(<product id="e">
  <keypackages><keypackage>k</keypackage></keypackages>
  <release id="e1" name="E1" version="1.0" upgrade_allowed_from="1.0">
    <compatibility_info><best_with product_id=""/></compatibility_info>
  </release>
</product>
)");
    source.write("full.inf3", productDescription({{"f1", "1.0"}}));
    testutil::LogCapture log(1);
    std::unique_ptr<BuildManager> catalogue = load(source);
    EXPECT_EQ(releaseIds(*catalogue), Texts{"f1"});
    EXPECT_FALSE(catalogue->getProduct("empty"));
    EXPECT_EQ(log.text(), "In release e1 no builds\n");
}

// --- add-on descriptions are read as far as they go ----------------------------------------------

class BuildManagerAddons : public testutil::EnglishTest {};

TEST_F(BuildManagerAddons, AFaultEndsOnlyItsOwnFile) {
    const struct {
        const char* file;
        Texts addons;          // ids of the add-ons read from it, then "good" from the next file
        std::vector<size_t> builds;
        const char* logLine;   // its line at levels 1 and 2; %A the add-on file's path
    } rows[] = {
        {"addon/second-without-compatibility.inf3", {"a1", "good"}, {1, 1},
         "Error in parse %A: Absent compatibility_info in addon"},
        {"addon/no-compatible.inf3", {"good"}, {1}, "Error in parse %A: Absent compatible info in addon a1"},
        {"addon/compatible-without-to.inf3", {"good"}, {1},
         "Error in parse %A: Wrong addon's compat info: tarnix  from 1.0 to "},
        // The add-on keeps the builds read before the broken one; the next release is not read.
        {"addon/build-without-arch.inf3", {"a1", "good"}, {1, 1},
         "Error in parse %A: The 'os_arch' build attribute was not found in file %A at  (%A: row 8, col 5)"},
        {"addon/release-without-builds.inf3", {"a1", "a2", "good"}, {0, 1, 1}, "In Addon a1 no builds"},
        {"addon/wrong-root.inf3", {"good"}, {1}, "Error in parse %A: Root element name not match"},
        {"addon/not-xml.inf3", {"good"}, {1}, "Error in parse %A: Error reading end tag."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        SmallSource source;
        source.write("products.inf3",
                     productList({{"tarnix", "tarnix/product.inf3"}}, {{"a", "addons/a.inf3"}, {"g", "addons/good.inf3"}}));
        source.write("tarnix/product.inf3", productDescription({{"r1", "1.0"}}));
        source.copy("addons/a.inf3", row.file);
        source.write("addons/good.inf3", R"(<addon>
  <release id="good" name="Good" version="1.0">
    <compatibility_info><compatible product_id="tarnix" from_version="1.0" to_version="2.0"/></compatibility_info>
    <build )" + debian + R"( config="g.inf3"/>
  </release>
</addon>
)");
        testutil::LogCapture log(2);
        std::unique_ptr<BuildManager> catalogue = load(source);
        Texts ids;
        std::vector<size_t> builds;
        for (const auto& addon : catalogue->getAddons()) {
            ids.push_back(addon->id);
            builds.push_back(addon->builds.size());
        }
        EXPECT_EQ(ids, row.addons);
        EXPECT_EQ(builds, row.builds);
        EXPECT_EQ(releaseIds(*catalogue), Texts{"r1"});
        const std::string path = source.path("addons/a.inf3");
        std::string expected = row.logLine;
        for (std::string::size_type at; (at = expected.find("%A")) != std::string::npos;) expected.replace(at, 2, path);
        const Texts lines = splitLines(log.text());
        EXPECT_EQ(std::count(lines.begin(), lines.end(), expected), 1) << log.text();
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.compare(0, 15, "Error in parse ") == 0; }),
                  expected.compare(0, 15, "Error in parse ") == 0 ? 1 : 0)
            << log.text();
    }
}

TEST_F(BuildManagerAddons, AddonBuildsHaveNoParentAndTheirReferencesDirectory) {
    SmallSource source;
    source.write("products.inf3", R"(<vendors><vendor><products>
  <lazy_addon id="l" reference="top.inf3"/>
  <addon id="n" reference="x/y/nested.inf3"/>
</products></vendor></vendors>
)");
    const std::string addon = R"(<addon>
  <release>
    <compatibility_info>
      <compatible product_id="tarnix" from_version="1.0" to_version="2.0"/>
      <compatible product_id="vemdo" from_version="3.0" to_version="4.0"/>
    </compatibility_info>
    <build )" + debian + R"( config="b.inf3" patches="q.xml"/>
  </release>
</addon>
)";
    source.write("top.inf3", addon);
    source.write("x/y/nested.inf3", addon);
    testutil::LogCapture log(3);
    std::unique_ptr<BuildManager> catalogue = load(source);
    EXPECT_TRUE(catalogue->getReleases().empty());
    const BuildManager::addons_t& addons = catalogue->getAddons();
    ASSERT_EQ(addons.size(), 2u);
    EXPECT_TRUE(addons[0]->lazy);
    EXPECT_FALSE(addons[1]->lazy);
    EXPECT_EQ(addons[0]->id, "");
    EXPECT_EQ(addons[0]->getCompatibility().size(), 2u);
    EXPECT_EQ(configs(addons[0]->builds), Texts{"b.inf3"});
    EXPECT_EQ(configs(addons[1]->builds), Texts{"x/y/b.inf3"});
    EXPECT_EQ(addons[1]->builds[0]->base_dir, "x/y");
    EXPECT_EQ(addons[1]->builds[0]->patches, Texts{"q.xml"});
    EXPECT_FALSE(addons[1]->builds[0]->getParent());
    const Texts lines = splitLines(log.text());
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "Addon add build build for Linux Debian 12 x86_64 (x/y/b.inf3)"),
              1)
        << log.text();
}

// --- walks, lookups and selection -----------------------------------------------------------------

// Two products "p" and "q", each with releases r1 and r2, and one add-on.
std::unique_ptr<BuildManager> twoProducts(SmallSource& source) {
    source.write("products.inf3", productList({{"p", "p.inf3"}, {"q", "q.inf3"}}, {{"a", "a.inf3"}}));
    source.write("p.inf3", productDescription({{"r1", "1.0"}, {"r2", "2.0"}}, 3));
    source.write("q.inf3", productDescription({{"r1", "1.0"}, {"r2", "2.0"}}));
    source.write("a.inf3", R"(<addon><release id="a1">
  <compatibility_info><compatible product_id="p" from_version="1.0" to_version="2.0"/></compatibility_info>
  <build )" + debian + R"( config="a.inf3"/>
</release></addon>
)");
    return load(source);
}

// The calls of a walk, in order.
class Recorder : public BuildManager::Visitor {
public:
    void visitRelease(std::shared_ptr<Release> r) override { calls.push_back("visitRelease " + r->product->id + "/" + r->id); }
    void leaveRelease(std::shared_ptr<Release> r) override { calls.push_back("leaveRelease " + r->id); }
    void visitAddon(Addon& a) override { calls.push_back("visitAddon " + a.id); }
    void visitBuild(Build& b) override { calls.push_back("visitBuild " + b.config); }
    Texts calls;
};

// Only the three required slots: leaveRelease does nothing by default.
class Counter : public BuildManager::Visitor {
public:
    void visitRelease(std::shared_ptr<Release>) override { ++count; }
    void visitAddon(Addon&) override { ++count; }
    void visitBuild(Build&) override { ++count; }
    int count = 0;
};

class BuildManagerOperations : public testutil::EnglishTest {};

TEST_F(BuildManagerOperations, VisitWalksReleasesWithTheirBuildsThenTheAddons) {
    SmallSource source;
    std::unique_ptr<BuildManager> catalogue = twoProducts(source);
    Recorder recorder;
    const BuildManager& constant = *catalogue;
    constant.visit(recorder);
    EXPECT_EQ(recorder.calls,
              (Texts{"visitRelease p/r1", "visitBuild b0.inf3", "visitBuild b1.inf3", "visitBuild b2.inf3", "leaveRelease r1",
                     "visitRelease p/r2", "visitBuild b0.inf3", "visitBuild b1.inf3", "visitBuild b2.inf3", "leaveRelease r2",
                     "visitRelease q/r1", "visitBuild b0.inf3", "leaveRelease r1", "visitRelease q/r2",
                     "visitBuild b0.inf3", "leaveRelease r2", "visitAddon a1"}));
    Counter counter;
    catalogue->visit(counter);
    EXPECT_EQ(counter.count, 4 + 8 + 1);
}

TEST_F(BuildManagerOperations, SelectionByProductAndRelease) {
    SmallSource source;
    std::unique_ptr<BuildManager> catalogue = twoProducts(source);
    auto selected = [&] {
        std::string s;
        for (const auto& r : catalogue->getReleases()) s += r->selected ? "1" : "0";
        return s;
    };
    EXPECT_EQ(selected(), "0000");
    EXPECT_FALSE(catalogue->hasProduct("p"));

    catalogue->selectRelease("", "r1");
    EXPECT_EQ(selected(), "1010");
    EXPECT_EQ(catalogue->getSelectedReleaseIds(), (Texts{"r1", "r1"}));

    catalogue->selectRelease("p", "r2");
    EXPECT_EQ(selected(), "0110") << "q's selection stays";
    EXPECT_TRUE(catalogue->hasProduct("p"));
    EXPECT_TRUE(catalogue->hasProduct("q"));
    EXPECT_FALSE(catalogue->hasProduct("nosuch"));

    const error noProduct = raisedError([&] { catalogue->selectRelease("nosuch", "r"); });
    EXPECT_EQ(codesOf(noProduct), "(2,1,1,2)");
    EXPECT_EQ(noProduct.text(), "There is no product with ID nosuch\n");
    EXPECT_EQ(selected(), "0110");

    const error noRelease = raisedError([&] { catalogue->selectRelease("p", "r9"); });
    EXPECT_EQ(codesOf(noRelease), "(2,1,1,2)");
    EXPECT_EQ(noRelease.text(), "There is no release with ID r9 in p\n");
    EXPECT_EQ(selected(), "0010") << "every release of p is left deselected";
    EXPECT_FALSE(catalogue->hasProduct("p"));

    catalogue->deselectProduct("q");
    EXPECT_EQ(selected(), "0000");
    catalogue->selectRelease("", "r2");
    catalogue->deselectAll();
    EXPECT_EQ(selected(), "0000");
    EXPECT_TRUE(catalogue->getSelectedReleaseIds().empty());
}

TEST_F(BuildManagerOperations, SelectionInAnEmptyCatalogueNamesTheProduct) {
    SmallSource source;
    source.write("products.inf3", productList({}));
    std::unique_ptr<BuildManager> catalogue = load(source);
    const error e = raisedError([&] { catalogue->selectRelease("", "r1"); });
    EXPECT_EQ(codesOf(e), "(2,1,1,2)");
    EXPECT_EQ(e.text(), "There is no product with ID \n");
}

TEST_F(BuildManagerOperations, LookupsByProductAndRelease) {
    SmallSource source;
    std::unique_ptr<BuildManager> catalogue = twoProducts(source);
    EXPECT_EQ(catalogue->findRelease("r2"), catalogue->getReleases()[1]) << "the first r2, of p";
    EXPECT_FALSE(catalogue->findRelease("r9"));
    EXPECT_EQ(catalogue->getProduct("q"), catalogue->getReleases()[2]->product);
    EXPECT_FALSE(catalogue->getProduct("nosuch"));
    EXPECT_EQ(catalogue->getLatestReleaseId("p"), "r2");
    EXPECT_EQ(catalogue->getLatestReleaseId("nosuch"), "");
}

TEST_F(BuildManagerOperations, LatestReleaseKeepsTheEarlierOnATieAndNeverTakesVersionZero) {
    const struct {
        const char* label;
        std::vector<std::pair<std::string, std::string>> releases;
        const char* latest;
    } rows[] = {
        {"tie", {{"a", "1.0"}, {"b", "2.0"}, {"c", "2.0"}}, "b"},
        {"lone zero", {{"z", "0"}}, ""},
        {"zero first", {{"z", "0"}, {"y", "0.1"}}, "y"},
        {"epoch wins", {{"e", "1:1.0"}, {"n", "9.0"}}, "e"},
        {"release part", {{"a", "2.0-1"}, {"b", "2.0-2"}, {"c", "1.9"}}, "b"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        SmallSource source;
        source.write("products.inf3", productList({{"p", "p.inf3"}}));
        source.write("p.inf3", productDescription(row.releases));
        EXPECT_EQ(load(source)->getLatestReleaseId("p"), row.latest);
    }
}

TEST_F(BuildManagerOperations, RemoveWeakPtrErasesOnlyTheEntryItPointsTo) {
    SmallSource source;
    std::unique_ptr<BuildManager> catalogue = twoProducts(source);
    BuildManager::releases_t& list = catalogue->getReleases();
    const std::shared_ptr<Release> second = list[1];

    removeWeakPtr(list, std::weak_ptr<Release>(second));
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(std::find(list.begin(), list.end(), second), list.end());

    // Not in the list (any more): nothing changes.
    removeWeakPtr(list, std::weak_ptr<Release>(second));
    EXPECT_EQ(list.size(), 3u);

    std::weak_ptr<Release> expired;
    {
        auto gone = std::make_shared<Release>(second->product, "gone", "", "1.0", "1.0");
        expired = gone;
    }
    EXPECT_THROW(removeWeakPtr(list, expired), boost::bad_weak_ptr);
    EXPECT_EQ(list.size(), 3u);
    BuildManager::releases_t empty;
    EXPECT_NO_THROW(removeWeakPtr(empty, expired));
}

}  // namespace
