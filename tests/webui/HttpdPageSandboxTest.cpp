// Pages of the embedded HTTP server over real sockets: the driver program prog_httpd with its
// test pages, raw clients, curl over plain and TLS ports, the access log in two time zones, the
// configuration page, and inetd mode. Runs inside the namespace helper: fixed ports.
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/RawHttpClient.h"
#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"

namespace {

using httpdtest::waitFor;
using rawhttp::RawHttpClient;

const std::string prog = testutil::program("prog_httpd");

using Server = httpdtest::ProgServer;
using httpdtest::curl;

std::string expectedBytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = httpdtest::patternByte(i);
    return s;
}

TEST(HttpdPages, GetPageArrivesUnchangedThenTheConnectionCloses) {
    Server server({"-ports", "8080", "--bytes", "/big", "300000", "--echo", "/echo*"});
    ASSERT_TRUE(server.ready);
    {
        RawHttpClient client("127.0.0.1", 8080);
        client.send("GET /big HTTP/1.1\r\nHost: x\r\n\r\n");
        const std::string answer = client.readToClose();
        EXPECT_TRUE(client.closed()) << "a page answer is never kept alive";
        EXPECT_EQ(answer, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 300000\r\n\r\n" +
                              expectedBytes(300000));
    }
    // What a page reads of the request.
    RawHttpClient client("127.0.0.1", 8080);
    client.send("POST /echo/%41b?x=1&v=q+1 HTTP/1.1\r\nCookie: s=2\r\nContent-Length: 7\r\n\r\nv=body1");
    EXPECT_EQ(client.readToClose(),
              "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n"
              "method=POST\nuri=/echo/Ab\nquery=x=1&v=q+1\nvar=q 1\naddr=127.0.0.1\ncookie=s=2\nbody=v=body1\nuser=(null)\n");
}

TEST(HttpdPages, PostInPiecesSeesMoreInputUntilComplete) {
    Server server({"-ports", "8080", "--post", "/post"});
    ASSERT_TRUE(server.ready);
    RawHttpClient client("127.0.0.1", 8080);
    // Each piece is sent once the page has shown that it saw the one before, still waiting.
    client.send("POST /post HTTP/1.1\r\nContent-Length: 30\r\n\r\n0123456789");
    std::string seen = client.readUntil("more 10\n");
    ASSERT_NE(seen.find("more 10\n"), std::string::npos) << seen;
    client.send("abcdefghij");
    seen += client.readUntil("more 20\n");
    ASSERT_NE(seen.find("more 20\n"), std::string::npos) << seen;
    client.send("ABCDEFGHIJ");
    seen += client.readToClose();
    EXPECT_EQ(seen.substr(seen.find("more 20\n")), "more 20\ndone 30 0123456789abcdefghijABCDEFGHIJ\n");
    EXPECT_EQ(seen.find("more 30"), std::string::npos);
    EXPECT_TRUE(client.closed());
}

TEST(HttpdPages, ClientLeavingMidPageCausesOneClosingCall) {
    testutil::TempDir dir;
    const std::string file = dir / "closing";
    Server server({"-ports", "8080", "--counter", "/count", file});
    ASSERT_TRUE(server.ready);
    {
        RawHttpClient client("127.0.0.1", 8080);
        client.send("GET /count HTTP/1.1\r\n\r\n");
        const std::string head = client.readUntil("started\n");
        ASSERT_NE(head.find("started\n"), std::string::npos) << head;
    }
    ASSERT_TRUE(waitFor([&] { return testutil::readFile(file).rfind("closings=", 0) == 0; }));
    // The page stays unfinished for good: nothing may call it again once its connection went.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::smatch m;
    const std::string text = testutil::readFile(file);
    ASSERT_TRUE(std::regex_match(text, m, std::regex("closings=(\\d+) calls=(\\d+)"))) << text;
    EXPECT_EQ(m[1], "1");
    EXPECT_GE(std::stol(m[2]), 2) << "the state counted the calls before the closing one";
}

