// The session gate and the login over HTTP: prog_httpd serves "/gated" (the gate, then
// "ran <session id>") and "/call" (backendCall); the fake engine plays the installing process
// and pam_wrapper's test modules play PAM.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/FakeEngine.h"
#include "support/RawHttpClient.h"
#include "common/utils.h"
#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"

namespace {

using httpdtest::ProgServer;
using testutil::FakeEngine;

const int port = 8080;
const std::string secret = "qwertyuiopasdfghjklz";
const std::string pamModules = "/usr/lib/x86_64-linux-gnu/pam_wrapper/";
const std::string headPattern =
    "HTTP/1\\.1 200 OK\r\nContent-Type: text/html\r\nSet-Cookie: sessionID=([a-z]{24}); HttpOnly; SameSite=Strict\r\n\r\n";

std::string golden(const std::string& name) {
    return testutil::readFile(std::string(VN_FIXTURES_DIR) + "/webui/login/" + name);
}

// The error page of a refused login, the login field holding `shown`.
std::string errorPageShowing(const std::string& shown) {
    std::string page = golden("login_error.html");
    const std::string field = "name=\"login\" value=\"root\"";
    page.replace(page.find(field), field.size(), "name=\"login\" value=\"" + shown + "\"");
    return page;
}

struct Answer {
    std::string head;  // up to and including the empty line
    std::string body;
};

Answer split(const std::string& whole) {
    const size_t end = whole.find("\r\n\r\n");
    if (end == std::string::npos) return {whole, ""};
    return {whole.substr(0, end + 4), whole.substr(end + 4)};
}

// The web-server process of the tests with the engine, PAM and the log in place.
class SessionGateTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.answer("get_current_page", FakeEngine::document("ok", "", "<page id=\"components\" />"));
        engine.answer("set_locale", FakeEngine::document("ok"));
        testutil::shell("mkdir -p /etc/pam.d " + pam.path() + "/pam && rm -f /etc/pam.d/system-auth && touch /etc/pam.d/common-auth");
        testutil::writeFile(pam / "passdb", "root:s3cret:common-auth\nnobody:n0body:common-auth\n");
        // A text message before the password check shows in the log whenever PAM is asked.
        testutil::writeFile(pam / "pam/common-auth", "auth required " + pamModules + "pam_chatty.so num_lines=1 info\n" +
                                                         "auth required " + pamModules + "pam_matrix.so passdb=" +
                                                         pam / "passdb\n");
    }

    void start(const std::map<std::string, std::string>& extraEnv = {}, const std::vector<std::string>& extraArgs = {}) {
        std::map<std::string, std::string> env{{"LANG", "C"},
                                               {"LC_ALL", "C"},
                                               {"LD_PRELOAD", "libpam_wrapper.so"},
                                               {"PAM_WRAPPER", "1"},
                                               {"PAM_WRAPPER_SERVICE_DIR", pam / "pam"}};
        for (const auto& e : extraEnv) env[e.first] = e.second;
        std::vector<std::string> args{"-ports", std::to_string(port), "--session-pages", "--log", logFile()};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        server.reset(new ProgServer(args, env));
        ASSERT_TRUE(server->ready);
    }

    std::string logFile() const { return pam / "web.log"; }

    // One request, the whole answer.
    std::string request(const std::string& bytes) {
        rawhttp::RawHttpClient client("127.0.0.1", port);
        client.send(bytes);
        return client.readToClose();
    }
    std::string get(const std::string& target, const std::string& cookie = std::string()) {
        return request("GET " + target + " HTTP/1.0\r\n" + (cookie.empty() ? "" : "Cookie: sessionID=" + cookie + "\r\n") +
                       "\r\n");
    }
    std::string post(const std::string& target, const std::string& body, const std::string& cookie) {
        return request("POST " + target + " HTTP/1.0\r\nCookie: sessionID=" + cookie +
                       "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                       std::to_string(body.size()) + "\r\n\r\n" + body);
    }

    // The id of a login page's cookie; fails the test on another head.
    std::string loginPageSession(const Answer& a) {
        std::smatch m;
        EXPECT_TRUE(std::regex_match(a.head, m, std::regex(headPattern))) << a.head;
        return m.size() > 1 ? m[1].str() : std::string();
    }
    std::string newSession() { return loginPageSession(split(get("/gated"))); }
    std::string loggedInSession() {
        const std::string id = newSession();
        EXPECT_EQ(post("/gated", "login=root&password=s3cret", id).substr(0, 6), "HTTP/1");
        return id;
    }

    testutil::TempDir pam;
    FakeEngine engine;
    std::unique_ptr<ProgServer> server;
};

