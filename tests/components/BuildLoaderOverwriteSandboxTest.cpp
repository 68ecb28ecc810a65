// A component replaced by an add-on's component of the same name keeps its settings' owner
// alive: read after the loader has gone, committed or not. Runs under the address sanitizer
// too (asan.BuildLoaderOverwrite).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "common/error.h"
#include "components/BuildLoading.h"
#include "components/Param.h"
#include "components/VnRadioGroup.h"
#include "support/InstalledDebs.h"
#include "support/UpdateSource.h"

namespace {

class BuildLoaderOverwrite : public testutil::InstalledCatalogueTest {};

TEST_F(BuildLoaderOverwrite, ReplacedComponentStaysReadableThroughItsSettings) {
    for (const bool commit : {true, false}) {
        SCOPED_TRACE(commit ? "committed" : "not committed");
        const std::string root = testutil::loadingSource();
        auto catalogue = checked({}, root);
        catalogue->selectRelease("tarnix", "tarnix-10.1");
        testutil::LoadRun run(debs->repo, root, target / (commit ? "committed" : "uncommitted"));
        {
            auto loader = run.loader(debs->repo);
            try {
                catalogue->visit(*loader);
            } catch (const error& e) {
                FAIL() << e.text();
            }
            if (commit) loader->commit();
        }
        // Every owner of every setting, read field by field after the loader is gone.
        std::vector<std::string> owners;
        for (const auto& param : run.params.getParams())
            for (const auto& owner : param->getComponents()) {
                std::string templates;
                for (const std::string& name : owner->templates) templates += name;
                owners.push_back(param->getId() + ": " + owner->name + " " + owner->getProductId() + " " +
                                 owner->getBuild()->config + " " + templates);
            }
        EXPECT_EQ((std::vector<std::string>{
                      "foo_greeting: foo tarnix tarnix/debian12/build.inf3 tarnix8-foo",
                      "foo_port: foo tarnix tarnix/debian12/build.inf3 tarnix8-foo",
                      "addon_greeting: foo tarnix addons/debian12/mail-addon.inf3 kv7-foo",
                  }),
                  owners);
        // The add-on's description allows the native package managers, but only release
        // builds decide that.
        EXPECT_FALSE(run.sources.nativePackageManagersAllowed);
        EXPECT_EQ(commit ? "base foo mardell lazy-feature [Mail transfer agent] [Tools] " : "",
                  testutil::nodeNames(run.components.nodes));
        // The radio group's members are plain pointers to the arena's components.
        for (const auto& node : run.components.nodes) {
            if (auto* radio = dynamic_cast<VnRadioGroup*>(node.get())) {
                for (const VnComponent* member : radio->members) EXPECT_EQ(radio, member->getRadioGroup());
            }
        }
    }
}

}  // namespace
