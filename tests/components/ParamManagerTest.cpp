// Text variables in catalogue texts.
#include "components/ParamManager.h"

#include <gtest/gtest.h>

#include <string>

#include "common/Messages.h"
#include "support/EnglishTest.h"
#include "support/TestUtil.h"

namespace {

class TextVariablesTest : public testutil::EnglishTest {};

TEST_F(TextVariablesTest, LocaleFollowsTheCatalogue) {
    struct Row {
        const char* locale;
        const char* value;
    } rows[] = {
        {"en_US.UTF-8", "en-US"},
        {"ja_JP.UTF-8", "ja-JP"},
        {"de_DE", "de-DE"},
        {"zh_TW.UTF-8", "zh-TW"},
    };
    for (const Row& r : rows) {
        Messages::setLocale(r.locale);
        std::string text = "[LOCALE]";
        EXPECT_EQ(expandTextVariables(text), 0) << r.locale;
        EXPECT_EQ(text, r.value) << r.locale;
    }
}

// The catalogue of a process started under the C locale keeps the name "C".
TEST_F(TextVariablesTest, LocaleOfACProcessIsC) {
    const std::string value = testutil::inChild([] {
        testutil::ScopedEnv all("LC_ALL", "C");
        Messages::resetForTest();
        std::string text = "[LOCALE]";
        expandTextVariables(text);
        return text;
    });
    EXPECT_EQ(value, "C");
}

TEST_F(TextVariablesTest, ReplacesKnownNamesAndLeavesTheRest) {
    struct Row {
        const char* text;
        const char* expanded;
        int result;
    } rows[] = {
        {"docs/[LOCALE]/notes.html", "docs/en-US/notes.html", 0},
        {"[LOCALE][LOCALE]", "en-USen-US", 0},
        {"no variables", "no variables", 0},
        {"", "", 0},
        // unknown names stay as written; scanning goes on after them
        {"[NOTHING]/[LOCALE]", "[NOTHING]/en-US", 0},
        {"[locale]", "[locale]", 0},
        {"[]", "[]", 0},
        // the name runs to the first ']'
        {"[a[LOCALE]", "[a[LOCALE]", 0},
        {"[LOCALE]]", "en-US]", 0},
        // a '[' without ']' ends the scan; what came before is expanded
        {"[LOCALE]/[LOCALE", "en-US/[LOCALE", -1},
        {"docs/[LOCALE", "docs/[LOCALE", -1},
        {"[", "[", -1},
    };
    for (const Row& r : rows) {
        std::string text = r.text;
        EXPECT_EQ(expandTextVariables(text), r.result) << r.text;
        EXPECT_EQ(text, r.expanded) << r.text;
    }
}

}  // namespace
