#include "common/utils.h"

#include <climits>
#include <cstring>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include "common/Log.h"
#include "common/Messages.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

using testutil::raisedError;
using testutil::writeFile;

namespace {

class utilsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        Messages::getLocale();  // its locale warnings are not what these tests look at
        Log::resetForTest();
    }
    void TearDown() override { Log::resetForTest(); }
    testutil::TempDir tmp;
};

TEST_F(utilsTest, Trimming) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"  \t a b \t ", "a b"},
        {" \t \t", ""},
        {"", ""},
        {"\f\v\r\nx\n", "x"},
        {"x", "x"},
        // bytes from 128 on are text, not white space, and must not upset the test
        {" \xa0\xe9 ", "\xa0\xe9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trim(c.in), c.out) << "[" << c.in << "]";
        char buf[64];
        std::strcpy(buf, c.in);
        trimSpaces(buf);
        EXPECT_STREQ(buf, c.out) << "[" << c.in << "]";
    }
    trimSpaces(nullptr);
}

TEST_F(utilsTest, SmallTextFunctions) {
    EXPECT_FALSE(endsWith("abc", "xabc"));
    EXPECT_TRUE(endsWith("abc", "bc"));
    EXPECT_TRUE(endsWith("abc", ""));
    EXPECT_FALSE(endsWith("abc", "ab"));

    struct Case {
        const char* in;
        const char* out;
    } versions[] = {{"5", "5"}, {"5.5", "5.5"}, {"5.5.3", "5.5"}, {"5.0.4.1", "5.0"}, {"", ""}, {"..", "."}};
    for (const Case& c : versions) EXPECT_EQ(majorMinor(c.in), c.out) << c.in;

    std::string mixed = "MiXeD 123 \xc9";
    toLower(mixed);
    EXPECT_EQ(mixed, "mixed 123 \xc9");

    EXPECT_EQ(textToHtmlLines("a\r\nb\nc"), "a<br />\nb<br />\nc");
}

TEST_F(utilsTest, ScriptStringEscapes) {
    struct Case {
        const char* in;
        const char* html;
        const char* js;
    } cases[] = {
        {"\n", "\"<br>\\n\"", "\"\\x0a\""},
        {"a\r\nb", "\"a<br>\\nb\"", "\"a\\x0d\\x0ab\""},
        {"a b", "\"a&nbsp;b\"", "\"a b\""},
        {"say \"hi\"", "\"say&nbsp;\\\"hi\\\"\"", "\"say \\\"hi\\\"\""},
        {"<a&b>", "\"&lt;a&amp;b&gt;\"", "\"<a&b>\""},
        {"c:\\x", "\"c:\\\\x\"", "\"c:\\\\x\""},
        {"caf\xe9\t~\x7f", "\"caf\xe9\t~\x7f\"", "\"caf\\xe9\\x09~\\x7f\""},
        {"", "\"\"", "\"\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toQuotedHtmlString(c.in), c.html) << c.in;
        EXPECT_EQ(toJsString(c.in), c.js) << c.in;
    }
}

TEST_F(utilsTest, StringToIntIsStrict) {
    struct Good {
        const char* in;
        int value;
    } good[] = {
        {"+7", 7},
        {"0042", 42},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        // kept on purpose: the sign characters are only checked as characters, so the number
        // ends where strtol stops, and no digits at all give 0
        {"5-3", 5},
        {"", 0},
        {"-", 0},
    };
    for (const Good& g : good) EXPECT_EQ(stringToInt(g.in), g.value) << g.in;

    const char* bad[] = {"12abc", " 5", "5 ", "2147483648", "-2147483649", "99999999999999999999", "0x10", "1.5"};
    for (const char* b : bad) {
        error e = raisedError([&] { stringToInt(b); });
        EXPECT_EQ(e.text(), "Invalid number format.\n") << b;
        EXPECT_EQ(testutil::codesOf(e), "(0,0,0,0)") << b;
    }
}

TEST_F(utilsTest, StringToInt64KeepsTheRulesOverTheWiderRange) {
    struct Good {
        const char* in;
        int64_t value;
    } good[] = {
        {"3221225472", 3221225472LL},
        {"+2147483648", 2147483648LL},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"5-3", 5},
        {"", 0},
    };
    for (const Good& g : good) EXPECT_EQ(stringToInt64(g.in), g.value) << g.in;

    const char* bad[] = {"9223372036854775808", "-9223372036854775809", "3 GiB", " 1", "0x10"};
    for (const char* b : bad) {
        error e = raisedError([&] { stringToInt64(b); });
        EXPECT_EQ(e.text(), "Invalid number format.\n") << b;
        EXPECT_EQ(testutil::codesOf(e), "(0,0,0,0)") << b;
    }
}

