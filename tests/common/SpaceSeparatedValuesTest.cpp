#include "common/SpaceSeparatedValues.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Log.h"
#include "common/Messages.h"
#include "support/LogCapture.h"

namespace {

class SpaceSeparatedValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        Log::resetForTest();
    }
    void TearDown() override { Log::resetForTest(); }
};

TEST_F(SpaceSeparatedValuesTest, Splitting) {
    struct Case {
        std::string line;
        std::vector<std::string> values;
        bool fails;
        const char* why;
    } cases[] = {
        {"a 'b c' \"d\\\"e\" f\\g", {"a", "b c", "d\"e", "f\\g"}, false, "the three kinds of value"},
        {"'a'b", {}, true, "a closing quote needs white space after it"},
        {"a \"b\"c", {}, true, "also for double quotes, after a good value"},
        {"\"\"", {""}, false, "an empty quoted value"},
        {"'' x", {"", "x"}, false, ""},
        {"'a\\' b", {"a\\", "b"}, false, "no escapes in single quotes"},
        {"\"a\\\\b \\'\"", {"a\\b '"}, false, "a backslash takes any next character"},
        {"\"ab\\", {"ab\\"}, false, "a backslash that ends the line stays"},
        {"'open still", {"open still"}, false, "kept on purpose: an unclosed quote ends at the line end"},
        {"a\"b'c d", {"a\"b'c", "d"}, false, "quotes inside a plain value are text"},
        {"  a  ", {"a"}, false, ""},
        {"", {}, false, ""},
        {"%s %d", {"%s", "%d"}, false, "values are no format"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("[" + c.line + "] " + c.why);
        if (c.fails) {
            error e = testutil::raisedError([&] { SpaceSeparatedValues v(c.line); });
            EXPECT_EQ(e.text(), "There is a syntax error in the line '" + c.line +
                                    "':\nyou should separate the values with white spaces.\n");
            EXPECT_EQ(testutil::codesOf(e), "(0,1,1,2)");
        } else {
            EXPECT_EQ(SpaceSeparatedValues(c.line), c.values);
        }
    }

    // The line is a value of the message, never a format of its own.
    error e = testutil::raisedError([] { SpaceSeparatedValues v("'%s'%d"); });
    EXPECT_EQ(e.text(),
              "There is a syntax error in the line ''%s'%d':\nyou should separate the values with white spaces.\n");
}

TEST_F(SpaceSeparatedValuesTest, WhiteSpaceIsThatOfTheCLocale) {
    for (char blank : std::string(" \t\n\v\f\r")) {
        SCOPED_TRACE(static_cast<int>(blank));
        std::string line = std::string("a") + blank + "'b'" + blank + "\"c\"" + blank;
        EXPECT_EQ(SpaceSeparatedValues(line), (std::vector<std::string>{"a", "b", "c"}));
    }
    // Bytes that some locales count as white space are text here, also after a quote.
    EXPECT_EQ(SpaceSeparatedValues("a\xa0" "b \x85"), (std::vector<std::string>{"a\xa0" "b", "\x85"}));
    EXPECT_THROW(SpaceSeparatedValues("'a'\xa0"), error);
}

}  // namespace
