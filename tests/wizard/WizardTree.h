#ifndef VN_TESTS_WIZARD_WIZARDTREE_H
#define VN_TESTS_WIZARD_WIZARDTREE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/BuildManager.h"
#include "common/error.h"
#include "components/ComponentManager.h"
#include "components/Param.h"
#include "components/ParamManager.h"
#include "components/VnComponent.h"
#include "components/BuildLoading.h"
#include "support/InstalledDebs.h"
#include "wizard/noClearScreen.h"

namespace wizardtest {

typedef std::vector<std::pair<std::string, std::string>> Installed;

// The catalogue of tests/fixtures/wizard/components: Alpha Server (alpha-2.0) with a full tree
// and every kind of setting, Beta Mail (beta-3.0) with two components.
inline std::string catalogueRoot() { return VN_FIXTURES_DIR "/wizard/components"; }

// The usual host: web older than offered (upgrade), docs and the light mail agent as offered
// (up to date); nothing else installed, so "broken", which has no package, is unavailable.
inline Installed usualHost() {
    return {{"vnwiz-web", "1.0-1"}, {"vnwiz-docs", "2.0-1"}, {"vnwiz-mta-light", "2.0-1"}};
}

// The tree as the wizard's loading steps make it: the catalogue checked against the installed
// packages (a dpkg-query over a status file of the test), the chosen releases selected, their
// builds loaded, then every component's installed state detected. Reads the shared progress
// record: sandbox tests only.
class WizardTreeTest : public testutil::InstalledCatalogueTest {
protected:
    void SetUp() override {
        InstalledCatalogueTest::SetUp();
        noClearScreen = true;
    }
    void TearDown() override {
        noClearScreen = false;
        loaded.reset();
        catalogue.reset();
        InstalledCatalogueTest::TearDown();
    }

    void load(const Installed& installed = usualHost(),
              const std::vector<std::pair<std::string, std::string>>& releases = {{"alpha", "alpha-2.0"},
                                                                                   {"beta", "beta-3.0"}}) {
        loaded.reset();
        catalogue = checked(installed, catalogueRoot());
        catalogue->deselectAll();
        for (const auto& r : releases) catalogue->selectRelease(r.first, r.second);
        loaded.reset(new testutil::LoadRun(debs->repo, catalogueRoot(), target / "download"));
        loaded->loadSelected(*catalogue, debs->repo);
    }

    ComponentManager& tree() { return loaded->components; }
    ParamManager& params() { return loaded->params; }

    // The component of that product and name; none fails the test with an error.
    VnComponent& component(const std::string& productId, const std::string& name) {
        struct Finder : ComponentManager::Visitor {
            void visit(VnComponent* c) override {
                if (!found && c->getProductId() == productId && c->name == name) found = c;
            }
            std::string productId, name;
            VnComponent* found = nullptr;
        } finder;
        finder.productId = productId;
        finder.name = name;
        tree().visit(finder);
        if (!finder.found) throw error(3, 1, 1, 3) << "no component " << productId << "/" << name;
        return *finder.found;
    }

    // The setting of that id.
    std::shared_ptr<Param> param(const std::string& id) { return testutil::findSetting(params(), id); }

    std::unique_ptr<BuildManager> catalogue;
    std::unique_ptr<testutil::LoadRun> loaded;
};

}  // namespace wizardtest

#endif
