// Build loading over the build loading tree (make-update-source --build-loading): two
// products, an add-on replacing a component, a lazy add-on, groups, lists, include records
// and a description for a newer installer. The host is declared Debian 12 x86_64; the cases
// of other hosts run in forked children that declare theirs before the first detection.
#include "components/BuildLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "catalogue/BuildManager.h"
#include "catalogue/InstTypes.h"
#include "catalogue/Release.h"
#include "common/Opsys.h"
#include "common/error.h"
#include "components/BuildLoading.h"
#include "components/Param.h"
#include "components/TreeCatalogue.h"
#include "components/VnRadioGroup.h"
#include "components/VnSubGroup.h"
#include "packages/Package.h"
#include "packages/PkgManager.h"
#include "packages/internString.h"
#include "sources/SourceSysCache.h"
#include "sources/SourceTarnix.h"
#include "support/EnglishTest.h"
#include "support/FixtureServers.h"
#include "support/InstalledDebs.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "support/UpdateSource.h"
#include "updates/SelfUpgrade.h"

namespace {

using testutil::LoadRun;
using testutil::nodeNames;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

VnComponent* componentNamed(const ComponentManager::NodeList& nodes, const std::string& name) {
    for (const auto& node : nodes)
        if (auto* component = dynamic_cast<VnComponent*>(node.get()))
            if (component->name == name) return component;
    return nullptr;
}

template <class Group>
Group* groupNamed(const ComponentManager::NodeList& nodes, const std::string& name) {
    for (const auto& node : nodes)
        if (auto* group = dynamic_cast<Group*>(node.get()))
            if (group->description == name) return group;
    return nullptr;
}

bool pooled(const Repository& repo, const std::string& name) {
    return std::any_of(repo.pkgList.begin(), repo.pkgList.end(),
                       [&name](const Package* p) { return name == p->getName(); });
}

// Tarnix 10.1 (installed for the first time) and Mardell 2.0 (over the installed 1.0), with
// the add-on and the lazy add-on that fit Tarnix, loaded and committed.
class BuildLoaderTree : public testutil::InstalledCatalogueTest {
protected:
    void load() {
        root = testutil::loadingSource();
        catalogue = checked({{"vantrell-fixture-mardell-server", "1.0-1"}}, root);
        catalogue->selectRelease("tarnix", "tarnix-10.1");
        catalogue->selectRelease("mardell", "mardell-2.0");
        testutil::LogCapture capture(3);
        run.reset(new LoadRun(debs->repo, root, target / "download"));
        {
            auto loader = run->loader(debs->repo);
            loader->mardellInCatalogue = catalogue->hasProduct("mardell");
            catalogue->visit(*loader);
            loader->commit();
            removable = loader->getRemovablePackages();
        }
        log = capture.text();
    }

    const ComponentManager::NodeList& nodes() const { return run->components.nodes; }

    std::string root;
    std::unique_ptr<BuildManager> catalogue;
    std::unique_ptr<LoadRun> run;
    std::set<std::string> removable;
    std::string log;
};

TEST_F(BuildLoaderTree, TopLevelHoldsUngroupedComponentsInLoadingOrderThenTheNonEmptyGroups) {
    load();
    // Tarnix's "mardell" and Mardell's "base" are skipped, "vz-tools" does not fit a dedicated
    // host, so the group "Virtual" is empty and left out.
    EXPECT_EQ("base foo mardell filter spool webmail lazy-feature [Mail transfer agent] [Tools] ", nodeNames(nodes()));
    EXPECT_TRUE(contains(log, "Skip component mardell by some hack\n"));
    EXPECT_TRUE(contains(log, "Skip component base - it is already come from <include> product\n"));
    EXPECT_TRUE(contains(log, "Skip component vz-tools because incompatible environment\n"));
    EXPECT_FALSE(pooled(debs->repo, "vantrell-fixture-vz-tools"));
    EXPECT_FALSE(pooled(debs->repo, "vantrell-fixture-mardell-client"));
    EXPECT_TRUE(pooled(debs->repo, "vantrell-fixture-mardell-server"));
    VnComponent* mardell = componentNamed(nodes(), "mardell");
    ASSERT_TRUE(mardell);
    EXPECT_EQ("mardell", mardell->getProductId());

    auto* radio = groupNamed<VnRadioGroup>(nodes(), "Mail transfer agent");
    ASSERT_TRUE(radio);
    ASSERT_EQ(2u, radio->members.size());
    EXPECT_EQ("mta-light", radio->members[0]->name);
    EXPECT_EQ("mta-full", radio->members[1]->name);
    EXPECT_EQ("mta-light", radio->defaultMemberName);
    EXPECT_TRUE(radio->hasSwitchRules);
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"mta-light", "mta-full"}}), radio->allowedSwitches);

    auto* tools = groupNamed<VnSubGroup>(nodes(), "Tools");
    ASSERT_TRUE(tools);
    ASSERT_EQ(2u, tools->children.size());
    auto* toolA = dynamic_cast<VnComponent*>(tools->children[0].get());
    ASSERT_TRUE(toolA);
    EXPECT_EQ("tool-a", toolA->name);
    auto* extras = dynamic_cast<VnSubGroup*>(tools->children[1].get());
    ASSERT_TRUE(extras);
    EXPECT_TRUE(extras->isEmpty());

    EXPECT_TRUE(contains(log, "Debug: from inf 7 components\n"));
    EXPECT_TRUE(contains(log, "Debug: from inf 5 components\nmardell base filter spool webmail \n"));
    EXPECT_TRUE(contains(log, "BuildLoader: 2 releases processed\n"));
    EXPECT_FALSE(contains(log, "finish with unsuccess"));
}

