// The selection rules over the component tree: counting, marking by name, propagation of the
// check-with ties, the collapse of radio groups, and the queries.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "components/ComponentManager.h"
#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "packages/Repository.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::address;
using testutil::codesOf;
using testutil::raisedError;
using testutil::splitLines;
using testutil::TreeCatalogue;

typedef std::shared_ptr<VnComponent> Comp;

class ComponentManagerRulesTest : public testutil::EnglishTest {
protected:
    Comp make(const TreeCatalogue& catalogue, const std::string& name, int status) {
        return catalogue.component(*manager.arena(), name, status);
    }

    // '*' for each selected component of the list, '.' for the others.
    static std::string flags(const std::vector<Comp>& list) {
        std::string text;
        for (const Comp& c : list) text += c->isSelected() ? '*' : '.';
        return text;
    }

    TreeCatalogue p{"P"};
    TreeCatalogue q{"Q"};
    ComponentManager manager;
};

TEST_F(ComponentManagerRulesTest, SelectedCounterCountsARadioGroupOnce) {
    const Comp selected = make(p, "a", 1);
    selected->setSelected(true);
    const Comp q1 = make(q, "q1", 1), q2 = make(q, "q2", 1), q3 = make(q, "q3", 1);
    const Comp inP = make(p, "inP", 1);
    q2->setSelected(true);
    manager.nodes = {selected, q.radioGroup("web", {q1, q2}), q3};

    ComponentManager::SelectedCounter counter("P");
    manager.visit(counter);
    EXPECT_EQ(counter.getTotal(), 2u);
    EXPECT_EQ(counter.getSelected(), 2u);

    // Components of the product inside a radio group do not count one by one; a sub-group's
    // children do.
    manager.nodes = {q.radioGroup("web", {inP, q1}), p.subGroup("s", {selected, make(p, "b", 1)})};
    ComponentManager::SelectedCounter nested("P");
    manager.visit(nested);
    EXPECT_EQ(nested.getTotal(), 3u);
    EXPECT_EQ(nested.getSelected(), 1u);
}