TEST(HttpdPages, LargePageOverTlsIsByteIdenticalForCurl) {
    testutil::TempDir dir;
    const std::string pem = httpdtest::makePem(dir);
    const size_t length = 3 * 1048576;
    Server server({"-ports", "8447s", "-ssl_cert", pem, "--bytes", "/big", std::to_string(length)});
    ASSERT_TRUE(server.ready);
    testutil::RunResult r =
        testutil::run({"/usr/bin/curl", "-k", "-s", "-S", "-o", dir / "out", "https://127.0.0.1:8447/big"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string body = testutil::readFile(dir / "out");
    ASSERT_EQ(body.size(), length);
    EXPECT_EQ(httpdtest::patternMismatch(body), -1);
}

TEST(HttpdPages, AccessLogLinesInTheirTimeZone) {
    struct Case {
        const char* zone;
        const char* offsets;
    };
    for (const Case& k : {Case{"UTC", "\\+0000"}, Case{"Europe/Berlin", "\\+0[12]00"}}) {
        testutil::TempDir dir;
        const std::string log = dir / "access.log";
        Server server({"-ports", "8080", "-access_log", log, "--bytes", "/p", "1000"}, {{"TZ", k.zone}});
        ASSERT_TRUE(server.ready);
        {
            RawHttpClient client("127.0.0.1", 8080);
            client.send("GET /p HTTP/1.1\r\n\r\n");
            client.readToClose();
        }
        {
            RawHttpClient client("127.0.0.1", 8080);
            client.send("GET /q?x HTTP/1.1\r\nReferer: http://r/a b\r\nUser-Agent: agent/1\r\nConnection: close\r\n\r\n");
            client.readToClose();
        }
        ASSERT_TRUE(waitFor([&] { return testutil::splitLines(testutil::readFile(log)).size() == 2; }));
        const std::vector<std::string> lines = testutil::splitLines(testutil::readFile(log));
        const std::string stamp = std::string("\\[\\d\\d/\\w{3}/\\d{4}:\\d\\d:\\d\\d:\\d\\d ") + k.offsets + "\\]";
        const size_t head = std::string("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
                                        "1000\r\n\r\n").size();
        // A page sets no status; the bytes are those it wrote.
        EXPECT_TRUE(std::regex_match(lines[0], std::regex("^127\\.0\\.0\\.1 - - " + stamp + " \"GET /p HTTP/1\\.1\" 0 " +
                                                           std::to_string(head + 1000) + " - -$")))
            << k.zone << ": " << lines[0];
        // A canned reply counts 0 bytes; Referer and User-Agent are quoted.
        EXPECT_TRUE(std::regex_match(lines[1], std::regex("^127\\.0\\.0\\.1 - - " + stamp +
                                                           " \"GET /q\\?x HTTP/1\\.1\" 404 0 \"http://r/a b\" "
                                                           "\"agent/1\"$")))
            << k.zone << ": " << lines[1];
    }
}

TEST(HttpdPages, ConfigurationPage) {
    Server server({"-ports", "8080", "-cfg_uri", "/cfg", "--echo", "/e"});
    ASSERT_TRUE(server.ready);
    const std::string url = "http://127.0.0.1:8080/cfg";

    std::string page = curl({"-d", "o=dir_list&v=no", url});
    EXPECT_EQ(page.rfind("<html><body><h1>VNHTTPD v. 1.41</h1><table border=1<tr><th>Option</th><th>Description</th>"
                         "<th colspan=2>Value</th></tr><p style='color: green'>Saved: dir_list=no</p>"
                         "<form method=post><tr><td>root</td><td>\tWeb root directory</td>"
                         "<input type=hidden name=o value='root'><td><input type=text name=v value='.'></td>"
                         "<td><input type=submit value=save></td></form></tr>",
                         0),
              0u)
        << page;
    EXPECT_EQ(page.substr(page.size() - 26), "</table></body></html>\n200");
    // Every option has its row, in table order, with its current value.
    page = curl({url});
    EXPECT_NE(page.find("<td>dir_list</td><td>Directory listing</td><input type=hidden name=o value='dir_list'><td>"
                        "<input type=text name=v value='no'>"),
              std::string::npos);
    EXPECT_EQ(page.find("Saved:"), std::string::npos);
    size_t rows = 0;
    for (size_t at = page.find("<form method=post>"); at != std::string::npos; at = page.find("<form method=post>", at + 1))
        ++rows;
    EXPECT_EQ(rows, 22u);
    EXPECT_LT(page.find("<td>ssl_cert</td>"), page.find("<td>ports</td>"));

    // Names and values are shown as text.
    page = curl({"-d", "o=mime_types&v=%3Cb%3E'x", url});
    EXPECT_NE(page.find("<p style='color: green'>Saved: mime_types=&lt;b&gt;&#39;x</p>"), std::string::npos) << page;
    EXPECT_NE(page.find("value='&lt;b&gt;&#39;x'"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);

    // Refusals answer 400 and change nothing; the server goes on.
    page = curl({"-d", "o=nosuch&v=1", url});
    EXPECT_EQ(page.substr(page.size() - 3), "400");
    EXPECT_NE(page.find("no such option: [nosuch]"), std::string::npos);
    page = curl({"-d", "o=acl&v=bad", url});
    EXPECT_EQ(page.substr(page.size() - 3), "400");
    EXPECT_NE(page.find("[bad]: subnet must be [+|-]x.x.x.x[/x]"), std::string::npos) << page;
    EXPECT_NE(curl({url}).find("<input type=hidden name=o value='acl'><td><input type=text name=v value=''>"),
              std::string::npos);
    EXPECT_EQ(curl({"http://127.0.0.1:8080/e"}).substr(0, 12), "method=GET\nu");

    // A new configuration address replaces every registered page.
    page = curl({"-d", "o=cfg_uri&v=/cfg2", url});
    EXPECT_EQ(page.substr(page.size() - 3), "200");
    EXPECT_EQ(curl({"http://127.0.0.1:8080/e"}), "Error: 404\r\n\n404");
    EXPECT_EQ(curl({url}), "Error: 404\r\n\n404");
    EXPECT_EQ(curl({"http://127.0.0.1:8080/cfg2"}).substr(0, 36), "<html><body><h1>VNHTTPD v. 1.41</h1>");
}

TEST(HttpdPages, InetdAnswersOneRequestThenExits) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(pair[0], 0);
        ::execl(prog.c_str(), prog.c_str(), "-inetd", "yes", "-ports", "", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pair[0]);
    RawHttpClient client(pair[1]);
    // HTTP/1.1 would be kept alive; under inetd the end of the answer ends the process.
    client.send("GET /nothing HTTP/1.1\r\n\r\n");
    EXPECT_EQ(client.readToClose(),
              "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 12\r\n\r\nError: 404\r\n");
    EXPECT_TRUE(client.closed());
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
