// Build loading over the generated update source on a host declared Debian 12 x86_64.
#include "components/BuildLoader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/BuildManager.h"
#include "catalogue/InstTypes.h"
#include "catalogue/ProductInf3FileGuard.h"
#include "common/Opsys.h"
#include "common/error.h"
#include "components/BuildLoading.h"
#include "components/ComponentManager.h"
#include "components/ParamManager.h"
#include "components/SourceManager.h"
#include "components/VnComponent.h"
#include "components/VnGroup.h"
#include "components/VnRadioGroup.h"
#include "packages/Package.h"
#include "packages/PkgManager.h"
#include "sources/FileFetcher.h"
#include "sources/Source.h"
#include "support/InstalledDebs.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "support/UpdateSource.h"
#include "updates/MicroUpdateManager.h"

namespace {

using testutil::LoadRun;
using testutil::nodeNames;

class BuildLoaderTest : public testutil::InstalledCatalogueTest {};

TEST_F(BuildLoaderTest, LoadsSelectedReleasesAndAddonsIntoTheTree) {
    const std::string root = testutil::updateSource();
    auto catalogue = checked({}, root);
    catalogue->selectRelease("tarnix", "tarnix-10.1");
    catalogue->selectRelease("vemdo", "vemdo-4.1");
    testutil::LogCapture log(3);
    LoadRun run(debs->repo, root, target / "download");
    {
        auto loader = run.loader(debs->repo);
        catalogue->visit(*loader);
        loader->commit();
        EXPECT_EQ(2u, loader->visitedReleases().size());
        EXPECT_EQ((std::set<std::string>{"vantrell-fixture-mta-full", "vantrell-fixture-mta-light"}),
                  loader->getRemovablePackages());
    }
    // Ungrouped components in loading order, then the non-empty group.
    EXPECT_EQ("base web vemdo addon-feature lazy-feature [Mail transfer agent] ", nodeNames(run.components.nodes));
    const std::string text = log.text();
    EXPECT_NE(std::string::npos, text.find("BuildLoader: 2 releases processed\n"));
    EXPECT_NE(std::string::npos, text.find("Debug: from inf 4 components\n"));
    EXPECT_NE(std::string::npos, text.find("Attach addon fixture-addon-1.0 to release Tarnix 10.1\n"));
    EXPECT_NE(std::string::npos, text.find("Warning: kv_template_suffix is NOT defined in  tarnix/debian12/build.inf3\n"));
    EXPECT_EQ(std::string::npos, text.find("finish with unsuccess"));
    EXPECT_EQ(4u, run.guards.size());

    // Generated template names, no prefix.
    auto* base = dynamic_cast<VnComponent*>(run.components.nodes[0].get());
    auto* web = dynamic_cast<VnComponent*>(run.components.nodes[1].get());
    ASSERT_TRUE(base && web);
    EXPECT_EQ(std::vector<std::string>{"tarnix8"}, base->templates);
    EXPECT_EQ(std::vector<std::string>{"tarnix8-web"}, web->templates);
    EXPECT_EQ(std::vector<std::string>{"base"}, web->requires);

    // The add-ons report the product of the release they were attached to; only the lazy one
    // carries its build, and has no source of it in the manager.
    auto* addon = dynamic_cast<VnComponent*>(run.components.nodes[3].get());
    auto* lazy = dynamic_cast<VnComponent*>(run.components.nodes[4].get());
    ASSERT_TRUE(addon && lazy);
    EXPECT_EQ("tarnix", addon->getProductId());
    EXPECT_EQ("tarnix", lazy->getProductId());
    EXPECT_FALSE(addon->getAddonBuild());
    ASSERT_TRUE(lazy->getAddonBuild());
    EXPECT_EQ(lazy->getBuild(), lazy->getAddonBuild());
    // Release and add-on builds each add a distribution source; the lazy one does not.
    EXPECT_EQ(3u, run.sources.sources.size());

    // Installation types: the declared one, then Full and Custom, for the product installed
    // for the first time.
    const InstTypes::ProductTypes& types = run.components.instTypes.forProduct("tarnix");
    ASSERT_EQ(3u, types.types.size());
    EXPECT_EQ("Typical", types.types[0].name);
    EXPECT_EQ("Full", types.types[1].name);
    EXPECT_EQ("Install all components.", types.types[1].description);
    EXPECT_EQ(InstTypes::kind_full, types.types[1].kind);
    EXPECT_EQ("Custom", types.types[2].name);
    EXPECT_EQ("Custom components selection. Recommended only for experienced users.", types.types[2].description);
    EXPECT_EQ(InstTypes::kind_custom, types.types[2].kind);

    // Disk needs add up over the builds: 5 MiB + 1 MiB for vemdo and each add-on.
    EXPECT_EQ(8192, run.components.diskUsage.at("/opt/vantrell-fixture"));
    EXPECT_EQ(1u, PkgManager::preferredPackages.count("vantrell-fixture-core"));
    EXPECT_TRUE(run.sources.configSource);
    EXPECT_EQ("bookworm", catalogue->findRelease("tarnix-10.1")->SelectBestBuild(Opsys())->os_release_name);

    // Removable names became dummies obsoleting them.
    int dummies = 0;
    for (const Package* package : debs->repo.pkgList)
        if (package->getType() == 'd') ++dummies;
    EXPECT_EQ(2, dummies);
}

TEST_F(BuildLoaderTest, NoSelectedReleaseCommitsAnEmptyTree) {
    const std::string root = testutil::updateSource();
    auto catalogue = checked({}, root);
    catalogue->deselectAll();
    testutil::LogCapture log(3);
    LoadRun run(debs->repo, root, target / "download");
    auto loader = run.loader(debs->repo);
    catalogue->visit(*loader);
    loader->commit();
    EXPECT_TRUE(run.components.nodes.empty());
    const std::string text = log.text();
    const auto warning = text.find("Warning: no any release selected!\n");
    ASSERT_NE(std::string::npos, warning);
    EXPECT_NE(std::string::npos, text.find("BuildLoader: 0 releases processed\n", warning));
}

TEST_F(BuildLoaderTest, LoaderDestroyedWithoutCommitWarns) {
    const std::string root = testutil::updateSource();
    auto catalogue = checked({}, root);
    testutil::LogCapture log(3);
    LoadRun run(debs->repo, root, target / "download");
    run.loader(debs->repo).reset();
    EXPECT_NE(std::string::npos, log.text().find("DEBUG: BuildLoader::BuildLoader() entry\n"));
    EXPECT_NE(std::string::npos, log.text().find("Warning: BuildLoader finish with unsuccess.\n"));
}

// A description that cannot be fetched fails the load of its release, which the error names
// and which stays counted.
TEST_F(BuildLoaderTest, AFailedFetchNamesTheRelease) {
    testutil::UpdateSourceCopy copy;
    auto catalogue = checked({}, copy.path());
    catalogue->selectRelease("vemdo", "vemdo-4.1");
    ASSERT_EQ(0, unlink((copy / "vemdo/debian12/build.inf3").c_str()));
    testutil::LogCapture log(3);
    LoadRun run(debs->repo, copy.path(), target / "download");
    {
        auto loader = run.loader(debs->repo);
        try {
            catalogue->visit(*loader);
            ADD_FAILURE() << "no error";
        } catch (const BuildLoader::ErrLoadRelease& e) {
            EXPECT_EQ(catalogue->findRelease("vemdo-4.1"), e.release.lock());
            EXPECT_EQ("(4,2,1,1)", testutil::codesOf(e));
        }
        EXPECT_EQ(1u, loader->visitedReleases().size());
    }
    EXPECT_NE(std::string::npos, log.text().find("Warning: BuildLoader finish with unsuccess.\n"));
}

}  // namespace
