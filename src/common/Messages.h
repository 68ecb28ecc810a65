#ifndef VN_COMMON_MESSAGES_H
#define VN_COMMON_MESSAGES_H

#include <map>
#include <string>
#include <utility>
#include <vector>

// Lookup of message texts by key in the one process-wide catalogue. The catalogue is built on
// first use from the environment's locale: English always, and one translation over it when
// the locale name matches exactly. The object holds no data; every Messages acts on the same
// catalogue, so the functions are static and `Messages().getMessage(k)` works as well.
class Messages {
public:
    class messages_rep {
    public:
        explicit messages_rep(const std::string& localeName);

        // The text of the key; a missing key is stored as key + "_(non_localized)". The
        // caller logs the warning when `added` comes back true.
        std::string& getMessage(const char* key, bool* added = nullptr);

        std::map<std::string, std::string> map;
        std::string locale;
        // Log lines the build wants written (the caller writes them outside any lock).
        std::vector<std::pair<int, std::string>> buildWarnings;

        // The catalogue fillers, one per language and group (src/messages/).
        void loadConsoleEn();
        void loadWebEn();
        void loadErrorsEn();
        void loadConsoleDe();
        void loadWebDe();
        void loadErrorsDe();
        void loadConsoleEs();
        void loadWebEs();
        void loadErrorsEs();
        void loadConsoleFr();
        void loadWebFr();
        void loadErrorsFr();
        void loadConsoleIt();
        void loadWebIt();
        void loadErrorsIt();
        void loadConsoleJa();
        void loadWebJa();
        void loadErrorsJa();
        void loadConsoleNl();
        void loadWebNl();
        void loadErrorsNl();
        void loadConsoleRu();
        void loadWebRu();
        void loadErrorsRu();
        void loadConsoleZhCn();
        void loadWebZhCn();
        void loadErrorsZhCn();
        void loadConsoleZhTw();
        void loadWebZhTw();
        void loadErrorsZhTw();
    };

    // The reference stays valid for the life of the process.
    static const std::string& getMessage(const char* key);
    static const std::string& getMessage(const std::string& key) { return getMessage(key.c_str()); }
    // The text of the key with its one "%s" filled by `value`. A translation that lacks the
    // place, or has more than one, still gives its text rather than failing.
    static std::string fill(const char* key, const std::string& value);
    // The text without the line end that some texts end in: for a line of an error, which
    // ends each line itself.
    static std::string getLine(const char* key);
    static const std::string& getLocale();
    static void setLocale(const std::string& name);
    static std::vector<std::pair<std::string, std::string>> getLanguages();
    static void instance();

    // Drops the current catalogue, so the next lookup builds a new one (tests only).
    static void resetForTest();

    // Called with every key that a lookup finds missing, after its warning is logged and
    // outside the catalogue's lock (tests use it to fail on texts the user would see as
    // "_(non_localized)"). Null switches it off.
    typedef void (*MissingKeyObserver)(const char* key);
    static void setMissingKeyObserver(MissingKeyObserver observer);
};

#endif
