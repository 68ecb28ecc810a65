// Server-side includes of the embedded HTTP server: the reply head, includes in their three
// forms and their depth limit, #exec, conditions and #call with the test functions of
// prog_httpd, tags that are not directives, directive errors in the error log, and the limits
// that keep a cut name from running or opening something else, against prog_httpd serving a
// copy of tests/fixtures/httpd/root. Runs inside the namespace helper: fixed ports.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "support/RawHttpClient.h"
#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"

namespace {

using httpdtest::FixtureRoot;
using httpdtest::ProgServer;
using rawhttp::RawHttpClient;

const std::regex headPattern(
    "HTTP/1\\.1 200 OK\r\nDate: ([A-Z][a-z]{2}, \\d\\d [A-Z][a-z]{2} \\d{4} \\d\\d:\\d\\d:\\d\\d) GMT\r\n"
    "Content-Type: text/html\r\nConnection: close\r\n\r\n");

struct Reply {
    std::string head;
    std::string body;
};

Reply ask(const std::string& target, const std::string& method = "GET") {
    RawHttpClient client("127.0.0.1", 8080);
    client.send(method + " " + target + " HTTP/1.1\r\nHost: x\r\n\r\n");
    const std::string reply = client.readToClose();
    const size_t end = reply.find("\r\n\r\n");
    if (end == std::string::npos) return Reply{reply, ""};
    return Reply{reply.substr(0, end + 4), reply.substr(end + 4)};
}

// What the error log gained since the last call.
class LogTail {
public:
    explicit LogTail(std::string path) : file(std::move(path)) {}
    std::string next() {
        const std::string text = ::access(file.c_str(), F_OK) == 0 ? testutil::readFile(file) : std::string();
        const std::string added = text.substr(std::min(seen, text.size()));
        seen = text.size();
        return added;
    }

private:
    std::string file;
    size_t seen = 0;
};

TEST(HttpdSsi, DocumentsExpanded) {
    FixtureRoot root;
    const std::string log = root.beside("error.log");
    // A zone away from UTC shows a Date that is local time labelled GMT.
    ProgServer server({"-ports", "8080", "-root", root.path(), "-error_log", log, "--ssi-functions"},
                      {{"TZ", "Europe/Berlin"}});
    ASSERT_TRUE(server.ready);
    LogTail tail(log);
    struct Case {
        const char* target;
        std::string body;
        const char* logged;  // the error-log line's message; empty: nothing logged
    };
    const Case cases[] = {
        {"/include.shtml", "aXc", ""},
        // file= is relative to the requested document's directory.
        {"/dir/page.shtml", "[part of dir]", ""},
        // Five levels of includes expand; the sixth is refused and its document goes on.
        {"/chain1.shtml", "L1[L2[L3[L4[L5[L6[rest6]rest5]rest4]rest3]rest2]rest1]",
         "ssi: #include: maximum nested level reached"},
        {"/exec.shtml", "hi\n", ""},
        {"/badexec.shtml", "[]", "ssi: bad exec(echo hi)"},
        {"/if-else.shtml", "A", ""},
        // #elif turns the flag on after a true #if, #else toggles it off again.
        {"/if-elif.shtml", "AC", ""},
        // Not a directive: sent as text without its final '>'.
        {"/echo.shtml", "[<!--#echo var=\"x\" --]", ""},
        {"/comment.shtml", "[<!-- c -->]", ""},
        // The function is called again on the next read until it says it has finished.
        {"/call.shtml", "F1F2", ""},
        // Quirk kept: a function that never finishes drops the rest of its document.
        {"/nosuch.shtml", "[", ""},
    };
    for (const Case& k : cases) {
        const Reply reply = ask(k.target);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(reply.head, m, headPattern)) << k.target << ": " << reply.head;
        struct tm tm {};
        ASSERT_TRUE(::strptime(m[1].str().c_str(), "%a, %d %b %Y %H:%M:%S", &tm)) << m[1];
        EXPECT_LE(std::abs(::timegm(&tm) - std::time(nullptr)), 5) << "Date " << m[1] << " is not UTC";
        EXPECT_EQ(reply.body, k.body) << k.target;
        const std::string added = tail.next();
        if (*k.logged)
            EXPECT_NE(added.find(std::string("] [error] [client 127.0.0.1] \"GET ") + k.target + " HTTP/1.1\" " +
                                 k.logged + "\n"),
                      std::string::npos)
                << k.target << ": " << added;
        else
            EXPECT_EQ(added, "") << k.target;
    }
    const Reply head = ask("/include.shtml", "HEAD");
    EXPECT_TRUE(std::regex_match(head.head, headPattern)) << head.head;
    EXPECT_EQ(head.body, "");
}

TEST(HttpdSsi, ConditionWithoutFunctionsIsFalse) {
    FixtureRoot root;
    ProgServer server({"-ports", "8080", "-root", root.path()});
    ASSERT_TRUE(server.ready);
    EXPECT_EQ(ask("/if-else.shtml").body, "B");
    EXPECT_EQ(ask("/if-elif.shtml").body, "C");
}