TEST_F(ComponentManagerRulesTest, MarkSpecifiedNames) {
    struct Row {
        const char* what;
        const char* product;
        std::vector<std::string> names;
        int mode;
        const char* flags;  // a, b (status 3), c (status 4), a2 (Q), r1, r2 after the walk
        std::vector<std::string> log;
    };
    const Row rows[] = {
        {"the names found in the product, a warning for the rest", "P", {"a", "zz"}, 0, "*...*.",
         {"Warning: following component(s) not found in product P: 'zz'"}},
        {"without a product, no product in the warning", "", {"zz", "a", "yy"}, 0, "*...*.",
         {"Warning: following component(s) not found: 'yy' 'zz'"}},
        {"up to date and unavailable use their names up", "P", {"b", "c"}, 0, "....*.",
         {" skip component b: already up2date", " skip component c: not available"}},
        {"only the first component of a name is acted on", "", {"a"}, 0, "*...*.", {}},
        {"a component of another product leaves the name in the set", "Q", {"a"}, 0, "...**.", {}},
        {"no names still select a radio group's current member", "P", {}, 0, "....*.", {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ComponentManager fresh;
        const Comp a = p.component(*fresh.arena(), "a", 1), b = p.component(*fresh.arena(), "b", 3);
        const Comp c = p.component(*fresh.arena(), "c", 4), a2 = q.component(*fresh.arena(), "a", 1);
        const Comp r1 = p.component(*fresh.arena(), "r1", 1), r2 = p.component(*fresh.arena(), "r2", 1);
        fresh.nodes = {a, b, c, a2, p.radioGroup("web", {r1, r2}, "r1")};

        testutil::LogCapture log(2);
        ComponentManager::MarkSpecifiedNamesComponents marker(&fresh, r.product, r.names, r.mode);
        fresh.visit(marker);
        marker.finish();
        EXPECT_EQ(flags({a, b, c, a2, r1, r2}), r.flags);
        EXPECT_EQ(splitLines(log.text()), r.log);
    }
}

TEST_F(ComponentManagerRulesTest, MarkSpecifiedNamesDeselectsAndRefuses) {
    const Comp a = make(p, "a", 2), r1 = make(p, "r1", 1), r2 = make(p, "r2", 2);
    manager.nodes = {a, p.radioGroup("web", {r1, r2}, "r1")};
    a->setSelected(true);
    r1->setSelected(true);

    // Mode 1 deselects every radio group's selected member, whatever the names.
    ComponentManager::MarkSpecifiedNamesComponents off(&manager, "P", {}, 1);
    manager.visit(off);
    EXPECT_EQ(flags({a, r1, r2}), "*..");

    ComponentManager::MarkSpecifiedNamesComponents offA(&manager, "P", {"a"}, 1);
    manager.visit(offA);
    EXPECT_EQ(flags({a, r1, r2}), "...");

    // A required component refuses; the error reaches the caller.
    a->forceSelect();
    ComponentManager::MarkSpecifiedNamesComponents required(&manager, "P", {"a"}, 1);
    EXPECT_EQ(codesOf(raisedError([&] { manager.visit(required); })), "(2,1,1,1)");

    // Another mode raises without text at the first named component to act on.
    ComponentManager::MarkSpecifiedNamesComponents bad(&manager, "P", {"a"}, 2);
    const error e = raisedError([&] { manager.visit(bad); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), "\n");
}

TEST_F(ComponentManagerRulesTest, DependsOn) {
    // x needs y?
    struct Row {
        const char* what;
        int yStatus;
        bool requires;       // x requires "y"
        bool hardwired;      // y is hardwired with "x"
        bool otherProduct;   // y of product Q
        bool expected;
    };
    const Row rows[] = {
        {"requires a component to install", 1, true, false, false, true},
        {"requires an installed one", 2, true, false, false, false},
        {"requires an up-to-date one", 3, true, false, false, false},
        {"tied to a component to upgrade", 2, false, true, false, true},
        {"tied to a component to install", 1, false, true, false, false},
        {"only within one product", 1, true, true, true, false},
        {"no tie", 1, false, false, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const Comp x = make(p, "x", 1);
        const Comp y = make(r.otherProduct ? q : p, "y", r.yStatus);
        if (r.requires) x->requires.push_back("y");
        if (r.hardwired) y->hardwiredWith.push_back("x");
        EXPECT_EQ(x->dependsOn(*y), r.expected);
    }
}

TEST_F(ComponentManagerRulesTest, RequiringARadioGroupMatchesItsDefaultMemberOnly) {
    const Comp x = make(p, "x", 1);
    x->requires.push_back("web");
    const Comp apache = make(p, "apache", 1), nginx = make(p, "nginx", 1);
    auto web = p.radioGroup("web", {apache, nginx}, "nginx");

    testutil::LogCapture log(3);
    EXPECT_FALSE(x->dependsOn(*apache));
    EXPECT_TRUE(x->dependsOn(*nginx));
    EXPECT_EQ(splitLines(log.text()),
              std::vector<std::string>{"DEBUG: requires 'web' from component x was matched to component nginx"});

    apache->setSelected(true);
    EXPECT_FALSE(x->dependsOn(*nginx)) << "a member is selected";
    apache->setSelected(false);
    apache->setStatus(2);
    EXPECT_FALSE(x->dependsOn(*nginx)) << "a member is installed";
}

TEST_F(ComponentManagerRulesTest, PropagationFollowsTheWalkOrder) {
    struct Row {
        const char* what;
        bool aFirst;
        const char* flags;  // A, B, C
    };
    const Row rows[] = {
        {"A before B: B is selected ahead of the walk and brings C", true, "***"},
        {"B before A: the walk has passed B when A selects it", false, "**."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ComponentManager fresh;
        const Comp a = p.component(*fresh.arena(), "A", 1), b = p.component(*fresh.arena(), "B", 1);
        const Comp c = p.component(*fresh.arena(), "C", 1);
        a->requires.push_back("B");
        b->requires.push_back("C");
        fresh.nodes = r.aFirst ? ComponentManager::NodeList{a, b, c} : ComponentManager::NodeList{b, a, c};
        a->setSelected(true);

        testutil::LogCapture log(3);
        ComponentManager::MarkNeedForChecked need(&fresh);
        fresh.visit(need);
        EXPECT_EQ(flags({a, b, c}), r.flags);
        const std::vector<std::string> lines = splitLines(log.text());
        EXPECT_NE(std::find(lines.begin(), lines.end(), "MarkNeedForChecked: for A A description also need:  'B'"),
                  lines.end());
    }
}

TEST_F(ComponentManagerRulesTest, RequiredComponentsSelectWhatTheyNeedAndTheRadioGroups) {
    const Comp base = make(p, "base", 1), mail = make(p, "mail", 1), other = make(q, "mail", 1);
    const Comp r1 = make(q, "r1", 1), r2 = make(q, "r2", 1);
    base->requires.push_back("mail");
    manager.nodes = {other, q.radioGroup("web", {r1, r2}, "r2"), base, mail};
    manager.selectBaseComponent();

    testutil::LogCapture log(3);
    ComponentManager::MarkNeedForRequired need(&manager);
    manager.visit(need);
    // The marker runs in the required component's product, and even for no names it selects
    // the current member of every radio group with none selected.
    EXPECT_EQ(flags({base, mail, other, r1, r2}), "**..*");
    EXPECT_NE(log.text().find("MarkNeedForRequired: for base base description also need:  'mail'\n"),
              std::string::npos);

    ComponentManager::MarkNeedForRequired none(nullptr);
    const error e = raisedError([&] { manager.visit(none); });
    EXPECT_EQ(codesOf(e), "(3,1,0,3)");
}

TEST_F(ComponentManagerRulesTest, Queries) {
    const Comp a = make(p, "a", 1), b = make(p, "b", 3), c = make(p, "c", 2), d = make(q, "d", 1);
    a->requires.push_back("c");
    d->hardwiredWith.push_back("x");
    manager.nodes = {a, b, p.subGroup("s", {c}), d};

    EXPECT_FALSE(manager.isAnySelected());
    EXPECT_FALSE(manager.isSelectedFromRelease(p.release.get()));
    EXPECT_TRUE(manager.getSelection().empty());
    EXPECT_FALSE(manager.isAllInstalled());

    c->setStatus(1);
    EXPECT_EQ(manager.getComponentsForCheckWith(a.get()), std::vector<std::string>{"c"});
    c->setSelected(true);
    EXPECT_TRUE(manager.getComponentsForCheckWith(a.get()).empty()) << "already selected";
    EXPECT_TRUE(manager.getComponentsForUncheckWith(c.get()).empty()) << "a is not selected";
    a->setSelected(true);
    EXPECT_EQ(manager.getComponentsForUncheckWith(c.get()), std::vector<std::string>{"a"});

    d->setSelected(true);
    EXPECT_TRUE(manager.isAnySelected());
    EXPECT_EQ(manager.getSelection(), (std::vector<std::string>{"P/a", "P/c", "Q/d"}));
    EXPECT_TRUE(manager.isSelectedFromRelease(q.release.get()));
    // The same release object, not one that looks alike.
    TreeCatalogue twin("P");
    EXPECT_FALSE(manager.isSelectedFromRelease(twin.release.get()));

    ComponentManager::NeedAlsoForSelected need;
    c->setSelected(false);
    manager.visit(need);
    const auto pairs = ComponentManager::findComponentPairsCheckWith(need);
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0], std::make_pair(a.get(), c.get()));
    EXPECT_EQ(need.selected, (std::vector<VnComponent*>{a.get(), d.get()}));

    for (const Comp& x : {a, c, d}) x->setStatus(3);
    EXPECT_TRUE(manager.isAllInstalled());
    // The release is told of the micro-update; it must have been checked (here: not installed).
    Repository empty;
    p.release->check_installation_state(&empty);
    b->setMicroUpdateAvailable();
    EXPECT_FALSE(manager.isAllInstalled()) << "a pending micro-update reads as an upgrade";
}

TEST_F(ComponentManagerRulesTest, MarkAllAsRequired) {
    const Comp a = make(p, "a", 1), b = make(p, "b", 3), c = make(q, "c", 1);
    manager.nodes = {a, b, c};
    manager.markAllAsRequired("P");
    EXPECT_EQ(flags({a, b, c}), "**.");
    EXPECT_TRUE(b->isRequired()) << "an up-to-date component ends up selected and required";
    EXPECT_FALSE(c->isRequired());

    const Comp broken = make(q, "broken", 4), after = make(q, "after", 1);
    manager.nodes = {c, broken, after};
    EXPECT_EQ(codesOf(raisedError([&] { manager.markAllAsRequired(""); })), "(1,1,1,2)");
    EXPECT_TRUE(c->isRequired());
    EXPECT_FALSE(after->isSelected()) << "the walk ended at the unavailable component";
}

TEST_F(ComponentManagerRulesTest, ShriveledRadioGroupsAreReplacedOrRemoved) {
    // "web": installed a may switch to b only; c goes and the group keeps two members.
    const Comp a = make(p, "a", 3), b = make(p, "b", 1), c = make(p, "c", 1);
    auto web = p.radioGroup("web", {a, b, c});
    web->hasSwitchRules = true;
    web->addAllowedSwitch("a", "b");
    // "db": installed d may switch to nothing: d is left alone and takes the group's place.
    const Comp d = make(p, "d", 2), e = make(p, "e", 1);
    auto db = p.radioGroup("db", {d, e});
    db->hasSwitchRules = true;
    std::weak_ptr<VnRadioGroup> dbGone = db;
    // "empty" has no members left; "single" had only one from the start.
    auto empty = p.radioGroup("empty", {});
    const Comp f = make(p, "f", 1);
    auto single = p.radioGroup("single", {f});
    const Comp x = make(p, "x", 1);
    auto section = p.subGroup("s", {x, single});
    manager.nodes = {db, web, empty, section};
    const std::string emptyAddress = address(empty.get());
    VnGroup* dbRaw = db.get();
    db.reset();
    empty.reset();

    ComponentManager::ShriveledRadioGroupsRemover remover(&manager);
    manager.visit(remover);
    ASSERT_EQ(web->members, (std::vector<VnComponent*>{a.get(), b.get()}));
    EXPECT_EQ(c->getRadioGroup(), nullptr);
    EXPECT_EQ(manager.nodes.size(), 4u) << "the walk itself changes no shape";

    testutil::LogCapture log(3);
    remover.apply();
    const std::vector<std::string> lines = splitLines(log.text());
    auto has = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("DEBUG: find_and_edit: erase " + emptyAddress));
    EXPECT_TRUE(has("rename component d(" + address(d.get()) + ") to db"));
    EXPECT_TRUE(has("rename component f(" + address(f.get()) + ") to single"));
    EXPECT_TRUE(has("DEBUG: find_and_edit: replace db (" + address(dbRaw) + ") with d (" + address(d.get()) + ")"));

    // d took db's place and changed places with the first group entry (web).
    ASSERT_EQ(manager.nodes.size(), 3u);
    EXPECT_EQ(manager.nodes[0].get(), web.get());
    EXPECT_EQ(manager.nodes[1].get(), d.get());
    EXPECT_EQ(manager.nodes[2].get(), section.get());
    EXPECT_EQ(section->children[1].get(), f.get());
    for (const Comp& m : {d, f}) EXPECT_EQ(m->getRadioGroup(), nullptr) << m->name;
    EXPECT_EQ(d->name, "db");
    EXPECT_EQ(f->name, "single");
    EXPECT_TRUE(dbGone.expired());
    // The member left behind lives on in the arena.
    EXPECT_EQ(e->getRadioGroup(), nullptr);
    EXPECT_EQ(manager.arena()->ownerOf(e.get()).get(), e.get());

    // Nothing is left to do.
    testutil::LogCapture again(3);
    remover.apply();
    EXPECT_EQ(again.text(), "");
}

TEST_F(ComponentManagerRulesTest, CollapseAndWarningWaitForTheCallsAfterTheWalk) {
    // A member that build loading did not register: its group cannot be replaced. The error
    // reaches the caller of apply(); no destructor meets it.
    TreeCatalogue r("R");
    const Comp stray = r.component("stray", 1);
    auto group = p.radioGroup("web", {stray});
    manager.nodes = {group};
    {
        ComponentManager::ShriveledRadioGroupsRemover remover(&manager);
        manager.visit(remover);
        EXPECT_EQ(codesOf(raisedError([&] { remover.apply(); })), "(3,1,1,3)");
    }
    EXPECT_EQ(manager.nodes[0].get(), group.get());

    // Nothing happens in the destructors: a remover not applied leaves the tree, a marker not
    // finished warns of nothing.
    const Comp only = make(p, "only", 1);
    auto single = p.radioGroup("single", {only});
    manager.nodes = {single};
    testutil::LogCapture log(0);
    {
        ComponentManager::ShriveledRadioGroupsRemover remover(&manager);
        manager.visit(remover);
        ComponentManager::MarkSpecifiedNamesComponents marker(&manager, "P", {"zz"}, 0);
        manager.visit(marker);
    }
    EXPECT_EQ(manager.nodes[0].get(), single.get());
    EXPECT_EQ(only->name, "only");
    EXPECT_EQ(log.text(), "");
}

}  // namespace
