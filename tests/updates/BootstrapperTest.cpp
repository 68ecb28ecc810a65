// Bootstrap actions read from a description fixture into real component trees and run as real
// /bin/sh lines. Every command appends its tag to the marker file "$M", so the file shows
// exactly what ran and in which order.
#include "updates/Bootstrapper.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/Messages.h"
#include "common/TerminationState.h"
#include "common/error.h"
#include "common/tinybind.h"
#include "components/ComponentManager.h"
#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "components/VnRadioGroup.h"
#include "components/VnSubGroup.h"
#include "packages/Component.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::readFile;
using testutil::splitLines;

typedef Bootstrapper::ActionList ActionList;

const std::string fixturePath = std::string(VN_FIXTURES_DIR) + "/bootstrap/actions.xml";

// The fixture's declarations, looked up by component name.
class Declarations {
public:
    Declarations() : document(fixturePath), root(document.rootElement("components")) {}

    // The "bootstrapper" element of the fixture component `name`.
    tinybind::Element bootstrapper(const std::string& name) const {
        for (tinybind::Element c : root.children("component"))
            if (c.attribute("name") == name) return c.requiredChild("bootstrapper");
        ADD_FAILURE() << "no fixture component " << name;
        return tinybind::Element();
    }

private:
    tinybind::Document document;
    tinybind::Element root;
};

// A component tree whose components carry the fixture's actions of the same name, built as
// build loading builds it: components made by the run's arena, selection set with the
// components' own operations. Words of `layout`: "name" a top-level component, "name*" a
// selected one; a "radio:" or "sub:" prefix puts it into the tree's one radio group or
// sub-group, which takes its place in the tree at its first member.
class Tree {
public:
    explicit Tree(const std::string& layout) : catalogue("tarnix") {
        Declarations declarations;
        std::istringstream words(layout);
        std::string word;
        while (words >> word) {
            std::string place;
            const std::string::size_type colon = word.find(':');
            if (colon != std::string::npos) {
                place = word.substr(0, colon);
                word = word.substr(colon + 1);
            }
            const bool selected = word.back() == '*';
            if (selected) word.pop_back();

            std::shared_ptr<VnComponent> c = catalogue.component(*manager.arena(), word, 1);
            Bootstrapper::parseActions(c->actions, declarations.bootstrapper(word));
            components[word] = c.get();
            if (place == "radio") {
                if (!radio) {
                    radio = catalogue.radioGroup("choice", {});
                    manager.nodes.push_back(radio);
                }
                radio->addMember(c.get());
            } else if (place == "sub") {
                if (!sub) {
                    sub = catalogue.subGroup("section", {});
                    manager.nodes.push_back(sub);
                }
                sub->children.push_back(c);
            } else {
                manager.nodes.push_back(c);
            }
            if (selected) c->setSelected(true);
        }
    }

    testutil::TreeCatalogue catalogue;
    ComponentManager manager;
    std::map<std::string, VnComponent*> components;

private:
    std::shared_ptr<VnRadioGroup> radio;
    std::shared_ptr<VnSubGroup> sub;
};

// The marker file of one test, named by "$M" while it lives.
class Marker {
public:
    Marker() : env("M", dir / "marker") {}
    std::string path() const { return dir / "marker"; }
    // The tags written so far, blank-separated.
    std::string tags() const {
        std::string out;
        std::ifstream in(path());
        for (std::string tag; std::getline(in, tag);) out += (out.empty() ? "" : " ") + tag;
        return out;
    }

private:
    testutil::TempDir dir;
    testutil::ScopedEnv env;
};

// "(c,r,s,p) text" of an error.
std::string described(const error& e) { return codesOf(e) + " " + e.text(); }

// One action as "sequence|stage|order|operation|command".
std::string dump(const Bootstrapper::Action* action) {
    const Bootstrapper::Action_ExecCmd* cmd = dynamic_cast<const Bootstrapper::Action_ExecCmd*>(action);
    return action->sequence + "|" + action->stage + "|" + std::to_string(action->sequenceOrder) + "|" +
           action->operation + "|" + (cmd ? cmd->command : std::string("?"));
}

std::vector<std::string> dump(const ActionList& list) {
    std::vector<std::string> out;
    for (const Bootstrapper::Action* a : list) out.push_back(dump(a));
    return out;
}

// ---------------------------------------------------------------------------------------------
// Running a sequence over a tree.

struct Scenario {
    const char* label;
    const char* tree;
    const char* sequence;
    // The marker's tags afterwards.
    const char* ran;
    bool result;
    // "" when runStage returns; else what it raises, as described() writes it.
    const char* raised;
};

