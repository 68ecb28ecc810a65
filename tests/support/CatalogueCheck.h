#ifndef VN_TESTS_SUPPORT_CATALOGUECHECK_H
#define VN_TESTS_SUPPORT_CATALOGUECHECK_H

#include <map>
#include <string>
#include <vector>

// Checks shared by the tests of every language's catalogue.
namespace testutil {

// One key of a catalogue fixture (tests/fixtures/messages/catalogue-*.txt).
struct CatalogueEntry {
    std::string group;  // "console", "web" or "errors"
    std::string key;
    int placeholders = 0;  // the number of "%s" that callers fill
    enum Kind { Exact, InWords, Open, Help } kind = Exact;
    std::string text;  // the exact text, for Exact
};

// Reads a fixture: lines "group key count text", where text is a double-quoted text in which
// \n, \" and \\ stand for a line feed, a quotation mark and a backslash, or one of the markers
// "~" (told in words), "-" (left open) and "help". Throws on a malformed line.
std::vector<CatalogueEntry> readCatalogueFixture(const std::string& path);

// The rules that every text keeps in every language: exactly `placeholders[key]` "%s" and no
// other "%", no tab and no NUL (and 7-bit only with `asciiOnly`), and formatting with that
// many values succeeds. A key of `texts` that `placeholders` lacks, or the other way round,
// is reported too. One line per broken rule; empty when all hold.
std::vector<std::string> checkCatalogueTexts(const std::map<std::string, std::string>& texts,
                                             const std::map<std::string, int>& placeholders,
                                             bool asciiOnly);

// The rules for the "web_" texts of `texts`, which pages insert into markup, attributes and
// script strings without escaping.
std::vector<std::string> checkWebTexts(const std::map<std::string, std::string>& texts);

}  // namespace testutil

#endif
