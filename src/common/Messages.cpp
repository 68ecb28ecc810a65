#include "Messages.h"

#include <atomic>
#include <boost/format.hpp>
#include <cassert>
#include <locale>
#include <memory>
#include <mutex>

#include "Log.h"

namespace {

// One mutex guards lookups, the insertion of missing keys and the swap of the catalogue.
// Replaced catalogues are kept (they are small), so a text reference handed out earlier never
// dangles. Nothing logs while holding the mutex: a Log statement that looks a key up already
// holds the log's lock, so logging under this one could deadlock against another thread.
struct CatalogueState {
    std::mutex mutex;
    Messages::messages_rep* current = nullptr;
    std::vector<std::unique_ptr<Messages::messages_rep>> all;
};

std::atomic<Messages::MissingKeyObserver> missingKeyObserver{nullptr};

CatalogueState& catalogue() {
    static CatalogueState* s = new CatalogueState;
    return *s;
}

void writeWarnings(const std::vector<std::pair<int, std::string>>& lines) {
    for (const auto& l : lines) Log(l.first) << l.second;
}

// Installs `rep` as the current catalogue. With `onlyIfNone`, a catalogue that another thread
// installed first wins and `rep` is dropped; returns whether `rep` became current.
bool install(std::unique_ptr<Messages::messages_rep> rep, bool onlyIfNone) {
    CatalogueState& s = catalogue();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (onlyIfNone && s.current) return false;
    s.current = rep.get();
    s.all.push_back(std::move(rep));
    return true;
}

struct Language {
    const char* id;
    const char* name;
};
const Language languages[] = {
    {"en_US", "English"},  {"de_DE", "German"},   {"es_ES", "Spanish"}, {"fr_FR", "French"},
    {"it_IT", "Italian"},  {"ja_JP", "Japanese"}, {"nl_NL", "Dutch"},   {"ru_RU", "Russian"},
    {"zh_CN", "Chinese"},  {"zh_TW", "Chinese TW"},
};

}  // namespace

Messages::messages_rep::messages_rep(const std::string& localeName) : locale(localeName) {
    loadConsoleEn();
    loadWebEn();
    loadErrorsEn();

    typedef void (messages_rep::*Loader)();
    struct Translation {
        const char* name;
        Loader console, web, errors;
    };
    static const Translation translations[] = {
        {"de_DE.UTF-8", &messages_rep::loadConsoleDe, &messages_rep::loadWebDe, &messages_rep::loadErrorsDe},
        {"es_ES.UTF-8", &messages_rep::loadConsoleEs, &messages_rep::loadWebEs, &messages_rep::loadErrorsEs},
        {"fr_FR.UTF-8", &messages_rep::loadConsoleFr, &messages_rep::loadWebFr, &messages_rep::loadErrorsFr},
        {"it_IT.UTF-8", &messages_rep::loadConsoleIt, &messages_rep::loadWebIt, &messages_rep::loadErrorsIt},
        {"ja_JP.UTF-8", &messages_rep::loadConsoleJa, &messages_rep::loadWebJa, &messages_rep::loadErrorsJa},
        {"nl_NL.UTF-8", &messages_rep::loadConsoleNl, &messages_rep::loadWebNl, &messages_rep::loadErrorsNl},
        {"ru_RU.UTF-8", &messages_rep::loadConsoleRu, &messages_rep::loadWebRu, &messages_rep::loadErrorsRu},
        {"zh_CN.UTF-8", &messages_rep::loadConsoleZhCn, &messages_rep::loadWebZhCn, &messages_rep::loadErrorsZhCn},
        {"zh_TW.UTF-8", &messages_rep::loadConsoleZhTw, &messages_rep::loadWebZhTw, &messages_rep::loadErrorsZhTw},
    };

    if (localeName == "C" || localeName == "POSIX" || localeName == "en_US" ||
        localeName == "en_US.UTF-8")
        return;
    for (const Translation& t : translations) {
        if (localeName == t.name) {
            (this->*t.console)();
            (this->*t.web)();
            (this->*t.errors)();
            return;
        }
    }
    buildWarnings.emplace_back(1, "Warning: Locale " + Log::escapedName(localeName) + " is not supported, used en_US.\n");
    buildWarnings.emplace_back(
        1,
        "Supported non-english locales is: en_US.UTF-8 de_DE.UTF-8 es_ES.UTF-8 fr_FR.UTF-8, "
        "it_IT.UTF-8 ja_JP.UTF-8, nl_NL.UTF8 ru_RU.UTF8 zh_CN.UTF-8, zh_TW.UTF-8\n");
    locale = "en_US";
}

