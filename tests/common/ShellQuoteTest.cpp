#include "common/ShellQuote.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/TestUtil.h"

namespace {

struct QuoteCase {
    const char* in;
    const char* out;
};

TEST(shellQuote, PlainWordsStayAndOthersAreQuoted) {
    const QuoteCase cases[] = {
        {"abc", "abc"},
        {"a b", "'a b'"},
        {"it's", "'it'\\''s'"},
        {"", "''"},
        // every plain character at once: logged commands of ordinary names keep their text
        {"AZaz09_@%+=:,./-", "AZaz09_@%+=:,./-"},
        {"root@example.com", "root@example.com"},
        {"/opt/panel/bin/x-1.2_3.rpm", "/opt/panel/bin/x-1.2_3.rpm"},
        {"'", "''\\'''"},
        {"a@b; touch /tmp/pwned", "'a@b; touch /tmp/pwned'"},
        {"$(id)", "'$(id)'"},
        {"`id`", "'`id`'"},
        {"~root", "'~root'"},
        {"*", "'*'"},
        {"a\nb", "'a\nb'"},
        {"caf\xc3\xa9", "'caf\xc3\xa9'"},
    };
    for (const QuoteCase& c : cases) EXPECT_EQ(shellQuote(c.in), c.out) << "input: " << c.in;
}

// The shell itself is the oracle: each quoted word must come back byte for byte.
TEST(shellQuote, ShellGivesBackEveryByte) {
    std::vector<std::string> words = {
        "", "'", "''", "\\", "\"", "$HOME", "$(touch x)", "`touch x`", "a'b\"c", "\n", " lead",
        "trail ", "tab\there", "-n", "%s%d", "caf\xc3\xa9 \xe2\x82\xac", "\x01\x7f\xff",
        "!event", "a;b|c&d>e<f", "#comment", "{a,b}", "[ab]*?",
    };
    std::mt19937 rng(4711);
    std::uniform_int_distribution<int> byte(1, 255), length(0, 40);
    for (int i = 0; i < 200; ++i) {
        std::string w;
        for (int n = length(rng); n > 0; --n) w += static_cast<char>(byte(rng));
        words.push_back(w);
    }

    // One shell for all words; NUL cannot occur in a word, so it separates them.
    std::string script;
    for (const std::string& w : words) script += "printf %s " + shellQuote(w) + "; printf '\\000'\n";
    testutil::RunResult r = testutil::run({"/bin/sh", "-c", script});
    ASSERT_EQ(r.status, 0) << r.err;

    std::vector<std::string> back;
    size_t start = 0;
    for (size_t nul; (nul = r.out.find('\0', start)) != std::string::npos; start = nul + 1)
        back.push_back(r.out.substr(start, nul - start));
    ASSERT_EQ(back.size(), words.size());
    for (size_t i = 0; i < words.size(); ++i) EXPECT_EQ(back[i], words[i]) << "word " << i;
}

}  // namespace
