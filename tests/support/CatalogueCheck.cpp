#include "CatalogueCheck.h"

#include <algorithm>
#include <boost/format.hpp>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

namespace testutil {

namespace {

std::string decode(const std::string& quoted, const std::string& where) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        throw std::runtime_error(where + ": text is not in double quotes");
    std::string out;
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
        char c = quoted[i];
        if (c == '"') throw std::runtime_error(where + ": unescaped quotation mark");
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 2 >= quoted.size()) throw std::runtime_error(where + ": backslash at the end");
        char n = quoted[++i];
        if (n == 'n')
            out += '\n';
        else if (n == '"' || n == '\\')
            out += n;
        else
            throw std::runtime_error(where + ": unknown escape \\" + std::string(1, n));
    }
    return out;
}

size_t countPlaceholders(const std::string& text) {
    size_t n = 0;
    for (size_t p = text.find("%s"); p != std::string::npos; p = text.find("%s", p + 2)) ++n;
    return n;
}

CatalogueEntry parseEntry(const std::string& line, const std::string& where) {
    std::istringstream fields(line);
    CatalogueEntry e;
    std::string count;
    if (!(fields >> e.group >> e.key >> count)) throw std::runtime_error(where + ": too few fields");
    e.placeholders = std::stoi(count);
    std::string rest;
    std::getline(fields, rest);
    if (rest.empty() || rest[0] != ' ') throw std::runtime_error(where + ": no text");
    rest.erase(0, 1);
    if (rest == "~")
        e.kind = CatalogueEntry::InWords;
    else if (rest == "-")
        e.kind = CatalogueEntry::Open;
    else if (rest == "=")
        e.kind = CatalogueEntry::SameAsEnglish;
    else if (rest == "help")
        e.kind = CatalogueEntry::Help;
    else
        e.text = decode(rest, where);
    if (e.kind == CatalogueEntry::Exact && countPlaceholders(e.text) != size_t(e.placeholders))
        throw std::runtime_error(where + ": the count does not match the text");
    return e;
}

}  // namespace

std::vector<CatalogueEntry> readCatalogueFixture(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<CatalogueEntry> out;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        out.push_back(parseEntry(line, path + ":" + std::to_string(number)));
    }
    return out;
}

std::vector<std::string> checkCatalogueTexts(const std::map<std::string, std::string>& texts,
                                             const std::map<std::string, int>& placeholders,
                                             bool asciiOnly) {
    std::vector<std::string> problems;
    for (const auto& p : placeholders)
        if (!texts.count(p.first)) problems.push_back(p.first + ": missing");
    for (const auto& t : texts) {
        const std::string& key = t.first;
        const std::string& text = t.second;
        auto expected = placeholders.find(key);
        if (expected == placeholders.end()) {
            problems.push_back(key + ": not an expected key");
            continue;
        }
        const size_t count = countPlaceholders(text);
        if (count != size_t(expected->second))
            problems.push_back(key + ": " + std::to_string(count) + " placeholders, callers fill " +
                               std::to_string(expected->second));
        for (size_t p = text.find('%'); p != std::string::npos; p = text.find('%', p + 1)) {
            if (p + 1 < text.size() && text[p + 1] == 's') {
                ++p;
                continue;
            }
            problems.push_back(key + ": a \"%\" that is no \"%s\"");
            break;
        }
        for (unsigned char c : text) {
            if (c == '\t' || c == '\0') {
                problems.push_back(key + ": holds a tab or NUL");
                break;
            }
            if (asciiOnly && c > 127) {
                problems.push_back(key + ": not 7-bit ASCII");
                break;
            }
        }
        try {
            boost::format f(text);
            for (int i = 1; i <= expected->second; ++i) f % ("<" + std::to_string(i) + ">");
            f.str();
        } catch (const boost::io::format_error& e) {
            problems.push_back(key + ": formatting with " + std::to_string(expected->second) +
                               " values fails: " + e.what());
        }
    }
    return problems;
}

