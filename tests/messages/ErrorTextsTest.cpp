// The translated error texts as callers see them: through the process-wide catalogue, filled
// by the formatting library with its checks on, and after a change of language.
#include <gtest/gtest.h>

#include <boost/format.hpp>
#include <cstdlib>

#include "common/Messages.h"
#include "support/EnglishTest.h"
#include "support/TestUtil.h"

namespace {

typedef std::map<std::string, std::string> TextMap;

class ErrorTexts : public testutil::EnglishTest {};

std::string filled(const char* key, const std::vector<std::string>& values) {
    boost::format f(Messages::getMessage(key));
    for (const std::string& v : values) f % v;
    return f.str();
}

TEST_F(ErrorTexts, LookupsUnderEachLanguage) {
    const struct {
        const char* locale;
        const char* key;
        std::vector<std::string> values;
        std::string expected;
    } rows[] = {
        // The reason follows the file name; the verb closes the German sentence.
        {"de_DE", "err_lock_failed", {"/tmp/x.lock", "Resource temporarily unavailable"},
         "Datei /tmp/x.lock: Resource temporarily unavailable kann nicht gesperrt werden"},
        // The two keys without a translation show English amid the language's texts.
        {"de_DE", "err_addrepo_zypper", {}, "Unable to add repository to zypper"},
        {"de_DE", "err_lock_get", {}, "Sperrung der Datei &lt;file name&gt; aufgrund eines Systemfehlers fehlgeschlagen."},
        {"de_DE", "err_rc_param", {}, "Parameternamen m\xc3\xbcssen mit Buchstaben beginnen."},
        // A key newer than the translations.
        {"de_DE", "err_start_remote_monitor_server", {}, "Unable to start the server for reporting status."},
        {"fr_FR", "err_incompatible_products", {"Tarnix", "Lumen"},
         "The products 'Tarnix' and 'Lumen' cannot be installed on the same server."},
        {"fr_FR", "err_exec_cmd_not_found", {"ls -l"}, "Impossible d'ex\xc3\xa9""cuter une commande externe ls -l: commande introuvable"},
        {"es_ES", "err_rename", {"a", "b", "c"}, "No se ha podido cambiar el nombre del archivo a a b: c"},
        {"es_ES", "err_rc_param", {}, "Par\xc3\xa1metro desconocido en archivo rc: "},
        {"es_ES", "err_no_diskspace", {"/var", "12"},
         "No hay suficiente espacio en disco libre en el directorio /var. Libere 12 mega bites."},
    };
    for (const auto& r : rows) {
        Messages::setLocale(r.locale);
        EXPECT_EQ(filled(r.key, r.values), r.expected) << r.locale << " " << r.key;
    }
}

// Only the exact names select a language, from the environment as from the web's choice.
TEST_F(ErrorTexts, LocaleNamesThatSelectALanguage) {
    const TextMap english = Messages::messages_rep("C").map;
    const TextMap german = Messages::messages_rep("de_DE.UTF-8").map;
    ASSERT_NE(german.at("err_lock_locked"), english.at("err_lock_locked"));
    for (const char* name : {"de_DE", "de_DE.utf8", "de_DE.UTF8", "de-DE.UTF-8", "de"})
        EXPECT_EQ(Messages::messages_rep(name).map, english) << name;

    for (const char* environment : {"de_DE", "de_DE.utf8"}) {
        const std::string text = testutil::inChild([&] {
            ::setenv("LC_ALL", environment, 1);
            Messages::resetForTest();
            return Messages::getMessage("err_lock_locked");
        });
        EXPECT_EQ(text, english.at("err_lock_locked")) << "LC_ALL=" << environment;
    }
    for (const char* choice : {"de_DE", "de-DE", "de_DE.UTF-8"}) {
        Messages::setLocale(choice);
        EXPECT_EQ(Messages::getMessage("err_lock_locked"), german.at("err_lock_locked")) << choice;
    }
}

// A change of language starts again from English: nothing of the language before remains.
TEST_F(ErrorTexts, SwitchingLanguagesLeavesNothingOfThePreviousOne) {
    const TextMap german = Messages::messages_rep("de_DE.UTF-8").map;
    const TextMap french = Messages::messages_rep("fr_FR.UTF-8").map;
    Messages::setLocale("fr_FR");
    ASSERT_EQ(Messages::getMessage("err_lock_locked"), french.at("err_lock_locked"));
    Messages::setLocale("de_DE");
    size_t differing = 0;
    for (const auto& t : german) {
        EXPECT_EQ(Messages::getMessage(t.first), t.second) << t.first;
        if (french.at(t.first) != t.second) ++differing;
    }
    EXPECT_GT(differing, 280u) << "the two languages share too many texts for the check to mean much";
}

}  // namespace