TEST_F(BuildLoaderTree, ListsTemplatesDiskSpaceAndInstallationTypes) {
    load();
    // The install-kind release gets its own type and the two standard ones; the release that
    // upgrades the installed Mardell 1.0 gets none.
    const InstTypes::ProductTypes& tarnix = run->components.instTypes.forProduct("tarnix");
    std::vector<std::string> names;
    for (const auto& type : tarnix.types) names.push_back(type.name + "/" + std::to_string(type.kind));
    EXPECT_EQ((std::vector<std::string>{"Typical/0", "Full/1", "Custom/2"}), names);
    EXPECT_EQ("Install all components.", tarnix.types[1].description);
    EXPECT_EQ("Custom components selection. Recommended only for experienced users.", tarnix.types[2].description);
    EXPECT_EQ(Release::kind_update, catalogue->findRelease("mardell-2.0")->update_kind());
    for (const auto& entry : run->components.instTypes.products()) EXPECT_NE("mardell", entry.product_id);

    // Generated names: "tarnix8" without a prefix, "kv7" with one; listed names stay.
    EXPECT_EQ(std::vector<std::string>{"tarnix8"}, componentNamed(nodes(), "base")->templates);
    EXPECT_EQ(std::vector<std::string>{"kv7-mardell"}, componentNamed(nodes(), "mardell")->templates);
    EXPECT_EQ((std::vector<std::string>{"webmail-a", "webmail-b"}), componentNamed(nodes(), "webmail")->templates);
    EXPECT_TRUE(contains(log, "KV template name for component base was generated: tarnix8\n"));
    EXPECT_TRUE(contains(log, "Warning: kv_template_suffix is NOT defined in  tarnix/debian12/build.inf3\n"));
    EXPECT_EQ("debian-12-x86_64", run->sources.buildData->osTemplateName);

    // 100 MB from each release build in one directory.
    EXPECT_EQ(204800, run->components.diskUsage.at("/srv/shared"));
    EXPECT_EQ(1u, PkgManager::preferredPackages.count("vantrell-fixture-base"));
    EXPECT_EQ(std::vector<std::string>{"old-mailer"}, run->sources.buildData->forceRemovePackages);
    EXPECT_EQ((std::set<std::string>{"vantrell-fixture-mta-full", "vantrell-fixture-mta-light"}), removable);
    std::vector<std::string> dummies;
    for (const Package* package : debs->repo.pkgList)
        if (package->getType() == 'd') dummies.push_back(package->getName());
    EXPECT_EQ(2u, dummies.size());
    // The ports location is set for every build, also without ports data; the last build
    // loaded (the lazy add-on) leaves its own.
    EXPECT_EQ(root + "/addons/debian12//ports.tgz", run->sources.portsArchive);
    // Mardell's release build allows the native package managers.
    EXPECT_TRUE(run->sources.nativePackageManagersAllowed);

    // Release builds take the OS release name and parameters file; add-on builds do not.
    const auto tarnixBuild = catalogue->findRelease("tarnix-10.1")->SelectBestBuild(Opsys());
    EXPECT_EQ("bookworm", tarnixBuild->os_release_name);
    EXPECT_EQ("tarnix.ini", tarnixBuild->parameters_file);
    const auto addonBuild = componentNamed(nodes(), "foo")->getBuild();
    EXPECT_EQ("bookworm", addonBuild->description->os_release_name);
    EXPECT_EQ("", addonBuild->os_release_name);
}

