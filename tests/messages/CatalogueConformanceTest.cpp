// Every language's catalogue against the English one, group by group, driven by the fixtures
// tests/fixtures/messages/catalogue-<lang>-<group>.txt: a language's group takes part once its
// fixture is there, so adding a language means adding files.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/filesystem.hpp>

#include "common/Messages.h"
#include "support/CatalogueCheck.h"
#include "support/EnglishTest.h"
#include "support/TestUtil.h"

namespace {

using testutil::CatalogueEntry;
using testutil::GroupFixture;
using testutil::GroupUnderTest;
typedef std::map<std::string, std::string> TextMap;
typedef void (Messages::messages_rep::*Filler)();
typedef Messages::messages_rep Rep;

const char* const groupNames[] = {"console", "web", "errors"};

struct Language {
    const char* lang;    // as in the fixture names
    const char* locale;  // the name that selects it
    const char* suffix;  // of the fillers' source files
    Filler fillers[3];   // console, web, errors
};
const Language languages[] = {
    {"en", "en_US", "En", {&Rep::loadConsoleEn, &Rep::loadWebEn, &Rep::loadErrorsEn}},
    {"de", "de_DE.UTF-8", "De", {&Rep::loadConsoleDe, &Rep::loadWebDe, &Rep::loadErrorsDe}},
    {"fr", "fr_FR.UTF-8", "Fr", {&Rep::loadConsoleFr, &Rep::loadWebFr, &Rep::loadErrorsFr}},
    {"es", "es_ES.UTF-8", "Es", {&Rep::loadConsoleEs, &Rep::loadWebEs, &Rep::loadErrorsEs}},
    {"it", "it_IT.UTF-8", "It", {&Rep::loadConsoleIt, &Rep::loadWebIt, &Rep::loadErrorsIt}},
    {"nl", "nl_NL.UTF-8", "Nl", {&Rep::loadConsoleNl, &Rep::loadWebNl, &Rep::loadErrorsNl}},
    {"ru", "ru_RU.UTF-8", "Ru", {&Rep::loadConsoleRu, &Rep::loadWebRu, &Rep::loadErrorsRu}},
    {"ja", "ja_JP.UTF-8", "Ja", {&Rep::loadConsoleJa, &Rep::loadWebJa, &Rep::loadErrorsJa}},
    {"zh_CN", "zh_CN.UTF-8", "ZhCn", {&Rep::loadConsoleZhCn, &Rep::loadWebZhCn, &Rep::loadErrorsZhCn}},
    {"zh_TW", "zh_TW.UTF-8", "ZhTw", {&Rep::loadConsoleZhTw, &Rep::loadWebZhTw, &Rep::loadErrorsZhTw}},
};

// English keys that no translation is asked to carry; a filler may still store them.
const std::set<std::string> allowedExtra = {"warn_deprecated_option"};

struct GroupCase {
    const Language* language;
    int group;  // index into groupNames
    std::string name() const { return std::string(language->lang) + "_" + groupNames[group]; }
    std::string fixturePath() const {
        return std::string(VN_FIXTURES_DIR) + "/messages/catalogue-" + language->lang + "-" + groupNames[group] + ".txt";
    }
    std::string sourceName() const {
        static const char* const prefixes[] = {"Console", "Web", "Errors"};
        return std::string(prefixes[group]) + language->suffix + ".cpp";
    }
    bool english() const { return language == &languages[0]; }
};

void PrintTo(const GroupCase& c, std::ostream* os) { *os << c.name(); }

TextMap storedBy(Filler filler) {
    Rep rep("C");
    rep.map.clear();
    (rep.*filler)();
    return rep.map;
}

std::vector<GroupCase> allGroups() {
    std::vector<GroupCase> out;
    for (const Language& l : languages)
        for (int g = 0; g < 3; ++g) out.push_back({&l, g});
    return out;
}

// The translations whose fixture is there, and English, whose one fixture holds all groups.
std::vector<GroupCase> groupsWithFixture() {
    std::vector<GroupCase> out;
    for (const GroupCase& c : allGroups())
        if (c.english() || boost::filesystem::exists(c.fixturePath())) out.push_back(c);
    return out;
}

GroupFixture fixtureOf(const GroupCase& c) {
    if (!c.english()) return testutil::readGroupFixture(c.fixturePath());
    GroupFixture all = testutil::readGroupFixture(std::string(VN_FIXTURES_DIR) + "/messages/catalogue-en.txt");
    GroupFixture fx = all;
    fx.entries.clear();
    for (const CatalogueEntry& e : all.entries)
        if (e.group == groupNames[c.group]) fx.entries.push_back(e);
    return fx;
}

std::map<std::string, int> englishCounts(int group) {
    std::map<std::string, int> counts;
    for (const CatalogueEntry& e :
         testutil::readCatalogueFixture(std::string(VN_FIXTURES_DIR) + "/messages/catalogue-en.txt"))
        if (e.group == groupNames[group]) counts[e.key] = e.placeholders;
    return counts;
}

class CatalogueConformance : public testutil::EnglishTest, public ::testing::WithParamInterface<GroupCase> {};

TEST_P(CatalogueConformance, GroupKeepsTheRulesOfItsLanguage) {
    const GroupCase& c = GetParam();
    GroupUnderTest g;
    g.locale = c.language->locale;
    g.lang = c.language->lang;
    g.group = groupNames[c.group];
    g.texts = storedBy(c.language->fillers[c.group]);
    g.english = storedBy(languages[0].fillers[c.group]);
    g.englishCounts = englishCounts(c.group);
    g.fixture = fixtureOf(c);
    ASSERT_FALSE(g.fixture.entries.empty()) << c.fixturePath() << " lists no key";
    ASSERT_FALSE(g.texts.empty()) << c.sourceName() << " stores nothing, yet " << c.fixturePath() << " is there";

    std::set<std::string> languageKeys;
    for (Filler f : c.language->fillers)
        for (const auto& t : storedBy(f)) languageKeys.insert(t.first);
    const TextMap catalogue = Rep(c.language->locale).map;
    // The English console stores major_updates_skipped twice and its errors err_empty_version:
    // only the translations are held to one store per key.
    const std::string source =
        c.english() ? std::string()
                    : testutil::readFile(std::string(VN_SOURCE_DIR) + "/src/messages/" + c.sourceName());

    std::vector<std::string> problems =
        testutil::checkKeySet(g, allowedExtra, source, c.sourceName(), catalogue, languageKeys);
    const std::vector<std::string> textProblems = testutil::checkGroupTexts(g);
    problems.insert(problems.end(), textProblems.begin(), textProblems.end());
    std::string all;
    for (const std::string& p : problems) all += p + "\n";
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems:\n" << all;
}

INSTANTIATE_TEST_SUITE_P(Groups, CatalogueConformance, ::testing::ValuesIn(groupsWithFixture()),
                         [](const ::testing::TestParamInfo<GroupCase>& info) { return info.param.name(); });

// The checkers must see the faults they are there for: each broken text gives its exact line.
TEST(CatalogueConformanceCheckers, CheckersReportBrokenTexts) {
    struct Row {
        const char* lang;
        const char* group;
        const char* key;
        std::string english;
        int count;
        std::string text;
        std::string problem;  // empty: the text is sound
    };
    const std::string de = "de_DE.UTF-8 ", fr = "fr_FR.UTF-8 ";
    const Row rows[] = {
        {"de", "errors", "err_a", "Only %s left.", 1, "Nur %s frei, 50 % belegt.",
         de + "errors err_a: holds \"% \", a \"%\" that is no \"%s\""},
        {"de", "errors", "err_a", "Copy %s to %s.", 2, "Kopieren: %1$s nach %s.",
         de + "errors err_a: holds \"%1\", a \"%\" that is no \"%s\""},
        {"de", "errors", "err_a", "Copy %s to %s.", 2, "Kopieren: %s.",
         de + "errors err_a: holds 1 \"%s\", callers fill 2"},
        {"de", "errors", "err_a", "Unable to update: ", 0, "Aktualisieren fehlgeschlagen:",
         de + "errors err_a: trailing blanks and line feeds \"\" differ from English's \" \""},
        {"de", "errors", "err_a", "Errors found:\n", 0, "Fehler gefunden.\n",
         de + "errors err_a: does not end with \":\\n\" as the English text does"},
        {"fr", "errors", "err_a", "Errors found:\n", 0, "Erreurs trouv\xc3\xa9""es :\n", ""},
        {"de", "errors", "err_a", "Failed.", 0, "Fehl\xc2\x85geschlagen.",
         de + "errors err_a: holds the C1 control character U+0085"},
        {"fr", "errors", "err_a", "Failed.", 0, "Le d\x65\xcc\x81lai est pass\xc3\xa9.",
         fr + "errors err_a: holds the combining mark U+0301, letters are precomposed"},
        {"de", "errors", "err_a", "Failed.", 0, "Fehler\tgefunden.", de + "errors err_a: holds the control character U+0009"},
        {"de", "errors", "err_a", "Failed.", 0, "Fehler \xe2\x80\x9egefunden\xe2\x80\x9c.",
         de + "errors err_a: holds U+201E, which is not among the language's letters"},
        {"fr", "errors", "err_a", "Failed.", 0, "L\xe2\x80\x99op\xc3\xa9ration a \xc3\xa9""chou\xc3\xa9.",
         fr + "errors err_a: holds the typographic apostrophe or guillemet U+2019"},
        {"fr", "errors", "err_a", "Failed.", 0, "\xc3\x89""chec.",
         fr + "errors err_a: holds the accented capital U+00C9, French capitals go without accent"},
        {"de", "errors", "err_a", "Run it with --help.", 0, "Starten Sie es mit --hilfe.",
         de + "errors err_a: lacks \"--help\" of the English text"},
        {"de", "errors", "err_a", "Set HOLD_PACKAGES in /root/.vantrellrc to 'yes'.", 0,
         "Setzen Sie HOLD_PACKAGES in /root/.vantrellrc auf 'ja'.", de + "errors err_a: lacks \"'yes'\" of the English text"},
        {"de", "errors", "err_a", "The file is empty.", 0, "The file is empty.", de + "errors err_a: is a copy of the English text"},
        {"de", "errors", "err_a", "BXAgent 3.2.22", 0, "BXAgent 3.2.22", ""},
        {"de", "console", "hello_page_bottom", "N) Next page;  Q) Cancel installing\nSelect an action [N]: ", 0,
         "Q) N\xc3\xa4""chste Seite;  N) Abbrechen\nAktion w\xc3\xa4hlen [N]: ",
         de + "console hello_page_bottom: answer letters \"Q) N) [N]\" differ from English's \"N) Q) [N]\""},
        {"de", "console", "yesno_bottom", "Type either Y or N: ", 0, "Geben Sie J oder N ein: ",
         de + "console yesno_bottom: does not name the answer \"Y\""},
        {"de", "web", "web_iup_cancel_confirm", "Product installation was not finished.\\nCancel anyway?", 0,
         "Die Installation ist nicht beendet.\nTrotzdem abbrechen?", de + "web web_iup_cancel_confirm: holds a line feed"},
        {"fr", "web", "web_iup_cancel_confirm", "Product installation was not finished.\\nCancel anyway?", 0,
         "L'installation n'est pas termin\xc3\xa9""e.\\nAnnuler quand m\xc3\xaame ?", ""},
        {"fr", "web", "web_iup_cancel_confirm", "Product installation was not finished.\\nCancel anyway?", 0,
         "L\\'installation n'est pas termin\xc3\xa9""e.\\nAnnuler ?",
         fr + "web web_iup_cancel_confirm: holds an escaped apostrophe, the language writes it plain"},
        {"de", "web", "web_selfupgrade_autorefresh1", "Upgraded.<br>Reloading", 0, "Aktualisiert.<br/>Neu laden",
         de + "web web_selfupgrade_autorefresh1: tags \"<br/>\" differ from English's \"<br>\""},
        {"de", "web", "web_caption", "Releases", 0, "Versionen %s", de + "web web_caption: holds a \"%s\", which only "
                                                                          "web_releases_no_avail may"},
        {"de", "errors", "err_not_email", "Please specify an address like user@example.com", 0,
         "Geben Sie eine Adresse wie user@mail.corvane.com an",
         de + "errors err_not_email: the address \"mail.corvane.com\" is not in a reserved example domain"},
    };
    for (const Row& r : rows) {
        GroupUnderTest g;
        g.lang = r.lang;
        g.locale = g.lang == "de" ? "de_DE.UTF-8" : "fr_FR.UTF-8";
        g.group = r.group;
        g.english = {{r.key, r.english}};
        g.englishCounts = {{r.key, r.count}};
        g.texts = {{r.key, r.text}};
        CatalogueEntry entry;
        entry.group = r.group;
        entry.key = r.key;
        entry.placeholders = r.count;
        entry.kind = CatalogueEntry::Open;
        g.fixture.entries = {entry};
        g.fixture.letters = g.lang == "de" ? std::set<unsigned>{0xE4, 0xF6, 0xFC, 0xDF}
                                           : std::set<unsigned>{0xE0, 0xE7, 0xE8, 0xE9, 0xEA, 0xEE, 0xEF, 0xF4, 0xF9};
        const std::vector<std::string> problems = testutil::checkGroupTexts(g);
        std::string all;
        for (const std::string& p : problems) all += "\n  " + p;
        if (r.problem.empty())
            EXPECT_TRUE(problems.empty()) << r.text << ":" << all;
        else
            EXPECT_NE(std::find(problems.begin(), problems.end(), r.problem), problems.end())
                << r.text << ": expected\n  " << r.problem << "\ngot:" << all;
    }
}

// The fixture's own rows: an exact text, a text equal to English, a filled row, an exempt word
// and a different end.
TEST(CatalogueConformanceCheckers, FixtureRowsAreEnforced) {
    const testutil::TempDir dir;
    const std::string path = dir / "catalogue-es-errors.txt";
    testutil::writeFile(path,
                        "# a fixture\n"
                        "!letters \"\xc3\xa1\xc3\xa9\xc3\xad\xc3\xb1\xc3\xb3\xc3\xba\"\n"
                        "!token-exempt err_not_url \"protocol://path\"\n"
                        "!edge err_rc_param trailing \"\"\n"
                        "!ending err_rc_param \".\"\n"
                        "!format err_rename \"a\" \"b\" \"c\" \"a a b: c\"\n"
                        "errors err_not_url 0 -\n"
                        "errors err_rc_param 0 -\n"
                        "errors err_rename 3 -\n"
                        "errors err_same 0 =\n"
                        "errors err_exact 0 \"Texto \\\"fijo\\\"\"\n");
    GroupUnderTest g;
    g.locale = "es_ES.UTF-8";
    g.lang = "es";
    g.group = "errors";
    g.fixture = testutil::readGroupFixture(path);
    g.english = {{"err_not_url", "Use protocol://path"},
                 {"err_rc_param", "Unknown parameter: "},
                 {"err_rename", "Rename %s to %s: %s"},
                 {"err_same", "Corvane"},
                 {"err_exact", "Fixed text"}};
    g.englishCounts = {{"err_not_url", 0}, {"err_rc_param", 0}, {"err_rename", 3}, {"err_same", 0}, {"err_exact", 0}};
    g.texts = {{"err_not_url", "Use protocolo://ruta"},
               {"err_rc_param", "Par\xc3\xa1metro desconocido."},
               {"err_rename", "%s a %s: %s"},
               {"err_same", "Corvane"},
               {"err_exact", "Texto \"fijo\""}};
    EXPECT_EQ(testutil::checkGroupTexts(g), std::vector<std::string>{});

    g.texts = {{"err_not_url", "Use protocolo://ruta"},
               {"err_rc_param", "Par\xc3\xa1metro desconocido: "},
               {"err_rename", "%s en %s: %s"},
               {"err_same", "Corvane."},
               {"err_exact", "Texto fijo"}};
    const std::vector<std::string> expected = {
        "es_ES.UTF-8 errors err_rc_param: trailing blanks and line feeds \" \" differ from the fixture's \"\"",
        "es_ES.UTF-8 errors err_rc_param: does not end with \".\"",
        "es_ES.UTF-8 errors err_same: differs from the English text, which the fixture says it equals",
        "es_ES.UTF-8 errors err_exact: differs from the fixed text",
        "es_ES.UTF-8 errors err_rename: filled gives \"a en b: c\", not \"a a b: c\"",
    };
    EXPECT_EQ(testutil::checkGroupTexts(g), expected);

    testutil::writeFile(path, "!letters\n");
    EXPECT_THROW(testutil::readGroupFixture(path), std::runtime_error);
    testutil::writeFile(path, "!edge err_a middle \"\"\n");
    EXPECT_THROW(testutil::readGroupFixture(path), std::runtime_error);
}

// A group is built when its fixture and its filler are both there; one without the other is
// half done. The groups with neither are listed, by name, as skipped.
TEST(CatalogueConformanceGroups, GroupsNotBuiltYet) {
    std::vector<std::string> notBuilt;
    for (const GroupCase& c : allGroups()) {
        if (c.english()) continue;
        const bool fixture = boost::filesystem::exists(c.fixturePath());
        const bool stores = !storedBy(c.language->fillers[c.group]).empty();
        if (stores && !fixture) ADD_FAILURE() << c.sourceName() << " stores texts, but " << c.fixturePath() << " is missing";
        if (!stores && !fixture) notBuilt.push_back(c.name());
    }
    if (!notBuilt.empty()) {
        std::string names;
        for (const std::string& n : notBuilt) names += " " + n;
        GTEST_SKIP() << notBuilt.size() << " groups not built yet:" << names;
    }
}

// The process-level tests of the translations run the program under these locales: a missing
// one would let them pass on English.
TEST(CatalogueConformanceGroups, TheTenLocalesAreInstalled) {
    const testutil::RunResult r = testutil::run({"/usr/bin/locale", "-a"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<std::string> present;
    for (std::string name : testutil::splitLines(r.out)) {
        // "de_DE.utf8" and "de_DE.UTF-8" are one locale.
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char ch) { return std::tolower(ch); });
        name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
        present.insert(name);
    }
    for (const Language& l : languages) {
        std::string wanted = std::string(l.locale).substr(0, 5) + ".utf8";
        std::transform(wanted.begin(), wanted.end(), wanted.begin(), [](unsigned char ch) { return std::tolower(ch); });
        EXPECT_TRUE(present.count(wanted)) << "the locale " << l.locale
                                           << " is missing: scripts/install-deps generates it";
    }
}

}  // namespace
