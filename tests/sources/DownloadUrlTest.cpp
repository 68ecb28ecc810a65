#include "sources/DownloadUrl.h"

#include <curl/curl.h>

#include <gtest/gtest.h>

#include <thread>

#include "common/Messages.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

using testutil::codesOf;
using testutil::raisedError;

namespace {

class DownloadUrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        testutil::writeFile(root / "icon.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
        testutil::writeFile(root / "empty", "");
    }
    static std::string text(const DownloadUrl& d) { return std::string(d.begin(), d.end()); }

    testutil::TempDir root;
};

std::string pattern(size_t n) {
    std::string s;
    while (s.size() < n) s += "0123456789abcdef";
    s.resize(n);
    return s;
}

TEST_F(DownloadUrlTest, Contents) {
    testutil::HttpServer http(root.path());
    testutil::FtpServer ftp(root.path());
    struct Case {
        std::string url;
        std::string content;
        const char* why;
    } cases[] = {
        {http.url("icon.png"), std::string("\x89PNG\r\n\x1a\n\0\0", 10), "binary bytes"},
        {http.url("empty"), "", "an empty resource is no error"},
        {http.url("_/bytes/1048576"), pattern(1048576), "exactly the limit"},
        {http.url("missing"), "not found\n", "an error page is content"},
        {http.url("_/redirect/1/icon.png"), "moved to /icon.png\n", "redirects are not followed"},
        {ftp.url("icon.png"), std::string("\x89PNG\r\n\x1a\n\0\0", 10), "FTP"},
    };
    for (const Case& c : cases) {
        DownloadUrl d(c.url);
        EXPECT_EQ(text(d), c.content) << c.url << ": " << c.why;
        EXPECT_EQ(d.size(), c.content.size()) << c.url;
    }
}

TEST_F(DownloadUrlTest, Failures) {
    testutil::HttpServer http(root.path());
    testutil::FtpServer ftp(root.path());
    const std::string refused = "http://127.0.0.1:" + std::to_string(testutil::unusedPort()) + "/icon.png";
    const std::string pkg = "Failed to download the package ";
    struct Case {
        std::string url;
        long timeout;
        std::string textStart;
        const char* why;
    } cases[] = {
        {http.url("_/bytes/2097152"), 60, "File could not be downloaded, probably due to insufficient amount of free disk space.\n", "over the limit"},
        {"file:///etc/hostname", 60, pkg + "file:///etc/hostname:\n", "local files are not for the catalogue"},
        {"dict://127.0.0.1/x", 60, pkg + "dict://127.0.0.1/x:\n", "nor are other protocols"},
        {refused, 60, pkg + refused + ":\n", "refused connection"},
        {ftp.url("missing"), 60, pkg + ftp.url("missing") + ":\n", "FTP 550"},
        {http.url("_/stall"), 1, pkg + http.url("_/stall") + ":\n", "stalled server, shortened limit"},
        {http.url("_/slow/600"), 1, pkg + http.url("_/slow/600") + ":\n", "slow body, shortened limit"},
    };
    for (const Case& c : cases) {
        error e = raisedError([&] { DownloadUrl d(c.url, c.timeout); });
        EXPECT_EQ(e.text().rfind(c.textStart, 0), 0u) << c.why << ":\n" << e.text();
        EXPECT_EQ(codesOf(e), "(4,1,1,2)") << c.why;
    }
    // The message is the whole text, with one line end.
    EXPECT_EQ(raisedError([&] { DownloadUrl d(http.url("_/bytes/2097152")); }).text(),
              "File could not be downloaded, probably due to insufficient amount of free disk space.\n");
    std::string hostname = testutil::readFile("/etc/hostname");
    error e = raisedError([] { DownloadUrl d("file:///etc/hostname"); });
    if (!hostname.empty()) {
        EXPECT_EQ(e.text().find(hostname), std::string::npos) << "the file's content leaked";
    }
}

TEST_F(DownloadUrlTest, EmptyUrlIsTheCallersFault) {
    error e = raisedError([] { DownloadUrl d(""); });
    EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 DownloadUrl, line 13.\n");
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
}

TEST_F(DownloadUrlTest, SeveralAtOnce) {
    testutil::HttpServer http(root.path());
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // Each transfer has its own handle and buffers: four threads, each with its own resource.
    std::vector<std::string> got(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < got.size(); ++i)
        threads.emplace_back([&, i] {
            DownloadUrl d(http.url("_/bytes/" + std::to_string(100000 + i)));
            got[i] = std::string(d.begin(), d.end());
        });
    for (std::thread& t : threads) t.join();
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], pattern(100000 + i)) << i;
}

}  // namespace