// Test names and failure reports show the label, not the row's bytes.
void PrintTo(const Scenario& s, std::ostream* out) { *out << s.label; }

const Scenario scenarios[] = {
    // Order is global over the selected components: -5 of the second component comes first,
    // an absent sequence-order counts 0.
    {"OrderIsGlobalAcrossComponents", "order-a* order-b*", "prep", "B-5 A0 A10", true, ""},
    // C3 (the third of five) fails: D4 and C5 never run. The rollback pass runs the rollback
    // actions of every selected component in order, also DR1 of a component whose execute
    // actions never ran; commit and "post" rollback actions do not.
    {"AFailingExecuteActionStopsThePassAndRollsBack", "five-c* five-d*", "prep", "C1 D2 C3 DR1 CR2", false, ""},
    // EC1 fails: EC2 does not run, the result stays that of the execute pass.
    {"AFailingCommitActionEndsOnlyItsPass", "commit-e*", "prep", "E1 E2 EC1", true, ""},
    {"AFailingRollbackActionEndsOnlyItsPass", "rollback-f*", "prep", "F1 FR1", false, ""},
    // never-g also declares an empty stage, operations "remove" and "", the sequences
    // "validate", "post", "Prep" and "prep ": none of them runs, nor anything of the unselected
    // components (H1, R2). The selected radio member and sub-group child run like top-level
    // components; equal orders keep the walk's order.
    {"OnlySelectedInstallActionsOfTheSequenceRun",
     "never-g* unselected-h radio:member-r2 radio:member-r1* sub:child-s*", "prep", "G1 R1 S", true, ""},
    {"PostRunsOnlyItsOwnActions", "never-g* unselected-h radio:member-r2 radio:member-r1* sub:child-s*", "post",
     "G-POST", true, ""},
    {"NoMatchingActionRunsNothing", "post-p* unselected-h", "prep", "", true, ""},
    // The shell's own death is the command's failure, not the runner's.
    {"ACommandKillingItsOwnShellFails", "kill-own-shell*", "prep", "K KR", false, ""},
    // The process that runs the shell dies of a signal: the error leaves at once, Q2 and the
    // rollback do not run.
    {"ACommandKillingItsRunnerLeavesAtOnce", "kill-runner*", "prep", "Q", false,
     "(4,2,0,2) The executed process was terminated because of unhandled signal received from the system.\n"},
};

class BootstrapperRun : public testutil::EnglishTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(BootstrapperRun, RunsTheMatchingActionsInOrder) {
    const Scenario& s = GetParam();
    Marker marker;
    Tree tree(s.tree);

    std::string raised;
    bool result = !s.result;
    try {
        result = Bootstrapper::runStage(tree.manager, s.sequence);
    } catch (const error& e) {
        raised = described(e);
    }
    EXPECT_EQ(marker.tags(), s.ran);
    EXPECT_EQ(raised, s.raised);
    if (raised.empty()) {
        EXPECT_EQ(result, s.result);
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, BootstrapperRun, ::testing::ValuesIn(scenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.label); });

class BootstrapperTest : public testutil::EnglishTest {};

TEST_F(BootstrapperTest, RunStageLogsWhatItCollectsAndRuns) {
    const std::string out = testutil::inChild([] {
        testutil::TempDir dir;
        if (::chdir(dir.path().c_str()) != 0) return std::string("chdir failed");
        testutil::LogCapture log(3);
        testutil::TreeCatalogue catalogue("tarnix");
        ComponentManager manager;
        std::shared_ptr<VnComponent> base = catalogue.component(*manager.arena(), "base", 1);
        TiXmlDocument document;
        document.Parse(
            "<bootstrapper><action sequence=\"prep\" sequence-order=\"-5\" exec-cmd=\"echo B-5 &gt;&gt; m\"/>"
            "</bootstrapper>");
        Bootstrapper::parseActions(base->actions, tinybind::Element(document.RootElement()));
        base->setSelected(true);
        manager.nodes.push_back(base);

        const bool ok = Bootstrapper::runStage(manager, Bootstrapper::sequencePrep);
        std::string out = std::string(ok ? "true" : "false") + "\n" + readFile(dir / "m");
        for (const std::string& line : splitLines(log.text()))
            if (line.find("action") != std::string::npos) out += line + "\n";
        return out;
    });
    EXPECT_EQ(out,
              "true\n"
              "B-5\n"
              " add action sequence: prep, sequence_order:-5, operation:install, stage:execute, exec_cmd: echo B-5 >> m\n"
              "base: get component specific actions for prep/execute/install\n"
              " Execute action command: echo B-5 >> m\n"
              "base: get component specific actions for prep/commit/install\n");
}