TEST_F(SessionGateTest, WithoutACookieTheLoginPage) {
    start();
    const std::string whole = get("/gated");
    EXPECT_TRUE(std::regex_match(whole.substr(0, 130),
                                 std::regex("HTTP/1\\.1 200 OK\r\nContent-Type: text/html\r\nSet-Cookie: "
                                            "sessionID=[a-z]{24}; HttpOnly; SameSite=Strict\r\n\r\n\r\n<!DOCTYPE")))
        << whole;
    const Answer a = split(whole);
    EXPECT_FALSE(loginPageSession(a).empty());
    // The goldens hold the body from the line break after the head's empty line.
    EXPECT_EQ(a.body, golden("login.html"));
    // A cookie naming no session, a malformed one: a new session and the login page again.
    for (const char* cookie : {"Cookie: sessionID=nosuchsession\r\n", "Cookie: sessionID\r\n", "Cookie: a=1;\r\n"}) {
        SCOPED_TRACE(cookie);
        const Answer again = split(request("GET /gated HTTP/1.0\r\n" + std::string(cookie) + "\r\n"));
        EXPECT_FALSE(loginPageSession(again).empty());
        EXPECT_EQ(again.body, golden("login.html"));
    }
}

TEST_F(SessionGateTest, TheSecretLogsInOnce) {
    start({{"WEB_SECRET", secret}});
    const std::string answer = get("/gated?secret=" + secret);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(answer, m,
                                 std::regex("HTTP/1\\.1 303 See Other\r\nLocation: /select_components\\.html\r\n"
                                            "Set-Cookie: sessionID=([a-z]{24}); HttpOnly; SameSite=Strict\r\n\r\n")))
        << answer;
    const std::string id = m[1];
    EXPECT_EQ(split(get("/gated", id)).body, "ran " + id + "\n");
    // Spent: the same URL from another browser, and a wrong secret, get the login page.
    for (const std::string& target : std::vector<std::string>{"/gated?secret=" + secret, "/gated?secret=" + secret.substr(1), "/gated?secret="}) {
        SCOPED_TRACE(target);
        const Answer a = split(get(target));
        EXPECT_FALSE(loginPageSession(a).empty());
        EXPECT_EQ(a.body, golden("login.html"));
    }
}

TEST_F(SessionGateTest, AWrongOrShortenedSecretIsNoLogin) {
    start({{"WEB_SECRET", secret}});
    for (const std::string& target : std::vector<std::string>{"/gated?secret=" + secret + "x", "/gated?secret=" + secret.substr(0, 19),
                                      "/gated?secret=" + std::string(20, 'a')}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(split(get(target)).body, golden("login.html"));
    }
    // Still unspent.
    EXPECT_EQ(get("/gated?secret=" + secret).substr(0, 22), "HTTP/1.1 303 See Other");
}

TEST_F(SessionGateTest, PasswordLogin) {
    start();
    const std::string id = newSession();
    const Answer a = split(post("/gated", "login=root&password=s3cret", id));
    EXPECT_EQ(a.head, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nSet-Cookie: sessionID=" + id +
                          "; HttpOnly; SameSite=Strict\r\n\r\n");
    EXPECT_EQ(a.body,
              "\r\n<html>\r\n<head>\r\n<meta http-equiv=\"refresh\" content=\"0; url=/summary.html\">"
              "</head><body>\r\n</body></html>\r\n");
    EXPECT_EQ(split(get("/gated", id)).body, "ran " + id + "\n");
    // The login of another browser ends this one's.
    const std::string other = loggedInSession();
    EXPECT_EQ(split(get("/gated", other)).body, "ran " + other + "\n");
    EXPECT_EQ(split(get("/gated", id)).body, golden("login.html"));
}

