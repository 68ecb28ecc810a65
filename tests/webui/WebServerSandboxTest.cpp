// The web-server process over HTTP: prog_webserver runs runWebServer on 8447 as the launcher
// does, the fake engine plays the installing process.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/FakeEngine.h"
#include "support/RawHttpClient.h"
#include "support/TestUtil.h"
#include "webui/runWebServer.h"

namespace {

using testutil::FakeEngine;

const int port = 8447;
const std::string secret = "qwertyuiopasdfghjklz";

// Names under /tmp that the process may have made.
std::vector<std::string> webDirectories() {
    std::vector<std::string> names;
    if (DIR* d = ::opendir("/tmp")) {
        while (dirent* e = ::readdir(d))
            if (std::string(e->d_name).rfind("vantrell-web.", 0) == 0) names.push_back(e->d_name);
        ::closedir(d);
    }
    return names;
}

class WebServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.answer("get_current_page", FakeEngine::document("ok", "", "<page id=\"components\" />"));
        engine.answer("set_locale", FakeEngine::document("ok"));
    }
    void TearDown() override {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }

    // Starts prog_webserver in `dir` (standard error into dir/../stderr) and waits for the port.
    void start(const std::string& dir, const std::map<std::string, std::string>& env = {}) {
        pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::chdir(dir.c_str()) != 0) ::_exit(120);
            FILE* err = std::freopen((work / "stderr").c_str(), "w", stderr);
            (void)err;
            ::unsetenv("WEB_SECRET");
            for (const auto& e : env) ::setenv(e.first.c_str(), e.second.c_str(), 1);
            const std::string prog = testutil::program("prog_webserver");
            ::execl(prog.c_str(), prog.c_str(), std::to_string(port).c_str(), static_cast<char*>(nullptr));
            ::_exit(121);
        }
        for (int i = 0; i < 200; ++i) {
            try {
                rawhttp::RawHttpClient probe("127.0.0.1", port);
                return;
            } catch (const std::exception&) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        FAIL() << "prog_webserver did not listen";
    }
    void start(const std::map<std::string, std::string>& env = {}) { start(work.path(), env); }

    std::string get(const std::string& target, const std::string& cookie = std::string()) {
        rawhttp::RawHttpClient client("127.0.0.1", port);
        client.send("GET " + target + " HTTP/1.0\r\n" + (cookie.empty() ? "" : "Cookie: sessionID=" + cookie + "\r\n") +
                    "\r\n");
        return client.readToClose();
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

TEST_F(WebServerTest, TheSecretLeavesTheEnvironmentAndLogsIn) {
    start({{"WEB_SECRET", secret}});
    const std::string environ = testutil::readFile("/proc/" + std::to_string(pid) + "/environ");
    EXPECT_EQ(environ.find("WEB_SECRET"), std::string::npos);
    const std::string id = login();
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(get("/", id), "HTTP/1.1 303 See Other\r\nLocation: /select_components.html\r\n\r\n");
    EXPECT_TRUE(isLoginPage(get("/")));
}

TEST_F(WebServerTest, WithoutASecretTheLoginPage) {
    start();
    EXPECT_TRUE(isLoginPage(get("/?secret=")));
    EXPECT_TRUE(isLoginPage(get("/")));
}

TEST_F(WebServerTest, NothingOfTheWorkingDirectoryIsServedOrRead) {
    const std::string dir = work / "start";
    testutil::shell("mkdir -p " + dir + "/sub && cd " + dir +
                    " && printf 'dir_list yes\\nroot /\\n' > vnhttpd.conf && echo a > a.txt"
                    " && printf '#!/bin/sh\\necho x\\n' > x.cgi && chmod +x x.cgi && echo '<!--#echo var=\"DATE_LOCAL\" -->' > x.shtml");
    const std::vector<std::string> before = webDirectories();
    start(dir, {{"WEB_SECRET", secret}});
    const std::string id = login();
    for (const char* target : {"/etc/passwd", "/a.txt", "/x.cgi", "/x.shtml", "/sub", "/sub/", "/vnhttpd.conf"}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(get(target, id).substr(0, 13), "HTTP/1.1 404 ");
    }
    // The process's working directory is gone: nothing can be made there.
    const std::string cwd = "/proc/" + std::to_string(pid) + "/cwd";
    EXPECT_NE(::mkdir((cwd + "/d").c_str(), 0700), 0);
    EXPECT_EQ(errno, ENOENT);
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
    EXPECT_EQ(testutil::readFile(work / "stderr").find("Loading config file"), std::string::npos);
    EXPECT_EQ(webDirectories(), before);
}

TEST_F(WebServerTest, AFailingPageIsAnsweredAndTheProcessServesOn) {
    start({{"WEB_SECRET", secret}});
    const std::string id = login();
    const std::string failed = get("/add_components.html", id);
    EXPECT_EQ(failed.rfind("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n", 0), 0u) << failed;
    EXPECT_NE(failed.find("The page to add components is not available"), std::string::npos) << failed;
    EXPECT_EQ(get("/", id), "HTTP/1.1 303 See Other\r\nLocation: /select_components.html\r\n\r\n");
}

TEST_F(WebServerTest, TheStopFlagEndsTheProcess) {
    start();
    ::kill(pid, SIGUSR1);
    int status = -1;
    for (int i = 0; i < 100 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    pid = -1;
}

TEST(WebServerChildren, OneSignalReapsEveryExitedChild) {
    const std::string out = testutil::inChild([] {
        std::signal(SIGCHLD, SIG_DFL);
        std::vector<pid_t> kids;
        for (int i = 0; i < 3; ++i) {
            const pid_t k = ::fork();
            if (k == 0) ::_exit(0);
            kids.push_back(k);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        reapChildren(SIGUSR1);  // not SIGCHLD: nothing is reaped
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(kids[0]), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
            info.si_pid != kids[0])
            return std::string("reaped by another signal");
        reapChildren(SIGCHLD);
        std::string left;
        for (pid_t k : kids)
            if (::waitpid(k, nullptr, WNOHANG) != -1 || errno != ECHILD) left += std::to_string(k) + " ";
        return left.empty() ? std::string("all reaped") : "left: " + left;
    });
    EXPECT_EQ(out, "all reaped");
}

// The three small pages. A 1,000,000-byte log comes whole as the download.
TEST_F(WebServerTest, LogCancelClearPages) {
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

TEST_F(WebServerTest, LogAnswersWithoutALogAreEmpty) {
    engine.answer("get_log", FakeEngine::document("ok", "", "<other />"));
    engine.answer("get_log", FakeEngine::document("ok", "", "<log />"), 2);
    start({{"WEB_SECRET", secret}});
    const std::string id = login();
    EXPECT_EQ(get("/log.html", id), "");
    EXPECT_EQ(get("/log.html", id), "");
}

}  // namespace
