#ifndef VN_TESTS_WEBUI_WEBPAGEHARNESS_H
#define VN_TESTS_WEBUI_WEBPAGEHARNESS_H

// The pages of the web-server process over HTTP: prog_webserver runs runWebServer on 8447 in
// the English catalogue (LANG=C), the fake engine plays the installing process, and a session
// is logged in by the one-time secret. Sandboxed tests only (fixed port and socket).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/FakeEngine.h"
#include "support/RawHttpClient.h"
#include "support/TestUtil.h"

namespace webpagetest {

const int port = 8447;
const std::string secret = "qwertyuiopasdfghjklz";
// The head of every page answer.
const std::string htmlHead = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";

class WebPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.answer("get_current_page", testutil::FakeEngine::document("ok", "", "<page id=\"releases\" />"));
        engine.answer("set_locale", testutil::FakeEngine::document("ok"));
        start();
        cookie = login();
    }
    void TearDown() override {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }

    void start() {
        pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::chdir(work.path().c_str()) != 0) ::_exit(120);
            FILE* err = std::freopen((work / "stderr").c_str(), "w", stderr);
            (void)err;
            ::setenv("LANG", "C", 1);
            ::setenv("LC_ALL", "C", 1);
            ::setenv("WEB_SECRET", secret.c_str(), 1);
            const std::string prog = testutil::program("prog_webserver");
            ::execl(prog.c_str(), prog.c_str(), std::to_string(port).c_str(), static_cast<char*>(nullptr));
            ::_exit(121);
        }
        if (!rawhttp::waitUntilListening("127.0.0.1", port)) FAIL() << "prog_webserver did not listen";
    }

    // The whole answer to one request of the logged-in session.
    std::string request(const std::string& method, const std::string& target, const std::string& body = std::string()) {
        rawhttp::RawHttpClient client("127.0.0.1", port);
        std::string text = method + " " + target + " HTTP/1.0\r\nCookie: sessionID=" + cookie + "\r\n";
        if (method == "POST")
            text += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                    std::to_string(body.size()) + "\r\n";
        client.send(text + "\r\n" + body);
        return client.readToClose();
    }
    std::string get(const std::string& target) { return request("GET", target); }
    std::string post(const std::string& target, const std::string& body) { return request("POST", target, body); }

    std::string login() {
        rawhttp::RawHttpClient client("127.0.0.1", port);
        client.send("GET /?secret=" + secret + " HTTP/1.0\r\n\r\n");
        const std::string answer = client.readToClose();
        std::smatch m;
        EXPECT_TRUE(std::regex_search(answer, m, std::regex("Set-Cookie: sessionID=([a-z]+)"))) << answer;
        return m.size() > 1 ? m[1].str() : std::string();
    }

    // The commands the engine received, in order.
    std::vector<std::string> commands() const {
        std::vector<std::string> names;
        const std::regex command("<command value=\"([^\"]*)\"");
        for (const std::string& r : engine.requests()) {
            std::smatch m;
            if (std::regex_search(r, m, command)) names.push_back(m[1].str());
        }
        return names;
    }
    // The last request text of `command` ("" when none came).
    std::string lastRequest(const std::string& command) const {
        std::string found;
        for (const std::string& r : engine.requests())
            if (r.find("<command value=\"" + command + "\"") != std::string::npos) found = r;
        return found;
    }

    static std::string golden(const std::string& path) {
        return testutil::readFile(std::string(VN_FIXTURES_DIR) + "/webui/" + path);
    }

    testutil::TempDir work;
    testutil::FakeEngine engine;
    pid_t pid = -1;
    std::string cookie;
};

}  // namespace webpagetest

#endif
