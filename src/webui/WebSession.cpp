#include "WebSession.h"

#include <cstdlib>
#include <iterator>
#include <string>

#include "../common/utils.h"

WebSession* currentSession = nullptr;

namespace {

const int sessionLifetimeSeconds = 3600;
// Longest cookie name or value taken.
const size_t cookieFieldLimit = 5000;

bool clockStopped = false;
timeval stoppedAt;

bool earlier(int s1, int us1, int s2, int us2) { return s1 < s2 || (s1 == s2 && us1 < us2); }

void expireInAnHour(WebSession& s) {
    const timeval now = sessionNow();
    s.expirySeconds = static_cast<int>(now.tv_sec) + sessionLifetimeSeconds;
    s.expiryMicroseconds = static_cast<int>(now.tv_usec);
}

// The table is full and eviction did not make room.
bool stillFull() {
    if (sessionTable().size() < maxSessions) return false;
    evictOldestSession();
    return sessionTable().size() >= maxSessions;
}

bool endsValue(char c) { return c == '\0' || c == ';' || c == '\r' || c == '\n'; }

// The cookie pairs of the header; false when it is malformed.
bool parseCookies(const char* header, std::map<std::string, std::string>& cookies) {
    const char* p = header;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        std::string name;
        while (*p != '=') {
            if (endsValue(*p) || name.size() >= cookieFieldLimit) return false;
            name += *p++;
        }
        ++p;
        std::string value;
        while (!endsValue(*p)) {
            if (value.size() >= cookieFieldLimit) return false;
            value += *p++;
        }
        cookies[name] = value;
        if (*p != ';') return true;
        ++p;
    }
}

}  // namespace

SessionTable& sessionTable() {
    static SessionTable table;
    return table;
}

timeval sessionNow() {
    if (clockStopped) return stoppedAt;
    timeval now;
    ::gettimeofday(&now, nullptr);
    return now;
}

void setSessionClockForTest(const timeval* fixed) {
    clockStopped = fixed != nullptr;
    if (fixed) stoppedAt = *fixed;
}

void WebSession::renew() { expireInAnHour(*this); }

bool WebSession::isValid() {
    const timeval now = sessionNow();
    if (earlier(static_cast<int>(now.tv_sec), static_cast<int>(now.tv_usec), expirySeconds, expiryMicroseconds)) {
        renew();
        return true;
    }
    active = false;
    return false;
}

void activateSession(WebSession& s) {
    for (auto& entry : sessionTable()) entry.second.active = false;
    s.active = true;
    s.renew();
}

void evictOldestSession() {
    SessionTable& table = sessionTable();
    SessionTable::iterator candidate = table.begin();
    while (candidate != table.end() && candidate->second.active) ++candidate;
    if (candidate == table.end()) return;
    for (SessionTable::iterator i = std::next(candidate); i != table.end(); ++i)
        if (earlier(i->second.expirySeconds, i->second.expiryMicroseconds, candidate->second.expirySeconds,
                    candidate->second.expiryMicroseconds))
            candidate = i;
    table.erase(candidate);
}

int createSession(WebSession*& out) {
    if (stillFull()) return 5;
    SessionTable& table = sessionTable();
    std::string id;
    do {
        id = randomLowercaseLetters(sessionIdLength);
    } while (table.count(id));
    WebSession& s = table[id];
    s.variables["sessionID"] = id;
    s.active = false;
    expireInAnHour(s);
    out = &s;
    return 0;
}

int createPresetSession(WebSession*& out, const char* id) {
    if (stillFull()) return 5;
    WebSession& s = sessionTable()[id];
    s.variables.clear();
    s.variables["sessionID"] = id;
    activateSession(s);
    out = &s;
    return 6;
}

unsigned checkSession(const char* cookieHeader, WebSession*& out) {
    out = nullptr;
    if (!cookieHeader || !*cookieHeader) return createSession(out) == 0 ? 3 : 5;
    std::map<std::string, std::string> cookies;
    if (!parseCookies(cookieHeader, cookies)) return 4;
    auto id = cookies.find("sessionID");
    if (id == cookies.end()) return 4;
    auto found = sessionTable().find(id->second);
    if (found == sessionTable().end()) {
        const char* preset = std::getenv("VN_WEB_UI_SESSION_ID");
        if (preset && *preset && id->second == preset) return createPresetSession(out, preset);
        return 2;
    }
    out = &found->second;
    found->second.variables = cookies;
    return found->second.active && found->second.isValid() ? 0 : 3;
}
