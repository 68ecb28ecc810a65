// The component tree's walk, its edits, the base component, the bulk selection and the disk
// needs, and its components' ties to their builds.
#include "components/ComponentManager.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::address;
using testutil::codesOf;
using testutil::raisedError;

using Catalogue = testutil::TreeCatalogue;
using testutil::splitLines;

typedef std::shared_ptr<VnComponent> Comp;
typedef std::shared_ptr<VnCompNode> Node;

class Names : public ComponentManager::Visitor {
public:
    void visit(VnComponent* c) override { seen.push_back(c->getFullName()); }
    std::vector<std::string> seen;
};

// A node kind the walk does not know.
class OtherNode : public VnCompNode {
public:
    char getMark() const override { return '?'; }
    std::string getName() const override { return "other"; }
    std::string getProductId() const override { return ""; }
};

class ComponentManagerTest : public testutil::EnglishTest {};

TEST_F(ComponentManagerTest, WalksTheComponentsInOrder) {
    Catalogue tarnix("tarnix");
    Catalogue mardell("mardell");
    ComponentManager manager;
    Names empty;
    manager.visit(empty);
    EXPECT_TRUE(empty.seen.empty());

    manager.nodes = {tarnix.component("base"), mardell.component("base"), tarnix.component("mail")};
    Names names;
    manager.visit(names);
    EXPECT_EQ(names.seen, (std::vector<std::string>{"tarnix/base", "mardell/base", "tarnix/mail"}));
}

TEST_F(ComponentManagerTest, AnUnknownOrNullNodeEndsTheWalkWithAnInternalError) {
    Catalogue tarnix("tarnix");
    for (std::shared_ptr<VnCompNode> bad : {std::shared_ptr<VnCompNode>(std::make_shared<OtherNode>()),
                                            std::shared_ptr<VnCompNode>()}) {
        ComponentManager manager;
        manager.nodes = {tarnix.component("base"), bad, tarnix.component("mail")};
        Names names;
        const error e = raisedError([&] { manager.visit(names); });
        EXPECT_EQ(codesOf(e), "(3,1,1,3)");
        ASSERT_FALSE(e.lines.empty());
        EXPECT_NE(e.lines[0].find(" ComponentManager, line 682."), std::string::npos) << e.lines[0];
        EXPECT_EQ(names.seen, std::vector<std::string>{"tarnix/base"});
    }
}

// A visitor that drops the tree while it visits: the node in hand stays alive.
class Dropper : public ComponentManager::Visitor {
public:
    explicit Dropper(ComponentManager& manager) : manager(manager) {}
    void visit(VnComponent* c) override {
        manager.nodes.clear();
        name = c->getFullName();
    }
    ComponentManager& manager;
    std::string name;
};

TEST_F(ComponentManagerTest, ANodeOutlivesItsOwnVisit) {
    Catalogue tarnix("tarnix");
    ComponentManager manager;
    manager.nodes = {tarnix.component("base")};
    Dropper dropper(manager);
    manager.visitNode(dropper, manager.nodes[0]);
    EXPECT_EQ(dropper.name, "tarnix/base");
}

