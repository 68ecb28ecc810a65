// Selection by installation type and the walk of the component visitors, over the tree that the
// build loader makes of tests/fixtures/main/routines: P One 2.0 (types "t1" [a, b] and "Small",
// a radio group, a sub-group with a nested one, a legacy component) and P Two 1.0 (no types of
// its own; its first component main2 requires c2). Installed packages come from a dpkg status file of the test.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/BuildManager.h"
#include "catalogue/InstTypes.h"
#include "common/error.h"
#include "components/BuildLoading.h"
#include "components/ComponentManager.h"
#include "components/VnComponent.h"
#include "components/VnRadioGroup.h"
#include "components/VnSubGroup.h"
#include "support/InstalledDebs.h"
#include "support/LogCapture.h"

namespace {

typedef std::vector<std::pair<std::string, std::string>> Installed;

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : " ") + n;
    return out;
}

class ComponentManagerTypes : public testutil::InstalledCatalogueTest {
protected:
    void TearDown() override {
        loaded.reset();
        catalogue.reset();
        InstalledCatalogueTest::TearDown();
    }

    // P One 2.0 and P Two 1.0 loaded, every component's installed state detected.
    void load(const Installed& installed = {}) {
        const std::string root = VN_FIXTURES_DIR "/main/routines";
        loaded.reset();
        catalogue = checked(installed, root);
        catalogue->deselectAll();
        catalogue->selectRelease("p1", "p1-2.0");
        catalogue->selectRelease("p2", "p2-1.0");
        loaded.reset(new testutil::LoadRun(debs->repo, root, target / "download"));
        loaded->loadSelected(*catalogue, debs->repo);
    }

    ComponentManager& tree() { return loaded->components; }
    std::string selection() { return joined(tree().getSelection()); }

    // "name=status" of every component in walk order.
    std::string statuses() {
        struct Statuses : ComponentManager::Visitor {
            void visit(VnComponent* c) override { names.push_back(c->name + "=" + std::to_string(c->getStatus())); }
            std::vector<std::string> names;
        } v;
        tree().visit(v);
        return joined(v.names);
    }

    std::unique_ptr<BuildManager> catalogue;
    std::unique_ptr<testutil::LoadRun> loaded;
};

TEST_F(ComponentManagerTypes, SelectionByType) {
    struct Row {
        const char* label;
        const char* type;
        const char* product;
        const char* selected;  // full names in walk order
    };
    const Row rows[] = {
        // Every product, whatever the id; legacy components and the radio group's other member stay.
        {"full in mixed case", "FuLL", "p1", "p1/base p1/a p1/b p1/c p2/main2 p2/c2 p2/d2 p1/light p1/tool p1/extra"},
        {"full with another product's id", "full", "p2",
         "p1/base p1/a p1/b p1/c p2/main2 p2/c2 p2/d2 p1/light p1/tool p1/extra"},
        // Every walk that selects by names also chooses the current member of a radio group that
        // has none chosen, whatever its product.
        {"custom takes the first declared type", "custom", "p1", "p1/a p1/b p1/light"},
        // No declared type: "Full" comes first, without a list. P Two's first component stands
        // for its base and requires c2; d2 stays.
        {"custom without declared types", "Custom", "p2", "p2/main2 p2/c2 p1/light"},
        {"a declared type by another case", "SMALL", "p1", "p1/base p1/light"},
        {"a declared type", "t1", "p1", "p1/a p1/b p1/light"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        load();
        ASSERT_EQ(selection(), "");
        std::string name = row.type;
        tree().selectInstallationType(name, row.product);
        EXPECT_EQ(selection(), row.selected);
        // The caller's text is lower-cased.
        std::string lower = row.type;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(name, lower);
    }
}

TEST_F(ComponentManagerTypes, UnknownTypeOrProductRaisesTheTypeTableError) {
    load();
    struct Row {
        const char* type;
        const char* product;
    };
    for (const Row& row : {Row{"huge", "p1"}, Row{"custom", "p9"}, Row{"t1", "p9"}}) {
        SCOPED_TRACE(std::string(row.type) + " " + row.product);
        const error expected = testutil::raisedError([&] {
            InstTypes::findType(tree().instTypes.forProduct(row.product), row.type);
        });
        std::string name = row.type;
        const error got = testutil::raisedError([&] { tree().selectInstallationType(name, row.product); });
        EXPECT_EQ(testutil::codesOf(got), testutil::codesOf(expected));
        EXPECT_EQ(got.text(), expected.text());
        EXPECT_EQ(selection(), "");
    }
}

// The names of a type that match no component are reported once the walk is over.
TEST_F(ComponentManagerTypes, TypeNamingAMissingComponentWarns) {
    load();
    testutil::LogCapture log(0);
    std::string name = "small";
    tree().selectInstallationType(name, "p1");
    EXPECT_EQ(selection(), "p1/base p1/light");
    const std::string text = log.text();
    EXPECT_NE(text.find("Warning: following component(s) not found in product p1:"), std::string::npos) << text;
    EXPECT_NE(text.find("ghost"), std::string::npos) << text;
}

// A visitor with only the visit of a component sees every member of groups and sub-groups.
TEST_F(ComponentManagerTypes, VisitorWithOnlyTheComponentVisit) {
    load();
    struct Names : ComponentManager::Visitor {
        void visit(VnComponent* c) override { names.push_back(c->getFullName()); }
        std::vector<std::string> names;
    } v;
    tree().visit(v);
    EXPECT_EQ(joined(v.names),
              "p1/base p1/a p1/b p1/c p1/old p2/main2 p2/c2 p2/d2 p1/light p1/heavy p1/tool p1/extra");
}

TEST_F(ComponentManagerTypes, CheckInstalledReachesEveryComponent) {
    // Older, equal and missing versions; one radio member and one nested sub-group member.
    load({{"vnrt-p1-a", "1.0-1"}, {"vnrt-p1-b", "2.0-1"}, {"vnrt-p1-heavy", "1.0-1"}, {"vnrt-p1-extra", "2.0-1"}});
    EXPECT_EQ(statuses(), "base=1 a=2 b=3 c=1 old=1 main2=1 c2=1 d2=1 light=1 heavy=2 tool=1 extra=3");
}

TEST_F(ComponentManagerTypes, MarkComponentsForUpgradeTakesOnlyNonLegacyUpgrades) {
    load({{"vnrt-p1-a", "1.0-1"},
          {"vnrt-p1-b", "2.0-1"},
          {"vnrt-p1-old", "1.0-1"},
          {"vnrt-p1-tool", "1.0-1"},
          {"vnrt-p2-c2", "1.5-1"}});
    ASSERT_EQ(statuses(), "base=1 a=2 b=3 c=1 old=2 main2=1 c2=2 d2=1 light=1 heavy=1 tool=2 extra=1");
    ComponentManager::MarkComponentsForUpgrade upgrade;
    tree().visit(upgrade);
    EXPECT_EQ(selection(), "p1/a p2/c2 p1/tool");
}

}  // namespace