namespace {

const std::set<std::string>& cancelConfirmations() {
    static const std::set<std::string> keys = {"web_iup_cancel_confirm", "web_ac_cancel_confirm",
                                               "web_uc_cancel_confirm", "web_install_cancel_confirm"};
    return keys;
}

size_t countOf(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t p = text.find(piece); p != std::string::npos; p = text.find(piece, p + piece.size())) ++n;
    return n;
}

}  // namespace

std::vector<std::string> checkWebTexts(const std::map<std::string, std::string>& texts, ConfirmApostrophe apostrophe) {
    // Markup is live in the page, so only these two texts may hold it.
    const std::set<std::string> withMarkup = {"web_releases_no_avail", "web_selfupgrade_autorefresh1"};
    // Parts of a double-quoted script string.
    const std::set<std::string> scriptStrings = {"web_compcount1", "web_compcount2", "web_compcount3"};
    std::vector<std::string> problems;
    for (const auto& t : texts) {
        const std::string& key = t.first;
        const std::string& text = t.second;
        if (key.compare(0, 4, "web_") != 0) continue;
        if (!withMarkup.count(key) && text.find_first_of("<>&\"") != std::string::npos)
            problems.push_back(key + ": holds markup characters");
        if (cancelConfirmations().count(key)) {
            // The argument of confirm() in a script string: a backslash and "n" make the
            // dialog's line break, and the page escapes what else the string needs.
            if (text.find('\n') != std::string::npos) problems.push_back(key + ": holds a line feed");
            const size_t pairs = countOf(text, "\\n");
            if (pairs != 1)
                problems.push_back(key + ": holds " + std::to_string(pairs) +
                                   " backslash-n pairs between its sentences, one is wanted");
            for (size_t p = text.find('\\'); p != std::string::npos; p = text.find('\\', p + 2)) {
                const char next = p + 1 < text.size() ? text[p + 1] : '\0';
                if (next == 'n' || (next == '\'' && apostrophe == ConfirmApostrophe::Escaped)) continue;
                problems.push_back(key + (next == '\'' ? ": holds an escaped apostrophe, the language writes it plain"
                                                       : ": holds a backslash that is no backslash-n pair"));
                break;
            }
            if (apostrophe == ConfirmApostrophe::Escaped) {
                for (size_t p = text.find('\''); p != std::string::npos; p = text.find('\'', p + 1)) {
                    if (p > 0 && text[p - 1] == '\\') continue;
                    problems.push_back(key + ": holds an apostrophe without its backslash");
                    break;
                }
            }
        }
        if (scriptStrings.count(key) && text.find_first_of("\"\\\n") != std::string::npos)
            problems.push_back(key + ": breaks its script string");
        if (key == "web_selfupgrade_autorefresh1") {
            const size_t br = text.find("<br>");
            if (br == std::string::npos || text.find("<br>", br + 1) != std::string::npos ||
                text.find_first_of("<>", br + 4) != std::string::npos || text.find_first_of("<>") != br)
                problems.push_back(key + ": must hold exactly one \"<br>\" and no other markup");
        }
    }
    return problems;
}

namespace {

std::string unquote(const std::string& field, const std::string& where) {
    return decode(field, where);
}

// Splits a directive line into words, a double-quoted text counting as one word (kept with its
// quotes, so that unquote decodes it).
std::vector<std::string> directiveWords(const std::string& line, const std::string& where) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ') {
            ++i;
            continue;
        }
        size_t end = i;
        if (line[i] == '"') {
            for (end = i + 1; end < line.size() && line[end] != '"'; ++end)
                if (line[end] == '\\') ++end;
            if (end >= line.size()) throw std::runtime_error(where + ": unterminated text");
            ++end;
        } else {
            while (end < line.size() && line[end] != ' ') ++end;
        }
        out.push_back(line.substr(i, end - i));
        i = end;
    }
    return out;
}

