// Sub-groups: the mark and summary line made of their children, nested groups included.
#include "components/VnSubGroup.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "components/TreeCatalogue.h"
#include "components/VnRadioGroup.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::TreeCatalogue;

class VnSubGroupTest : public testutil::EnglishTest {
protected:
    // A child that shows `mark`: '*' selected, '=' up to date, '!' unavailable, ' ' neither;
    // '(' opens a nested sub-group up to its ')', 'r' is a radio group with a selected member.
    std::shared_ptr<VnSubGroup> build(const std::string& marks) {
        size_t pos = 0;
        return parse(marks, pos);
    }

    std::shared_ptr<VnSubGroup> parse(const std::string& marks, size_t& pos) {
        auto group = std::make_shared<VnSubGroup>("extras", "Extras", tarnix.release);
        while (pos < marks.size()) {
            const char m = marks[pos++];
            if (m == ')') break;
            if (m == '(') {
                group->children.push_back(parse(marks, pos));
                continue;
            }
            if (m == 'r') {
                auto radio = std::make_shared<VnRadioGroup>("web", "Web", tarnix.release);
                for (int status : {1, 2}) {
                    owned.push_back(tarnix.component("member", status));
                    radio->addMember(owned.back().get());
                }
                owned.back()->setSelected(true);
                group->children.push_back(radio);
                continue;
            }
            std::shared_ptr<VnComponent> c = tarnix.component("c", m == '=' ? 3 : m == '!' ? 4 : 1);
            if (m == '*') c->setSelected(true);
            group->children.push_back(c);
        }
        return group;
    }

    TreeCatalogue tarnix{"tarnix"};
    // Radio members outlive their groups.
    std::vector<std::shared_ptr<VnComponent>> owned;
};

TEST_F(VnSubGroupTest, MarkAndSummaryLineComeFromTheChildren) {
    struct Row {
        const char* children;
        char mark;
        const char* counted;
        const char* why;
    };
    const Row rows[] = {
        {"**", '*', "2 of 2", ""},
        {"** ", '.', "2 of 3", ""},
        {"==", '=', "2 of 2", "up-to-date children count as selected"},
        {"=!", '.', "2 of 2", "so do unavailable ones"},
        {"  ", ' ', "0 of 2", ""},
        {"", ' ', "0 of 0", "an empty group"},
        {"(**)*", '*', "2 of 2", "a nested group counts once, by its own mark"},
        {"(*=)*", '.', "2 of 2", "a mixed nested group shows '.' and counts as selected"},
        {"( )*", '.', "1 of 2", ""},
        {"r*", '*', "2 of 2", "a radio group with a selected member shows '*'"},
        {"r ", '.', "1 of 2", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string("\"") + r.children + "\" " + r.why);
        std::shared_ptr<VnSubGroup> group = build(r.children);
        EXPECT_EQ(group->getMark(), r.mark);
        EXPECT_EQ(group->getName(), std::string("<+> Extras // ") + r.counted + " components selected");
        EXPECT_EQ(group->isEmpty(), !*r.children);
    }
}

TEST_F(VnSubGroupTest, AGroupBelongsToTheProductOfItsRelease) {
    VnSubGroup group("extras", "Extras", tarnix.release);
    EXPECT_EQ(group.getProductId(), "tarnix");
    EXPECT_EQ(group.name, "extras");

    const error e = raisedError([] { VnSubGroup("extras", "Extras", nullptr); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 VnGroup, line 21.\n");

    // A child the tree must never hold.
    group.children.push_back(nullptr);
    EXPECT_EQ(codesOf(raisedError([&] { group.getMark(); })), "(3,1,1,3)");
}

}  // namespace
