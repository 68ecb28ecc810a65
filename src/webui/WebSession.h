#ifndef VN_WEBUI_WEBSESSION_H
#define VN_WEBUI_WEBSESSION_H

#include <sys/time.h>

#include <map>
#include <string>

// The browser sessions of the web-server process, told apart by the cookie "sessionID". At
// most one session is logged in (active) at a time; a check at least once an hour keeps it so.
struct WebSession {
    // The cookie variables of the session's latest request; always holds "sessionID".
    std::map<std::string, std::string> variables;
    bool active = false;
    int expirySeconds = 0;
    int expiryMicroseconds = 0;

    // Expiry = now + 3600 s.
    void renew();
    // True (and renewed) while now is before the expiry; otherwise the session becomes
    // inactive. An expiry equal to now has passed.
    bool isValid();
};

// Sessions by id, in byte order of the ids; at most maxSessions.
typedef std::map<std::string, WebSession> SessionTable;
SessionTable& sessionTable();
const size_t maxSessions = 32;
const size_t sessionIdLength = 24;

// The session of the request being served (null when it has none).
extern WebSession* currentSession;

// The clock of the sessions (gettimeofday). A test may stop it at a time of its own; null
// gives the wall clock back.
timeval sessionNow();
void setSessionClockForTest(const timeval* fixed);

// Makes `s` the only active session and renews it.
void activateSession(WebSession& s);

// Removes the first inactive session in id order, or a later one (active or not) whose expiry
// is earlier still. Nothing when no session is inactive.
void evictOldestSession();

// A new inactive session with a fresh random id: 0, or 5 when the table stays full.
int createSession(WebSession*& out);

// A session with the given id, created active: 6, or 5 when the table stays full.
int createPresetSession(WebSession*& out, const char* id);

// Checks the "Cookie" header (null when absent):
//   0 known, active, not expired (renewed)    3 known but inactive or expired; or no header,
//   2 unknown id                                 and a new inactive session was made
//   4 malformed header or no "sessionID"      5 a new session was needed, the table is full
//   6 unknown id equal to "VN_WEB_UI_SESSION_ID": created active
// `out` is the session (null for 2, 4, 5).
unsigned checkSession(const char* cookieHeader, WebSession*& out);

#endif
