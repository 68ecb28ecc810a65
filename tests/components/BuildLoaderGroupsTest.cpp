// Group nodes and container template names of build loading, over hand-made records.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/BuildInfFile.h"
#include "components/BuildLoader.h"
#include "components/ComponentArena.h"
#include "components/ComponentManager.h"
#include "components/SourceManager.h"
#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "components/VnRadioGroup.h"
#include "components/VnSubGroup.h"
#include "packages/Repository.h"
#include "support/LogCapture.h"

namespace {

using testutil::TreeCatalogue;

BuildInfFile::group_t group(const std::string& name, bool radio, const std::vector<std::string>& members) {
    BuildInfFile::group_t g;
    g.name = name;
    g.description = name + " group";
    g.radio = radio;
    g.components = members;
    return g;
}

struct Loaded {
    explicit Loaded(const std::vector<std::string>& names, const TreeCatalogue& tree) {
        for (const std::string& name : names) {
            BuildLoader::LoadedComponent entry;
            entry.component = tree.component(arena, name);
            list.push_back(entry);
        }
    }
    ComponentArena arena;
    BuildLoader::LoadedComponents list;
};

TEST(BuildLoaderGroups, RadioGroupTakesMembersOfItsProductOnly) {
    TreeCatalogue tarnix("tarnix");
    TreeCatalogue vemdo("vemdo");
    Loaded loaded({"light", "full"}, tarnix);
    BuildLoader::LoadedComponent other;
    other.component = vemdo.component(loaded.arena, "light");
    loaded.list.insert(loaded.list.begin(), other);

    BuildInfFile::group_t record = group("mta", true, {"light", "full", "missing"});
    record.default_component = "full";
    record.has_switch_rules = true;
    record.allowed_switches = {{"light", "full"}};
    record.subgroups.push_back(group("ignored", false, {}));
    testutil::LogCapture log(3);
    auto node = BuildLoader::makeGroupNode(record, loaded.list, tarnix.release);
    auto* radio = dynamic_cast<VnRadioGroup*>(node.get());
    ASSERT_TRUE(radio);
    EXPECT_EQ("full", radio->defaultMemberName);
    EXPECT_TRUE(radio->hasSwitchRules);
    EXPECT_FALSE(loaded.list[0].grouped);  // vemdo's "light"
    EXPECT_TRUE(loaded.list[1].grouped);
    EXPECT_TRUE(loaded.list[2].grouped);
    EXPECT_EQ(radio, loaded.list[1].component->getRadioGroup());
    EXPECT_NE(std::string::npos,
              log.text().find("components group warning: unable to find specified component missing for group mta, "
                              "ignore\n"));
}

TEST(BuildLoaderGroups, SubGroupKeepsEmptyNestedGroupsAndAComponentStaysInItsFirstGroup) {
    TreeCatalogue tarnix("tarnix");
    Loaded loaded({"a", "b"}, tarnix);
    testutil::LogCapture log(3);
    auto first = BuildLoader::makeGroupNode(group("one", false, {"a"}), loaded.list, tarnix.release);
    BuildInfFile::group_t second = group("two", false, {"a", "b", "none"});
    second.subgroups.push_back(group("empty", false, {}));
    auto node = BuildLoader::makeGroupNode(second, loaded.list, tarnix.release);
    auto* sub = dynamic_cast<VnSubGroup*>(node.get());
    ASSERT_TRUE(sub);
    ASSERT_EQ(2u, sub->children.size());
    EXPECT_EQ(loaded.list[1].component, sub->children[0]);
    auto* nested = dynamic_cast<VnSubGroup*>(sub->children[1].get());
    ASSERT_TRUE(nested);
    EXPECT_TRUE(nested->isEmpty());
    EXPECT_EQ(1u, dynamic_cast<VnSubGroup*>(first.get())->children.size());
    const std::string text = log.text();
    EXPECT_NE(std::string::npos,
              text.find("components group warning: component a is already in a group, ignore for group two\n"));
    EXPECT_NE(std::string::npos,
              text.find("Components grouping warning: unable to find component with name none for group 'two'\n"));
}

TEST(BuildLoaderTemplates, GeneratedNamesTakeThePrefixOrTheDefaultBase) {
    struct Row {
        std::string component;
        std::vector<std::string> listed;
        std::string prefix;
        std::vector<std::string> expected;
    };
    const std::vector<Row> rows = {
        {"base", {}, "", {"tarnix8"}},
        {"foo", {}, "", {"tarnix8-foo"}},
        {"base", {}, "kv7", {"kv7"}},
        {"foo", {}, "kv7", {"kv7-foo"}},
        {"foo", {"given", "other"}, "kv7", {"given", "other"}},
    };
    TreeCatalogue tarnix("tarnix");
    Repository repo;
    SourceManager sources(repo);
    ComponentManager manager;
    BuildLoader loader(&repo, &manager, nullptr, &sources, nullptr, nullptr, nullptr);
    loader.committed = true;
    for (const Row& row : rows) {
        auto component = tarnix.component(*manager.arena(), row.component);
        loader.setKVTemplateNames(component.get(), row.listed, row.prefix);
        EXPECT_EQ(row.expected, component->templates) << row.component << " " << row.prefix;
    }
}

}  // namespace
