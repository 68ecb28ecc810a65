// The session table, its clock, eviction, ids and the parsing of the Cookie header.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "support/TestUtil.h"
#include "webui/WebSession.h"

namespace {

timeval at(int hours, int minutes, int seconds, int microseconds) {
    timeval t;
    t.tv_sec = 1700000000 + hours * 3600 + minutes * 60 + seconds;
    t.tv_usec = microseconds;
    return t;
}

class WebSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        sessionTable().clear();
        currentSession = nullptr;
        const timeval start = at(10, 0, 0, 0);
        setSessionClockForTest(&start);
    }
    void TearDown() override {
        sessionTable().clear();
        currentSession = nullptr;
        setSessionClockForTest(nullptr);
    }
    void setClock(const timeval& t) { setSessionClockForTest(&t); }

    // A logged-in session, as after a login.
    std::string activeSession() {
        WebSession* s = nullptr;
        EXPECT_EQ(createSession(s), 0);
        activateSession(*s);
        return s->variables["sessionID"];
    }
    // A session put straight into the table, with an id of the test's choice.
    void putSession(const std::string& id, bool active, int expirySeconds) {
        WebSession& s = sessionTable()[id];
        s.variables["sessionID"] = id;
        s.active = active;
        s.expirySeconds = expirySeconds;
        s.expiryMicroseconds = 0;
    }
};

