#include "common/CommaSeparatedValues.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Log.h"
#include "common/Messages.h"
#include "support/LogCapture.h"

namespace {

class CommaSeparatedValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        Log::resetForTest();
    }
    void TearDown() override { Log::resetForTest(); }
};

const char* const kNoQuote =
    "Malformed comma-separated list.\nWhen specifying values containing white spaces,\n"
    "enclose each value in double quotation marks.\n";

TEST_F(CommaSeparatedValuesTest, Splitting) {
    struct Case {
        std::string line;
        std::vector<std::string> values;
        bool fails;
        const char* why;
    } cases[] = {
        {"a, \"b c\" , d", {"a", "b c", "d"}, false, "quotes keep blanks"},
        {"a b,c", {}, true, "a blank inside an unquoted value"},
        {"a,b c", {}, true, "also in the last value"},
        {"a ,\tb ", {"a", "b"}, false, "white space around commas"},
        {"\"x\"y,z", {"x", "z"}, false, "kept on purpose: text after a closing quote is dropped"},
        {"\"x\" y z", {"x"}, false, "kept on purpose: up to the line end when no comma follows"},
        {"\"a\\\"b\",\"c\\d\"", {"a\"b", "c\\d"}, false, "\\\" is a quote, other backslashes stay"},
        {"\"open, still open", {"open, still open"}, false, "an unclosed quote ends at the line end"},
        {"\"\"", {""}, false, "an empty quoted value"},
        {"a,", {"a"}, false, "a comma at the line end adds nothing"},
        {",a", {"", "a"}, false, "an empty field keeps the positions of the items after it"},
        {"a,,b", {"a", "", "b"}, false, "an empty field between values"},
        {"a, ,b", {"a", "", "b"}, false, "a field of blanks is empty too"},
        {"", {}, false, "nothing"},
        {" \t ", {}, false, "only blanks"},
        {"%s,%d", {"%s", "%d"}, false, "values are no format"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("[" + c.line + "] " + c.why);
        if (c.fails) {
            error e = testutil::raisedError([&] { CommaSeparatedValues v(c.line); });
            EXPECT_EQ(e.text(), kNoQuote);
            EXPECT_EQ(testutil::codesOf(e), "(0,0,0,0)");
        } else {
            EXPECT_EQ(CommaSeparatedValues(c.line), c.values);
        }
    }
}

TEST_F(CommaSeparatedValuesTest, WhiteSpaceIsThatOfTheCLocale) {
    for (char blank : std::string(" \t\n\v\f\r")) {
        SCOPED_TRACE(static_cast<int>(blank));
        EXPECT_EQ(CommaSeparatedValues(std::string("a") + blank + "," + blank + "b"),
                  (std::vector<std::string>{"a", "b"}));
    }
    // Bytes that some locales count as white space are text here.
    for (const char* text : {"a\xa0", "a\x85", "\x1f" "a"})
        EXPECT_EQ(CommaSeparatedValues(std::string(text) + ",b"), (std::vector<std::string>{text, "b"}));
}

}  // namespace
