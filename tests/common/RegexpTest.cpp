#include "common/Regexp.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Log.h"
#include "common/Messages.h"
#include "support/LogCapture.h"

using testutil::codesOf;
using testutil::raisedError;

namespace {

class RegexpTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        Log::resetForTest();
    }
    void TearDown() override { Log::resetForTest(); }
};

const char* const kVersion = "[^0-9.]* ?([0-9.]+) ?.*";

TEST_F(RegexpTest, MatchesAndGroups) {
    struct Case {
        const char* pattern;
        const char* text;
        bool matches;
        std::vector<std::string> groups;  // after matchSub; empty when no match
        const char* why;
    } cases[] = {
        {kVersion, "release 5.4 (Final)", true, {"release 5.4 (Final)", "5.4"}, "version of a release line"},
        {kVersion, "CentOS release 5.5 (Final)", true, {"CentOS release 5.5 (Final)", "5.5"}, ""},
        {kVersion, "squeeze/sid", false, {}, "no digit nor dot"},
        {"x(y)?z", "axzb", true, {"xz", ""}, "a group outside the match reads empty"},
        {"(a)|(b)", "b", true, {"b", "", "b"}, "the first group took no part"},
        {"^envID:[[:space:]]*([[:digit:]]+)$", "Name:\tx\nenvID:\t0\nPid: 1", true, {"envID:\t0", "0"},
         "anchors also hold at line ends inside the text"},
        {"a.b", "a\nb", false, {}, "any-character does not take a newline"},
        {"^(.+)=(.+)$", "DISTRIB_ID=a=b", true, {"DISTRIB_ID=a=b", "DISTRIB_ID=a", "b"},
         "greedy first group runs to the last ="},
        {"", "anything", true, {""}, "the empty expression matches everywhere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " on [" + c.text + "] " + c.why);
        Regexp plain(c.pattern);
        EXPECT_EQ(plain.match(c.text), c.matches);
        Regexp sub(c.pattern, true);
        EXPECT_EQ(sub.match(std::string(c.text)), c.matches);
        EXPECT_EQ(sub.matchSub(c.text), c.matches);
        EXPECT_EQ(sub.groups, c.groups);
        for (unsigned i = 0; i < c.groups.size(); ++i) EXPECT_EQ(sub.getMatch(i), c.groups[i]);
    }
}

TEST_F(RegexpTest, GroupsLifeAcrossMatchesAndCopies) {
    Regexp r(kVersion, true);
    EXPECT_EQ(r.getNumSubexpr(), 2);
    ASSERT_TRUE(r.matchSub("release 5.4 (Final)"));
    EXPECT_THROW(r.getMatch(2), std::out_of_range);

    // A plain match neither stores nor clears groups.
    EXPECT_FALSE(r.match("no version"));
    EXPECT_EQ(r.getMatch(1), "5.4");

    // A copy shares the expression but has its own groups, and outlives the original.
    Regexp copy = r;
    {
        Regexp scoped("([a-z]+)", true);
        copy = scoped;
    }
    ASSERT_TRUE(copy.matchSub("12 abc"));
    EXPECT_EQ(copy.getMatch(1), "abc");
    EXPECT_EQ(r.getMatch(1), "5.4");

    // A failed matchSub leaves nothing to read.
    EXPECT_FALSE(r.matchSub("none"));
    error e = raisedError([&] { r.getMatch(0); });
    EXPECT_EQ(e.text(),
              "Failed to call the getMatch function: This function does not support subexpressions. "
              "Subexpressions require using the matchSub function.\n");
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
}

TEST_F(RegexpTest, Failures) {
    error e = raisedError([] { Regexp("a(b"); });
    EXPECT_EQ(e.text(),
              "Unable to compile the regular expression 'a(b': Unmatched marking parenthesis ( or \\(.\n");
    EXPECT_EQ(codesOf(e), "(0,1,1,2)");

    // The pattern is a value of the message, never a format of its own.
    e = raisedError([] { Regexp("%s(%d"); });
    EXPECT_EQ(e.text(),
              "Unable to compile the regular expression '%s(%d': Unmatched marking parenthesis ( or \\(.\n");

    Regexp plain("(a)");
    struct Case {
        std::function<void()> call;
        const char* text;
    } cases[] = {
        {[&] { plain.matchSub("a"); },
         "Failed to call the function matchSub: This function accepts only regular expressions "
         "containing subexpressions.\n"},
        {[&] { plain.getMatch(0); },
         "Failed to call the getMatch function: This function accepts only regular expressions that "
         "support submatches.\n"},
        {[&] { plain.getNumSubexpr(); },
         "Failed to call the function getNumSubexpr: This function accepts only regular expressions "
         "containing subexpressions.\n"},
        {[&] { plain.match(static_cast<const char*>(nullptr)); },
         nullptr /* its text names a place in the code */},
    };
    for (const Case& c : cases) {
        e = raisedError(c.call);
        EXPECT_EQ(codesOf(e), "(3,1,1,3)");
        EXPECT_EQ(e.text(), (c.text ? std::string(c.text) : Messages::getMessage("err_bad_match_arg") + "\n"));
    }
}

TEST_F(RegexpTest, MatchAnyTakesTheListInOrder) {
    std::vector<Regexp> list;
    EXPECT_FALSE(matchAny(list, "x"));
    list.emplace_back("^kernel");
    list.emplace_back("-devel$");
    EXPECT_TRUE(matchAny(list, "kernel-smp"));
    EXPECT_TRUE(matchAny(list, "glibc-devel"));
    EXPECT_FALSE(matchAny(list, "glibc-devel-x"));
}

}  // namespace
