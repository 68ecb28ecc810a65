// The web-server process over HTTP: prog_webserver runs runWebServer on 8447 as the launcher
// does, the fake engine plays the installing process.
#include <gtest/gtest.h>

#include <dirent.h>
#include <pwd.h>
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

#include "WebServerHarness.h"
#include "support/TestUtil.h"
#include "webui/StaticFiles.h"
#include "webui/runWebServer.h"

namespace {

using webservertest::port;
using webservertest::secret;
using webservertest::Start;
using webservertest::WebServerTest;

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
    Start how;
    how.dir = dir;
    how.env = {{"WEB_SECRET", secret}};
    start(how);
    const std::string id = login();
    for (const char* target : {"/etc/passwd", "/a.txt", "/x.cgi", "/x.shtml", "/sub", "/sub/", "/vnhttpd.conf"}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(get(target, id).substr(0, 13), "HTTP/1.1 404 ");
    }
    // The process's working directory is gone: nothing can be made there.
    const std::string cwd = "/proc/" + std::to_string(pid) + "/cwd";
    EXPECT_NE(::mkdir((cwd + "/d").c_str(), 0700), 0);
    EXPECT_EQ(errno, ENOENT);
    stop();
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

// The bytes a static file is made from: its source file, or the Debian package's script.
std::string sourceOf(const std::string& url) {
    if (url == "/js/prototype.js") return testutil::readFile("/usr/share/javascript/prototype/prototype.js");
    return testutil::readFile(std::string(VN_SOURCE_DIR) + "/src/webui/resources" + url);
}

std::string contentTypeOf(const std::string& url) {
    const std::string extension = url.substr(url.rfind('.') + 1);
    if (extension == "gif") return "image/gif";
    if (extension == "png") return "image/png";
    if (extension == "css") return "text/css";
    if (extension == "js") return "text/javascript";
    return "?";
}

std::string staticAnswer(const std::string& url) {
    const std::string bytes = sourceOf(url);
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentTypeOf(url) + "\r\nContent-length: " +
           std::to_string(bytes.size()) + "\r\n\r\n" + bytes;
}

// Every static file is its source byte for byte, without a session and whatever the method.
TEST_F(WebServerTest, StaticFilesAreTheirSources) {
    start();
    ASSERT_EQ(staticFileCount, 56u);
    for (size_t i = 0; i < staticFileCount; ++i) {
        const std::string url = staticFiles[i].url;
        SCOPED_TRACE(url);
        const std::string answer = get(url);
        EXPECT_TRUE(answer == staticAnswer(url)) << answer.substr(0, 200);
    }
    EXPECT_EQ(request("POST /css/style.css HTTP/1.0\r\nContent-Length: 3\r\n\r\na=b"), staticAnswer("/css/style.css"));
    const std::string prototype = get("/js/prototype.js");
    EXPECT_EQ(prototype.substr(0, prototype.find("\r\n\r\n")),
              "HTTP/1.1 200 OK\r\nContent-Type: text/javascript\r\nContent-length: 199825");
    // Only the exact names.
    for (const char* target : {"/CSS/style.css", "/images/GAUGE/fill.gif", "/js/Prototype.js", "/images/", "/js",
                               "/images/gauge/fill.gif.bak", "/templates/login.xhtml"}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(get(target).substr(0, 13), "HTTP/1.1 404 ");
    }
}

// Over TLS the same files, whole across many records, to curl and to openssl's client; the
// secret login's cookie is then for secure connections only. The certificate is a 2048-bit RSA
// key and certificate in one PEM file, as the server takes it.
TEST_F(WebServerTest, TlsServesTheSameFiles) {
    const testutil::RunResult made = testutil::shell(
        "cd " + work.path() + " && openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 -subj /CN=127.0.0.1"
        " -keyout key.pem -out cert.pem 2>&1 && cat key.pem cert.pem > web.pem");
    ASSERT_EQ(made.status, 0) << made.out;
    Start how;
    how.certificate = work / "web.pem";
    how.env = {{"WEB_SECRET", secret}};
    start(how);
    const std::string url = "https://127.0.0.1:" + std::to_string(port);

    const testutil::RunResult curl = testutil::run(
        {"/usr/bin/curl", "-k", "-s", "-S", "--http1.1", "-D", work / "head", "-o", work / "body", url + "/js/prototype.js"});
    ASSERT_EQ(curl.status, 0) << curl.err;
    EXPECT_EQ(testutil::readFile(work / "head"),
              "HTTP/1.1 200 OK\r\nContent-Type: text/javascript\r\nContent-length: 199825\r\n\r\n");
    EXPECT_TRUE(testutil::readFile(work / "body") == sourceOf("/js/prototype.js"));

    const testutil::RunResult login =
        testutil::run({"/usr/bin/curl", "-k", "-s", "-S", "-D", "-", "-o", "/dev/null", url + "/?secret=" + secret});
    ASSERT_EQ(login.status, 0) << login.err;
    EXPECT_NE(login.out.find("Set-Cookie: sessionID="), std::string::npos) << login.out;
    EXPECT_NE(login.out.find("Secure"), std::string::npos) << login.out;

    for (const std::string target : {"/images/gauge/fill.gif", "/css/style.css"}) {
        SCOPED_TRACE(target);
        const testutil::RunResult answer =
            testutil::run({"/usr/bin/openssl", "s_client", "-connect", "127.0.0.1:" + std::to_string(port), "-quiet", "-ign_eof"},
                          {}, "GET " + target + " HTTP/1.0\r\n\r\n");
        EXPECT_TRUE(answer.out == staticAnswer(target)) << answer.out.substr(0, 200) << answer.err;
    }
}

// Run by a user the password database does not know, the login page cannot be made: "/" gets
// the error page naming why, and the process serves on.
TEST_F(WebServerTest, AUserWithoutPasswordEntryGetsTheErrorPage) {
    const uid_t nobodyKnown = 54321;
    ASSERT_EQ(::getpwuid(nobodyKnown), nullptr);
    Start how;
    how.uid = nobodyKnown;
    start(how);
    const std::string failed = get("/");
    EXPECT_EQ(failed.rfind("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n", 0), 0u) << failed;
    EXPECT_NE(failed.find("Can&#39;t get user info for pid=54321"), std::string::npos) << failed;
    EXPECT_EQ(failed.find("name=\"password\""), std::string::npos) << failed;
    EXPECT_TRUE(get("/css/style.css") == staticAnswer("/css/style.css"));
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

}  // namespace