// The live processes of a process group, by /proc; zombies do not count.
std::vector<std::string> liveMembers(const std::string& group) {
    std::vector<std::string> live;
    DIR* proc = ::opendir("/proc");
    if (!proc) return {"no /proc"};
    while (const dirent* entry = ::readdir(proc)) {
        const std::string pid = entry->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in("/proc/" + pid + "/stat");
        std::string stat;
        std::getline(in, stat);
        // "pid (comm) state ppid pgrp ...": the name may hold anything but ends at the last ')'.
        const std::string::size_type close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(stat.substr(close + 1));
        std::string state, ppid, pgrp;
        fields >> state >> ppid >> pgrp;
        if (pgrp == group && state != "Z") live.push_back(pid + " " + stat.substr(0, close + 1));
    }
    ::closedir(proc);
    return live;
}

// The termination state is process-wide: the run goes in a child of its own, where a second
// thread asks for termination once the long command is under way.
TEST_F(BootstrapperTest, ATerminationRequestEndsTheRunWithoutFurtherPasses) {
    const std::string out = testutil::inChild([] {
        Marker marker;
        Tree tree("sleeper*");
        std::chrono::steady_clock::time_point requested;
        std::thread canceller([&] {
            // The long command writes its process group first.
            for (int i = 0; i < 1000 && readFile(marker.path() + ".group").empty(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            // The runner looks for a request once per 750 ms poll, the first one 750 ms after
            // the start; asking just before it keeps the bound clear of a whole poll's wait.
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            requested = std::chrono::steady_clock::now();
            requestTermination(SIGINT);
        });
        std::string raised = "nothing raised";
        try {
            Bootstrapper::runStage(tree.manager, Bootstrapper::sequencePrep);
        } catch (const error& e) {
            raised = described(e);
        }
        const auto elapsed = std::chrono::steady_clock::now() - requested;
        canceller.join();

        std::string group = readFile(marker.path() + ".group");
        while (!group.empty() && group.back() == '\n') group.pop_back();
        // Killed members may take a moment to be reaped by whoever inherits them.
        std::vector<std::string> live = liveMembers(group);
        for (int i = 0; i < 50 && !live.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            live = liveMembers(group);
        }
        std::string out = raised + "within 2.5 s: " +
                          (elapsed < std::chrono::milliseconds(2500) ? "yes" : "no") + "\nran: " + marker.tags() +
                          "\nleft:";
        for (const std::string& p : live) out += " " + p;
        return out + (group.empty() ? " (no group)" : "");
    });
    EXPECT_EQ(out,
              "(2,2,2,1) Interrupted by user\n"
              "within 2.5 s: yes\n"
              "ran: T1\n"
              "left:");
}

// ---------------------------------------------------------------------------------------------
// Reading and collecting.

TEST_F(BootstrapperTest, ReadsTheDirectActionChildrenAsTheyStand) {
    struct Row {
        const char* component;
        std::vector<std::string> actions;
    } rows[] = {
        // The package children and the action inside a package are not actions of the
        // component.
        {"order-a",
         {"prep|execute|10|install|echo A10 >> \"$M\"", "prep|execute|0|install|echo A0 >> \"$M\""}},
        {"order-b", {"prep|execute|-5|install|echo B-5 >> \"$M\""}},
        // Present but empty values stay empty; nothing is trimmed or case-folded.
        {"never-g",
         {"prep||0|install|echo G-EMPTY-STAGE >> \"$M\"", "prep|execute|0|remove|echo G-REMOVE >> \"$M\"",
          "prep|execute|0||echo G-EMPTY-OPERATION >> \"$M\"", "validate|execute|0|install|echo G-VALIDATE >> \"$M\"",
          "post|execute|0|install|echo G-POST >> \"$M\"", "Prep|execute|0|install|echo G-CASE >> \"$M\"",
          "prep |execute|0|install|echo G-BLANK >> \"$M\"", "prep|execute|0|install|echo G1 >> \"$M\""}},
    };
    Declarations declarations;
    for (const Row& r : rows) {
        Component holder("holder", "", "", {});
        Bootstrapper::parseActions(holder.actions, declarations.bootstrapper(r.component));
        EXPECT_EQ(dump(holder.actions), r.actions) << r.component;
    }
}

TEST_F(BootstrapperTest, AFailedReadKeepsTheActionsBeforeItAndPassesTheErrorOn) {
    Declarations declarations;
    {
        Component holder("holder", "", "", {});
        std::string raised = "nothing raised";
        try {
            Bootstrapper::parseActions(holder.actions, declarations.bootstrapper("broken"));
        } catch (const tinybind::err& e) {
            raised = std::to_string(e.code) + " " + e.message;
        }
        EXPECT_EQ(raised, "1 There is no attribute 'exec-cmd' in element action (row:7 col:5)");
        EXPECT_EQ(dump(holder.actions), (std::vector<std::string>{"prep|execute|0|install|echo K1 >> \"$M\"",
                                                                  "prep|execute|2|install|echo K2 >> \"$M\""}));
    }
    {
        Component holder("holder", "", "", {});
        const error e = testutil::raisedError(
            [&] { Bootstrapper::parseActions(holder.actions, declarations.bootstrapper("bad-order")); });
        EXPECT_EQ(e.text(), Messages::getMessage("err_non_digit") + "\n");
        EXPECT_EQ(dump(holder.actions), (std::vector<std::string>{"prep|execute|0|install|echo O1 >> \"$M\""}));
    }
    {
        // "sequence" is read first.
        TiXmlDocument document;
        document.Parse("<bootstrapper>\n  <action exec-cmd=\"true\"/></bootstrapper>");
        Component holder("holder", "", "", {});
        std::string raised = "nothing raised";
        try {
            Bootstrapper::parseActions(holder.actions, tinybind::Element(document.RootElement()));
        } catch (const tinybind::err& e) {
            raised = std::to_string(e.code) + " " + e.message;
        }
        EXPECT_EQ(raised, "1 There is no attribute 'sequence' in element action (row:2 col:3)");
        EXPECT_TRUE(holder.actions.empty());
    }
}

TEST_F(BootstrapperTest, CollectingMatchesOnlyInstallAndLeavesTheCallersMatchAlone) {
    testutil::LogCapture log(3);
    Tree tree("never-g* order-b* order-a*");
    // A list that already holds an action: the whole list is ordered afterwards.
    Component holder("holder", "", "", {});
    TiXmlDocument document;
    document.Parse("<b><action sequence=\"x\" sequence-order=\"7\" exec-cmd=\"earlier\"/></b>");
    Bootstrapper::parseActions(holder.actions, tinybind::Element(document.RootElement()));
    ActionList list = holder.actions;

    const Bootstrapper::SequenceMatch match{"prep", "execute", "remove"};
    Bootstrapper::getActionsSequence(tree.manager, match, list);
    EXPECT_EQ(match.operation, "remove");
    EXPECT_EQ(dump(list), (std::vector<std::string>{
                              "prep|execute|-5|install|echo B-5 >> \"$M\"",
                              "prep|execute|0|install|echo G1 >> \"$M\"",
                              "prep|execute|0|install|echo A0 >> \"$M\"",
                              "x|execute|7|install|earlier",
                              "prep|execute|10|install|echo A10 >> \"$M\"",
                          }));
    std::vector<std::string> collected;
    for (const std::string& line : splitLines(log.text()))
        if (line.find("get component specific") != std::string::npos) collected.push_back(line);
    EXPECT_EQ(collected, (std::vector<std::string>{"never-g: get component specific actions for prep/execute/install",
                                                   "order-b: get component specific actions for prep/execute/install",
                                                   "order-a: get component specific actions for prep/execute/install"}));
}

// ---------------------------------------------------------------------------------------------
// Ownership: every action belongs to the component it was read into. Under the address
// sanitizer a freed action that is still read, or an action never freed, fails the run.

TEST_F(BootstrapperTest, ActionsLiveAsLongAsTheirComponentAndGoWithIt) {
    Marker marker;
    std::shared_ptr<ComponentArena> arena;
    VnComponent* kept = nullptr;
    {
        Tree tree("order-b* post-p* radio:member-r1*");
        arena = tree.manager.arena();
        kept = tree.components.at("post-p");
        // A component whose read failed keeps, and frees, what was read before the error.
        std::shared_ptr<VnComponent> failed = tree.catalogue.component(*arena, "half-read", 1);
        EXPECT_THROW(Bootstrapper::parseActions(failed->actions, Declarations().bootstrapper("broken")),
                     tinybind::err);
        EXPECT_EQ(failed->actions.size(), 2u);

        EXPECT_TRUE(Bootstrapper::runStage(tree.manager, Bootstrapper::sequencePrep));
        EXPECT_TRUE(Bootstrapper::runStage(tree.manager, Bootstrapper::sequencePost));
        EXPECT_EQ(marker.tags(), "B-5 R1 P1 PC");
    }
    // The tree is gone; the arena still keeps its components, and their actions with them.
    ASSERT_EQ(kept->actions.size(), 2u);
    EXPECT_EQ(dump(kept->actions[1]), "post|commit|0|install|echo PC >> \"$M\"");
    arena.reset();
}

}  // namespace