TEST_F(WebSessionTest, CookieHeaderTable) {
    const std::string known = activeSession();
    const std::string name5000(5000, 'n'), value5000(5000, 'v');
    struct Case {
        std::string header;
        unsigned code;
    } cases[] = {
        {"sessionID=" + known, 0},
        {"a=1; sessionID=" + known, 0},
        {"a=1;sessionID=" + known, 0},
        {" \t sessionID=" + known, 0},
        {"=empty; sessionID=" + known, 0},
        {"sessionID=" + known + "\r\n", 0},
        // Kept quirks: a trailing ";" (with or without a blank) meets the end where a name
        // should be; a blank before "=" belongs to the name.
        {"sessionID=" + known + ";", 4},
        {"sessionID=" + known + "; ", 4},
        {"sessionID", 4},
        {"sessionID =" + known, 4},
        {"a=1", 4},
        {"sessionid=" + known, 4},
        // A later pair wins; "=" belongs to the value.
        {"sessionID=nosuchid; sessionID=" + known, 0},
        {"sessionID=" + known + "; sessionID=nosuchid", 2},
        {"sessionID=" + known + "=x", 2},
        // Nothing after a line end counts.
        {"sessionID=" + known + "\r\nsessionID=nosuchid", 0},
        {"a=1\nsessionID=" + known, 4},
        {"a=1\r; sessionID=" + known, 4},
        // The limits: 5000 characters are taken, 5001 are not.
        {name5000 + "=1; sessionID=" + known, 0},
        {name5000 + "n=1; sessionID=" + known, 4},
        {"a=" + value5000 + "; sessionID=" + known, 0},
        {"a=" + value5000 + "v; sessionID=" + known, 4},
        {"sessionID=nosuchid", 2},
        {"sessionID=", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header.size() > 200 ? c.header.substr(0, 40) + "..." : c.header);
        WebSession* out = reinterpret_cast<WebSession*>(1);
        EXPECT_EQ(checkSession(c.header.c_str(), out), c.code);
        if (c.code == 0)
            EXPECT_EQ(out, &sessionTable()[known]);
        else
            EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(sessionTable().size(), 1u);
}

TEST_F(WebSessionTest, NoCookieMakesANewInactiveSession) {
    for (const char* header : {static_cast<const char*>(nullptr), ""}) {
        WebSession* out = nullptr;
        EXPECT_EQ(checkSession(header, out), 3u);
        ASSERT_NE(out, nullptr);
        EXPECT_FALSE(out->active);
        EXPECT_EQ(out->expirySeconds, at(11, 0, 0, 0).tv_sec);
        EXPECT_EQ(out->variables, (std::map<std::string, std::string>{{"sessionID", sessionTable().find(out->variables["sessionID"])->first}}));
    }
    EXPECT_EQ(sessionTable().size(), 2u);
}

TEST_F(WebSessionTest, AKnownSessionTakesTheCookiesEvenWhenNotLoggedIn) {
    WebSession* s = nullptr;
    ASSERT_EQ(createSession(s), 0);
    const std::string id = s->variables["sessionID"];
    WebSession* out = nullptr;
    EXPECT_EQ(checkSession(("lang=de; sessionID=" + id).c_str(), out), 3u);
    EXPECT_EQ(out, s);
    EXPECT_EQ(s->variables, (std::map<std::string, std::string>{{"lang", "de"}, {"sessionID", id}}));
}

TEST_F(WebSessionTest, PresetIdFromTheEnvironmentIsLoggedInOnce) {
    const std::string other = activeSession();
    const std::string preset = "presetidpresetidpresetid";
    WebSession* out = nullptr;
    EXPECT_EQ(checkSession(("sessionID=" + preset).c_str(), out), 2u);
    {
        testutil::ScopedEnv env("VN_WEB_UI_SESSION_ID", preset);
        EXPECT_EQ(checkSession(("sessionID=" + preset).c_str(), out), 6u);
        ASSERT_NE(out, nullptr);
        EXPECT_TRUE(out->active);
        EXPECT_EQ(out->variables["sessionID"], preset);
        EXPECT_EQ(checkSession(("sessionID=" + preset).c_str(), out), 0u);
        // The only active session: the earlier login is over.
        EXPECT_EQ(checkSession(("sessionID=" + other).c_str(), out), 3u);
    }
    {
        // An empty preset names no session.
        testutil::ScopedEnv env("VN_WEB_UI_SESSION_ID", "");
        EXPECT_EQ(checkSession("sessionID=", out), 2u);
    }
}

TEST_F(WebSessionTest, ALoginEndsEveryOtherLogin) {
    const std::string a = activeSession();
    const std::string b = activeSession();
    WebSession* out = nullptr;
    EXPECT_EQ(checkSession(("sessionID=" + a).c_str(), out), 3u);
    EXPECT_EQ(checkSession(("sessionID=" + b).c_str(), out), 0u);
}

TEST_F(WebSessionTest, ExpiryIsComparedToTheMicrosecond) {
    setClock(at(10, 0, 0, 500000));
    const std::string id = activeSession();
    WebSession* out = nullptr;
    setClock(at(11, 0, 0, 400000));
    EXPECT_EQ(checkSession(("sessionID=" + id).c_str(), out), 0u);
    // Renewed by that check: an hour from 11:00:00.400000.
    EXPECT_EQ(out->expirySeconds, at(12, 0, 0, 0).tv_sec);
    EXPECT_EQ(out->expiryMicroseconds, 400000);

    setClock(at(10, 0, 0, 500000));
    const std::string second = activeSession();
    setClock(at(11, 0, 0, 500000));
    EXPECT_EQ(checkSession(("sessionID=" + second).c_str(), out), 3u);
    EXPECT_FALSE(out->active);
    // Once expired it needs a new login.
    setClock(at(10, 30, 0, 0));
    EXPECT_EQ(checkSession(("sessionID=" + second).c_str(), out), 3u);
}

TEST_F(WebSessionTest, AFullTableEvictsTheEarliestExpiry) {
    for (int i = 0; i < 32; ++i) {
        setClock(at(10, i, 0, 0));
        WebSession* s = nullptr;
        ASSERT_EQ(createSession(s), 0);
    }
    // The 12th session made expires first; ids are random, so it is anywhere in id order.
    std::string earliest;
    for (auto& entry : sessionTable())
        if (entry.second.expirySeconds == at(11, 12, 0, 0).tv_sec) {
            entry.second.expirySeconds = at(10, 59, 0, 0).tv_sec;
            earliest = entry.first;
        }
    ASSERT_FALSE(earliest.empty());
    WebSession* fresh = nullptr;
    ASSERT_EQ(createSession(fresh), 0);
    EXPECT_EQ(sessionTable().size(), 32u);
    EXPECT_EQ(sessionTable().count(earliest), 0u);
    EXPECT_EQ(sessionTable().count(fresh->variables["sessionID"]), 1u);
}

TEST_F(WebSessionTest, EvictionAmongInactiveSessionsAndOneActive) {
    // Ids s00..s31; the active one's place in id order and its expiry decide.
    struct Case {
        const char* what;
        int activeIndex;
        int activeExpiry;
        const char* evicted;
    } cases[] = {
        {"active, earliest, after the first inactive: it goes", 5, 100, "s05"},
        {"active, earliest, first in id order: never visited", 0, 100, "s07"},
        {"active but not earliest: the earliest inactive goes", 5, 900, "s07"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sessionTable().clear();
        for (int i = 0; i < 32; ++i) {
            char id[8];
            std::snprintf(id, sizeof id, "s%02d", i);
            // s07 has the earliest expiry of the inactive sessions.
            putSession(id, i == c.activeIndex, i == c.activeIndex ? c.activeExpiry : i == 7 ? 200 : 1000 + i);
        }
        WebSession* out = nullptr;
        ASSERT_EQ(createSession(out), 0);
        EXPECT_EQ(sessionTable().size(), 32u);
        EXPECT_EQ(sessionTable().count(c.evicted), 0u);
    }
}

TEST_F(WebSessionTest, AFullTableOfActiveSessionsRefusesNewOnes) {
    for (int i = 0; i < 32; ++i) putSession("s" + std::to_string(100 + i), true, 5000);
    WebSession* out = nullptr;
    EXPECT_EQ(createSession(out), 5);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(checkSession(nullptr, out), 5u);
    EXPECT_EQ(createPresetSession(out, "preset"), 5);
    EXPECT_EQ(sessionTable().size(), 32u);
}

TEST_F(WebSessionTest, IdsAreRandomLettersNeverRepeated) {
    std::set<std::string> ids;
    std::set<char> letters;
    const std::regex shape("[a-z]{24}");
    for (int i = 0; i < 10000; ++i) {
        WebSession* s = nullptr;
        ASSERT_EQ(createSession(s), 0);
        const std::string id = s->variables["sessionID"];
        ASSERT_TRUE(std::regex_match(id, shape)) << id;
        ids.insert(id);
        letters.insert(id.begin(), id.end());
    }
    EXPECT_EQ(ids.size(), 10000u);
    EXPECT_EQ(letters.size(), 26u);
    EXPECT_EQ(sessionTable().size(), 32u);
}

}  // namespace