TEST_F(SessionGateTest, RefusedLogins) {
    start();
    struct Case {
        const char* what;
        std::string body;
        const char* shownLogin;
        bool pamAsked;
    } cases[] = {
        {"wrong password", "login=root&password=wrong", "root", true},
        {"another case of the name: PAM is not asked", "login=Root&password=s3cret", "Root", false},
        {"another user with his own password", "login=nobody&password=n0body", "nobody", false},
        {"empty login", "login=&password=s3cret", "", false},
        {"markup typed as the login", "login=%3Cb%3E%22x&password=s3cret", "&lt;b&gt;&quot;x", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string id = newSession();
        testutil::writeFile(logFile(), "");
        const Answer a = split(post("/gated", c.body, id));
        EXPECT_EQ(loginPageSession(a), id);
        EXPECT_EQ(a.body, errorPageShowing(c.shownLogin));
        EXPECT_EQ(testutil::readFile(logFile()).find("Notice: PAM Message") != std::string::npos, c.pamAsked);
        EXPECT_EQ(split(get("/gated", id)).body, golden("login.html"));
    }
}

TEST_F(SessionGateTest, APasswordIsTakenWholeAsTyped) {
    // 64 characters with blanks inside (pam_matrix trims its list's fields, not the answers).
    const std::string password = "pass word " + std::string(54, 'p');
    testutil::writeFile(pam / "passdb", "root:" + password + ":common-auth\n");
    start();
    const std::string id = newSession();
    for (const std::string& typed : std::vector<std::string>{password.substr(0, 19), " " + password, password + " "}) {
        SCOPED_TRACE(typed);
        EXPECT_EQ(split(post("/gated", "login=root&password=" + percentEncoded(typed), id)).body, golden("login_error.html"));
    }
    // The login is trimmed.
    const Answer a = split(post("/gated", "login=+root+&password=" + percentEncoded(password), id));
    EXPECT_NE(a.body.find("url=/summary.html"), std::string::npos) << a.body;
    EXPECT_EQ(split(get("/gated", id)).body, "ran " + id + "\n");
}

TEST_F(SessionGateTest, ALanguageChangeShowsTheFormAgain) {
    start();
    const std::string id = newSession();
    const Answer a = split(post("/gated", "login_locale=de_DE&login=root&password=wrong", id));
    EXPECT_EQ(loginPageSession(a), id);
    EXPECT_EQ(a.body.find("msg-error"), std::string::npos);
    EXPECT_NE(a.body.find("<option value=\"de_DE\" selected>"), std::string::npos);
    EXPECT_NE(a.body.find("<input type=\"text\" name=\"login\" value=\"root\" />"), std::string::npos);
    EXPECT_NE(a.body.find("<input type=\"password\" name=\"password\" value=\"\" />"), std::string::npos);
    EXPECT_EQ(a.body.find("wrong"), std::string::npos);
    // The engine hears of the language only with a login.
    for (const std::string& r : engine.requests()) EXPECT_EQ(r.find("set_locale"), std::string::npos) << r;

    EXPECT_NE(split(post("/gated", "login_locale=de_DE&login=root&password=s3cret", id)).body.find("url=/summary.html"),
              std::string::npos);
    const std::vector<std::string> requests = engine.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
              "<request>  <command value=\"set_locale\" />  <locale name=\"de_DE\" /></request>");
}

TEST_F(SessionGateTest, APostInTwoPartsIsAnsweredWhenWhole) {
    start();
    const std::string id = newSession();
    const std::string body = "login=root&password=s3cret";
    rawhttp::RawHttpClient client("127.0.0.1", port);
    client.send("POST /gated HTTP/1.0\r\nCookie: sessionID=" + id + "\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\n\r\n" + body.substr(0, 10));
    EXPECT_TRUE(client.quietFor(300));
    client.send(body.substr(10));
    const Answer a = split(client.readToClose());
    EXPECT_EQ(loginPageSession(a), id);
    EXPECT_NE(a.body.find("url=/summary.html"), std::string::npos) << a.body;
}

TEST_F(SessionGateTest, TheLocaleOfAValidSessionGoesToTheEngineFirst) {
    start();
    const std::string id = loggedInSession();
    EXPECT_EQ(split(get("/gated?locale=de_DE", id)).body, "ran " + id + "\n");
    const std::vector<std::string> requests = engine.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
              "<request>  <command value=\"set_locale\" />  <locale name=\"de_DE\" /></request>");
    // A name that would break the request's markup arrives escaped.
    get("/gated?locale=x%22%20a%3D%22%3C", id);
    EXPECT_EQ(engine.requests().back(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
              "<request>  <command value=\"set_locale\" />  <locale name=\"x&quot; a=&quot;&lt;\" /></request>");
}

TEST_F(SessionGateTest, ThePresetSessionSurvivesARestart) {
    const std::string preset = "presetsessionidfromenvxx";
    start({{"VN_WEB_UI_SESSION_ID", preset}});
    EXPECT_EQ(get("/gated", preset),
              "HTTP/1.1 303 See Other\r\nLocation: /select_components.html\r\nSet-Cookie: sessionID=" + preset +
                  "; HttpOnly; SameSite=Strict\r\n\r\n");
    EXPECT_EQ(split(get("/gated", preset)).body, "ran " + preset + "\n");
}

