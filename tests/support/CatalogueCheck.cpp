#include "CatalogueCheck.h"

#include <boost/format.hpp>
#include <fstream>
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

}  // namespace

std::vector<CatalogueEntry> readCatalogueFixture(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<CatalogueEntry> out;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        const std::string where = path + ":" + std::to_string(number);
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
        else if (rest == "help")
            e.kind = CatalogueEntry::Help;
        else
            e.text = decode(rest, where);
        if (e.kind == CatalogueEntry::Exact && countPlaceholders(e.text) != size_t(e.placeholders))
            throw std::runtime_error(where + ": the count does not match the text");
        out.push_back(e);
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

std::vector<std::string> checkWebTexts(const std::map<std::string, std::string>& texts) {
    // Markup is live in the page, so only these two texts may hold it.
    const std::set<std::string> withMarkup = {"web_releases_no_avail", "web_selfupgrade_autorefresh1"};
    // Arguments of confirm() inside a single-quoted onclick attribute: a backslash and "n"
    // make the dialog's line break; an apostrophe or a line feed would break the script.
    const std::set<std::string> confirmations = {"web_iup_cancel_confirm", "web_ac_cancel_confirm",
                                                 "web_uc_cancel_confirm", "web_install_cancel_confirm"};
    // Parts of a double-quoted script string.
    const std::set<std::string> scriptStrings = {"web_compcount1", "web_compcount2", "web_compcount3"};
    std::vector<std::string> problems;
    for (const auto& t : texts) {
        const std::string& key = t.first;
        const std::string& text = t.second;
        if (key.compare(0, 4, "web_") != 0) continue;
        if (!withMarkup.count(key) && text.find_first_of("<>&\"") != std::string::npos)
            problems.push_back(key + ": holds markup characters");
        if (confirmations.count(key)) {
            if (text.find_first_of("'\n") != std::string::npos)
                problems.push_back(key + ": holds an apostrophe or a line feed");
            if (text.find("\\n") == std::string::npos)
                problems.push_back(key + ": lacks the backslash and \"n\" between its sentences");
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

}  // namespace testutil