TEST_F(BuildLoaderTree, AddonReplacesAComponentInPlaceAndLazyAddonKeepsItsBuild) {
    load();
    EXPECT_TRUE(contains(log, "Attach addon mail-addon-1.0 to release Tarnix 10.1\n"));
    EXPECT_TRUE(contains(log, "Overwrite component foo with component from <include>\n"));
    VnComponent* foo = componentNamed(nodes(), "foo");
    ASSERT_TRUE(foo);
    EXPECT_EQ(foo, nodes()[1].get());
    EXPECT_EQ("tarnix", foo->getProductId());
    EXPECT_EQ(std::vector<std::string>{"kv7-foo"}, foo->templates);

    // The settings of the replaced component still name it, and it is whole.
    const VnComponent* replaced = nullptr;
    const VnComponent* replacement = nullptr;
    for (const auto& param : run->params.getParams()) {
        if (param->getId() == "foo_greeting") replaced = param->getComponents().front().get();
        if (param->getId() == "addon_greeting") replacement = param->getComponents().front().get();
    }
    ASSERT_TRUE(replaced && replacement);
    EXPECT_EQ(foo, replacement);
    EXPECT_NE(foo, replaced);
    EXPECT_EQ("foo", replaced->name);
    EXPECT_EQ(std::vector<std::string>{"tarnix8-foo"}, replaced->templates);
    EXPECT_EQ("tarnix/debian12/build.inf3", replaced->getBuild()->config);

    // The lazy add-on's component carries its build, which has no source yet; the release
    // builds and the ordinary add-on have theirs.
    VnComponent* lazy = componentNamed(nodes(), "lazy-feature");
    ASSERT_TRUE(lazy);
    ASSERT_TRUE(lazy->getAddonBuild());
    EXPECT_EQ(lazy->getBuild(), lazy->getAddonBuild());
    EXPECT_FALSE(foo->getAddonBuild());
    std::vector<std::string> sourced;
    for (const auto& source : run->sources.sources)
        if (auto* tarnix = dynamic_cast<SourceTarnix*>(source.get())) sourced.push_back(tarnix->build.lock()->config);
    EXPECT_EQ((std::vector<std::string>{"tarnix/debian12/build.inf3", "mardell/debian12/build.inf3",
                                        "addons/debian12/mail-addon.inf3"}),
              sourced);
}

TEST_F(BuildLoaderTree, AddonsThatFitNoSelectedReleaseAreLeftOut) {
    root = testutil::loadingSource();
    catalogue = checked({}, root);
    catalogue->deselectAll();
    catalogue->selectRelease("mardell", "mardell-2.0");
    testutil::LogCapture capture(3);
    run.reset(new LoadRun(debs->repo, root, target / "download"));
    {
        auto loader = run->loader(debs->repo);
        catalogue->visit(*loader);
        loader->commit();
    }
    EXPECT_EQ("mardell base filter spool webmail ", nodeNames(nodes()));
    const std::string text = capture.text();
    EXPECT_TRUE(contains(text, "DEBUG: BuildLoader: visit addon mail-addon-1.0\n"));
    EXPECT_FALSE(contains(text, "Attach addon"));
    EXPECT_EQ(1u, run->guards.size());
}

// The first failure of a release's load ends the walk: an `error` comes back as
// ErrLoadRelease naming the release, anything else passes unchanged.
class BuildLoaderTreeFailures : public BuildLoaderTree {
protected:
    // Loads `releaseId` of tarnix from `location` (the tree's directory when empty); returns the
    // log; `failure` receives the ErrLoadRelease.
    std::string loadFailing(const std::string& releaseId, const std::string& location,
                            std::unique_ptr<BuildLoader::ErrLoadRelease>& failure) {
        root = testutil::loadingSource();
        catalogue = checked({}, root);
        catalogue->selectRelease("tarnix", releaseId);
        testutil::LogCapture capture(3);
        run.reset(new LoadRun(debs->repo, location.empty() ? root : location, target / "download"));
        {
            auto loader = run->loader(debs->repo);
            try {
                catalogue->visit(*loader);
                ADD_FAILURE() << "the load of " << releaseId << " did not fail";
            } catch (const BuildLoader::ErrLoadRelease& e) {
                failure.reset(new BuildLoader::ErrLoadRelease(e));
            }
            EXPECT_EQ(1u, loader->visitedReleases().size());
        }
        const std::string text = capture.text();
        EXPECT_TRUE(contains(text, "Warning: BuildLoader finish with unsuccess.\n"));
        return text;
    }
};

