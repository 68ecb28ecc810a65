#ifndef VN_TESTS_WEBUI_WEBSERVERHARNESS_H
#define VN_TESTS_WEBUI_WEBSERVERHARNESS_H

// The web-server process over HTTP, for sandboxed tests: prog_webserver runs runWebServer on
// 8447 as the launcher does, the fake engine plays the installing process.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/FakeEngine.h"
#include "support/RawHttpClient.h"
#include "support/TestUtil.h"

namespace webservertest {

using testutil::FakeEngine;

const int port = 8447;
const std::string secret = "qwertyuiopasdfghjklz";

// How prog_webserver is started.
struct Start {
    std::string dir;                            // working directory; the test's own when empty
    std::map<std::string, std::string> env;     // set for the program (WEB_SECRET is unset first)
    std::string certificate;                    // TLS with this file when not empty
    uid_t uid = 0;                              // switched to (from root) before the program runs
};

class WebServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.answer("get_current_page", FakeEngine::document("ok", "", "<page id=\"components\" />"));
        engine.answer("set_locale", FakeEngine::document("ok"));
    }
    void TearDown() override { stop(); }

    // Starts prog_webserver (standard error into work/stderr) and waits for the port.
    void start(const Start& how) {
        const std::string dir = how.dir.empty() ? work.path() : how.dir;
        pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::chdir(dir.c_str()) != 0) ::_exit(120);
            FILE* err = std::freopen((work / "stderr").c_str(), "w", stderr);
            (void)err;
            ::unsetenv("WEB_SECRET");
            for (const auto& e : how.env) ::setenv(e.first.c_str(), e.second.c_str(), 1);
            if (how.uid != 0 && (::setgid(how.uid) != 0 || ::setuid(how.uid) != 0)) ::_exit(122);
            const std::string prog = testutil::program("prog_webserver");
            const std::string portText = std::to_string(port);
            if (how.certificate.empty())
                ::execl(prog.c_str(), prog.c_str(), portText.c_str(), static_cast<char*>(nullptr));
            else
                ::execl(prog.c_str(), prog.c_str(), portText.c_str(), how.certificate.c_str(),
                        static_cast<char*>(nullptr));
            ::_exit(121);
        }
        if (!rawhttp::waitUntilListening("127.0.0.1", port))
            FAIL() << "prog_webserver did not listen: " << testutil::readFile(work / "stderr");
    }
    void start(const std::map<std::string, std::string>& env = {}) {
        Start how;
        how.env = env;
        start(how);
    }
    // Ends the process (SIGTERM) and waits for it.
    void stop() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }

    std::string request(const std::string& text) {
        rawhttp::RawHttpClient client("127.0.0.1", port);
        client.send(text);
        return client.readToClose();
    }
    std::string get(const std::string& target, const std::string& cookie = std::string()) {
        return request("GET " + target + " HTTP/1.0\r\n" + (cookie.empty() ? "" : "Cookie: sessionID=" + cookie + "\r\n") +
                       "\r\n");
    }
    // A session logged in by the secret.
    std::string login() {
        const std::string answer = get("/?secret=" + secret);
        std::smatch m;
        EXPECT_TRUE(std::regex_search(answer, m, std::regex("Set-Cookie: sessionID=([a-z]+)"))) << answer;
        return m.size() > 1 ? m[1].str() : std::string();
    }
    static bool isLoginPage(const std::string& answer) {
        return answer.rfind("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nSet-Cookie: sessionID=", 0) == 0 &&
               answer.find("name=\"password\"") != std::string::npos;
    }
    int engineRequests(const std::string& command) {
        int n = 0;
        for (const std::string& r : engine.requests())
            if (r.find("<command value=\"" + command + "\"") != std::string::npos) ++n;
        return n;
    }

    testutil::TempDir work;
    FakeEngine engine;
    pid_t pid = -1;
};

}  // namespace webservertest

#endif
