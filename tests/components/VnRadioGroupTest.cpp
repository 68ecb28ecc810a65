// Radio groups: the combined status, the default and current members, and the dropping of
// members the installed one may not be switched to.
#include "components/VnRadioGroup.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
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
using testutil::TreeCatalogue;

class VnRadioGroupTest : public testutil::EnglishTest {
protected:
    // Members named A, B, C... with these statuses; a lower-case letter in `legacy` marks the
    // member of that name as legacy.
    VnRadioGroup& group(const std::vector<int>& statuses, const std::string& legacy = "") {
        radio = std::make_unique<VnRadioGroup>("web", "Web server", tarnix.release);
        members.clear();
        for (size_t i = 0; i < statuses.size(); ++i) {
            const char letter = static_cast<char>('A' + i);
            members.push_back(tarnix.component(std::string(1, letter), statuses[i]));
            members.back()->legacy = legacy.find(static_cast<char>(letter - 'A' + 'a')) != std::string::npos;
            radio->addMember(members.back().get());
        }
        return *radio;
    }

    std::string memberNames() const {
        std::string names;
        for (VnComponent* m : radio->members) names += m->name;
        return names;
    }

    TreeCatalogue tarnix{"tarnix"};
    // Declared before the group: the group goes first, as it never owns its members.
    std::vector<std::shared_ptr<VnComponent>> members;
    std::unique_ptr<VnRadioGroup> radio;
};

