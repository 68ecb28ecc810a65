#include "common/error.h"

#include <gtest/gtest.h>

#include <boost/format.hpp>
#include <functional>

namespace {

struct ReportCase {
    const char* label;
    int c, r, s, p;
    const char* line;
    const char* report;
};

const ReportCase reportCases[] = {
    {"system, again, stable, none", 4, 2, 1, 1, "m",
     "m\nNot all packages were installed.\nPlease try installing packages again later.\n"
     "Please resolve this issue and try installing the packages again."},
    {"repository without text", 1, 1, 1, 3, "",
     "\nNot all packages were installed.\nPlease, contact product technical support."},
    {"user errors report their text alone", 2, 1, 1, 2, "m", "m\n"},
    {"unsure state, maybe support", 4, 1, 2, 2, "x",
     "x\nWarning! Not all packages were installed.\nPlease check if your system services are "
     "operable.\nPlease resolve this issue and try installing the packages again.\nIf you cannot "
     "resolve the issue on your own, contact product technical support for assistance."},
    {"broken state", 6, 1, 3, 3, "x",
     "x\nAttention! Your software might be inoperable.\nPlease, contact product technical support."},
    {"unset codes add nothing", 0, 0, 0, 0, "x", "x\n"},
    {"out-of-range codes add nothing", 7, 5, 9, -1, "x", "x\n"},
};

TEST(error, ReportTable) {
    for (const ReportCase& c : reportCases) {
        error e(c.c, c.r, c.s, c.p);
        e << c.line;
        EXPECT_EQ(e.report(), c.report) << c.label;
    }
}

TEST(error, ClassNames) {
    const std::pair<int, const char*> names[] = {
        {1, "repository"}, {2, "user"},           {3, "internal"},       {4, "system"},
        {5, "dependencies"}, {6, "packages"},     {0, "e_class broken"}, {7, "e_class broken"},
        {-1, "e_class broken"},
    };
    for (const auto& n : names) EXPECT_STREQ(error(n.first, 1, 1, 1).className(), n.second) << n.first;
}

TEST(error, QualifyOpensNewestLineAndFillsOnlyUnsetCodes) {
    error e;
    e.qualify(4, 1, 1, 2) << "a";
    EXPECT_EQ(e.text(), "a\n\n");
    EXPECT_EQ(e.lines.size(), 2u);
    EXPECT_EQ(e.lines.front(), "");

    error inner(3, 1, 1, 3);
    inner.qualify(5, 2, 2, 2);
    EXPECT_EQ((std::vector<int>{inner.e_class, inner.e_rep, inner.e_sys, inner.e_supp}),
              (std::vector<int>{3, 1, 1, 3}));

    error partial;
    partial.qualify(0, 1, 1, 2).qualify(4, 2, 2, 2);
    EXPECT_EQ((std::vector<int>{partial.e_class, partial.e_rep, partial.e_sys, partial.e_supp}),
              (std::vector<int>{4, 1, 1, 2}));
}

TEST(error, QualifyFrontPrintsLastButTextStillGoesToNewest) {
    error e(1, 1, 1, 1);
    e << "m";
    e.qualifyFront(5, 1, 1, 3) << "x";
    EXPECT_EQ(e.text(), "mx\n\n");
}

TEST(error, ContextLinesPrintBeforeTheRaisingSite) {
    error e(4, 1, 1, 2);
    e << "inner";
    e.qualify(1, 1, 1, 1) << "outer";
    EXPECT_EQ(e.text(), "outer\ninner\n");
}

TEST(error, AppendsValuesAndFormatsWithoutNewLines) {
    error e(4, 1, 1, 2);
    e << boost::format("Failed to open the file %s: %s.") % "/x" % "No such file" << ' ' << 42
      << std::string(" two\nlines");
    ASSERT_EQ(e.lines.size(), 1u);
    EXPECT_EQ(e.lines.back(), "Failed to open the file /x: No such file. 42 two\nlines");
}

TEST(error, CopiesAreIndependentAndKeepMarks) {
    error a(4, 1, 1, 2);
    a << "a";
    a.mark(0);
    error b = a;
    b << "b";
    EXPECT_TRUE(b.hasMark(0));
    EXPECT_FALSE(b.hasMark(1));
    EXPECT_EQ(a.text(), "a\n");
    EXPECT_EQ(b.text(), "ab\n");
}

TEST(error, InternalError) {
    error e = internalError("Opsys", 114);
    EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 Opsys, line 114.\n");
    EXPECT_EQ((std::vector<int>{e.e_class, e.e_rep, e.e_sys, e.e_supp}), (std::vector<int>{3, 1, 1, 3}));
}

// `throw error(...) << text` throws a copy of what the chain returns: the handler must see
// the codes and the text that were put in, whatever the chain did.
TEST(error, ThrownByValueAndCaughtAsError) {
    struct Case {
        const char* label;
        std::function<void()> raise;
        const char* codes;
        const char* text;
    };
    const Case cases[] = {
        {"one piece", [] { throw error(2, 1, 1, 2) << "bad option"; }, "2,1,1,2", "bad option\n"},
        {"pieces and a qualified line",
         [] { throw error(4, 1, 1, 2).qualify(1, 2, 2, 3) << "outer " << 2; }, "4,1,1,2", "outer 2\n\n"},
        {"a named error", [] {
             error e(3, 1, 1, 3);
             e << "inner";
             throw e;
         }, "3,1,1,3", "inner\n"},
    };
    for (const Case& c : cases) {
        bool caught = false;
        try {
            c.raise();
        } catch (const error& e) {
            caught = true;
            EXPECT_EQ(std::to_string(e.e_class) + "," + std::to_string(e.e_rep) + "," + std::to_string(e.e_sys) + "," +
                          std::to_string(e.e_supp),
                      c.codes)
                << c.label;
            EXPECT_EQ(e.text(), c.text) << c.label;
        } catch (...) {
            ADD_FAILURE() << c.label << ": not caught as error";
        }
        EXPECT_TRUE(caught) << c.label;
    }
}

}  // namespace
