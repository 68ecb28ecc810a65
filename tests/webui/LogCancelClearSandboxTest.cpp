// The log, cancel and clear pages of the web-server process, against the fake engine.
#include <gtest/gtest.h>

#include <string>

#include "WebServerHarness.h"

namespace {

using testutil::FakeEngine;
using webservertest::secret;

class LogCancelClear : public webservertest::WebServerTest {};

// The three small pages. A 1,000,000-byte log comes whole as the download.
TEST_F(LogCancelClear, AnswersOfTheEngine) {
    const std::string log(1000000, 'l');
    engine.answer("get_log", FakeEngine::document("ok", "", "<other /><log>" + log + "</log>"));
    engine.answer("cancel", FakeEngine::document("error"));
    engine.answer("cancel", FakeEngine::document("ok"), 2);
    engine.answer("clear", FakeEngine::document("ok"));
    start({{"WEB_SECRET", secret}});
    const std::string id = login();

    EXPECT_EQ(get("/log.html", id),
              "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
              "Content-Disposition: attachment; filename=corvane-installation-log.txt\r\n\r\n" + log);
    EXPECT_EQ(get("/cancel.html", id), "HTTP/1.1 303 See Other\r\nLocation: /select_components.html\r\n\r\n");
    const std::string refresh = "<meta http-equiv=\"refresh\" content=\"0; url=/summary.html\">";
    const std::string ok = get("/cancel.html", id);
    EXPECT_EQ(ok.rfind("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n", 0), 0u) << ok;
    EXPECT_NE(ok.find(refresh), std::string::npos) << ok;
    EXPECT_NE(get("/clear.html", id).find(refresh), std::string::npos);

    // Without a session: the login page, and the engine is not asked.
    const int cancels = engineRequests("cancel"), clears = engineRequests("clear");
    for (const char* page : {"/log.html", "/cancel.html", "/clear.html"}) {
        SCOPED_TRACE(page);
        EXPECT_TRUE(isLoginPage(get(page)));
    }
    EXPECT_EQ(engineRequests("cancel"), cancels);
    EXPECT_EQ(engineRequests("clear"), clears);
}

TEST_F(LogCancelClear, LogAnswersWithoutALogAreEmpty) {
    engine.answer("get_log", FakeEngine::document("ok", "", "<other />"));
    engine.answer("get_log", FakeEngine::document("ok", "", "<log />"), 2);
    start({{"WEB_SECRET", secret}});
    const std::string id = login();
    EXPECT_EQ(get("/log.html", id), "");
    EXPECT_EQ(get("/log.html", id), "");
}

// An engine that cannot be reached: the log page tells why, cancel falls back to the summary
// page, clear refreshes as always.
TEST_F(LogCancelClear, EngineGone) {
    start({{"WEB_SECRET", secret}});
    const std::string id = login();
    engine.stop();

    const std::string log = get("/log.html", id);
    const std::string textHead = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
    ASSERT_EQ(log.rfind(textHead, 0), 0u) << log;
    const size_t body = log.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos) << log;
    EXPECT_EQ(log.compare(body + 4, 26, "Can't connect to backend: "), 0) << log;

    EXPECT_EQ(get("/cancel.html", id), "HTTP/1.1 303 See Other\r\nLocation: /summary.html\r\n\r\n");
    const std::string clear = get("/clear.html", id);
    EXPECT_EQ(clear.rfind("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n", 0), 0u) << clear;
    EXPECT_NE(clear.find("<meta http-equiv=\"refresh\" content=\"0; url=/summary.html\">"), std::string::npos)
        << clear;
}

}  // namespace