TEST_F(BuildLoaderTreeFailures, IncludeRecordIsFetchedThenRefused) {
    testutil::HttpServer server(testutil::loadingSource());
    std::unique_ptr<BuildLoader::ErrLoadRelease> failure;
    loadFailing("tarnix-10.2", server.url(), failure);
    ASSERT_TRUE(failure);
    EXPECT_EQ("(0,0,0,0)", testutil::codesOf(*failure));
    ASSERT_EQ(1u, failure->lines.size());
    EXPECT_EQ("  included components inside .build.inf3 temporary not supported", failure->lines.front());
    EXPECT_EQ(catalogue->findRelease("tarnix-10.2"), failure->release.lock());
    const std::vector<std::string> requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ("GET /tarnix/debian12/extra.inf3 HTTP/1.1", requests.back().substr(0, requests.back().find(" via=")));
}

TEST_F(BuildLoaderTreeFailures, IncludeRecordLeavingTheSourceIsRefusedBeforeAnyFetch) {
    std::unique_ptr<BuildLoader::ErrLoadRelease> failure;
    loadFailing("tarnix-10.3", "", failure);
    ASSERT_TRUE(failure);
    EXPECT_EQ("(1,1,1,3)", testutil::codesOf(*failure));
    EXPECT_TRUE(contains(failure->text(), "The file tarnix/../../outside.inf3 was not found.")) << failure->text();
    EXPECT_EQ(catalogue->findRelease("tarnix-10.3"), failure->release.lock());
}

TEST_F(BuildLoaderTreeFailures, DescriptionForANewerInstallerPassesThroughUnchanged) {
    root = testutil::loadingSource();
    catalogue = checked({}, root);
    catalogue->selectRelease("tarnix", "tarnix-11.0");
    testutil::LogCapture capture(3);
    LoadRun loading(debs->repo, root, target / "download");
    {
        auto loader = loading.loader(debs->repo);
        EXPECT_THROW(catalogue->visit(*loader), SelfUpgrade::NeedSelfUpgrade);
        EXPECT_EQ(1u, loader->visitedReleases().size());
    }
    EXPECT_EQ("999.0", SelfUpgrade::requiredVersion());
    const std::string text = capture.text();
    EXPECT_TRUE(contains(text, "DEBUG: BuildLoader: release visit failed (throwing an exception).\n"));
    EXPECT_TRUE(contains(text, "Warning: BuildLoader finish with unsuccess.\n"));
}

// Hosts other than the declared one: each case runs in a child that declares its host before
// anything detects one, loads Tarnix 10.1 with its add-ons and reports what it saw.
class BuildLoaderHosts : public testutil::EnglishTest {
protected:
    static std::string onHost(const std::string& vendor, const std::string& version, const std::string& environment,
                              const std::function<std::string(LoadRun&, BuildManager&, Repository&)>& body) {
        return testutil::inChild([&]() -> std::string {
            Opsys::override_os_name = "Linux";
            Opsys::override_os_vendor = vendor;
            Opsys::override_os_version = version;
            Opsys::override_os_arch = "x86_64";
            Opsys::override_environment = environment;
            testutil::TempDir downloads;
            testutil::InstalledDebs debs({});
            const std::string root = testutil::loadingSource();
            auto catalogue = testutil::checkedCatalogue(root, downloads.path(), debs.repo);
            catalogue->selectRelease("tarnix", "tarnix-10.1");
            LoadRun run(debs.repo, root, downloads / "load");
            return body(run, *catalogue, debs.repo);
        });
    }
};