// Code points of a UTF-8 text; false when it is not valid UTF-8 (overlong forms, surrogates
// and values past U+10FFFF included).
bool decodeUtf8(const std::string& text, std::vector<unsigned>& out) {
    out.clear();
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = text[i];
        unsigned cp;
        size_t n;
        if (c < 0x80) {
            cp = c;
            n = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            n = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            n = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            n = 4;
        } else {
            return false;
        }
        if (i + n > text.size()) return false;
        for (size_t k = 1; k < n; ++k) {
            const unsigned char d = text[i + k];
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        static const unsigned least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        out.push_back(cp);
        i += n;
    }
    return true;
}

std::string codePoint(unsigned cp) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", cp);
    return buf;
}

// A text as it is shown in a problem line: line feeds as backslash-n.
std::string shown(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

std::string leadingRun(const std::string& text) { return text.substr(0, text.find_first_not_of(" \n")); }

std::string trailingRun(const std::string& text) {
    const size_t last = text.find_last_not_of(" \n");
    return last == std::string::npos ? text : text.substr(last + 1);
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The separator a caller joins a value or the next line to.
std::string separatorOf(const std::string& english) {
    for (const char* sep : {":\n", ": ", ":", "\n"})
        if (endsWith(english, sep)) return sep;
    return std::string();
}

void addMatches(const std::string& text, const std::regex& re, int group, std::vector<std::string>& out) {
    for (std::sregex_iterator m(text.begin(), text.end(), re), end; m != end; ++m) out.push_back((*m)[group].str());
}

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The words of an English text that every translation keeps as they are: option names, rc-file
// keys, file names and paths, addresses, single-quoted values, double-quoted names, character
// references, numbers and product names.
std::vector<std::string> wordsThatStay(const std::string& english) {
    static const std::regex option("--[a-z0-9][a-z0-9-]*");
    static const std::regex rcKey("\\b[A-Z][A-Z0-9]*(?:_[A-Z0-9]+)+\\b");
    static const std::regex url("[a-z]+://[^\\s\"]+");
    static const std::regex path("(?:^|[\\s\"'(])(/[A-Za-z0-9_.-]+(?:/[A-Za-z0-9_.-]*)*)");
    static const std::regex file("(?:^|[\\s\"'(])([A-Za-z0-9_-]*(?:\\.[A-Za-z0-9_-]+)*\\.[a-z][a-z0-9]*)");
    static const std::regex singleQuoted("'[^'\\s%]+'");
    static const std::regex doubleQuoted("\"[A-Za-z0-9_.-]+\"");
    static const std::regex reference("&(?:[a-z]+|#[0-9]+);");
    static const std::regex number("[0-9]+(?:\\.[0-9]+)*");
    static const std::regex product("\\b(?:Corvane|Tarnix|BXAgent|KV)\\b");
    std::vector<std::string> words;
    addMatches(english, option, 0, words);
    addMatches(english, rcKey, 0, words);
    addMatches(english, url, 0, words);
    addMatches(english, path, 1, words);
    addMatches(english, file, 1, words);
    addMatches(english, singleQuoted, 0, words);
    addMatches(english, doubleQuoted, 0, words);
    addMatches(english, reference, 0, words);
    addMatches(english, product, 0, words);
    for (std::sregex_iterator m(english.begin(), english.end(), number), end; m != end; ++m) {
        const size_t at = m->position(0), len = m->length(0);
        if (at > 0 && (isWordChar(english[at - 1]) || english[at - 1] == '.')) continue;
        if (at + len < english.size() && isWordChar(english[at + len])) continue;
        words.push_back(m->str());
    }
    std::vector<std::string> out;
    for (std::string w : words) {
        while (!w.empty() && (w.back() == '.' || w.back() == ',')) w.pop_back();
        if (w.size() > 1 && std::find(out.begin(), out.end(), w) == out.end()) out.push_back(w);
    }
    return out;
}

// The answer letters "X)" and "(X)" and the bracketed defaults "[X]" of a console text, in order.
std::vector<std::string> answerMarks(const std::string& text) {
    static const std::regex mark("\\(([A-Z])\\)|(^|[^A-Za-z0-9(])([A-Z])\\)|\\[([^\\]\\s]{1,10})\\]");
    std::vector<std::string> out;
    for (std::sregex_iterator m(text.begin(), text.end(), mark), end; m != end; ++m) {
        if ((*m)[1].matched)
            out.push_back("(" + (*m)[1].str() + ")");
        else if ((*m)[3].matched)
            out.push_back((*m)[3].str() + ")");
        else
            out.push_back("[" + (*m)[4].str() + "]");
    }
    return out;
}

std::string joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
    return out;
}

std::vector<std::string> tagsOf(const std::string& text) {
    static const std::regex tag("<[^>]*>");
    std::vector<std::string> out;
    addMatches(text, tag, 0, out);
    return out;
}

std::vector<std::string> braceRuns(const std::string& text) {
    static const std::regex run("\\{[^}]*\\}");
    std::vector<std::string> out;
    addMatches(text, run, 0, out);
    return out;
}

bool hasWordOf(const std::string& text, const std::string& word) {
    for (size_t p = text.find(word); p != std::string::npos; p = text.find(word, p + 1)) {
        const bool before = p == 0 || !std::isalpha(static_cast<unsigned char>(text[p - 1]));
        const bool after = p + word.size() == text.size() || !std::isalpha(static_cast<unsigned char>(text[p + word.size()]));
        if (before && after) return true;
    }
    return false;
}

class Reporter {
public:
    Reporter(const GroupUnderTest& g, std::vector<std::string>& out) : g_(g), out_(out) {}
    void operator()(const std::string& key, const std::string& problem) {
        out_.push_back(g_.locale + " " + g_.group + " " + key + ": " + problem);
    }

private:
    const GroupUnderTest& g_;
    std::vector<std::string>& out_;
};

void checkPlaceholders(const std::string& key, const std::string& text, int count, const std::string* english,
                       Reporter& report) {
    const size_t found = countPlaceholders(text);
    if (found != size_t(count))
        report(key, "holds " + std::to_string(found) + " \"%s\", callers fill " + std::to_string(count));
    for (size_t p = text.find('%'); p != std::string::npos; p = text.find('%', p + 1)) {
        if (p + 1 < text.size() && text[p + 1] == 's') {
            ++p;
            continue;
        }
        // "%d", "%1$s", "%1%", "%%" and "50 %" are all directives to the formatting library.
        report(key, "holds \"" + text.substr(p, 2) + "\", a \"%\" that is no \"%s\"");
        break;
    }
    std::vector<std::string> values;
    for (int i = 1; i <= count; ++i) values.push_back("\x01value" + std::to_string(i) + "\x02");
    try {
        boost::format f(text);
        for (const std::string& v : values) f % v;
        const std::string filled = f.str();
        size_t at = 0;
        for (const std::string& v : values) {
            const size_t p = filled.find(v, at);
            if (p == std::string::npos || filled.find(v, p + 1) != std::string::npos) {
                report(key, "filled with " + std::to_string(count) + " values does not show each once, in order");
                break;
            }
            at = p + v.size();
        }
    } catch (const boost::io::format_error& e) {
        report(key, "formatting with " + std::to_string(count) + " values fails: " + e.what());
    }
    if (english && braceRuns(text) != braceRuns(*english))
        report(key, "\"{...}\" runs \"" + joined(braceRuns(text)) + "\" differ from English's \"" +
                        joined(braceRuns(*english)) + "\"");
}

void checkEnds(const GroupUnderTest& g, const std::string& key, const std::string& text, const std::string& english,
               Reporter& report) {
    const auto edges = g.fixture.edges.find(key);
    for (const char* end : {"leading", "trailing"}) {
        const bool leading = std::string(end) == "leading";
        std::string wanted = leading ? leadingRun(english) : trailingRun(english);
        const char* from = "English's";
        if (edges != g.fixture.edges.end() && edges->second.count(end)) {
            wanted = edges->second.at(end);
            from = "the fixture's";
        }
        const std::string got = leading ? leadingRun(text) : trailingRun(text);
        if (got != wanted)
            report(key, std::string(end) + " blanks and line feeds \"" + shown(got) + "\" differ from " + from + " \"" +
                            shown(wanted) + "\"");
    }
    auto ending = g.fixture.endings.find(key);
    const std::string sep = ending != g.fixture.endings.end() ? ending->second : separatorOf(english);
    if (sep.empty()) return;
    // French puts a blank before a colon.
    const bool frenchColon = g.lang == "fr" && sep[0] == ':' && endsWith(text, " " + sep);
    if (!endsWith(text, sep) && !frenchColon)
        report(key, "does not end with \"" + shown(sep) + "\"" +
                        (ending != g.fixture.endings.end() ? "" : " as the English text does"));
}

void checkCharacters(const GroupUnderTest& g, const std::string& key, const std::string& text, Reporter& report) {
    std::vector<unsigned> cps;
    if (!decodeUtf8(text, cps)) {
        report(key, "is not valid UTF-8");
        return;
    }
    std::set<std::string> seen;
    auto once = [&](const std::string& problem) {
        if (seen.insert(problem).second) report(key, problem);
    };
    for (unsigned cp : cps) {
        if (cp == '\n') continue;
        if (cp < 0x20 || cp == 0x7F) {
            once("holds the control character " + codePoint(cp));
            continue;
        }
        if (cp < 0x80) continue;
        if (cp <= 0x9F) {
            once("holds the C1 control character " + codePoint(cp));
            continue;
        }
        if ((cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x1AB0 && cp <= 0x1AFF) || (cp >= 0x1DC0 && cp <= 0x1DFF) ||
            (cp >= 0x20D0 && cp <= 0x20FF) || (cp >= 0xFE20 && cp <= 0xFE2F)) {
            once("holds the combining mark " + codePoint(cp) + ", letters are precomposed");
            continue;
        }
        if (g.lang == "fr" && cp >= 0xC0 && cp <= 0xDD && cp != 0xD7) {
            once("holds the accented capital " + codePoint(cp) + ", French capitals go without accent");
            continue;
        }
        if (g.fixture.letters.count(cp)) continue;
        if (cp == 0xA0 || cp == 0x202F || cp == 0x2007 || cp == 0x2009 || cp == 0x2060 || cp == 0xFEFF)
            once("holds the no-break or narrow blank " + codePoint(cp));
        else if (cp == 0x2018 || cp == 0x2019 || cp == 0x201C || cp == 0x201D || cp == 0xAB || cp == 0xBB ||
                 cp == 0x2039 || cp == 0x203A)
            once("holds the typographic apostrophe or guillemet " + codePoint(cp));
        else
            once("holds " + codePoint(cp) + ", which is not among the language's letters");
    }
}

void checkWords(const GroupUnderTest& g, const std::string& key, const std::string& text, const std::string& english,
                Reporter& report) {
    const auto exempt = g.fixture.tokenExempt.find(key);
    for (const std::string& word : wordsThatStay(english)) {
        if (exempt != g.fixture.tokenExempt.end() && exempt->second.count(word)) continue;
        if (text.find(word) == std::string::npos) report(key, "lacks \"" + word + "\" of the English text");
    }
}

void checkNotACopy(const std::string& key, const std::string& text, const std::string& english,
                   const CatalogueEntry& entry, Reporter& report) {
    if (entry.kind == CatalogueEntry::SameAsEnglish) {
        if (text != english) report(key, "differs from the English text, which the fixture says it equals");
        return;
    }
    if (text != english) return;
    std::string rest = english;
    for (const std::string& word : wordsThatStay(english))
        for (size_t p; (p = rest.find(word)) != std::string::npos;) rest.erase(p, word.size());
    if (std::any_of(rest.begin(), rest.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
        report(key, "is a copy of the English text");
}

void checkConsoleRows(const std::string& key, const std::string& text, const std::string& english, Reporter& report) {
    const std::vector<std::string> got = answerMarks(text), wanted = answerMarks(english);
    if (got != wanted)
        report(key, "answer letters \"" + joined(got) + "\" differ from English's \"" + joined(wanted) + "\"");
    const std::vector<std::string> words = key == "yesno_bottom"          ? std::vector<std::string>{"Y", "N"}
                                           : key == "strong_yesno_bottom" ? std::vector<std::string>{"Yes", "No"}
                                                                          : std::vector<std::string>{};
    for (const std::string& w : words)
        if (!hasWordOf(text, w)) report(key, "does not name the answer \"" + w + "\"");
}

void checkWebRows(const GroupUnderTest& g, const std::string& key, const std::string& text, const std::string& english,
                  Reporter& report) {
    if (key != "web_releases_no_avail" && text.find("%s") != std::string::npos)
        report(key, "holds a \"%s\", which only web_releases_no_avail may");
    if ((key == "web_releases_no_avail" || key == "web_selfupgrade_autorefresh1") && tagsOf(text) != tagsOf(english))
        report(key, "tags \"" + joined(tagsOf(text)) + "\" differ from English's \"" + joined(tagsOf(english)) + "\"");
    for (const std::string& problem : checkWebTexts({{key, text}}, g.fixture.apostrophe))
        report(key, problem.substr(key.size() + 2));
}

}  // namespace

GroupFixture readGroupFixture(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    GroupFixture fx;
    fx.path = path;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        const std::string where = path + ":" + std::to_string(number);
        if (line[0] != '!') {
            fx.entries.push_back(parseEntry(line, where));
            continue;
        }
        const std::vector<std::string> w = directiveWords(line, where);
        const std::string& name = w[0];
        if (name == "!letters" && w.size() == 2) {
            std::vector<unsigned> cps;
            if (!decodeUtf8(unquote(w[1], where), cps)) throw std::runtime_error(where + ": letters are not UTF-8");
            fx.letters.insert(cps.begin(), cps.end());
        } else if (name == "!edge" && w.size() == 4 && (w[2] == "leading" || w[2] == "trailing")) {
            fx.edges[w[1]][w[2]] = unquote(w[3], where);
        } else if (name == "!ending" && w.size() == 3) {
            fx.endings[w[1]] = unquote(w[2], where);
        } else if (name == "!token-exempt" && w.size() == 3) {
            fx.tokenExempt[w[1]].insert(unquote(w[2], where));
        } else if (name == "!confirm-apostrophe" && w.size() == 2 && (w[1] == "plain" || w[1] == "escaped")) {
            fx.apostrophe = w[1] == "plain" ? ConfirmApostrophe::Plain : ConfirmApostrophe::Escaped;
        } else if (name == "!format" && w.size() >= 3) {
            GroupFixture::FormatRow row;
            row.key = w[1];
            for (size_t i = 2; i + 1 < w.size(); ++i) row.values.push_back(unquote(w[i], where));
            row.expected = unquote(w.back(), where);
            fx.formats.push_back(row);
        } else {
            throw std::runtime_error(where + ": unknown or malformed directive");
        }
    }
    return fx;
}

std::vector<std::string> checkGroupTexts(const GroupUnderTest& g) {
    std::vector<std::string> problems;
    Reporter report(g, problems);
    for (const CatalogueEntry& entry : g.fixture.entries) {
        const std::string& key = entry.key;
        const auto stored = g.texts.find(key);
        if (stored == g.texts.end()) continue;  // checkKeySet reports it
        const std::string& text = stored->second;
        const auto englishText = g.english.find(key);
        const std::string* english = englishText == g.english.end() ? nullptr : &englishText->second;
        const auto englishCount = g.englishCounts.find(key);
        int count = entry.placeholders;
        if (englishCount != g.englishCounts.end()) {
            if (entry.placeholders != englishCount->second)
                report(key, "the fixture's count " + std::to_string(entry.placeholders) + " differs from English's " +
                                std::to_string(englishCount->second));
            count = englishCount->second;
        }
        checkPlaceholders(key, text, count, english, report);
        checkCharacters(g, key, text, report);
        if (english) {
            checkEnds(g, key, text, *english, report);
            checkWords(g, key, text, *english, report);
            if (g.lang != "en") checkNotACopy(key, text, *english, entry, report);
            if (g.group == "console") checkConsoleRows(key, text, *english, report);
        }
        if (g.group == "web") checkWebRows(g, key, text, english ? *english : text, report);
        if (entry.kind == CatalogueEntry::Exact && text != entry.text) report(key, "differs from the fixed text");
    }
    for (const std::string& problem : checkAddresses(g.texts)) {
        const size_t colon = problem.find(": ");
        report(problem.substr(0, colon), problem.substr(colon + 2));
    }
    for (const GroupFixture::FormatRow& row : g.fixture.formats) {
        const auto stored = g.texts.find(row.key);
        if (stored == g.texts.end()) {
            report(row.key, "has a filled row but no text");
            continue;
        }
        try {
            boost::format f(stored->second);
            for (const std::string& v : row.values) f % v;
            const std::string filled = f.str();
            if (filled != row.expected)
                report(row.key, "filled gives \"" + shown(filled) + "\", not \"" + shown(row.expected) + "\"");
        } catch (const boost::io::format_error& e) {
            report(row.key, std::string("filling fails: ") + e.what());
        }
    }
    return problems;
}

std::vector<std::string> checkKeySet(const GroupUnderTest& g, const std::set<std::string>& allowedExtra,
                                     const std::string& fillerSource, const std::string& fillerName,
                                     const std::map<std::string, std::string>& catalogue,
                                     const std::set<std::string>& languageKeys) {
    std::vector<std::string> problems;
    Reporter report(g, problems);
    std::set<std::string> keys;
    for (const CatalogueEntry& e : g.fixture.entries) {
        if (!keys.insert(e.key).second) report(e.key, "stands twice in the fixture");
        if (!g.texts.count(e.key)) report(e.key, "is missing");
    }
    for (const auto& t : g.texts)
        if (!keys.count(t.first) && !allowedExtra.count(t.first)) report(t.first, "is stored but not in the fixture");
    if (!fillerSource.empty()) {
        for (const std::string& key : keys) {
            const size_t n = countOf(fillerSource, "map[\"" + key + "\"]");
            if (n != 1) report(key, "is stored " + std::to_string(n) + " times in " + fillerName);
        }
    }
    for (const auto& t : g.texts) {
        const auto shownText = catalogue.find(t.first);
        if (languageKeys.count(t.first) && shownText != catalogue.end() && shownText->second != t.second &&
            t.first != "err_rc_param")
            report(t.first, "shows another text under the locale");
    }
    for (const auto& e : g.english) {
        if (languageKeys.count(e.first)) continue;
        const auto shownText = catalogue.find(e.first);
        if (shownText == catalogue.end())
            report(e.first, "is missing under the locale");
        else if (shownText->second != e.second)
            report(e.first, "shows \"" + shown(shownText->second) + "\" instead of its English text");
    }
    return problems;
}

std::vector<std::string> checkAddresses(const std::map<std::string, std::string>& texts, size_t* seen) {
    // A host name after a scheme or an at sign, or any dotted name that ends in a top-level
    // domain; "protocol://path" in a form names no host, as it has no dot.
    static const std::regex afterScheme("(?:[a-z]+://|@)([A-Za-z0-9-]+(?:\\.[A-Za-z0-9-]+)+)");
    static const std::regex withDomain(
        "\\b((?:[A-Za-z0-9-]+\\.)+(?:com|net|org|info|biz|edu|gov|io|de|fr|es|it|nl|ru|jp|cn|tw|uk|us|eu))\\b");
    static const std::regex reserved("(.*\\.)?(example|example\\.(com|net|org))");
    std::vector<std::string> problems;
    for (const auto& t : texts) {
        std::set<std::string> hosts;
        for (const std::regex* re : {&afterScheme, &withDomain})
            for (std::sregex_iterator m(t.second.begin(), t.second.end(), *re), end; m != end; ++m)
                hosts.insert((*m)[1].str());
        if (seen) *seen += hosts.size();
        for (const std::string& host : hosts)
            if (!std::regex_match(host, reserved))
                problems.push_back(t.first + ": the address \"" + host + "\" is not in a reserved example domain");
    }
    return problems;
}

}  // namespace testutil
