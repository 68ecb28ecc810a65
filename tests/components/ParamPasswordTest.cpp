// Passwords and strings: byte-length bounds and the description's pattern, with the
// password's explanations.
#include "components/ParamPassword.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "components/ParamString.h"
#include "components/TreeCatalogue.h"
#include "support/EnglishTest.h"

namespace {

using testutil::TreeCatalogue;

const char* const failed = "The specified password could not be validated for an unknown reason.";
const char* const symbols = "The specified password contains unsupported symbols.";

std::string tooShort(const char* n) {
    return std::string("The specified password is too short. The password should be at least ") + n +
           " characters long.";
}
std::string tooLong(const char* n) {
    return std::string("The specified password is too long. The password should be no longer than ") + n +
           " characters.";
}

struct Row {
    const char* min;
    const char* max;
    const char* pattern;
    std::string text;
    std::string message;  // "" when accepted
    const char* why;
};

const std::string bytes17(17, 'p');
const std::string bytes16(16, 'p');

const Row rows[] = {
    {"6", "16", "", "abc", tooShort("6"), ""},
    {"6", "16", "", bytes17, tooLong("16"), ""},
    {"6", "16", "", "abcdef", "", "both bounds hold"},
    {"6", "16", "", bytes16, "", ""},
    {"6", "16", "", "\xc3\xa9\xc3\xa9\xc3\xa9", "", "bytes are counted, not characters"},
    {"", "", "", "", "", "no bounds, no pattern"},
    {"x", "16", "", "abcdefgh", failed, "a bound that is no integer"},
    {"6", "y", "", "abc", tooShort("6"), "the minimum is judged first"},
    {"6", "y", "", "abcdefgh", failed, ""},
    {"2147483648", "", "", "abcdefgh", failed, "beyond int"},
    {"+6", "", "", "abcde", tooShort("+6"), "the message names the bound as written"},
    {"-1", "", "", bytes16, tooShort("-1"), "-1 reads as the largest unsigned length"},
    {"", "-1", "", std::string(1000, 'p'), "", "so no text is too long for it"},
    {"", "", "^[a-z]+$", "abcdef", "", ""},
    {"", "", "^[a-z]+$", "abc1ef", symbols, ""},
    {"", "", "\\d", "abc1", "", "a search: one digit anywhere"},
    {"", "", "\\d", "abc", symbols, ""},
    {"", "", "[", "abcdef", failed, "a pattern that does not compile"},
    {"20", "", "[", "abcdef", tooShort("20"), "bounds come before the pattern"},
};

class ParamPasswordTest : public testutil::EnglishTest {
protected:
    TreeCatalogue tarnix{"tarnix"};
    std::shared_ptr<VnComponent> owner = tarnix.component("base", 1);
};

TEST_F(ParamPasswordTest, BoundsAndPatternExplainARefusal) {
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.min) + "/" + r.max + "/" + r.pattern + " \"" + r.text + "\" " + r.why);
        ParamPassword p(owner.get(), "admin_password", r.min, r.max, r.pattern, "yes");
        EXPECT_EQ(p.setValue(r.text), r.message.empty());
        EXPECT_EQ(p.getValidationMessage(), r.message);
        EXPECT_EQ(p.getStoredValue(), r.message.empty() ? r.text : "");
    }
}

TEST_F(ParamPasswordTest, StringsFollowTheSameRulesWithoutExplaining) {
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.min) + "/" + r.max + "/" + r.pattern + " \"" + r.text + "\" " + r.why);
        ParamString p(owner.get(), "login", r.min, r.max, r.pattern);
        EXPECT_EQ(p.setValue(r.text), r.message.empty());
        EXPECT_EQ(p.getValidationMessage(), "");
        EXPECT_EQ(p.getStoredValue(), r.message.empty() ? r.text : "");
    }
}

TEST_F(ParamPasswordTest, AnAcceptedPasswordClearsTheEarlierExplanation) {
    ParamPassword p(owner.get(), "admin_password", "6", "", "", "");
    EXPECT_FALSE(p.setValue("abc"));
    EXPECT_EQ(p.getValidationMessage(), tooShort("6"));
    EXPECT_TRUE(p.setValue("abcdefg"));
    EXPECT_EQ(p.getValidationMessage(), "");
    EXPECT_EQ(p.getValidateWithLogin(), "");
}

}  // namespace
