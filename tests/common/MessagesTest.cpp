#include "common/Messages.h"

#include <gtest/gtest.h>

#include "common/Log.h"
#include "support/TestUtil.h"

namespace {

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Log::resetForTest();
        Messages::resetForTest();
        Log::fileLevel = 2;
        Log::openFile((tmp / "log").c_str(), true);
    }
    void TearDown() override {
        Log::resetForTest();
        Messages::resetForTest();
    }
    std::string log() const { return testutil::readFile(tmp / "log"); }
    size_t count(const std::string& needle) const {
        std::string all = log();
        size_t n = 0;
        for (size_t p = all.find(needle); p != std::string::npos; p = all.find(needle, p + 1)) ++n;
        return n;
    }
    testutil::TempDir tmp;
};

const char* const unsupportedLine = "Warning: Locale de.UTF-8 is not supported, used en_US.\n";
const char* const supportedLine =
    "Supported non-english locales is: en_US.UTF-8 de_DE.UTF-8 es_ES.UTF-8 fr_FR.UTF-8, it_IT.UTF-8 "
    "ja_JP.UTF-8, nl_NL.UTF8 ru_RU.UTF8 zh_CN.UTF-8, zh_TW.UTF-8\n";

TEST_F(MessagesTest, MissingKeyIsStoredWithOneWarningPerCatalogue) {
    testutil::AllowUnlocalizedKeys allow;
    Messages::setLocale("en_US");
    EXPECT_EQ(Messages::getMessage("no_such_key"), "no_such_key_(non_localized)");
    EXPECT_EQ(Messages::getMessage("no_such_key"), "no_such_key_(non_localized)");
    EXPECT_EQ(count("Warning: unlocalized key no_such_key\n"), 1u);
    Messages::setLocale("fr_FR");
    EXPECT_EQ(Messages::getMessage("no_such_key"), "no_such_key_(non_localized)");
    EXPECT_EQ(count("Warning: unlocalized key no_such_key\n"), 2u) << "a new catalogue warns again";
}

TEST_F(MessagesTest, SetLocaleNames) {
    struct Case {
        const char* given;
        const char* locale;  // getLocale() afterwards
        bool warns;
        const char* tried;  // the name in the "try to create" line
    } cases[] = {
        {"de", "en_US", true, "de.UTF-8"},
        {"de-DE", "de_DE.UTF-8", false, "de-DE.UTF-8"},
        {"de_DE", "de_DE.UTF-8", false, "de_DE.UTF-8"},
        {"zh-TW", "zh_TW.UTF-8", false, "zh-TW.UTF-8"},
        {"ru_RU", "ru_RU.UTF-8", false, "ru_RU.UTF-8"},
        {"en_US", "en_US.UTF-8", false, "en_US.UTF-8"},
        {"de_DE.utf8", "en_US", true, "de_DE.utf8"},
        {"C", "en_US", true, "C.UTF-8"},  // a dot is added, and "C.UTF-8" is not a catalogue name
    };
    for (const Case& c : cases) {
        Log::openFile((tmp / "log").c_str(), true);
        Messages::setLocale(c.given);
        EXPECT_EQ(Messages::getLocale(), c.locale) << c.given;
        EXPECT_EQ(count(std::string("Messages::setLocale: try to create object for locale: ") + c.tried + "\n"), 1u)
            << c.given << "\n" << log();
        EXPECT_EQ(count("is not supported, used en_US.\n"), c.warns ? 1u : 0u) << c.given;
        EXPECT_EQ(count(supportedLine), c.warns ? 1u : 0u) << c.given;
    }
}

TEST_F(MessagesTest, UnsupportedLocaleWarningText) {
    Messages::setLocale("de");
    EXPECT_EQ(log(), std::string("Messages::setLocale: try to create object for locale: de.UTF-8\n") +
                         unsupportedLine + supportedLine);
    // Level 1: the warnings also reach the summary.
    EXPECT_NE(Log::summaryText().find(unsupportedLine), std::string::npos);
}

// A name from a web form or the environment cannot forge log lines: its control bytes are
// written escaped, and the log holds exactly the two warning lines after the "try" line.
TEST_F(MessagesTest, ControlBytesOfAnOutsideNameAreEscaped) {
    Messages::setLocale(std::string("x.y\nERROR: forged\r\x1b[2J\x7f\0z", 25));
    EXPECT_EQ(log(), std::string("Messages::setLocale: try to create object for locale: "
                                 "x.y\\x0aERROR: forged\\x0d\\x1b[2J\\x7f\\x00z\n") +
                         "Warning: Locale x.y\\x0aERROR: forged\\x0d\\x1b[2J\\x7f\\x00z is not supported, used en_US.\n" +
                         supportedLine);
    EXPECT_EQ(Messages::getLocale(), "en_US");
}