TEST(HttpdSsi, DirectiveErrors) {
    FixtureRoot root;
    const std::string log = root.beside("error.log");
    testutil::writeFile(root / "errors.shtml",
                        "1<!--#include nofile -->2<!--#include virtual=\"open -->3<!--#include virtual=\"missing.txt\" -->"
                        "4<!--#exec \"\" -->5<!--#exec \"%65cho+enc%6fded\" -->6");
    ProgServer server({"-ports", "8080", "-root", root.path(), "-error_log", log});
    ASSERT_TRUE(server.ready);
    EXPECT_EQ(ask("/errors.shtml").body, "12345encoded\n6");
    const std::string text = testutil::readFile(log);
    for (const std::string& message :
         {std::string("ssi: bad #include: [<!--#include nofile --]"),
          std::string("ssi: bad #include: [<!--#include virtual=\"open --]"),
          "ssi: fopen(" + root.path() + "/missing.txt): No such file or directory",
          std::string("ssi: cannot url_decode: exec(\"\")")})
        EXPECT_NE(text.find("\"GET /errors.shtml HTTP/1.1\" " + message + "\n"), std::string::npos)
            << message << "\n" << text;
}

// A command longer than its buffer never runs, not even in part.
TEST(HttpdSsi, OverlongCommandIsRefused) {
    FixtureRoot root;
    const std::string marker = root.beside("ran");
    std::string command = "touch " + marker + "; echo ";
    command += std::string(600 - command.size(), 'x');
    const std::string doc = "<!--#exec \"" + command + "\" -->";
    testutil::writeFile(root / "long.shtml", doc);
    ProgServer server({"-ports", "8080", "-root", root.path()});
    ASSERT_TRUE(server.ready);
    // The tag buffer is full at 511 characters: they go out as text, the next one is lost.
    EXPECT_EQ(ask("/long.shtml").body, doc.substr(0, 511) + doc.substr(512));
    EXPECT_NE(::access(marker.c_str(), F_OK), 0) << "the command ran";
}

// An include name too long for its buffer is refused rather than cut to the name of another
// file (here: "part.htmlX" would become "part.html").
TEST(HttpdSsi, OverlongIncludeNameIsRefused) {
    FixtureRoot root;
    const std::string log = root.beside("error.log");
    // <root>/<dirs>/page.shtml: "<root>/" + "/<dirs>/" + "part.htmlX" is 4,096 characters.
    const size_t dirsLen = 4096 - (root.path().size() + 2) - std::strlen("part.htmlX") - 1;
    // Names of at most 200 characters joined by '/'.
    const size_t pieces = (dirsLen + 1 + 200) / 201;
    const size_t letters = dirsLen - (pieces - 1);
    std::string dirs;
    for (size_t i = 0; i < pieces; ++i) {
        if (i > 0) dirs += '/';
        dirs += std::string(letters / pieces + (i < letters % pieces ? 1 : 0), 'd');
    }
    ASSERT_EQ(dirs.size(), dirsLen);
    ASSERT_EQ(testutil::shell("mkdir -p '" + root.path() + "/" + dirs + "'").status, 0);
    testutil::writeFile(root / (dirs + "/part.html"), "WRONG FILE");
    testutil::writeFile(root / (dirs + "/page.shtml"), "[<!--#include file=\"part.htmlX\" -->]");
    ProgServer server({"-ports", "8080", "-root", root.path(), "-error_log", log, "-auth_gpass", root.beside("none")});
    ASSERT_TRUE(server.ready);
    EXPECT_EQ(ask("/" + dirs + "/page.shtml").body, "[]");
    EXPECT_NE(testutil::readFile(log).find("ssi: bad #include: [<!--#include file=\"part.htmlX\" --]"), std::string::npos);
}

// A long tag held back at the end of a full buffer waits for room; it used to end the reply.
// The document is nothing but long tags, and the client does not read until the kernel's
// buffers and the server's are full, so reads keep stopping inside a tag with pending output.
TEST(HttpdSsi, TagAtTheEndOfAFullBufferWaitsForRoom) {
    FixtureRoot root;
    const std::string tag = "<!--#unknown " + std::string(400, 'u') + " -->";
    std::string doc, expected;
    while (doc.size() < 6 * vnhttpd::IO_BUFFER_SIZE) {
        doc += tag;
        expected += tag.substr(0, tag.size() - 1);
    }
    doc += "END";
    expected += "END";
    testutil::writeFile(root / "full.shtml", doc);
    ProgServer server({"-ports", "8080", "-root", root.path()});
    ASSERT_TRUE(server.ready);
    RawHttpClient client("127.0.0.1", 8080);
    client.send("GET /full.shtml HTTP/1.1\r\nHost: x\r\n\r\n");
    ::usleep(500000);
    const std::string reply = client.readToClose();
    const size_t end = reply.find("\r\n\r\n");
    ASSERT_NE(end, std::string::npos);
    const std::string body = reply.substr(end + 4);
    EXPECT_EQ(body.size(), expected.size());
    EXPECT_TRUE(body == expected) << "the reply was cut or changed";
}

}  // namespace