std::string& Messages::messages_rep::getMessage(const char* key, bool* added) {
    assert(key);
    auto it = map.find(key);
    if (it != map.end()) {
        if (added) *added = false;
        return it->second;
    }
    if (added) *added = true;
    return map[key] = std::string(key) + "_(non_localized)";
}

void Messages::instance() {
    {
        CatalogueState& s = catalogue();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.current) return;
    }
    std::vector<std::pair<int, std::string>> lines;
    std::string name;
    try {
        name = std::locale("").name();
        lines.emplace_back(2, "Environment locale name is '" + Log::escapedName(name) + "'\n");
    } catch (const std::exception&) {
        lines.emplace_back(1,
                           "Can't create locale object, check your locale settings.\n"
                           "Vantrell will use en_US locale.\n");
        name.clear();
    }
    std::unique_ptr<messages_rep> rep(new messages_rep(name));
    lines.insert(lines.end(), rep->buildWarnings.begin(), rep->buildWarnings.end());
    if (install(std::move(rep), true)) writeWarnings(lines);
}

const std::string& Messages::getMessage(const char* key) {
    assert(key);
    instance();
    bool added = false;
    const std::string* text;
    {
        CatalogueState& s = catalogue();
        std::lock_guard<std::mutex> lock(s.mutex);
        text = &s.current->getMessage(key, &added);
    }
    if (added) {
        Log(1) << "Warning: unlocalized key " << key << "\n";
        if (MissingKeyObserver observer = missingKeyObserver.load()) observer(key);
    }
    return *text;
}

std::string Messages::fill(const char* key, const std::string& value) {
    const std::string& text = getMessage(key);
    boost::format f(text);
    f.exceptions(boost::io::all_error_bits ^ (boost::io::too_many_args_bit | boost::io::too_few_args_bit));
    try {
        return (f % value).str();
    } catch (const boost::io::format_error&) {
        return text;
    }
}

std::string Messages::getLine(const char* key) {
    std::string text = getMessage(key);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

const std::string& Messages::getLocale() {
    instance();
    CatalogueState& s = catalogue();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.current->locale;
}

void Messages::setLocale(const std::string& input) {
    std::string name = input;
    if (!name.empty() && name.find('.') == std::string::npos) name += ".UTF-8";
    std::vector<std::pair<int, std::string>> lines;
    lines.emplace_back(2, "Messages::setLocale: try to create object for locale: " + Log::escapedName(name) + "\n");
    if (name.size() > 3 && name[2] == '-') name[2] = '_';
    std::unique_ptr<messages_rep> rep(new messages_rep(name));
    lines.insert(lines.end(), rep->buildWarnings.begin(), rep->buildWarnings.end());
    install(std::move(rep), false);
    writeWarnings(lines);
}

std::vector<std::pair<std::string, std::string>> Messages::getLanguages() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const Language& l : languages) out.emplace_back(l.id, l.name);
    return out;
}

void Messages::setMissingKeyObserver(MissingKeyObserver observer) { missingKeyObserver.store(observer); }

void Messages::resetForTest() {
    CatalogueState& s = catalogue();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.current = nullptr;
}