TEST_F(SessionGateTest, CookiesAreSecureUnderTls) {
    testutil::TempDir dir;
    const std::string pem = httpdtest::makePem(dir);
    std::map<std::string, std::string> env{{"WEB_SECRET", secret}};
    start(env, {"-ports", "8447s", "-ssl_cert", pem});
    testutil::RunResult r = testutil::run({"/usr/bin/curl", "-k", "-s", "-S", "-i", "https://127.0.0.1:8447/gated"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_search(
        r.out, std::regex("\r\nSet-Cookie: sessionID=[a-z]{24}; HttpOnly; SameSite=Strict; Secure\r\n\r\n\r\n<!DOCTYPE")))
        << r.out;
    r = testutil::run({"/usr/bin/curl", "-k", "-s", "-S", "-i", "https://127.0.0.1:8447/gated?secret=" + secret});
    EXPECT_TRUE(std::regex_match(r.out, std::regex("HTTP/1\\.1 303 See Other\r\nLocation: /select_components\\.html\r\n"
                                                   "Set-Cookie: sessionID=[a-z]{24}; HttpOnly; SameSite=Strict; Secure\r\n\r\n")))
        << r.out;
}

TEST_F(SessionGateTest, CurlWithACookieJar) {
    start();
    testutil::TempDir dir;
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    const std::string jar = dir / "jar";
    std::string page = httpdtest::curl({"-c", jar, "-b", jar, base + "/gated"});
    EXPECT_NE(page.find("name=\"password\""), std::string::npos);
    page = httpdtest::curl({"-c", jar, "-b", jar, "--data", "login=root&password=s3cret", base + "/gated"});
    EXPECT_NE(page.find("url=/summary.html"), std::string::npos);
    page = httpdtest::curl({"-c", jar, "-b", jar, base + "/gated"});
    EXPECT_EQ(page.substr(0, 4), "ran ");
}

// --- backendCall through "/call". ---

std::string requestFor(const std::string& command) { return "<request>  <command value=\"" + command + "\" /></request>"; }

TEST_F(SessionGateTest, BackendCallByStatus) {
    engine.answer("c_ok", FakeEngine::document("ok", "", "<components /><more />"));
    engine.answer("c_empty", FakeEngine::document("ok"));
    engine.answer("c_warning", FakeEngine::document("warning", "", "<w />"));
    engine.answer("c_bad_values", FakeEngine::document("bad_values", "", "<form />"));
    engine.answer("c_bad_page", FakeEngine::document("bad_page"));
    engine.answer("c_error", FakeEngine::document("error", "error_message=\"it broke\""));
    engine.answer("c_error_bare", FakeEngine::document("error"));
    engine.answer("c_prepare", FakeEngine::document("prepare_self_upgrade", "", "<x />"));
    engine.answer("c_other_root", "<other status=\"ok\" />");
    engine.answer("c_no_status", "<vantrell />");
    engine.answer("c_not_xml", "not xml");
    start();
    const std::string ok = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";
    struct Case {
        const char* command;
        std::string answer;
    } cases[] = {
        {"c_ok", ok + "status=ok\nmessage=\nelement=components\n"},
        {"c_empty", ok + "status=ok\nmessage=\nelement=(null)\n"},
        {"c_warning", ok + "status=warning\nmessage=\nelement=w\n"},
        {"c_bad_values", ok + "status=bad_values\nmessage=\nelement=form\n"},
        {"c_bad_page", "HTTP/1.1 303 See Other\r\nLocation: /select_components.html\r\n\r\n"},
        {"c_error", ok + "error=it broke\n"},
        {"c_error_bare", ok + "error=Unknown error occured in backend.\n"},
        {"c_prepare", ok + "status=prepare_self_upgrade\nmessage=\nelement=(null)\n"},
        {"c_other_root", ok + "error=Bad response from backend: wrong root element.\n"},
        {"c_no_status", ok + "error=Bad response from backend: the status attribute is missing.\n"},
        {"c_not_xml", ok + "error=Bad response from backend: no root element.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(get("/call?request=" + percentEncoded(requestFor(c.command))), c.answer);
        // The request text went to the engine as it was (a redirect asks for the page after it).
        const std::vector<std::string> sent = engine.requests();
        ASSERT_FALSE(sent.empty());
        EXPECT_TRUE(sent.back() == requestFor(c.command) ||
                    (sent.size() > 1 && sent[sent.size() - 2] == requestFor(c.command)));
    }
    // An answer file path in the query changes nothing: the engine answers.
    EXPECT_EQ(get("/call?unit=%2Fetc%2Fpasswd&request=" + percentEncoded(requestFor("c_ok"))),
              ok + "status=ok\nmessage=\nelement=components\n");
    EXPECT_EQ(get("/call?request=" + percentEncoded(requestFor("c_error")) + "&unit=" +
                  percentEncoded("<vantrell status=\"ok\"><fake /></vantrell>")),
              ok + "error=it broke\n");
}

TEST_F(SessionGateTest, BackendCallOfAPostedForm) {
    engine.answer("c_ok", FakeEngine::document("ok", "", "<components />"));
    engine.answer("c_bad_values", FakeEngine::document("bad_values", "", "<form />"));
    engine.answer("c_prepare", FakeEngine::document("prepare_self_upgrade"));
    engine.answer("c_bad_page", FakeEngine::document("bad_page"));
    start();
    const std::string ok = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";
    struct Case {
        const char* command;
        std::string answer;
    } cases[] = {
        {"c_ok", "HTTP/1.1 303 See Other\r\nLocation: /select_components.html\r\n\r\n"},
        {"c_bad_values",
         ok + "status=bad_values\nmessage=Some fields contain improper values. Please specify proper values.\nelement=form\n"},
        // Only the four accepted statuses pass a posted form.
        {"c_prepare", ok + "error=Unknown error occured in backend.\n"},
        {"c_bad_page", "HTTP/1.1 303 See Other\r\nLocation: /select_components.html\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const std::string body = "request=" + percentEncoded(requestFor(c.command));
        EXPECT_EQ(request("POST /call?request=" + percentEncoded(requestFor("c_never")) + " HTTP/1.0\r\nContent-Length: " +
                          std::to_string(body.size()) + "\r\n\r\n" + body),
                  c.answer);
    }
    for (const std::string& r : engine.requests()) EXPECT_EQ(r.find("c_never"), std::string::npos);
}

TEST_F(SessionGateTest, TheCurrentPageDecidesTheRedirects) {
    start();
    struct Case {
        std::string answer;  // to get_current_page
        const char* location;
    } cases[] = {
        {FakeEngine::document("ok", "", "<page id=\"releases\" />"), "/summary.html"},
        {FakeEngine::document("ok", "", "<page id=\"components\" />"), "/select_components.html"},
        {FakeEngine::document("ok", "", "<page id=\"params\" />"), "/cp.html"},
        {FakeEngine::document("ok", "", "<page id=\"installation\" />"), "/install_progress.html"},
        {FakeEngine::document("ok", "", "<page id=\"update_components\" />"), "/update_components.html"},
        {FakeEngine::document("ok", "", "<other /><page id=\"params\" />"), "/cp.html"},
        {FakeEngine::document("ok", "", "<page id=\"elsewhere\" />"), "/summary.html"},
        {FakeEngine::document("ok", "", "<page />"), "/summary.html"},
        {FakeEngine::document("ok"), "/summary.html"},
        {FakeEngine::document("warning", "", "<page id=\"params\" />"), "/summary.html"},
        {"<other status=\"ok\"><page id=\"params\" /></other>", "/summary.html"},
        {"garbage", "/summary.html"},
    };
    engine.answer("c_bad_page", FakeEngine::document("bad_page"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        engine.answer("get_current_page", c.answer);
        EXPECT_EQ(get("/call?request=" + percentEncoded(requestFor("c_bad_page"))),
                  "HTTP/1.1 303 See Other\r\nLocation: " + std::string(c.location) + "\r\n\r\n");
    }
    // No answer at all, then no engine at all.
    engine.silence("get_current_page");
    EXPECT_EQ(get("/call?request=" + percentEncoded(requestFor("c_bad_page"))),
              "HTTP/1.1 303 See Other\r\nLocation: /summary.html\r\n\r\n");
}

TEST_F(SessionGateTest, WithTheEngineGoneRedirectsGoToTheSummary) {
    start({{"WEB_SECRET", secret}});
    engine.stop();
    std::smatch m;
    const std::string answer = get("/gated?secret=" + secret);
    EXPECT_TRUE(std::regex_match(answer, m,
                                 std::regex("HTTP/1\\.1 303 See Other\r\nLocation: /summary\\.html\r\n"
                                            "Set-Cookie: sessionID=[a-z]{24}; HttpOnly; SameSite=Strict\r\n\r\n")))
        << answer;
    const std::string call = get("/call?request=" + percentEncoded(requestFor("c_ok")));
    EXPECT_NE(call.find("error=Can't connect to backend: "), std::string::npos) << call;
}

}  // namespace