TEST_F(ComponentManagerTest, AComponentKeepsItsBuildAndNeedsOne) {
    std::shared_ptr<VnComponent> component;
    std::weak_ptr<Build> build;
    {
        Catalogue tarnix("tarnix");
        component = tarnix.component("base");
        build = tarnix.build;
        EXPECT_EQ(component->getProductId(), "tarnix");
        EXPECT_EQ(component->getName(), "base description");
        EXPECT_EQ(component->name, "base");
    }
    // the component shares the build; the release behind it is gone with the catalogue
    EXPECT_FALSE(build.expired());
    EXPECT_EQ(component->getProductId(), "");
    EXPECT_EQ(component->getFullName(), "base");

    const error e = raisedError([] { VnComponent(nullptr, "base", "d", "", {}); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
}

TEST_F(ComponentManagerTest, StatusIsReadOnlyOnceDetected) {
    Catalogue tarnix("tarnix");
    std::shared_ptr<VnComponent> component = tarnix.component("base");
    EXPECT_EQ(codesOf(raisedError([&] { component->getStatus(); })), "(3,1,1,3)");
    struct Row {
        int status;
        char mark;
    } rows[] = {{1, ' '}, {2, ' '}, {3, '='}, {4, '!'}};
    for (const Row& r : rows) {
        component->setStatus(r.status);
        EXPECT_EQ(component->getStatus(), r.status);
        EXPECT_EQ(component->getMark(), r.mark) << r.status;
    }
}

// Every call the walk makes, in order.
class Trace : public ComponentManager::Visitor {
public:
    void visit(VnComponent* c) override { calls.push_back("visit " + c->name); }
    void reserved() override { calls.push_back("reserved"); }
    void enterRadioGroup(VnRadioGroup* g) override {
        calls.push_back("enter radio " + g->name);
        if (onEnterRadio) onEnterRadio(g);
    }
    void enterSubGroup(VnSubGroup* g) override { calls.push_back("enter sub " + g->name); }
    void leaveSubGroup(VnSubGroup* g) override { calls.push_back("leave sub " + g->name); }
    void leaveRadioGroup(VnRadioGroup* g) override { calls.push_back("leave radio " + g->name); }
    std::vector<std::string> calls;
    std::function<void(VnRadioGroup*)> onEnterRadio;
};

TEST_F(ComponentManagerTest, WalkTrace) {
    Catalogue tarnix("tarnix");
    ComponentManager manager;
    ComponentArena& arena = *manager.arena();
    const Comp a = tarnix.component(arena, "a"), b = tarnix.component(arena, "b"), c = tarnix.component(arena, "c");
    const Comp d = tarnix.component(arena, "d"), e = tarnix.component(arena, "e");

    struct Row {
        const char* what;
        ComponentManager::NodeList nodes;
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {"an empty tree makes no call", {}, {}},
        {"a radio group of three",
         {tarnix.radioGroup("web", {a, b, c})},
         {"enter radio web", "visit a", "visit b", "visit c", "leave radio web"}},
        {"a sub-group around a radio group, between components",
         {d, tarnix.subGroup("extras", {tarnix.radioGroup("web", {a, b, c})}), e},
         {"visit d", "enter sub extras", "enter radio web", "visit a", "visit b", "visit c", "leave radio web",
          "leave sub extras", "visit e"}},
        {"nested sub-groups and an empty radio group",
         {tarnix.subGroup("outer", {a, tarnix.subGroup("inner", {b}), tarnix.radioGroup("none", {})})},
         {"enter sub outer", "visit a", "enter sub inner", "visit b", "leave sub inner", "enter radio none",
          "leave radio none", "leave sub outer"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        manager.nodes = r.nodes;
        Trace trace;
        manager.visit(trace);
        EXPECT_EQ(trace.calls, r.calls);
    }

    // The members are read once the group is entered: a member dropped there is not visited.
    manager.nodes = {tarnix.radioGroup("web", {a, b, c})};
    Trace shrinking;
    shrinking.onEnterRadio = [](VnRadioGroup* g) { g->members.erase(g->members.begin() + 1); };
    manager.visit(shrinking);
    EXPECT_EQ(shrinking.calls,
              (std::vector<std::string>{"enter radio web", "visit a", "visit c", "leave radio web"}));

    // A null child of a sub-group ends the walk as a null top-level node does.
    manager.nodes = {tarnix.subGroup("extras", {a, Node()}), e};
    Trace broken;
    const error err = raisedError([&] { manager.visit(broken); });
    ASSERT_FALSE(err.lines.empty());
    EXPECT_NE(err.lines[0].find(" ComponentManager, line 682."), std::string::npos) << err.lines[0];
    EXPECT_EQ(broken.calls, (std::vector<std::string>{"enter sub extras", "visit a"}));
}

// The names of the entries of a node list: a component's name, a group's name.
std::string entries(const ComponentManager::NodeList& list) {
    std::string text;
    for (const Node& n : list) {
        if (!text.empty()) text += ",";
        if (auto c = dynamic_cast<VnComponent*>(n.get()))
            text += c->name;
        else if (auto g = dynamic_cast<VnGroup*>(n.get()))
            text += g->name;
    }
    return text;
}

TEST_F(ComponentManagerTest, TreeEdits) {
    Catalogue tarnix("tarnix");
    struct Row {
        const char* what;
        const char* edit;  // "replace X" or "remove X"
        const char* top;
        const char* inside;  // the sub-group S's children afterwards
    };
    // Start: [A, G1, G2, S[B, G3, G4]]; C is the member of every radio group.
    const Row rows[] = {
        {"the replaced entry changes places with the first group entry", "replace G1", "A,G2,C,S", "B,G3,G4"},
        {"the first group entry may come before the edited one", "replace G2", "A,C,G1,S", "B,G3,G4"},
        {"inside a sub-group the swap stays within its list", "replace G4", "A,G1,G2,S", "B,C,G3"},
        {"erase", "remove G1", "A,G2,S", "B,G3,G4"},
        {"erase inside a sub-group", "remove G3", "A,G1,G2,S", "B,G4"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ComponentManager manager;
        const Comp a = tarnix.component(*manager.arena(), "A"), b = tarnix.component(*manager.arena(), "B");
        const Comp c = tarnix.component(*manager.arena(), "C");
        std::map<std::string, std::shared_ptr<VnRadioGroup>> groups;
        for (const char* name : {"G1", "G2", "G3", "G4"}) groups[name] = tarnix.radioGroup(name, {c});
        auto s = tarnix.subGroup("S", {b, groups["G3"], groups["G4"]});
        manager.nodes = {a, groups["G1"], groups["G2"], s};

        const std::string edit = r.edit;
        std::weak_ptr<VnRadioGroup> edited = groups[edit.substr(edit.find(' ') + 1)];
        VnGroup* group = edited.lock().get();
        groups.clear();
        testutil::LogCapture log(3);
        if (edit.compare(0, 7, "replace") == 0) {
            manager.edit_components_tree_replace(group, c.get());
            EXPECT_EQ(splitLines(log.text()).at(0), "DEBUG: find_and_edit: replace " + group->name + " (" +
                                                        address(group) + ") with C (" + address(c.get()) + ")");
            EXPECT_EQ(c->getRadioGroup(), nullptr);
            EXPECT_TRUE(edited.expired()) << "the tree held the only owner of the group";
            // The tree holds the arena's owner: one count for the arena, one for the tree, one here.
            EXPECT_EQ(c.use_count(), 3);
        } else {
            manager.edit_components_tree_remove(group);
            EXPECT_EQ(splitLines(log.text()).at(0), "DEBUG: find_and_edit: erase " + address(group));
            EXPECT_TRUE(edited.expired());
        }
        EXPECT_EQ(entries(manager.nodes), r.top);
        EXPECT_EQ(entries(s->children), r.inside);
    }
}

TEST_F(ComponentManagerTest, EditsOfAGroupNotInTheTreeOnlyLog) {
    Catalogue tarnix("tarnix");
    ComponentManager manager;
    const Comp a = tarnix.component(*manager.arena(), "A"), c = tarnix.component(*manager.arena(), "C");
    auto stray = tarnix.radioGroup("stray", {c});
    manager.nodes = {a, tarnix.radioGroup("G1", {})};

    testutil::LogCapture log(3);
    manager.edit_components_tree_remove(stray.get());
    manager.edit_components_tree_replace(stray.get(), c.get());
    EXPECT_EQ(splitLines(log.text()),
              (std::vector<std::string>{"DEBUG: edit_components_tree_remove: " + address(stray.get()) + " not found!",
                                        "DEBUG: edit_components_tree_replace: " + address(stray.get()) +
                                            " not found!"}));
    EXPECT_EQ(entries(manager.nodes), "A,G1");
    EXPECT_EQ(c->getRadioGroup(), stray.get());
}

TEST_F(ComponentManagerTest, AReplacementMustComeFromTheArena) {
    // A second owner made from the plain pointer would free the component twice.
    Catalogue tarnix("tarnix");
    ComponentManager manager;
    const Comp outsider = tarnix.component("C");
    auto g = tarnix.radioGroup("G1", {outsider});
    manager.nodes = {g};
    const error e = raisedError([&] { manager.edit_components_tree_replace(g.get(), outsider.get()); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_NE(e.lines.at(0).find(" ComponentManager, line "), std::string::npos) << e.lines[0];
    EXPECT_EQ(entries(manager.nodes), "G1");
    EXPECT_EQ(outsider->getRadioGroup(), g.get());
}

TEST_F(ComponentManagerTest, BaseComponent) {
    Catalogue tarnix("tarnix");
    Catalogue mardell("mardell");
    ComponentManager manager;
    ComponentArena& arena = *manager.arena();

    const error empty = raisedError([&] { manager.getBaseComponent(""); });
    EXPECT_EQ(codesOf(empty), "(3,1,1,3)");
    EXPECT_EQ(empty.text(), "The list of product components is empty.\n");

    const Comp tMail = tarnix.component(arena, "mail"), tBase = tarnix.component(arena, "base");
    const Comp mWeb = mardell.component(arena, "web"), mBase = mardell.component(arena, "base");
    const Comp grouped = mardell.component(arena, "base");
    struct Row {
        ComponentManager::NodeList nodes;
        const char* product;
        VnComponent* expected;
        const char* why;
    };
    const Row rows[] = {
        {{tMail, tBase, mBase}, "", tBase.get(), "the first \"base\" of any product"},
        {{mWeb, tBase, mBase}, "mardell", mBase.get(), "the \"base\" of the product"},
        {{tMail, mWeb}, "", tMail.get(), "no \"base\": the first component"},
        {{tMail, mWeb}, "mardell", mWeb.get(), "no \"base\": the first component of the product"},
        {{tarnix.radioGroup("g", {grouped}), mWeb}, "mardell", mWeb.get(), "group members are not searched"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        manager.nodes = r.nodes;
        EXPECT_EQ(manager.getBaseComponent(r.product), r.expected);
    }

    manager.nodes = {tMail, tarnix.subGroup("s", {mBase})};
    const error unknown = raisedError([&] { manager.getBaseComponent("mardell"); });
    EXPECT_EQ(codesOf(unknown), "(3,1,1,3)");
    EXPECT_EQ(unknown.text(), "An internal error occured in vantrell, rev.297274 ComponentManager, line 78.\n");

    // Selected, then required: a later deselection is refused.
    tMail->setStatus(1);
    manager.selectBaseComponent();
    EXPECT_TRUE(tMail->isSelected());
    EXPECT_TRUE(tMail->isRequired());
    EXPECT_EQ(codesOf(raisedError([&] { tMail->setSelected(false); })), "(2,1,1,1)");
}

TEST_F(ComponentManagerTest, SelectAll) {
    Catalogue tarnix("tarnix");
    Catalogue mardell("mardell");
    ComponentManager manager;
    ComponentArena& arena = *manager.arena();
    const Comp plain = tarnix.component(arena, "plain", 1);
    const Comp required = tarnix.component(arena, "required", 2);
    required->setRequired(true);
    const Comp broken = tarnix.component(arena, "broken", 4);
    const Comp legacy = tarnix.component(arena, "legacy", 1);
    legacy->legacy = true;
    const Comp other = mardell.component(arena, "other", 1);
    // Inside the sub-group the product is no longer looked at.
    const Comp nested = mardell.component(arena, "nested", 1);
    const Comp r1 = tarnix.component(arena, "r1", 1), r2 = tarnix.component(arena, "r2", 2);
    manager.nodes = {plain, required, broken, legacy, other, tarnix.subGroup("s", {nested}),
                     tarnix.radioGroup("web", {r1, r2})};

    auto flags = [&] {
        std::string text;
        for (const Comp& c : {plain, required, broken, legacy, other, nested, r1, r2})
            text += c->isSelected() ? '*' : '.';
        return text;
    };
    ComponentManager::selectAll(manager.nodes.begin(), manager.nodes.end(), true, "tarnix");
    // The radio group acts through its current member: the installed r2.
    EXPECT_EQ(flags(), "**...*.*");
    ComponentManager::selectAll(manager.nodes.begin(), manager.nodes.end(), true, "");
    EXPECT_EQ(flags(), "**..**.*");
    ComponentManager::selectAll(manager.nodes.begin(), manager.nodes.end(), false, "");
    EXPECT_EQ(flags(), ".*......") << "a required component is never deselected";

    manager.nodes.push_back(Node());
    const error e = raisedError([&] {
        ComponentManager::selectAll(manager.nodes.begin(), manager.nodes.end(), true, "");
    });
    EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 ComponentManager, line 803.\n");
}

TEST_F(ComponentManagerTest, DiskNeedsAddUpInSixtyFourBits) {
    ComponentManager manager;
    const int64_t big = std::numeric_limits<uint32_t>::max();
    manager.addDiskUsage("/opt/tarnix", big);
    manager.addDiskUsage("/opt/tarnix", big);
    manager.addDiskUsage("/var", 100);
    manager.addDiskUsage("/var", -30);
    manager.addDiskUsage("/usr", -5);
    EXPECT_EQ(manager.diskUsage, (std::map<std::string, int64_t>{{"/opt/tarnix", 2 * big}, {"/usr", -5}, {"/var", 70}}));
}

TEST_F(ComponentManagerTest, ComponentsOutliveTheManagerWithTheArena) {
    Catalogue tarnix("tarnix");
    std::shared_ptr<ComponentArena> kept;
    VnComponent* member = nullptr;
    VnComponent* dropped = nullptr;
    {
        ComponentManager manager;
        kept = manager.arena();
        member = tarnix.component(*kept, "member", 1).get();
        dropped = tarnix.component(*kept, "dropped", 1).get();
        auto g = tarnix.radioGroup("web", {});
        g->addMember(member);
        g->addMember(dropped);
        manager.nodes = {g};
        g->members.pop_back();  // dropped from the list, its back link left as it was
    }
    ASSERT_EQ(kept->size(), 2u);
    // The group is gone with the tree; its member no longer points at it.
    EXPECT_EQ(member->getRadioGroup(), nullptr);
    EXPECT_EQ(member->getFullName(), "tarnix/member");
    EXPECT_EQ(dropped->getRadioGroup(), nullptr);
    EXPECT_EQ(kept->ownerOf(dropped).get(), dropped);
}

}  // namespace
