// The console wizard's pages over large inputs: each page's work per screen should stay far
// below what a person notices (< 50 ms). Output goes to a null stream.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <tinyxml.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "GeneratedCatalogue.h"
#include "catalogue/BuildManager.h"
#include "common/Messages.h"
#include "components/ComponentManager.h"
#include "components/ParamManager.h"
#include "components/VnComponent.h"
#include "components/VnRadioGroup.h"
#include "components/VnSubGroup.h"
#include "packages/DebPackage.h"
#include "packages/Repository.h"
#include "sources/FileFetcher.h"
#include "wizard/TextDlgComponents.h"
#include "wizard/TextDlgOptions.h"
#include "wizard/TextDlgPackages.h"
#include "wizard/noClearScreen.h"

namespace {

// std::cout into nothing while it lives.
class NullOutput {
public:
    NullOutput() : old(std::cout.rdbuf(&sink)) {}
    ~NullOutput() { std::cout.rdbuf(old); }

private:
    struct Sink : std::streambuf {
        int overflow(int c) override { return c; }
        std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    } sink;
    std::streambuf* old;
};

using Catalogue = GeneratedCatalogue;

// 400 components: "base" and 99 more at the top, each requiring the one before; 20 sub-groups
// of 10; 20 radio groups of 5. Every tenth is installed in an older version.
void makeTree(ComponentManager& manager, const Catalogue& cat) {
    int n = 0;
    auto next = [&](const std::string& name) { return cat.component(manager, name, ++n % 10 == 0 ? 2 : 1); };
    std::string previous = "base";
    manager.nodes.push_back(next("base"));
    for (int i = 1; i < 100; ++i) {
        auto c = next("top" + std::to_string(i));
        c->requires.push_back(previous);
        previous = c->name;
        manager.nodes.push_back(c);
    }
    for (int g = 0; g < 20; ++g) {
        auto sub = std::make_shared<VnSubGroup>("sub" + std::to_string(g), "Section " + std::to_string(g), cat.release);
        for (int i = 0; i < 10; ++i) sub->children.push_back(next("s" + std::to_string(g) + "-" + std::to_string(i)));
        manager.nodes.push_back(sub);
    }
    for (int g = 0; g < 20; ++g) {
        auto radio = std::make_shared<VnRadioGroup>("r" + std::to_string(g), "Choice " + std::to_string(g), cat.release);
        for (int i = 0; i < 5; ++i) radio->addMember(next("r" + std::to_string(g) + "-" + std::to_string(i)).get());
        manager.nodes.push_back(radio);
    }
}

void BM_ComponentsPageOf400(benchmark::State& state) {
    Messages::setLocale("en_US");
    noClearScreen = true;
    char dir[] = "/tmp/vn-bench-wizard.XXXXXX";
    if (!::mkdtemp(dir)) {
        state.SkipWithError("no temporary directory");
        return;
    }
    FileFetcher fetcher(VN_FIXTURES_DIR "/wizard/components/", dir);
    fetcher.quiet = true;
    BuildManager buildManager(&fetcher, "");
    buildManager.getReleases().clear();
    const Catalogue cat;
    buildManager.getReleases().push_back(cat.release);
    NullOutput quiet;
    for (auto _ : state) {
        state.PauseTiming();
        auto manager = std::make_unique<ComponentManager>();
        makeTree(*manager, cat);
        VnComponent* toggled = dynamic_cast<VnComponent*>(manager->nodes[50].get());
        state.ResumeTiming();
        TextDlgComponents page(manager.get(), &buildManager);
        page.productIds = {"gen"};
        page.show();
        page.toggleComponent(toggled);
        state.PauseTiming();
        manager.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ComponentsPageOf400)->Unit(benchmark::kMillisecond);

void BM_PackagesPageOf5000(benchmark::State& state) {
    Messages::setLocale("en_US");
    Repository repo;
    std::vector<std::unique_ptr<Package>> owned;
    std::vector<const Package*> list;
    for (int i = 0; i < 5000; ++i) {
        const std::string name = "vn-bench-package-" + std::to_string(i);
        owned.emplace_back(new DebPackage(name, "2.0-1"));
        owned.back()->setType(i % 50 == 0 ? 'd' : 'u');
        list.push_back(owned.back().get());
        // Every other one is installed in an older version.
        if (i % 2 == 0) {
            Package* old = new DebPackage(name, "1.0-1");
            old->setType('s');
            repo.addPackage(old, nullptr);
        }
    }
    NullOutput quiet;
    for (auto _ : state) {
        TextDlgPackages page(list, &repo, false);
        page.show();
        benchmark::DoNotOptimize(page.upgradeCount);
    }
    for (Package* p : repo.pkgList) delete p;
    repo.pkgList.clear();
}
BENCHMARK(BM_PackagesPageOf5000)->Unit(benchmark::kMillisecond);

void BM_SettingsSummaryOf200(benchmark::State& state) {
    Messages::setLocale("en_US");
    noClearScreen = true;
    static ComponentManager manager;
    static const Catalogue cat;
    // Never finished: a finished manager would write the answers file of the user running this.
    static ParamManager* params = new ParamManager;
    if (params->getParams().empty()) {
        for (int c = 0; c < 20; ++c) {
            auto component = cat.component(manager, "c" + std::to_string(c), c % 4 == 0 ? 2 : 1);
            component->setSelected(true);
            manager.nodes.push_back(component);
            TiXmlElement settings("settings");
            for (int i = 0; i < 10; ++i) {
                TiXmlElement setting("setting");
                setting.SetAttribute("id", "p" + std::to_string(c) + "_" + std::to_string(i));
                setting.SetAttribute("type", "string");
                setting.SetAttribute("default-value", "value");
                settings.InsertEndChild(setting);
            }
            params->createFromElements(component.get(), &settings);
        }
        params->keepComponents(manager.arena());
    }
    NullOutput quiet;
    TextDlgOptions page(params);
    for (auto _ : state) {
        page.show();
        benchmark::DoNotOptimize(page.mode);
    }
}
BENCHMARK(BM_SettingsSummaryOf200)->Unit(benchmark::kMillisecond);

}  // namespace
