#ifndef VN_TESTS_WEBUI_WEBANSWERSRUN_H
#define VN_TESTS_WEBUI_WEBANSWERSRUN_H

// The engine's answers over a real tree: the catalogue of tests/fixtures/webui/components
// loaded by the build loader in a forked child (settings and host description are
// process-wide), the components' states detected from a package-cache file, and then one
// answer built and printed as compact XML.

#include <tinyxml.h>

#include <functional>
#include <memory>
#include <string>

#include "components/BuildLoading.h"
#include "reporting/ListingRun.h"
#include "support/TestUtil.h"
#include "webui/BackendProtocol.h"

namespace webanswers {

inline std::string fixture(const std::string& name) { return std::string(VN_FIXTURES_DIR) + "/webui/" + name; }

// The golden answer `name` of tests/fixtures/webui/answers, without its final line feed.
inline std::string golden(const std::string& name) {
    std::string text = testutil::readFile(fixture("answers/" + name));
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

inline std::string compact(const TiXmlNode& node) {
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    node.Accept(&printer);
    return printer.Str();
}

// Both releases selected and loaded, states detected, the base component selected and
// required as the driver does.
struct Loaded {
    explicit Loaded(const std::string& downloads)
        : catalogue(listingtest::readCatalogue(fixture("components"))),
          installed(fixture("components/installed.cache")),
          load(installed.repo, fixture("components"), downloads) {
        catalogue->checkInstallationState(&installed.repo);
        catalogue->deselectAll();
        catalogue->selectRelease("tarnix", "tarnix-12");
        catalogue->selectRelease("mardell", "mardell-3");
        load.loadSelected(*catalogue, installed.repo);
        load.components.selectBaseComponent();
    }

    std::shared_ptr<Param> setting(const std::string& id) { return testutil::findSetting(load.params, id); }
    VnComponent* component(const std::string& productId, const std::string& name) {
        struct Finder : ComponentManager::Visitor {
            void visit(VnComponent* c) override {
                if (!found && c->name == name && c->getProductId() == productId) found = c;
            }
            std::string productId;
            std::string name;
            VnComponent* found = nullptr;
        } finder;
        finder.productId = productId;
        finder.name = name;
        load.components.visit(finder);
        if (!finder.found) throw error(3, 1, 1, 3) << "no component " << productId << "/" << name;
        return finder.found;
    }

    std::unique_ptr<BuildManager> catalogue;
    listingtest::Installed installed;
    testutil::LoadRun load;
};

// In a child: loads the tree, lets `answer` fill a fresh answer and writes the answer's root
// as compact XML to the outcome's `out` (also when `build` raises an `error`, which lands in
// `raised`). What `build` writes to standard error is the outcome's `err`.
inline listingtest::Outcome answer(const std::function<void(Loaded&, BackendProtocol&)>& build) {
    return listingtest::run({}, [&](std::ostream& out) {
        testutil::TempDir downloads;
        Loaded run(downloads.path());
        BackendProtocol protocol;
        protocol.resetAnswer();
        try {
            build(run, protocol);
        } catch (...) {
            out << compact(*protocol.answerRoot());
            throw;
        }
        out << compact(*protocol.answerRoot());
    });
}

}  // namespace webanswers

#endif
