// Directory listings of the embedded HTTP server over real sockets, on a temporary web root with
// files of exact (sparse) sizes and fixed times, under TZ=UTC. Runs inside the namespace helper:
// fixed ports.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "support/RawHttpClient.h"
#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"

namespace {

using httpdtest::ProgServer;
using rawhttp::RawHttpClient;

const std::string pageHead(const std::string& uri) {
    return "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<html><head><title>"
           "Index of " + uri + "</title><style>th {text-align: left;}</style></head><body><h1>Index of " + uri +
           "</h1><pre><table cellpadding=\"0\"><tr><th>Name</th><th>Modified</th><th>Size</th></tr><tr><td "
           "colspan=\"3\"><hr></td></tr>";
}

std::string row(const std::string& href, const std::string& text, const std::string& time, const std::string& size) {
    return "<tr><td><a href=\"" + href + "\">" + text + "</a></td><td>&nbsp;" + time + "</td><td>&nbsp;&nbsp;" + size +
           "</td></tr>";
}

void run(const std::string& command) {
    testutil::RunResult r = testutil::shell(command);
    ASSERT_EQ(r.status, 0) << command << ": " << r.err;
}

std::string ask(const std::string& method, const std::string& uri) {
    RawHttpClient client("127.0.0.1", 8080);
    client.send(method + " " + uri + " HTTP/1.1\r\nHost: x\r\n\r\n");
    return client.readToClose();
}

// The page's head, then its rows as a set (the directory's order is its own).
std::pair<std::string, std::multiset<std::string>> split(const std::string& page, size_t headLen) {
    std::multiset<std::string> rows;
    for (const std::string& line : testutil::splitLines(page.substr(std::min(headLen, page.size()))))
        rows.insert(line);
    return {page.substr(0, headLen), rows};
}

TEST(HttpdListing, RowsOfADirectory) {
    testutil::TempDir root;
    const std::string docs = root / "docs";
    run("mkdir -p '" + docs + "/sub' '" + root / "empty" + "' && cd '" + docs + "' && head -c 500 /dev/zero > a.txt && "
        "head -c 2048 /dev/zero > b.bin && truncate -s 3670016 c.iso && truncate -s 5G big && echo x > .htpasswd && "
        "echo x > '<b>.txt' && echo x > 'x #1%.txt' && echo x > .hidden && ln -s nowhere dangling && "
        "touch -h -d @1593835520 * .htpasswd .hidden . .. '" + root / "empty" + "'");
    // The per-directory password file would protect the listing; a global file that does not
    // exist protects nothing.
    ProgServer server({"-ports", "8080", "-root", root.path(), "-auth_gpass", root / "none"}, {{"TZ", "UTC"}});
    ASSERT_TRUE(server.ready);

    const std::string t = "04-Jul-2020 04:05";
    const std::multiset<std::string> expected{
        row("/docs/..", "../", t, "&lt;DIR&gt;"),
        row("/docs/a.txt", "a.txt", t, "500"),
        row("/docs/b.bin", "b.bin", t, "3k"),
        row("/docs/c.iso", "c.iso", t, "3.5M"),
        row("/docs/big", "big", t, "5120.0M"),
        row("/docs/sub", "sub/", t, "&lt;DIR&gt;"),
        row("/docs/&lt;b&gt;.txt", "&lt;b&gt;.txt", t, "2"),
        row("/docs/x%20%231%25.txt", "x #1%.txt", t, "2"),
        row("/docs/.hidden", ".hidden", t, "2"),
        // A dangling link shows the link itself.
        row("/docs/dangling", "dangling", t, "7"),
    };
    const std::string page = ask("GET", "/docs/");
    const auto parts = split(page, pageHead("/docs/").size());
    EXPECT_EQ(parts.first, pageHead("/docs/"));
    EXPECT_EQ(parts.second, expected);
    EXPECT_EQ(page.back(), '\n') << "nothing closes the table";
    // HEAD gets the whole page.
    EXPECT_EQ(split(ask("HEAD", "/docs/"), pageHead("/docs/").size()).second, expected);

    const std::string empty = ask("GET", "/empty/");
    EXPECT_EQ(empty, pageHead("/empty/") + row("/empty/..", "../", t, "&lt;DIR&gt;") + "\n");
}

TEST(HttpdListing, NamesInTheAddressAreEscaped) {
    testutil::TempDir root;
    run("mkdir -p '" + root / "a&b <c>" + "'");
    ProgServer server({"-ports", "8080", "-root", root.path()}, {{"TZ", "UTC"}});
    ASSERT_TRUE(server.ready);
    const std::string page = ask("GET", "/a%26b%20%3Cc%3E/");
    EXPECT_EQ(page.rfind(pageHead("/a&amp;b &lt;c&gt;/"), 0), 0u) << page.substr(0, 400);
    EXPECT_NE(page.find("<a href=\"/a&amp;b%20&lt;c&gt;/..\">../</a>"), std::string::npos) << page;
}

// A listing larger than the buffer and everything the sockets hold, to a client that reads
// late: the rows that do not fit wait for room instead of ending the page.
TEST(HttpdListing, LongListingToASlowClientIsComplete) {
    testutil::TempDir root;
    const std::string dir = root / "many";
    ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
    const int count = 12000;
    for (int i = 0; i < count; ++i) {
        const std::string name = dir + "/" + std::to_string(i) + std::string(200, 'n');
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    ProgServer server({"-ports", "8080", "-root", root.path()});
    ASSERT_TRUE(server.ready);
    RawHttpClient client("127.0.0.1", 8080);
    client.send("GET /many/ HTTP/1.1\r\n\r\n");
    ::usleep(1500 * 1000);
    const std::string page = client.readToClose();
    size_t rows = 0;
    for (size_t at = page.find("<tr><td><a href="); at != std::string::npos; at = page.find("<tr><td><a href=", at + 1))
        ++rows;
    EXPECT_EQ(rows, static_cast<size_t>(count) + 1);
}

}  // namespace
