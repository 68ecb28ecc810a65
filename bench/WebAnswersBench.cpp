// The web engine's largest answers: the component list of 300 components in 20 groups with its
// printing, and the settings answer of 150 settings. A page waits for them: each should stay
// far below 50 ms.
#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

#include "GeneratedCatalogue.h"
#include "common/Messages.h"
#include "common/error.h"
#include "components/ComponentManager.h"
#include "components/ParamManager.h"
#include "components/VnComponent.h"
#include "components/VnRadioGroup.h"
#include "components/VnSubGroup.h"
#include "packages/Repository.h"
#include "webui/BackendProtocol.h"

namespace {

// The generated release, checked against an empty system: every release is a new
// installation there.
struct Catalogue : GeneratedCatalogue {
    Catalogue() { release->check_installation_state(&installed); }
    std::shared_ptr<VnComponent> component(ComponentManager& manager, const std::string& name, int status) const {
        auto c = GeneratedCatalogue::component(manager, name, status);
        c->setAvailableVersion("1.0-1");
        c->setAvailableBuildTime(1700000000);
        return c;
    }
    Repository installed;
};

// 300 components: 100 at the top, 10 sub-groups of 15, 10 radio groups of 5. Every third is
// selected, every tenth installed in an older version.
void makeTree(ComponentManager& manager, const Catalogue& cat) {
    int n = 0;
    auto next = [&](const std::string& name) {
        auto c = cat.component(manager, name, ++n % 10 == 0 ? 2 : 1);
        if (n % 3 == 0) c->setSelected(true);
        return c;
    };
    for (int i = 0; i < 100; ++i) manager.nodes.push_back(next("top" + std::to_string(i)));
    for (int g = 0; g < 10; ++g) {
        auto sub = std::make_shared<VnSubGroup>("sub" + std::to_string(g), "Section " + std::to_string(g), cat.release);
        for (int i = 0; i < 15; ++i) sub->children.push_back(next("s" + std::to_string(g) + "-" + std::to_string(i)));
        manager.nodes.push_back(sub);
    }
    for (int g = 0; g < 10; ++g) {
        auto radio = std::make_shared<VnRadioGroup>("r" + std::to_string(g), "Choice " + std::to_string(g), cat.release);
        for (int i = 0; i < 5; ++i) radio->addMember(next("r" + std::to_string(g) + "-" + std::to_string(i)).get());
        manager.nodes.push_back(radio);
    }
}

std::string printed(const TiXmlDocument& document) {
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.Str();
}

void BM_ComponentsAnswerOf300(benchmark::State& state) {
    Messages::setLocale("en_US");
    const Catalogue cat;
    ComponentManager manager;
    makeTree(manager, cat);
    BackendProtocol protocol;
    try {
        protocol.resetAnswer();
        protocol.sendComponents(&manager, {});
    } catch (const error& e) {
        state.SkipWithError(e.text().c_str());
        return;
    }
    for (auto _ : state) {
        protocol.resetAnswer();
        protocol.sendComponents(&manager, {});
        benchmark::DoNotOptimize(printed(*protocol.answer()));
    }
}
BENCHMARK(BM_ComponentsAnswerOf300)->Unit(benchmark::kMillisecond);

void BM_SettingsAnswerOf150(benchmark::State& state) {
    Messages::setLocale("en_US");
    static ComponentManager manager;
    static const Catalogue cat;
    // Never finished: a finished manager would write the answers file of the user running this.
    static ParamManager* params = new ParamManager;
    if (params->getParams().empty()) {
        // 15 components of 10 settings: strings, a group of two, an enum with a branch, a
        // boolean with a sub-setting.
        for (int c = 0; c < 15; ++c) {
            auto component = cat.component(manager, "c" + std::to_string(c), 1);
            component->setSelected(true);
            manager.nodes.push_back(component);
            TiXmlDocument doc;
            const std::string p = "p" + std::to_string(c) + "_";
            const std::string text =
                "<settings>"
                "<setting id=\"" + p + "0\" type=\"string\" default-value=\"v\"><name>N</name><description>D</description></setting>"
                "<setting id=\"" + p + "1\" type=\"integer\" min=\"1\" max=\"9\" default-value=\"5\"/>"
                "<setting id=\"" + p + "2\" type=\"password\"/>"
                "<group><description>G</description>"
                "<setting id=\"" + p + "3\" type=\"string\"/><setting id=\"" + p + "4\" type=\"string\"/></group>"
                "<setting id=\"" + p + "5\" type=\"enum\" default-value=\"a\"><choice id=\"a\"><name>A</name></choice>"
                "<choice id=\"b\"><name>B</name><setting id=\"" + p + "6\" type=\"string\"/></choice></setting>"
                "<setting id=\"" + p + "7\" type=\"boolean\" default-value=\"true\">"
                "<setting id=\"" + p + "8\" type=\"string\"/></setting>"
                "<setting id=\"" + p + "9\" type=\"string\"/>"
                "</settings>";
            doc.Parse(text.c_str());
            params->createFromElements(component.get(), doc.RootElement());
        }
        params->keepComponents(manager.arena());
    }
    BackendProtocol protocol;
    try {
        protocol.resetAnswer();
        protocol.sendComponentParams(params);
    } catch (const error& e) {
        state.SkipWithError(e.text().c_str());
        return;
    }
    for (auto _ : state) {
        protocol.resetAnswer();
        protocol.sendComponentParams(params);
        benchmark::DoNotOptimize(printed(*protocol.answer()));
    }
}
BENCHMARK(BM_SettingsAnswerOf150)->Unit(benchmark::kMillisecond);

}  // namespace