TEST_F(utilsTest, FreeSpaceOfAMissingPathIsZeroWithAWarning) {
    testutil::StderrCapture err;
    EXPECT_EQ(getFreeSpace(tmp / "missing"), 0u);
    EXPECT_EQ(err.text(), "Warning! Unable to determine the amount of free disk space: No such file or directory\n");
    EXPECT_EQ(Log::summaryText(), err.text());
}

TEST_F(utilsTest, FileHasLineComparesTrimmedLines) {
    std::string longLine(5000, 'L');
    writeFile(tmp / "f", "first\n  foo  \n\tbar\t\r\n" + longLine + "\nlast");
    struct Case {
        const char* text;
        bool found;
    } cases[] = {
        {"foo", true},      {"  foo  ", true}, {"bar", true},    {"last", true},
        {"fo", false},      {"foo bar", false}, {"", false},     {"first\n", true},
        // a line longer than the buffer is compared piece by piece
        {"LLLL", false},
    };
    for (const Case& c : cases) EXPECT_EQ(fileHasLine((tmp / "f").c_str(), c.text), c.found) << c.text;
    EXPECT_TRUE(fileHasLine((tmp / "f").c_str(), std::string(4095, 'L').c_str()));

    writeFile(tmp / "blank", "\n   \n");
    EXPECT_TRUE(fileHasLine((tmp / "blank").c_str(), " "));

    error missing = raisedError([&] { fileHasLine((tmp / "missing").c_str(), "x"); });
    EXPECT_EQ(missing.text(), "Failed to open the file " + tmp / "missing" + ": No such file or directory.\n");
    EXPECT_EQ(testutil::codesOf(missing), "(4,1,1,2)");

    // A file that opens but cannot be read is an error, not "no such line".
    boost::filesystem::create_directory(tmp / "dir");
    error unreadable = raisedError([&] { fileHasLine((tmp / "dir").c_str(), "x"); });
    EXPECT_EQ(unreadable.text(), "Failed to read the file " + tmp / "dir" + ": Is a directory.\n");
    EXPECT_EQ(testutil::codesOf(unreadable), "(4,1,1,2)");
}

TEST_F(utilsTest, EnvironmentAccess) {
    unsetEnv("VN_UTILS_TEST");
    EXPECT_EQ(getEnvValue("VN_UTILS_TEST"), "");
    setEnv("VN_UTILS_TEST", "one");
    setEnv("VN_UTILS_TEST", "two words");
    EXPECT_EQ(getEnvValue("VN_UTILS_TEST"), "two words");
    unsetEnv("VN_UTILS_TEST");
    EXPECT_EQ(::getenv("VN_UTILS_TEST"), nullptr);
}

TEST_F(utilsTest, MailThatCannotStartIsReportedOnStandardError) {
    testutil::RunResult r = testutil::run({testutil::program("prog_mail_nofd")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "Can't run mail command, mail not sent.\n"
              "Mail cmd failed: mail -s 'The Panel was successfully updated.' root@example.com\n"
              "The body of mail:\n"
              "line 1\nline 2\n");
}

}  // namespace