TEST_F(MessagesTest, EmptyNameKeepsTheDoubleBlank) {
    Messages::setLocale("");
    EXPECT_EQ(count("Warning: Locale  is not supported, used en_US.\n"), 1u) << log();
    EXPECT_EQ(Messages::getLocale(), "en_US");
}

TEST_F(MessagesTest, EnglishIsAlwaysLoadedFirst) {
    Messages::setLocale("ja_JP");
    EXPECT_EQ(Messages::getMessage("Vantrell").empty(), false);
    EXPECT_EQ(Messages::getMessage("error_rep_none"), "");
    EXPECT_EQ(Messages::getMessage("err_rc_param"), "Unknown parameter in rc file: ");
}

TEST_F(MessagesTest, TextReferencesOutliveALocaleSwitch) {
    const std::string& before = Messages::getMessage("error_supp_need");
    const std::string copy = before;
    Messages::setLocale("de_DE");
    Messages::setLocale("es_ES");
    EXPECT_EQ(before, copy);
}

TEST_F(MessagesTest, Languages) {
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"en_US", "English"},  {"de_DE", "German"},   {"es_ES", "Spanish"}, {"fr_FR", "French"},
        {"it_IT", "Italian"},  {"ja_JP", "Japanese"}, {"nl_NL", "Dutch"},   {"ru_RU", "Russian"},
        {"zh_CN", "Chinese"},  {"zh_TW", "Chinese TW"},
    };
    EXPECT_EQ(Messages::getLanguages(), expected);
}

// Callers fill a text's placeholder from a value; a translation that does not have exactly
// one placeholder must still give a text, never an exception.
TEST_F(MessagesTest, FillPutsTheValueInTheOnePlaceholder) {
    Messages::setLocale("en_US");
    EXPECT_EQ(Messages::fill("param_password_too_short", "6"),
              "The specified password is too short. The password should be at least 6 characters long.");
    EXPECT_EQ(Messages::fill("param_password_too_short", "%d"),
              "The specified password is too short. The password should be at least %d characters long.")
        << "the value is not a format";
    EXPECT_EQ(Messages::fill("param_path_not_full", "6"), "Specified path is not full. Please specify a full path.");
    EXPECT_EQ(Messages::fill("err_no_diskspace", "/opt"),
              "There is not enough free disk space in the /opt directory. You need to free up  megabytes.")
        << "a second place stays empty";
}

// The first lookup reads the locale from the environment.
TEST(MessagesEnvironment, LocaleFromEnvironment) {
    struct Case {
        const char* label;
        std::map<std::string, std::string> env;
        const char* locale;
        std::vector<std::string> logged;
        std::vector<std::string> notLogged;
    } cases[] = {
        {"no locale variables",
         {{"LANG", testutil::unset}, {"LC_ALL", testutil::unset}, {"LC_MESSAGES", testutil::unset}},
         "C",
         {"Environment locale name is 'C'\n"},
         {"Warning"}},
        {"LANG=C", {{"LANG", "C"}, {"LC_ALL", testutil::unset}}, "C", {"Environment locale name is 'C'\n"}, {"Warning"}},
        {"German",
         {{"LANG", "de_DE.UTF-8"}, {"LC_ALL", testutil::unset}},
         "de_DE.UTF-8",
         {"Environment locale name is 'de_DE.UTF-8'\n"},
         {"Warning"}},
        {"German written differently",
         {{"LANG", "de_DE.utf8"}, {"LC_ALL", testutil::unset}},
         "en_US",
         {"Warning: Locale de_DE.utf8 is not supported, used en_US.\n", supportedLine},
         {}},
        {"locale the system lacks",
         {{"LANG", "xx_YY.UTF-8"}, {"LC_ALL", testutil::unset}},
         "en_US",
         {"Can't create locale object, check your locale settings.\nVantrell will use en_US locale.\n",
          "Warning: Locale  is not supported, used en_US.\n", supportedLine},
         {"Environment locale name"}},
        {"composite locale",
         {{"LANG", "C"}, {"LC_ALL", testutil::unset}, {"LC_MESSAGES", "de_DE.UTF-8"}},
         "en_US",
         {"is not supported, used en_US.\n"},
         {}},
    };
    for (const Case& c : cases) {
        testutil::RunResult r = testutil::run({testutil::program("prog_locale")}, c.env);
        ASSERT_EQ(r.status, 0) << c.label << r.err;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), c.locale) << c.label;
        for (const auto& l : c.logged) EXPECT_NE(r.err.find(l), std::string::npos) << c.label << ": " << l << "\n" << r.err;
        for (const auto& l : c.notLogged) EXPECT_EQ(r.err.find(l), std::string::npos) << c.label << ": " << l << "\n" << r.err;
    }
}

}  // namespace