TEST_F(BuildLoaderHosts, ReleaseWithoutABuildForTheHostFailsNamingIt) {
    const std::string seen = onHost("Debian", "11", "", [](LoadRun& run, BuildManager& catalogue, Repository& repo) {
        auto loader = run.loader(repo);
        try {
            catalogue.visit(*loader);
        } catch (const BuildLoader::ErrLoadRelease& e) {
            return testutil::codesOf(e) + " " + e.lines.front() + " | " + e.release.lock()->id + " | " +
                   std::to_string(loader->visitedReleases().size());
        }
        return std::string("no error");
    });
    EXPECT_EQ("(2,1,1,2) The release version you selected is not available for your operating system. | tarnix-10.1 | 1",
              seen);
}

TEST_F(BuildLoaderHosts, ComponentForContainersIsLoadedOnAContainerHost) {
    const std::string seen = onHost("Debian", "12", "bx", [](LoadRun& run, BuildManager& catalogue, Repository& repo) {
        auto loader = run.loader(repo);
        catalogue.visit(*loader);
        loader->commit();
        return nodeNames(run.components.nodes) + "| " + (pooled(repo, "vantrell-fixture-vz-tools") ? "pooled" : "not pooled");
    });
    // Nothing declared the mardell product here: tarnix keeps its "mardell".
    EXPECT_EQ("base foo mardell lazy-feature [Mail transfer agent] [Tools] [Container tools] | pooled", seen);
}

// The container template names of "md-publish" on SuSE 10 follow the PHP module installed,
// whatever the description lists; other versions and components keep the usual names.
TEST(BuildLoaderSuseTemplates, MdPublishIsCorrectedOnSuse10Only) {
    struct Row {
        std::string version;
        std::string installed;  // package cache file under tests/fixtures/components/suse, or none
        std::string component;
        std::vector<std::string> listed;
        std::string prefix;
        std::string expected;  // the names, then the log line of the correction, if any
    };
    const std::vector<Row> rows = {
        {"10.3", "php5.cache", "md-publish", {"listed"}, "p",
         "p-php5-md-publish | Info: KV templates for component md-publish was corrected: 'p-php5-md-publish'"},
        {"10", "php4.cache", "md-publish", {}, "p",
         "p-php4-md-publish | Info: KV templates for component md-publish was corrected: 'p-php4-md-publish'"},
        {"10.1", "", "md-publish", {}, "p",
         "p-php4-md-publish | Info: KV templates for component md-publish was corrected: 'p-php4-md-publish'"},
        // An empty prefix falls back as the generated names do.
        {"10.3", "php5.cache", "md-publish", {}, "",
         "tarnix8-php5-md-publish | Info: KV templates for component md-publish was corrected: "
         "'tarnix8-php5-md-publish'"},
        {"11", "php5.cache", "md-publish", {"a", "b"}, "p", "a b | "},
        {"9", "php5.cache", "md-publish", {}, "p", "p-md-publish | "},
        {"10.3", "php5.cache", "web", {}, "p", "p-web | "},
    };
    for (const Row& row : rows) {
        const std::string seen = testutil::inChild([&row]() -> std::string {
            Opsys::override_os_name = "Linux";
            Opsys::override_os_vendor = "SuSE";
            Opsys::override_os_version = row.version;
            Opsys::override_os_arch = "x86_64";
            Repository repo;
            std::unique_ptr<SourceSysCache> installed;
            if (!row.installed.empty()) {
                installed.reset(
                    new SourceSysCache(&repo, std::string(VN_FIXTURES_DIR) + "/components/suse/" + row.installed));
                repo.getBriefInfo();
            }
            testutil::TreeCatalogue suse("tarnix");
            SourceManager sources(repo);
            ComponentManager manager;
            BuildLoader loader(&repo, &manager, nullptr, &sources, nullptr, nullptr, nullptr);
            loader.committed = true;
            auto component = suse.component(*manager.arena(), row.component);
            // The name index is built now, so that its one-time log piece stays out of the line.
            repo.getPackagesByName(internString("apache2-mod_php5"));
            std::string corrected;
            {
                testutil::LogCapture log(3);
                loader.setKVTemplateNames(component.get(), row.listed, row.prefix);
                for (const std::string& line : testutil::splitLines(log.text()))
                    if (contains(line, "Info: KV")) corrected = line;
            }
            std::string names;
            for (const std::string& name : component->templates) names += (names.empty() ? "" : " ") + name;
            installed.reset();
            for (Package* p : repo.pkgList) delete p;
            for (Package* p : repo.removedPackages) delete p;
            return names + " | " + corrected;
        });
        EXPECT_EQ(row.expected, seen) << "SuSE " << row.version << " " << row.component << " " << row.installed;
    }
}

}  // namespace
