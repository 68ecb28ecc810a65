// Runs the program, whose every start makes its self-upgrade cache under /var: inside the
// namespace helper.
#include <gtest/gtest.h>

#include <regex>

#include "common/Log.h"
#include "common/Messages.h"
#include "support/TestUtil.h"

namespace {

// The help as the design lays it out, written from its tables (not from program output).
std::string golden() { return testutil::readFile(std::string(VN_FIXTURES_DIR) + "/messages/help-en.txt"); }

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "the text does not end with a line feed";
    return out;
}

TEST(HelpText, HelpAndUsagePrintTheGoldenText) {
    const std::string expected = golden();
    ASSERT_FALSE(expected.empty());
    const std::map<std::string, std::string> environments[] = {
        {{"LANG", testutil::unset}, {"LC_ALL", testutil::unset}, {"LC_MESSAGES", testutil::unset}},
        {{"LANG", "C"}, {"LC_ALL", testutil::unset}, {"LC_MESSAGES", testutil::unset}},
    };
    for (const auto& env : environments) {
        for (const char* option : {"--help", "--usage"}) {
            testutil::RunResult r = testutil::run({VN_VANTRELL_BIN, option}, env);
            const std::string label = std::string(option) + " with LANG=" + env.at("LANG");
            EXPECT_EQ(r.status, 0) << label << "\n" << r.err;
            EXPECT_EQ(r.out, expected) << label;
        }
    }
}

// The three texts are cut at entry boundaries, each ends with an empty line, and together they
// are the help.
TEST(HelpText, ThreePiecesMakeTheHelp) {
    Log::resetForTest();
    Messages::resetForTest();
    Messages::setLocale("en_US");
    const std::string& usage10 = Messages::getMessage("usage10");
    const std::string& usage20 = Messages::getMessage("usage20");
    const std::string& usage30 = Messages::getMessage("usage30");
    EXPECT_EQ(usage10 + usage20 + usage30, golden());
    for (const std::string* piece : {&usage10, &usage20, &usage30})
        EXPECT_EQ(piece->substr(piece->size() - 2), "\n\n") << *piece;
    EXPECT_EQ(usage10.substr(0, 36), "Usage: corvane_installer [OPTIONS]\n\n");
    EXPECT_NE(usage10.find("leaving the older kernel aside so that you can revert to it at any time.\n\n"),
              std::string::npos);
    EXPECT_EQ(usage20.find("    --install-system-only\n"), 0u);
    EXPECT_EQ(usage20.find("--", 10), std::string::npos) << "usage20 holds one entry";
    EXPECT_EQ(usage30.find("    --use-existing-ports\n"), 0u);
    Messages::resetForTest();
}

TEST(HelpText, GoldenLines) {
    const std::vector<std::string> lines = linesOf(golden());
    ASSERT_GT(lines.size(), 100u);
    EXPECT_EQ(lines[0], "Usage: corvane_installer [OPTIONS]");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines.back(), "") << "the help ends with an empty line";
    const char* present[] = {
        "    --proxy-port <port>  Default port for connecting to proxy server is 3128.",
        "    --use-existing-ports",
        "    --separate-log       Use new log file for each start of Corvane Products",
        "   [ --select-product-id <PROD_ID> ] \\ ",
        "   --select-release-(id|latest|current) \\ ",
        " Use the following options for selecting and installing packages,",
        " and setting up mirrors:",
        "    --select-product-id kelbor --check-updates",
        " (you first need to select a product, and ",
        "  then specify what you want to do with it.)",
        "    --usage,",
        "    --help               Show this help page",
    };
    for (const char* line : present)
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << "missing line: " << line;
}

// Options start in column 3 or 5, descriptions in column 26; an option with its argument of at
// most 19 characters carries its description's first line, a longer one stands alone.
TEST(HelpText, GoldenLayout) {
    const std::vector<std::string> lines = linesOf(golden());
    // An option, a comma after "--usage", an argument in angle brackets, then the description.
    const std::regex optionLine("( {2}| {4})(--[a-z0-9-]+,?(?: <[^>]*>)?)(?: {2,}(\\S.*))?");
    const std::regex startsLikeAnOption("( {2}| {4})--.*");
    const std::regex descriptionLine(" {25}\\S.*");
    const std::regex heading(" \\S.*[:,]");
    size_t options = 0, twoBlankOptions = 0;
    bool inExamples = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        for (unsigned char c : line) EXPECT_TRUE(c >= 0x20 && c < 0x7f) << "line " << i + 1 << ": " << line;
        if (line == "  Examples:" || line == "  Example:") {
            inExamples = true;
            continue;
        }
        if (line.empty()) inExamples = false;
        if (inExamples || !std::regex_match(line, startsLikeAnOption)) continue;
        std::smatch m;
        if (!std::regex_match(line, m, optionLine)) {
            ADD_FAILURE() << "line " << i + 1 << " is no option line: " << line;
            continue;
        }
        ++options;
        const std::string option = m[2];
        const std::string where = "line " + std::to_string(i + 1) + ": " + line;
        if (m[1].length() == 2) {
            ++twoBlankOptions;
            EXPECT_EQ(twoBlankOptions, options) << "only the first entries use two blanks; " << where;
        }
        if (m[3].matched) {
            EXPECT_LE(option.size(), 19u) << where;
            EXPECT_EQ(m.position(3), 25) << "description not in column 26; " << where;
        } else if (option == "--usage,") {
            ASSERT_LT(i + 1, lines.size());
            EXPECT_EQ(lines[i + 1].substr(0, 10), "    --help") << where;
        } else {
            EXPECT_GT(option.size(), 19u) << "a short option carries its description; " << where;
            ASSERT_LT(i + 1, lines.size());
            EXPECT_TRUE(std::regex_match(lines[i + 1], descriptionLine)) << where;
        }
        // An entry follows an empty line or the heading of its section, except the two pairs
        // that the layout keeps together.
        ASSERT_GT(i, 0u);
        const std::string& before = lines[i - 1];
        if (option == "--reinstall-patch" || option == "--help") {
            EXPECT_FALSE(before.empty()) << where;
        } else {
            EXPECT_TRUE(before.empty() || std::regex_match(before, heading)) << where;
        }
    }
    EXPECT_EQ(twoBlankOptions, 3u);
    EXPECT_GE(options, 50u);
    // Every line between entries is an option, a description, an empty line, an example
    // block or one of the free lines that start in columns 1 to 4.
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_FALSE(lines[i].size() > 4 && lines[i].compare(0, 5, "     ") == 0 &&
                     !std::regex_match(lines[i], descriptionLine))
            << "line " << i + 1 << " is indented but not in column 26: " << lines[i];
}

}  // namespace
