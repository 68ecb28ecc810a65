// What the embedded HTTP server does with a request that reaches the file system: the order of
// its rules, redirections, index files, password files, DELETE, and Digest authentication by
// curl and by hand-made headers, against prog_httpd serving a temporary web root. Runs inside
// the namespace helper: fixed ports.
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "support/RawHttpClient.h"
#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"

namespace {

using httpdtest::curl;
using httpdtest::olderDigest;
using httpdtest::writePasswords;
using httpdtest::ProgServer;
using rawhttp::RawHttpClient;

const std::string base = "http://127.0.0.1:8080";

// A web root made for one test.
class WebRoot {
public:
    WebRoot() {
        for (const char* d : {"docs", "sub", "scripts", "nested", "nested/index.html", "del", "del/empty", "del/full"})
            ::mkdir((dir / d).c_str(), 0755);
        for (const char* f : {"a", "docs/index.html", "sub/x", "t.cgi", "run.cgi", "x.htpasswd",
                              "sub/a.htpasswd.bak", "scripts/index.cgi", "echo", "del/victim", "del/full/f", "page"})
            testutil::writeFile(dir / f, std::string("content of ") + f + "\n");
    }
    std::string path() const { return dir.path(); }
    std::string operator/(const std::string& name) const { return dir / name; }

private:
    testutil::TempDir dir;
};

// The whole answer to `request` (sent with "Connection: close" and the extra header lines).
std::string ask(const std::string& method, const std::string& target, const std::string& headers = "") {
    RawHttpClient client("127.0.0.1", 8080);
    client.send(method + " " + target + " HTTP/1.1\r\nHost: x\r\n" + headers + "Connection: close\r\n\r\n");
    return client.readToClose();
}

std::string canned(int status, const std::string& reason) {
    char code[8];
    std::snprintf(code, sizeof code, "%03d", status);
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: text/plain\r\nContent-Length: 12\r\n\r\nError: " + code + "\r\n";
}

std::string statusLine(const std::string& reply) { return reply.substr(0, reply.find("\r\n")); }

// The status curl saw: the last line of its output.
std::string statusOf(const std::string& curlOutput) { return curlOutput.substr(curlOutput.rfind('\n') + 1); }

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

TEST(HttpdDispatch, RulesInTheirOrder) {
    WebRoot root;
    // A password file in the root itself, with the per-directory rule off (a global file that
    // does not exist protects nothing).
    testutil::writeFile(root / ".htpasswd", "alice:localhost:0123\n");
    std::string deep;
    for (int i = 0; i < 5; ++i) deep += "/" + std::string(250, 'd');
    ASSERT_TRUE(testutil::shell("mkdir -p '" + root.path() + deep + "'").status == 0);
    ProgServer server({"-ports", "8080", "-root", root.path(), "-auth_gpass", root / "missing", "--echo", "/echo"});
    ASSERT_TRUE(server.ready);

    struct Case {
        const char* method;
        std::string target;
        std::string reply;  // whole reply, or its status line when it has no "\r\n"
    };
    const Case cases[] = {
        {"GET", "/docs", "HTTP/1.1 301 Moved Permanently\r\nLocation: /docs/\r\nContent-Type: text/plain\r\n"
                         "Content-Length: 12\r\n\r\nError: 301\r\n"},
        {"HEAD", "/docs?q=1", "HTTP/1.1 301 Moved Permanently\r\nLocation: /docs/\r\nContent-Type: text/plain\r\n"
                              "Content-Length: 12\r\n\r\nError: 301\r\n"},
        // A Location that would be cut would send the client elsewhere.
        {"GET", deep, canned(400, "URI is too long")},
        // Only cuts past the first character after the root's '/' count.
        {"GET", "/a/b", canned(404, "Not Found")},
        {"GET", "/missing", canned(404, "Not Found")},
        {"GET", "/x.htpasswd", canned(403, "Forbidden")},
        {"POST", "/x.htpasswd", canned(403, "Forbidden")},
        {"DELETE", "/x.htpasswd", canned(403, "Forbidden")},
        {"GET", "/sub/a.htpasswd.bak", canned(403, "Forbidden")},
        // The dot after '/' goes in normalisation: this asks for "/htpasswd".
        {"GET", "/.htpasswd", canned(404, "Not Found")},
        {"HEAD", "/t.cgi", "HTTP/1.1 501 Bad method "},
        // Shortened to the script, the rest being extra path information.
        {"HEAD", "/run.cgi/extra/part", "HTTP/1.1 501 Bad method "},
        // The only index file is a script.
        {"HEAD", "/scripts/", "HTTP/1.1 501 Bad method "},
        // A registered page wins over a file of the same name.
        {"GET", "/echo", "HTTP/1.1 200 OK"},
    };
    for (const Case& k : cases) {
        const std::string reply = ask(k.method, k.target);
        if (k.reply.find("\r\n") == std::string::npos)
            EXPECT_EQ(statusLine(reply), k.reply) << k.method << " " << k.target.substr(0, 60);
        else
            EXPECT_EQ(reply, k.reply) << k.method << " " << k.target.substr(0, 60);
    }
}

TEST(HttpdDispatch, DirectoriesWithoutListing) {
    WebRoot root;
    ProgServer server({"-ports", "8080", "-root", root.path(), "-dir_list", "no"});
    ASSERT_TRUE(server.ready);
    EXPECT_EQ(ask("GET", "/sub/"), canned(403, "Directory Listing Denied"));
    // The index name found is itself a directory.
    EXPECT_EQ(ask("GET", "/nested/"), canned(403, "Directory listing denied"));
    EXPECT_EQ(statusLine(ask("HEAD", "/scripts/")), "HTTP/1.1 501 Bad method ");
}

// An index candidate is built in a buffer of 4,096 bytes; one that does not fit is never
// tried cut.
TEST(HttpdDispatch, IndexNameThatDoesNotFitIsSkipped) {
    testutil::TempDir dir;
    // A root of 4,086 characters: "<root>/d//i.cgi" fills the buffer but for its zero byte.
    std::string root = dir.path();
    while (root.size() < 4086) root += "/" + std::string(std::min<size_t>(200, 4086 - root.size() - 1), 'r');
    ASSERT_EQ(root.size(), 4086u);
    ASSERT_EQ(testutil::shell("mkdir -p '" + root + "/d'").status, 0);
    testutil::writeFile(root + "/d/i.cgi", "script\n");
    ProgServer server({"-ports", "8080", "-root", root, "-dir_list", "no", "-auth_gpass", dir / "missing",
                       "-index_files", "i.cgi" + std::string(300, 'x')});
    ASSERT_TRUE(server.ready);
    EXPECT_EQ(ask("HEAD", "/d/"), canned(403, "Directory Listing Denied"));
}

TEST(HttpdDispatch, NotModifiedSinceTheFileTime) {
    WebRoot root;
    struct tm tm {};
    tm.tm_year = 120;
    tm.tm_mon = 0;
    tm.tm_mday = 2;
    tm.tm_hour = 3;
    tm.tm_min = 4;
    tm.tm_sec = 5;
    struct utimbuf times {};
    times.actime = times.modtime = ::timegm(&tm);
    ASSERT_EQ(::utime((root / "page").c_str(), &times), 0);
    ProgServer server({"-ports", "8080", "-root", root.path()});
    ASSERT_TRUE(server.ready);

    EXPECT_EQ(ask("GET", "/page", "If-Modified-Since: Thu, 02 Jan 2020 03:04:05 GMT\r\n"), canned(304, "Not Modified"));
    EXPECT_EQ(ask("GET", "/page", "If-Modified-Since: Fri, 03 Jan 2020 00:00:00 GMT\r\n"), canned(304, "Not Modified"));
    EXPECT_NE(statusLine(ask("GET", "/page", "If-Modified-Since: Thu, 02 Jan 2020 03:04:04 GMT\r\n")),
              "HTTP/1.1 304 Not Modified");
    EXPECT_NE(statusLine(ask("GET", "/page", "If-Modified-Since: not a date\r\n")), "HTTP/1.1 304 Not Modified");
    EXPECT_EQ(statusOf(curl({"-z", "Thu, 02 Jan 2020 03:04:05 GMT", base + "/page"})), "304");
}

TEST(HttpdDispatch, DigestAgainstTheGlobalPasswordFile) {
    WebRoot root;
    testutil::TempDir dir;
    const std::string pw = dir / "pw", log = dir / "access.log";
    writePasswords(pw, {{"alice", "myrealm", "secret"}});
    ProgServer server({"-ports", "8080", "-root", root.path(), "-auth_realm", "myrealm", "-auth_gpass", pw,
                       "-access_log", log, "--echo", "/echo*"});
    ASSERT_TRUE(server.ready);

    // Registered pages are protected too; the page sees the proven user.
    std::string page = curl({"--digest", "-u", "alice:secret", base + "/echo?v=1"});
    EXPECT_EQ(statusOf(page), "200");
    EXPECT_NE(page.find("\nuser=alice\n"), std::string::npos) << page;
    EXPECT_EQ(statusOf(curl({"--digest", "-u", "alice:wrong", base + "/echo"})), "401");
    EXPECT_EQ(statusOf(curl({base + "/echo"})), "401");

    const std::string wrong = olderDigest("alice", "myrealm", "wrong", "GET", "/echo");
    EXPECT_TRUE(std::regex_match(ask("GET", "/echo", "Authorization: " + wrong + "\r\n"),
                                 std::regex("HTTP/1\\.1 401 Unauthorized\r\nWWW-Authenticate: Digest qop=\"auth\", "
                                            "realm=\"myrealm\", nonce=\"[0-9]+\"\r\nContent-Type: text/plain\r\n"
                                            "Content-Length: 12\r\n\r\nError: 401\r\n")));

    // The older form, made by hand; a valid header is good for its own target only.
    const std::string older = olderDigest("alice", "myrealm", "secret", "GET", "/echo/a?v=2");
    page = ask("GET", "/echo/a?v=2", "Authorization: " + older + "\r\n");
    EXPECT_EQ(statusLine(page), "HTTP/1.1 200 OK");
    EXPECT_NE(page.find("\nuser=alice\n"), std::string::npos) << page;
    EXPECT_EQ(statusLine(ask("GET", "/echo/b?v=2", "Authorization: " + older + "\r\n")),
              "HTTP/1.1 401 Unauthorized");
    EXPECT_EQ(statusLine(ask("GET", "/echo/a?v=3", "Authorization: " + older + "\r\n")),
              "HTTP/1.1 401 Unauthorized");
    EXPECT_EQ(statusLine(ask("POST", "/echo/a?v=2", "Authorization: " + older + "\r\n")),
              "HTTP/1.1 401 Unauthorized");

    // A failed attempt names no user in the access log.
    ASSERT_TRUE(httpdtest::waitFor([&] { return testutil::readFile(log).find("GET /echo/a?v=3") != std::string::npos; }));
    bool sawAlice = false, sawFailure = false;
    for (const std::string& line : testutil::splitLines(testutil::readFile(log))) {
        if (line.find("\"GET /echo/a?v=2 HTTP/1.1\" 0") != std::string::npos) {
            EXPECT_EQ(line.rfind("127.0.0.1 - alice [", 0), 0u) << line;
            sawAlice = true;
        }
        if (line.find("\"GET /echo/b?v=2 HTTP/1.1\" 401") != std::string::npos) {
            EXPECT_EQ(line.rfind("127.0.0.1 - - [", 0), 0u) << line;
            sawFailure = true;
        }
    }
    EXPECT_TRUE(sawAlice && sawFailure) << testutil::readFile(log);
}

TEST(HttpdDispatch, ProtectedPrefixes) {
    WebRoot root;
    testutil::TempDir dir;
    const std::string pw1 = dir / "pw1", pw2 = dir / "pw2", log = dir / "error.log";
    writePasswords(pw1, {{"alice", "myrealm", "one"}});
    writePasswords(pw2, {{"alice", "myrealm", "two"}});
    ProgServer server({"-ports", "8080", "-root", root.path(), "-auth_realm", "myrealm", "-error_log", log,
                       "-protect", "/gone=" + (dir / "gone") + ",/admin=" + pw1 + ",/x=" + pw2, "--echo", "/*"});
    ASSERT_TRUE(server.ready);
    struct Case {
        std::string uri;
        std::string password;  // empty: no credentials
        const char* status;
    };
    const Case cases[] = {
        {"/admin/page", "one", "200"}, {"/admin/page", "two", "401"}, {"/admin/page", "", "401"},
        {"/xyz", "two", "200"},        {"/xyz", "one", "401"},        {"/other", "", "200"},
        {"/gone/page", "", "200"},
    };
    for (const Case& k : cases) {
        std::vector<std::string> args;
        if (!k.password.empty()) args = {"--digest", "-u", "alice:" + k.password};
        args.push_back(base + k.uri);
        EXPECT_EQ(statusOf(curl(args)), k.status) << k.uri << " " << k.password;
    }
    ASSERT_TRUE(httpdtest::waitFor([&] { return !testutil::readFile(log).empty(); }));
    EXPECT_NE(testutil::readFile(log).find("\"GET /gone/page HTTP/1.1\" check_auth: cannot open " + (dir / "gone") +
                                           ": No such file or directory"),
              std::string::npos)
        << testutil::readFile(log);
}

TEST(HttpdDispatch, PasswordFileOfTheDirectory) {
    WebRoot root;
    ProgServer server({"-ports", "8080", "-root", root.path(), "-auth_realm", "myrealm"});
    ASSERT_TRUE(server.ready);
    EXPECT_NE(statusOf(curl({base + "/sub/x"})), "401");
    writePasswords(root / "sub/.htpasswd", {{"alice", "myrealm", "secret"}});
    EXPECT_EQ(statusOf(curl({base + "/sub/x"})), "401");
    EXPECT_NE(statusOf(curl({"--digest", "-u", "alice:secret", base + "/sub/x"})), "401");
    // Extra path information behind a file does not leave the file's directory unprotected.
    EXPECT_EQ(statusOf(curl({base + "/sub/x/more"})), "401");
    EXPECT_NE(statusOf(curl({base + "/a"})), "401");
}

TEST(HttpdDispatch, PutAndDeleteNeedTheirOwnPasswordFile) {
    WebRoot root;
    testutil::TempDir dir;
    const std::string put = dir / "put";
    writePasswords(put, {{"alice", "myrealm", "secret"}});
    const std::vector<std::string> alice{"--digest", "-u", "alice:secret", "-X", "DELETE"};
    auto remove = [&](const std::vector<std::string>& auth, const std::string& uri) {
        std::vector<std::string> args = auth;
        args.push_back(base + uri);
        return curl(args);
    };
    {
        ProgServer server({"-ports", "8080", "-root", root.path(), "-auth_realm", "myrealm"});
        ASSERT_TRUE(server.ready);
        EXPECT_EQ(statusOf(remove(alice, "/del/victim")), "401");
        EXPECT_EQ(statusOf(curl({"--digest", "-u", "alice:secret", "-T", put, base + "/del/new"})), "401");
    }
    {
        ProgServer server({"-ports", "8080", "-root", root.path(), "-auth_realm", "myrealm", "-auth_PUT", dir / "none"});
        ASSERT_TRUE(server.ready);
        EXPECT_EQ(statusOf(remove(alice, "/del/victim")), "401");
    }
    EXPECT_TRUE(exists(root / "del/victim"));
    ProgServer server({"-ports", "8080", "-root", root.path(), "-auth_realm", "myrealm", "-auth_PUT", put});
    ASSERT_TRUE(server.ready);
    EXPECT_EQ(statusOf(remove({"--digest", "-u", "alice:wrong", "-X", "DELETE"}, "/del/victim")), "401");
    EXPECT_TRUE(exists(root / "del/victim"));
    EXPECT_EQ(remove(alice, "/del/victim"), "Error: 200\r\n\n200");
    EXPECT_FALSE(exists(root / "del/victim"));
    EXPECT_EQ(remove(alice, "/del/victim"), "Error: 500\r\n\n500");
    EXPECT_EQ(statusLine(ask("DELETE", "/del/victim", "Authorization: " +
                                                          olderDigest("alice", "myrealm", "secret", "DELETE",
                                                                      "/del/victim") + "\r\n")),
              "HTTP/1.1 500 DELETE Error");
    EXPECT_EQ(statusOf(remove(alice, "/del/empty")), "200");
    EXPECT_FALSE(exists(root / "del/empty"));
    EXPECT_EQ(statusOf(remove(alice, "/del/full")), "500");
    EXPECT_TRUE(exists(root / "del/full/f"));
}

}  // namespace
