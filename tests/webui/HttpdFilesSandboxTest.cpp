// Static files and uploads of the embedded HTTP server over real sockets: exact reply heads,
// byte ranges on a kept-alive connection, conditional requests, MIME types as sent, and PUT by
// curl and by raw clients, onto a temporary web root (and a small tmpfs for a full disk). Runs
// inside the namespace helper: fixed ports, mounts.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/RawHttpClient.h"
#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"

namespace {

using httpdtest::curl;
using httpdtest::olderDigest;
using httpdtest::ProgServer;
using httpdtest::writePasswords;
using rawhttp::RawHttpClient;

const std::string base = "http://127.0.0.1:8080";

std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = httpdtest::patternByte(i);
    return s;
}

void run(const std::string& command) {
    testutil::RunResult r = testutil::shell(command);
    ASSERT_EQ(r.status, 0) << command << ": " << r.err;
}

// One reply read from a kept-alive connection: its head and the body its Content-Length gives.
struct Reply {
    std::string head;
    std::string body;
};

Reply readReply(RawHttpClient& client) {
    Reply r;
    r.head = client.readUntil("\r\n\r\n");
    std::smatch m;
    if (std::regex_search(r.head, m, std::regex("\r\nContent-Length: (\\d+)\r\n")))
        r.body = client.readBytes(std::stoul(m[1]));
    return r;
}

std::string header(const std::string& head, const std::string& name) {
    std::smatch m;
    return std::regex_search(head, m, std::regex("\r\n" + name + ": ([^\r]*)\r\n")) ? m[1].str() : "(none)";
}

std::string statusLine(const std::string& reply) { return reply.substr(0, reply.find("\r\n")); }

std::string statusOf(const std::string& curlOutput) { return curlOutput.substr(curlOutput.rfind('\n') + 1); }

