// The setting-line syntax, yes/no values, the deprecation warning and the command line rebuilt
// for the shell: the parts of the settings that read no file and no home directory.
#include <gtest/gtest.h>

#include <sstream>

#include "common/Messages.h"
#include "main/Options.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

class OptionsSyntax : public testutil::EnglishTest {};

const std::string formatHint = "\nAll lines should be in the format 'parameter_name=parameter_value'.\n";

// What parseRcLine makes of `input`: "name|value", "end", or "codes text" of the error.
std::string parsed(const std::string& input, bool hexEscapes = false) {
    std::istringstream in(input);
    std::string name, value;
    try {
        if (!Options::parseRcLine(in, name, value, hexEscapes)) return "end";
        return name + "|" + value;
    } catch (const error& e) {
        return testutil::codesOf(e) + " " + e.text();
    }
}

TEST_F(OptionsSyntax, SettingLines) {
    const struct {
        const char* input;
        std::string result;
    } rows[] = {
        // Quoted pieces keep "#" and blanks; a backslash takes the next character.
        {"K = \"x # y\"", "K|x # y"},
        {"K = \"a\\\"b\"", "K|a\"b"},
        {"K = \"a\\b\\\\\"", "K|ab\\"},
        {"K = \"\"", "K|"},
        // Unquoted pieces end at white space or "#"; a quote inside them is a plain character.
        {"K = a#b", "K|a"},
        {"K = a\"b", "K|a\"b"},
        // White space between pieces stays byte for byte, after the last one it goes.
        {"K = a   b", "K|a   b"},
        {"K = a \t b  # comment", "K|a \t b"},
        {"K = \"a\"   \"b\"", "K|a   b"},
        {"K=\"a\"b c", "K|ab c"},
        {"K = v \r", "K|v"},
        // Names: a letter, then letters, digits and "_".
        {"  Key_9x\t=v", "Key_9x|v"},
        {"\n   \n# comment\n   # indented comment\nK = v\nL = w", "K|v"},
        {"", "end"},
        {"# only a comment\n\n", "end"},
        // Errors.
        {"K", "(2,1,1,2) 'K'" + formatHint},
        {"K # c", "(2,1,1,2) 'K # c'" + formatHint},
        {"K x", "(2,1,1,2) 'K x'.\nAn equal sign (=) is missing." + formatHint},
        {"K = # c", "(2,1,1,2) 'K = # c' - parameter value is missing." + formatHint},
        {"K =   ", "(2,1,1,2) 'K =   ' - parameter value is missing." + formatHint},
        {"1K = v", "(2,1,1,2) Unknown parameter in rc file: \n"},
        {"_K = v", "(2,1,1,2) Unknown parameter in rc file: \n"},
        {"[section]", "(2,1,1,2) Unknown parameter in rc file: \n"},
        // Class and support are left for the caller.
        {"K = \"open", "(0,1,1,0) A closing quotation mark was not found.\n"},
        {"K = \"open\\\"", "(0,1,1,0) A closing quotation mark was not found.\n"},
        {"K = \"open\\", "(0,1,1,0) A closing quotation mark was not found.\n"},
    };
    for (const auto& row : rows) EXPECT_EQ(parsed(row.input), row.result) << row.input;
}

TEST_F(OptionsSyntax, HexEscapesOnlyWhereAsked) {
    const struct {
        const char* input;
        std::string plain;
        std::string hex;
    } rows[] = {
        {"K = \"\\x41\\x6a\\xC3\\xbc\"", "K|x41x6axC3xbc", "K|Aj\xc3\xbc"},
        {"K = \"\\xZZ\\x4\"", "K|xZZx4", "K|xZZx4"},
        {"K = \\x41", "K|\\x41", "K|\\x41"},
        {"K = \"\\x00a\"", "K|x00a", std::string("K|\0a", 4)},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(parsed(row.input, false), row.plain) << row.input;
        EXPECT_EQ(parsed(row.input, true), row.hex) << row.input;
    }
}

TEST_F(OptionsSyntax, OneSettingPerCall) {
    std::istringstream in("A = 1\n\n# c\nB = \"2 3\"\n");
    std::string name, value;
    ASSERT_TRUE(Options::parseRcLine(in, name, value));
    EXPECT_EQ(name + "=" + value, "A=1");
    ASSERT_TRUE(Options::parseRcLine(in, name, value));
    EXPECT_EQ(name + "=" + value, "B=2 3");
    EXPECT_FALSE(Options::parseRcLine(in, name, value));
    EXPECT_EQ(name + value, "");
}

TEST_F(OptionsSyntax, YesAndNoOnly) {
    EXPECT_TRUE(Options::parseBool("K", "yes"));
    EXPECT_TRUE(Options::parseBool("K", "YES"));
    EXPECT_FALSE(Options::parseBool("K", "no"));
    EXPECT_FALSE(Options::parseBool("K", "NO"));
    for (const char* value : {"Yes", "1", "true", "", "no "}) {
        error e = testutil::raisedError([&] { Options::parseBool("DEBUG", value); });
        EXPECT_EQ(testutil::codesOf(e), "(2,1,1,2)") << value;
        EXPECT_EQ(e.text(), std::string("You specified the wrong value '") + value +
                                "' for the parameter 'DEBUG'.\nYou can use only 'yes' or 'no' values with this parameter.\n");
    }
}

TEST_F(OptionsSyntax, DeprecationWarning) {
    testutil::LogCapture log(1);
    Options::warnDeprecatedOption("no-cvsup");
    EXPECT_EQ(log.text(), "Warning: the option no-cvsup is deprecated and has no effect.\n");
}

// The command line goes through /bin/sh when service mode restarts the program: every byte
// must reach the new process as it was.
class CommandLineText : public OptionsSyntax {
protected:
    void TearDown() override {
        commandLineArgs = CommandLineArgs();
        OptionsSyntax::TearDown();
    }
    std::string textOf(std::vector<std::string>& words) {
        argv.clear();
        for (std::string& w : words) argv.push_back(&w[0]);
        argv.push_back(nullptr);
        commandLineArgs.argc = static_cast<int>(words.size());
        commandLineArgs.argv = argv.data();
        return Options::getCommandLine();
    }
    // What the shell hands a command given `text` as its arguments, NUL-separated.
    static std::string throughShell(const std::string& text) {
        testutil::RunResult r = testutil::shell("printf '%s\\0' " + text);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }
    std::vector<char*> argv;
};

TEST_F(CommandLineText, QuotedForTheShell) {
    std::vector<std::string> words = {"/usr/sbin/vantrell", "--target", "/tmp/a b$HOME`x`'q", "\xc3\xa9"};
    const std::string text = textOf(words);
    EXPECT_EQ(text, "/usr/sbin/vantrell --target '/tmp/a b$HOME`x`'\\''q' '\xc3\xa9' ");
    std::string expected;
    for (const std::string& w : words) expected += w + '\0';
    EXPECT_EQ(throughShell(text), expected);
}

TEST_F(CommandLineText, EveryByteArrivesUnchanged) {
    std::string allBytes;
    for (int c = 1; c < 256; ++c) allBytes += static_cast<char>(c);
    std::vector<std::string> words = {"vantrell", "", allBytes, "$(id)", "'", "\\\"", "a\nb", "-x=1,2", "*", "~"};
    std::string expected;
    for (const std::string& w : words) expected += w + '\0';
    EXPECT_EQ(throughShell(textOf(words)), expected);
}

TEST_F(CommandLineText, NoArgumentsNoText) {
    EXPECT_EQ(Options::getCommandLine(), "");
}

}  // namespace