TEST_F(VnRadioGroupTest, CombinedStatus) {
    struct Row {
        std::vector<int> statuses;
        int selected;  // index of the selected member, -1 for none
        int combined;
        const char* why;
    };
    const Row rows[] = {
        {{1, 2, 1}, -1, 2, "an upgradable member outweighs the ones to install"},
        {{1, 4}, -1, 4, "else the last member's status"},
        {{4, 1}, -1, 1, "else the last member's status"},
        {{1, 1, 4}, -1, 4, "else the last member's status"},
        {{2, 1, 3}, -1, 3, "an up-to-date member outweighs all"},
        {{3, 1, 2}, -1, 3, ""},
        {{2, 4}, -1, 2, ""},
        {{1, 2, 1}, 0, 1, "a selected member decides"},
        {{1, 3, 2}, 2, 2, "a selected member decides"},
        {{}, -1, 0, "no members"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        VnRadioGroup& g = group(r.statuses);
        if (r.selected >= 0) members[r.selected]->setSelected(true);
        EXPECT_EQ(g.getCombinedStatus(), r.combined);
        EXPECT_EQ(g.getMark(), r.selected >= 0 ? '*' : ' ');
        EXPECT_EQ(g.hasSelected(), r.selected >= 0);
        EXPECT_EQ(g.getSelected(), r.selected >= 0 ? members[r.selected].get() : nullptr);
        EXPECT_EQ(g.isEmpty(), r.statuses.empty());
    }

    // A member's pending micro-update counts as an upgrade here too (its build has no release
    // to tell).
    VnRadioGroup g("web", "Web server", tarnix.release);
    VnComponent patched(std::make_shared<Build>(), "A", "A", "", {});
    patched.setStatus(3);
    patched.setMicroUpdateAvailable();
    std::shared_ptr<VnComponent> b = tarnix.component("B", 1);
    g.addMember(&patched);
    g.addMember(b.get());
    EXPECT_EQ(g.getCombinedStatus(), 2);
}

TEST_F(VnRadioGroupTest, DefaultAndCurrentMembersPassOverLegacyOnes) {
    struct Row {
        std::vector<int> statuses;
        const char* legacy;
        const char* defaultName;
        int selected;  // -1 for none
        const char* defaultMember;
        const char* currentMember;
        const char* why;
    };
    const Row rows[] = {
        {{1, 1, 1}, "", "B", -1, "B", "B", "the default name decides"},
        {{1, 1}, "", "Z", -1, "A", "A", "an unknown default name gives the first member"},
        {{1, 1, 1}, "b", "B", -1, "A", "A", "a legacy member is passed over even with the default name"},
        {{1, 1, 1}, "a", "", -1, "B", "B", ""},
        {{3, 1, 2}, "", "B", -1, "B", "C", "the last installed member is the current one"},
        {{3, 2, 1}, "b", "C", -1, "C", "A", "a legacy installed member is not"},
        {{3, 1, 1}, "", "B", 2, "B", "C", "a selected member is"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        VnRadioGroup& g = group(r.statuses, r.legacy);
        g.defaultMemberName = r.defaultName;
        if (r.selected >= 0) members[r.selected]->setSelected(true);
        EXPECT_EQ(g.getDefaultMember()->name, r.defaultMember);
        EXPECT_EQ(g.getCurrentMember()->name, r.currentMember);
    }

    for (const char* legacy : {"ab", ""}) {
        VnRadioGroup& g = group(*legacy ? std::vector<int>{1, 1} : std::vector<int>{}, legacy);
        g.defaultMemberName = "A";
        for (const error& e : {raisedError([&] { g.getDefaultMember(); }), raisedError([&] { g.getCurrentMember(); })}) {
            EXPECT_EQ(codesOf(e), "(3,1,1,3)");
            EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 VnRadioGroup, line 92.\n");
        }
    }
}

TEST_F(VnRadioGroupTest, DropsTheMembersTheInstalledOneMayNotBeSwitchedTo) {
    VnRadioGroup& g = group({3, 1, 1});
    g.hasSwitchRules = true;
    g.addAllowedSwitch("A", "B");
    VnComponent* c = members[2].get();

    testutil::LogCapture log(3);
    g.drop_not_allowed_switches();
    const std::string p = "DEBUG: drop_not_allowed_switches: ";
    EXPECT_EQ(testutil::splitLines(log.text()),
              (std::vector<std::string>{p + "from=A", p + "to=B", p + "allowed=true", p + "to=C", p + "allowed=false",
                                        p + "erase component " + address(c) + " C", p + "to=B",
                                        p + "allowed=true"}));
    EXPECT_EQ(memberNames(), "AB");
    EXPECT_EQ(c->getRadioGroup(), nullptr);
    EXPECT_EQ(members[1]->getRadioGroup(), &g);
    EXPECT_EQ(c->getStatus(), 1) << "a dropped member stays alive";
}

TEST_F(VnRadioGroupTest, DropRules) {
    struct Row {
        std::vector<int> statuses;
        bool rules;
        std::vector<std::pair<std::string, std::string>> allowed;
        const char* left;
        const char* why;
    };
    const Row rows[] = {
        {{3, 1, 1}, false, {{"A", "B"}}, "ABC", "without switch rules nothing is dropped"},
        {{1, 1, 4}, true, {}, "ABC", "nor without an installed member"},
        {{1, 2, 1, 1}, true, {{"B", "D"}}, "BD", "the installed member need not be the first"},
        {{3, 1, 1, 1}, true, {}, "A", "each removal starts the pass again"},
        {{3, 2, 1}, true, {{"A", "C"}}, "AC", "only the first installed member is kept for sure"},
        {{3, 1}, true, {{"a", "B"}, {"B", "A"}, {"A", "B "}}, "A", "pairs match exactly, in their direction"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        VnRadioGroup& g = group(r.statuses);
        g.hasSwitchRules = r.rules;
        for (const auto& pair : r.allowed) g.addAllowedSwitch(pair.first, pair.second);
        g.drop_not_allowed_switches();
        EXPECT_EQ(memberNames(), r.left);
        for (const auto& m : members)
            EXPECT_EQ(m->getRadioGroup(), memberNames().find(m->name) != std::string::npos ? &g : nullptr) << m->name;
    }

    group({1, 1}).hasSwitchRules = true;
    testutil::LogCapture log(3);
    radio->drop_not_allowed_switches();
    EXPECT_EQ(log.text(), "DEBUG: drop_not_allowed_switches: from=\n");
}

TEST_F(VnRadioGroupTest, GoingLogsAndLeavesTheMembers) {
    VnRadioGroup& g = group({1, 2});
    const std::string line = "DEBUG: ~VnRadioGroup: web (" + address(&g) + ")\n";
    testutil::LogCapture log(3);
    radio.reset();
    EXPECT_EQ(log.text(), line);
    EXPECT_EQ(members[1]->getStatus(), 2);
    EXPECT_EQ(members[1]->name, "B");
}

}  // namespace