TEST(HttpdFiles, RangesOnAKeptAliveConnection) {
    testutil::TempDir root;
    testutil::writeFile(root / "hundred", pattern(100));
    testutil::writeFile(root / "empty", "");
    ProgServer server({"-ports", "8080", "-root", root.path()});
    ASSERT_TRUE(server.ready);
    struct Case {
        const char* file;
        const char* range;
        const char* status;
        const char* contentRange;
        size_t first, length;
    };
    const Case cases[] = {
        {"hundred", "bytes=10-19", "206 Partial Content", "bytes 10-19/100", 10, 10},
        {"hundred", "bytes=90-", "206 Partial Content", "bytes 90-99/100", 90, 10},
        {"hundred", "bytes=-10", "206 Partial Content", "bytes 90-99/100", 90, 10},
        {"hundred", "bytes=50-500", "206 Partial Content", "bytes 50-99/100", 50, 50},
        {"hundred", "bytes=-500", "206 Partial Content", "bytes 0-99/100", 0, 100},
        {"hundred", "bytes=100-", "416 Requested Range Not Satisfiable", "bytes */100", 0, 0},
        {"hundred", "bytes=20-10", "416 Requested Range Not Satisfiable", "bytes */100", 0, 0},
        {"hundred", "bytes=-0", "416 Requested Range Not Satisfiable", "bytes */100", 0, 0},
        {"empty", "bytes=0-", "416 Requested Range Not Satisfiable", "bytes */0", 0, 0},
        {"hundred", "items=1-2", "200 OK", "(none)", 0, 100},
        {"hundred", "bytes=+5-10", "200 OK", "(none)", 0, 100},
    };
    struct stat st;
    ASSERT_EQ(::stat((root / "hundred").c_str(), &st), 0);
    char tag[64];
    std::snprintf(tag, sizeof tag, "\"%lx.64\"", static_cast<unsigned long>(st.st_mtime));
    RawHttpClient client("127.0.0.1", 8080);
    for (const Case& k : cases) {
        client.send(std::string("GET /") + k.file + " HTTP/1.1\r\nHost: x\r\nRange: " + k.range + "\r\n\r\n");
        const Reply r = readReply(client);
        EXPECT_EQ(statusLine(r.head), std::string("HTTP/1.1 ") + k.status) << k.range;
        EXPECT_EQ(header(r.head, "Content-Range"), k.contentRange) << k.range;
        if (k.status[0] == '4') {
            EXPECT_EQ(r.body, "Error: 416\r\n") << k.range;
        } else {
            EXPECT_EQ(header(r.head, "Content-Length"), std::to_string(k.length)) << k.range;
            EXPECT_EQ(r.body, pattern(100).substr(k.first, k.length)) << k.range;
            // A range has the tag of the whole file.
            EXPECT_EQ(header(r.head, "Etag"), tag) << k.range;
        }
    }
    // Every answer left the connection usable.
    client.send("GET /hundred HTTP/1.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(readReply(client).body, pattern(100));
}

TEST(HttpdFiles, ExactHeadInEveryZone) {
    for (const char* zone : {"UTC", "Europe/Berlin"}) {
        testutil::TempDir root;
        testutil::writeFile(root / "file4k", pattern(4096));
        testutil::writeFile(root / "epoch", "old\n");
        run("touch -d @1593835520 '" + root / "file4k" + "' && touch -d @0 '" + root / "epoch" + "'");
        ProgServer server({"-ports", "8080", "-root", root.path()}, {{"TZ", zone}});
        ASSERT_TRUE(server.ready);

        const std::string head =
            "HTTP/1\\.1 200 OK\r\nDate: (\\w{3}, \\d\\d \\w{3} \\d{4} \\d\\d:\\d\\d:\\d\\d) GMT\r\n"
            "Last-Modified: Sat, 04 Jul 2020 04:05:20 GMT\r\nEtag: \"5f000000\\.1000\"\r\nContent-Type: text/plain\r\n"
            "Content-Length: 4096\r\nAccept-Ranges: bytes\r\n\r\n";
        RawHttpClient client("127.0.0.1", 8080);
        client.send("GET /file4k HTTP/1.1\r\nHost: x\r\n\r\n");
        Reply r = readReply(client);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(r.head, m, std::regex(head))) << zone << ": " << r.head;
        EXPECT_EQ(r.body, pattern(4096));
        // The date is now, in GMT.
        struct tm tm {};
        ASSERT_TRUE(::strptime(m[1].str().c_str(), "%a, %d %b %Y %H:%M:%S", &tm));
        EXPECT_LE(std::abs(::timegm(&tm) - std::time(nullptr)), 5) << zone << ": " << m[1];

        // HEAD: the same head and nothing else, on the same connection.
        client.send("HEAD /file4k HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        const std::string headOnly = client.readToClose();
        EXPECT_TRUE(std::regex_match(headOnly, std::regex(head))) << zone << ": " << headOnly;

        EXPECT_EQ(statusOf(curl({"-o", "/dev/null", "-z", "Sat, 04 Jul 2020 04:05:20 GMT", base + "/file4k"})), "304");
        EXPECT_EQ(statusOf(curl({"-o", "/dev/null", "-z", "Sat, 04 Jul 2020 04:05:19 GMT", base + "/file4k"})), "200");
        RawHttpClient garbage("127.0.0.1", 8080);
        garbage.send("GET /epoch HTTP/1.1\r\nIf-Modified-Since: garbage\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(statusLine(garbage.readToClose()), "HTTP/1.1 200 OK");
    }
}

TEST(HttpdFiles, TypesAsSent) {
    testutil::TempDir root;
    ::mkdir((root / "docs").c_str(), 0755);
    for (const char* f : {"x.TXT", "notes.txt", "README", "archive.tar.gz", "a.rar", "page.html", "t.cgi", "p.shtml"})
        testutil::writeFile(root / f, std::string("file ") + f + "\n");
    testutil::writeFile(root / "docs/index.html", "<p>html</p>\n");
    testutil::writeFile(root / "docs/index.htm", "<p>htm</p>\n");
    ::mkdir((root / "docs/sub").c_str(), 0755);
    struct Case {
        std::string uri;
        std::string type;
        std::string body;
    };
    const std::vector<Case> plain = {
        {"/x.TXT", "text/plain", "file x.TXT\n"},
        {"/notes.txt", "text/plain", "file notes.txt\n"},
        {"/README", "text/plain", "file README\n"},
        {"/archive.tar.gz", "application/x-tar-gz", "file archive.tar.gz\n"},
        {"/a.rar", "application/x-arj-compressed", "file a.rar\n"},
        {"/docs/", "text/html", "<p>html</p>\n"},
        // The type comes from the URI's last part, the bytes from the file found.
        {"/page.html/x.gif", "image/gif", "file page.html\n"},
    };
    auto check = [&](const std::vector<Case>& cases) {
        for (const Case& k : cases) {
            RawHttpClient client("127.0.0.1", 8080);
            client.send("GET " + k.uri + " HTTP/1.1\r\nConnection: close\r\n\r\n");
            const std::string reply = client.readToClose();
            EXPECT_EQ(statusLine(reply), "HTTP/1.1 200 OK") << k.uri;
            EXPECT_EQ(header(reply, "Content-Type"), k.type) << k.uri;
            EXPECT_EQ(reply.substr(reply.find("\r\n\r\n") + 4), k.body) << k.uri;
        }
    };
    {
        ProgServer server({"-ports", "8080", "-root", root.path()});
        ASSERT_TRUE(server.ready);
        check(plain);
    }
    {
        ProgServer server({"-ports", "8080", "-root", root.path(), "-mime_types", "txt=text/x-own"});
        ASSERT_TRUE(server.ready);
        check({{"/x.TXT", "text/x-own", "file x.TXT\n"}, {"/notes.txt", "text/x-own", "file notes.txt\n"}});
    }
    // The web-server process's own settings: no listing, no scripts, no include documents.
    ProgServer server({"-ports", "8080", "-root", root.path(), "-dir_list", "no", "-cgi_ext", "", "-ssi_ext", ""});
    ASSERT_TRUE(server.ready);
    RawHttpClient client("127.0.0.1", 8080);
    client.send("GET /docs/sub/ HTTP/1.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(statusLine(client.readToClose()), "HTTP/1.1 403 Directory Listing Denied");
    check({{"/t.cgi", "text/plain", "file t.cgi\n"}, {"/p.shtml", "text/plain", "file p.shtml\n"}});
}

// A PUT request with a valid digest for alice, sent raw; the connection ends with the reply.
std::string putRequest(const std::string& uri, const std::string& extraHeaders, const std::string& body) {
    return "PUT " + uri + " HTTP/1.1\r\nAuthorization: " + olderDigest("alice", "myrealm", "secret", "PUT", uri) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

std::string exchange(const std::string& request) {
    RawHttpClient client("127.0.0.1", 8080);
    client.send(request);
    return client.readToClose();
}

TEST(HttpdFiles, Uploads) {
    testutil::TempDir root, dir;
    const std::string put = dir / "put";
    writePasswords(put, {{"alice", "myrealm", "secret"}});
    ProgServer server({"-ports", "8080", "-root", root.path(), "-auth_realm", "myrealm", "-auth_PUT", put});
    ASSERT_TRUE(server.ready);

    const std::string created = "HTTP/1.1 201 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(exchange(putRequest("/new/dir/file.txt", "Content-Length: 5\r\n", "hello")), created);
    EXPECT_EQ(testutil::readFile(root / "new/dir/file.txt"), "hello");
    EXPECT_EQ(exchange(putRequest("/new/dir/file.txt", "Content-Length: 5\r\n", "HELLO")),
              "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(testutil::readFile(root / "new/dir/file.txt"), "HELLO");
    EXPECT_EQ(exchange(putRequest("/new/other/", "", "")),
              "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 12\r\n\r\nError: 200\r\n");
    struct stat st;
    EXPECT_TRUE(::stat((root / "new/other").c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    EXPECT_EQ(statusLine(exchange(putRequest("/nolength", "", ""))), "HTTP/1.1 411 Length Required");
    EXPECT_EQ(statusLine(exchange(putRequest("/ranged", "Content-Length: 2\r\nRange: bytes=0-1\r\n", "ab"))),
              "HTTP/1.1 501 PUT Range Not Implemented");
    EXPECT_FALSE(::access((root / "ranged").c_str(), F_OK) == 0);

    // A link at the target is not followed.
    testutil::writeFile(dir / "target", "precious\n");
    ASSERT_EQ(::symlink((dir / "target").c_str(), (root / "link").c_str()), 0);
    EXPECT_EQ(statusLine(exchange(putRequest("/link", "Content-Length: 3\r\n", "bad"))), "HTTP/1.1 500 PUT Error");
    EXPECT_EQ(testutil::readFile(dir / "target"), "precious\n");

    // curl sends 4 MiB in pieces; the file is identical. (The reply's Content-Length is the
    // file's size with no body behind it, which curl reports as an error of its own.)
    testutil::writeFile(dir / "big", pattern(4 * 1048576));
    testutil::RunResult upload = testutil::run({"/usr/bin/curl", "-s", "--digest", "-u", "alice:secret", "-H", "Expect:",
                                                "-T", dir / "big", "-w", "%{http_code}", base + "/up/big"});
    EXPECT_EQ(upload.out, "201") << upload.err;
    EXPECT_TRUE(testutil::readFile(root / "up/big") == pattern(4 * 1048576));

    // A client that leaves early gets no reply; what arrived stays written.
    {
        RawHttpClient client("127.0.0.1", 8080);
        client.send(putRequest("/partial", "Content-Length: 100\r\n", std::string(40, 'p')));
        ASSERT_TRUE(httpdtest::waitFor([&] { return testutil::readFile(root / "partial").size() == 40; }));
        EXPECT_TRUE(client.quietFor(200));
    }
    EXPECT_EQ(testutil::readFile(root / "partial"), std::string(40, 'p'));
    EXPECT_EQ(exchange(putRequest("/after", "Content-Length: 1\r\n", "a")),
              "HTTP/1.1 201 OK\r\nContent-Length: 1\r\nConnection: close\r\n\r\n");
}

TEST(HttpdFiles, UploadOntoAFullDiskFails) {
    testutil::TempDir root, dir;
    const std::string put = dir / "put";
    writePasswords(put, {{"alice", "myrealm", "secret"}});
    ::mkdir((root / "small").c_str(), 0755);
    if (::mount("tmpfs", (root / "small").c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "no mount here";
    ProgServer server({"-ports", "8080", "-root", root.path(), "-auth_realm", "myrealm", "-auth_PUT", put});
    ASSERT_TRUE(server.ready);
    // Small enough to be taken by the socket at once, four times the room on the disk.
    const std::string reply = exchange(putRequest("/small/big", "Content-Length: 262144\r\n", pattern(262144)));
    EXPECT_EQ(reply, "HTTP/1.1 500 PUT Error\r\nContent-Type: text/plain\r\nContent-Length: 12\r\n\r\nError: 500\r\n");
    ::umount2((root / "small").c_str(), MNT_DETACH);
}

}  // namespace
