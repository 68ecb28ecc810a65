#ifndef VN_TESTS_SUPPORT_CATALOGUECHECK_H
#define VN_TESTS_SUPPORT_CATALOGUECHECK_H

#include <map>
#include <set>
#include <string>
#include <vector>

// Checks shared by the tests of every language's catalogue.
namespace testutil {

// One key of a catalogue fixture (tests/fixtures/messages/catalogue-*.txt).
struct CatalogueEntry {
    std::string group;  // "console", "web" or "errors"
    std::string key;
    int placeholders = 0;  // the number of "%s" that callers fill
    enum Kind { Exact, InWords, Open, Help, SameAsEnglish } kind = Exact;
    std::string text;  // the exact text, for Exact
};

// Reads a fixture: lines "group key count text", where text is a double-quoted text in which
// \n, \" and \\ stand for a line feed, a quotation mark and a backslash, or one of the markers
// "~" (told in words), "-" (left open), "=" (the English text) and "help". Throws on a
// malformed line.
std::vector<CatalogueEntry> readCatalogueFixture(const std::string& path);

// The rules that every text keeps in every language: exactly `placeholders[key]` "%s" and no
// other "%", no tab and no NUL (and 7-bit only with `asciiOnly`), and formatting with that
// many values succeeds. A key of `texts` that `placeholders` lacks, or the other way round,
// is reported too. One line per broken rule; empty when all hold.
std::vector<std::string> checkCatalogueTexts(const std::map<std::string, std::string>& texts,
                                             const std::map<std::string, int>& placeholders,
                                             bool asciiOnly);

// How the cancel confirmations of a language write an apostrophe: as the user reads it (the
// page escapes it for the script string) or already escaped as backslash and apostrophe.
enum class ConfirmApostrophe { Plain, Escaped };

// The rules for the "web_" texts of `texts`, which pages insert into markup, attributes and
// script strings.
std::vector<std::string> checkWebTexts(const std::map<std::string, std::string>& texts,
                                       ConfirmApostrophe apostrophe = ConfirmApostrophe::Plain);

// One language's fixture of one group (tests/fixtures/messages/catalogue-<lang>-<group>.txt):
// the lines of readCatalogueFixture and directive lines that begin with "!":
//   !letters "CHARS"                     the non-ASCII characters the texts may use
//   !edge KEY leading|trailing "TEXT"    the blanks and line feeds at that end, where they
//                                        differ from the English text's
//   !ending KEY "TEXT"                   the separator the text ends with instead of English's
//   !token-exempt KEY "TOKEN"            a word of the English text the language renders
//   !confirm-apostrophe plain|escaped
//   !format KEY "value"... "expected"    the text filled with the values gives `expected`
struct GroupFixture {
    struct FormatRow {
        std::string key;
        std::vector<std::string> values;
        std::string expected;
    };
    std::string path;
    std::vector<CatalogueEntry> entries;
    std::set<unsigned> letters;  // code points
    std::map<std::string, std::map<std::string, std::string>> edges;  // key -> end -> text
    std::map<std::string, std::string> endings;
    std::map<std::string, std::set<std::string>> tokenExempt;
    ConfirmApostrophe apostrophe = ConfirmApostrophe::Plain;
    std::vector<FormatRow> formats;
};
GroupFixture readGroupFixture(const std::string& path);

// What one conformance run compares: a group's texts as its filler stores them, against the
// English texts of the same group and the fixture of the language. Problem lines read
// "<locale> <group> <key>: <problem>".
struct GroupUnderTest {
    std::string locale;  // "de_DE.UTF-8"; "en_US" for English
    std::string lang;    // "de", "fr", ..., "en"
    std::string group;   // "console", "web" or "errors"
    std::map<std::string, std::string> texts;    // what the filler stores
    std::map<std::string, std::string> english;  // what the English filler of the group stores
    std::map<std::string, int> englishCounts;    // "%s" per key, from catalogue-en.txt
    GroupFixture fixture;
};

// The rules on each text: placeholders and format safety, the two ends, the characters, the
// words that stay, no copy of English, answer letters, web rules, example addresses, fixed and
// filled texts. Keys of the fixture only; the key set is checkKeySet's.
std::vector<std::string> checkGroupTexts(const GroupUnderTest& g);

// The key set: the filler stores exactly the fixture's keys (plus `allowedExtra`), each once
// in `fillerSource` (skipped when empty); under the locale, `catalogue` (the whole catalogue
// of the locale) shows each stored text, and the English text of every key of the group that
// the language stores in none of its groups (`languageKeys`).
std::vector<std::string> checkKeySet(const GroupUnderTest& g, const std::set<std::string>& allowedExtra,
                                     const std::string& fillerSource, const std::string& fillerName,
                                     const std::map<std::string, std::string>& catalogue,
                                     const std::set<std::string>& languageKeys);

// Every host name in the texts that follows "://" or "@", or ends in a top-level domain, must
// lie in a reserved example domain. One line per address that does not ("<key>: ..."); `seen`
// (when given) is increased by the number of addresses found.
std::vector<std::string> checkAddresses(const std::map<std::string, std::string>& texts, size_t* seen = nullptr);

}  // namespace testutil

#endif
