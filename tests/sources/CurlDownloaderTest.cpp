#include "sources/CurlDownloader.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/TerminationState.h"
#include "sources/HttpError.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

using testutil::codesOf;
using testutil::raisedError;
using testutil::readFile;
using testutil::writeFile;

namespace {

const char* const tenBytes = "0123456789";

class CurlDownloaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        Log::resetForTest();
        resetTermination();
        Downloader::proxy = Downloader::Proxy();
        boost::filesystem::create_directories(root / "dir");
        writeFile(root / "a.txt", tenBytes);
        writeFile(root / "dir/b.txt", "bee\n");
    }
    void TearDown() override {
        Downloader::proxy = Downloader::Proxy();
        resetTermination();
    }

    // What every user of a downloader does, in their order.
    static void fetch(const std::string& base, const std::string& relative, const std::string& target,
                      const std::string& user = "", const std::string& password = "", bool progress = false) {
        std::unique_ptr<Downloader> d(CurlDownloader::create(target, relative));
        if (!base.empty()) d->addSourceUrl(base);
        if (!user.empty()) d->setCredentials(user, password);
        if (progress) d->enableConsoleProgress();
        d->download();
    }
    // The http_error that `f` raises (an empty one, and a test failure, when it raises
    // another error or none).
    template <class F>
    static http_error raisedHttpError(F f) {
        try {
            f();
        } catch (const http_error& e) {
            return e;
        } catch (const error& e) {
            ADD_FAILURE() << "not an http_error: " << e.text();
            return http_error("", -1);
        }
        ADD_FAILURE() << "no error was raised";
        return http_error("", -1);
    }

    testutil::TempDir root;
    testutil::TempDir out;
};

TEST_F(CurlDownloaderTest, ServerAnswers) {
    testutil::HttpServer http(root.path());
    testutil::FtpServer ftp(root.path());
    const std::string refused = "http://127.0.0.1:" + std::to_string(testutil::unusedPort()) + "/";
    // code -1: the transfer succeeds and the target holds `content`. Otherwise an http_error
    // with that code, and the target holds what was written before the failure.
    struct Case {
        std::string base;
        const char* relative;
        const char* user;
        const char* password;
        long code;
        const char* content;
    } cases[] = {
        {http.url(), "a.txt", "", "", -1, tenBytes},
        {http.url(), "dir/b.txt", "", "", -1, "bee\n"},
        {http.url("dir"), "b.txt", "", "", -1, "bee\n"},  // the base gets its '/'
        {http.url(), "missing", "", "", 404, ""},
        {http.url(), "_/status/500", "", "", 500, ""},
        {http.url(), "_/redirect/1/a.txt", "", "", -1, tenBytes},
        {http.url(), "_/redirect/2/a.txt", "", "", 301, ""},  // one redirect only
        {http.url(), "_/nolength/a.txt", "", "", -1, tenBytes},
        {http.url(), "_/basic/a.txt", "user", "secret", -1, tenBytes},
        {http.url(), "_/basic/a.txt", "", "", 401, ""},
        {http.url(), "_/basic/a.txt", "user", "wrong", 401, ""},
        {http.url(), "_/digest/a.txt", "user", "secret", -1, tenBytes},
        {http.url(), "_/digest/a.txt", "", "", 401, ""},
        {ftp.url(), "dir/b.txt", "", "", -1, "bee\n"},
        {ftp.url(), "missing", "", "", 550, ""},
        {refused, "a.txt", "", "", 0, ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string what = c.base + c.relative + " user=" + c.user;
        const std::string target = out / ("t" + std::to_string(++n));
        auto f = [&] { fetch(c.base, c.relative, target, c.user, c.password); };
        if (c.code < 0) {
            EXPECT_NO_THROW(f()) << what;
        } else {
            http_error e = raisedHttpError(f);
            std::string url = c.base + (c.base.back() == '/' ? "" : "/") + c.relative;
            EXPECT_EQ(e.code, c.code) << what;
            EXPECT_EQ(e.url, url) << what;
            EXPECT_EQ(codesOf(e), "(1,2,1,2)") << what;
            EXPECT_EQ(e.text().rfind("Failed to download the package " + url + ":\n", 0), 0u) << e.text();
            EXPECT_GT(e.text().size(), ("Failed to download the package " + url + ":\n\n").size())
                << "libcurl's reason is missing: " << what;
        }
        EXPECT_TRUE(boost::filesystem::is_regular_file(target)) << what;
        EXPECT_EQ(readFile(target), c.content) << what;
    }
}

TEST_F(CurlDownloaderTest, TransfersOnlyOnce) {
    testutil::HttpServer http(root.path());
    struct Case {
        const char* relative;
        int state;
    } cases[] = {{"a.txt", CurlDownloader::stateDone}, {"missing", CurlDownloader::stateFailed}};
    for (const Case& c : cases) {
        size_t before = http.requests().size();
        CurlDownloader d(out / "t", c.relative);
        EXPECT_EQ(d.getState(), CurlDownloader::stateReady);
        d.addSourceUrl(http.url());
        try {
            d.download();
        } catch (const error&) {
        }
        EXPECT_EQ(d.getState(), c.state) << c.relative;
        writeFile(out / "t", "kept");
        EXPECT_NO_THROW(d.download()) << c.relative;
        EXPECT_EQ(readFile(out / "t"), "kept") << c.relative;
        EXPECT_EQ(http.requests().size(), before + 1) << c.relative;
    }
}

TEST_F(CurlDownloaderTest, WithoutSourceUrl) {
    error e = raisedError([&] { fetch("", "a.txt", out / "t"); });
    EXPECT_EQ(e.text(), "Unable to retrieve packages because you did not specify from where to download packages.\n");
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
}

TEST_F(CurlDownloaderTest, CreatesTheTargetDirectory) {
    testutil::HttpServer http(root.path());
    fetch(http.url(), "a.txt", out / "x/y/z/a.txt");
    EXPECT_EQ(readFile(out / "x/y/z/a.txt"), tenBytes);
    struct stat st{};
    ASSERT_EQ(::stat((out / "x/y").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);

    // A target without a directory part lands in the working directory.
    std::string old = boost::filesystem::current_path().string();
    boost::filesystem::current_path(out.path());
    EXPECT_NO_THROW(fetch(http.url(), "a.txt", "plain"));
    boost::filesystem::current_path(old);
    EXPECT_EQ(readFile(out / "plain"), tenBytes);
}

TEST_F(CurlDownloaderTest, UncreatableTargetDirectory) {
    writeFile(out / "file", "");
    error e = raisedError([&] { CurlDownloader d(out / "file/sub/t", "a.txt"); });
    EXPECT_EQ(e.text().rfind("Unable to create the directory " + out / "file/sub" + ".\n", 0), 0u) << e.text();
    EXPECT_NE(e.text().find("Failed to create the directory"), std::string::npos) << e.text();
    EXPECT_EQ(codesOf(e), "(4,1,1,2)");
}

TEST_F(CurlDownloaderTest, UnwritableTarget) {
    testutil::HttpServer http(root.path());
    struct Case {
        const char* relative;
        const char* text;
    } cases[] = {
        // More than the stream's buffer: libcurl's write fails during the transfer.
        {"_/bytes/1048576", "File could not be downloaded, probably due to insufficient amount of free disk space.\n"},
        // Ten bytes stay in the buffer until the target is closed after the transfer.
        {"a.txt", "Failed to write to the file /dev/full: No space left on device.\n"},
    };
    for (const Case& c : cases) {
        error e = raisedError([&] { fetch(http.url(), c.relative, "/dev/full"); });
        EXPECT_EQ(e.text(), c.text) << c.relative;
        EXPECT_EQ(codesOf(e), "(4,1,1,2)") << c.relative;
    }
}

// A body past the listed size ends the transfer as a failed download, whether the server
// announced its length or not; the partial target never holds more than the listed size.
TEST_F(CurlDownloaderTest, BodyPastTheExpectedSizeStops) {
    testutil::HttpServer http(root.path());
    writeFile(root / "big", std::string(2 * 1048576, 'b'));
    writeFile(root / "mib", std::string(1048576, 'm'));
    struct Case {
        const char* relative;
        uint64_t expected;  // 0: not known, the ceiling applies
        bool fetched;
    } cases[] = {
        {"big", 1048576, false},
        {"_/nolength/big", 1048576, false},
        {"_/bytes/1048577", 1048576, false},
        {"mib", 1048576, true},
        {"_/nolength/mib", 1048576, true},
        {"_/nolength/big", 0, true},
        {"_/nolength/a.txt", 9, false},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.relative) + " listed at " + std::to_string(c.expected);
        const std::string target = out / "t";
        CurlDownloader d(target, c.relative);
        d.addSourceUrl(http.url());
        d.setExpectedSize(c.expected);
        const uint64_t limit = c.expected ? c.expected : Downloader::unlistedSizeCeiling;
        if (c.fetched) {
            EXPECT_NO_THROW(d.download()) << what;
        } else {
            http_error e = raisedHttpError([&] { d.download(); });
            EXPECT_EQ(e.code, 200) << what;
            EXPECT_EQ(codesOf(e), "(1,2,1,2)") << what;
            EXPECT_EQ(e.text().rfind("Failed to download the package " + http.url(c.relative) + ":\n", 0), 0u)
                << e.text();
            EXPECT_EQ(d.getState(), CurlDownloader::stateFailed);
        }
        ASSERT_TRUE(boost::filesystem::is_regular_file(target)) << what;
        EXPECT_LE(boost::filesystem::file_size(target), limit) << what;
    }
    EXPECT_EQ(Downloader::unlistedSizeCeiling, 1ull << 30);
}

// A server that stops sending ends the transfer once less than a byte a second came for the
// low-speed time (shortened here from two minutes), before or after the head.
TEST_F(CurlDownloaderTest, StalledServerEndsTheTransfer) {
    testutil::HttpServer http(root.path());
    const long saved = CurlDownloader::lowSpeedTime;
    CurlDownloader::lowSpeedTime = 1;
    struct Case {
        const char* relative;
        long code;
        size_t kept;
    } cases[] = {
        {"_/stallafter/1", 200, 1},
        {"_/stall", 0, 0},
    };
    for (const Case& c : cases) {
        http_error e = raisedHttpError([&] { fetch(http.url(), c.relative, out / "t"); });
        EXPECT_EQ(e.code, c.code) << c.relative;
        EXPECT_EQ(e.text().rfind("Failed to download the package " + http.url(c.relative) + ":\n", 0), 0u)
            << e.text();
        EXPECT_EQ(readFile(out / "t").size(), c.kept) << c.relative;
    }
    CurlDownloader::lowSpeedTime = saved;
    EXPECT_EQ(saved, 120);
}

// Sources name HTTP, HTTPS or FTP servers; a local file or another protocol is never reached
// through the transfer, and the refusal is a failed download without a response.
TEST_F(CurlDownloaderTest, OnlyNetworkProtocols) {
    testutil::HttpServer http(root.path());
    const std::string dict = "dict://127.0.0.1:" + std::to_string(http.port()) + "/";
    for (const std::string& base : {"file://" + root.path() + "/", "FILE://" + root.path() + "/", dict}) {
        http_error e = raisedHttpError([&] { fetch(base, "a.txt", out / "t"); });
        EXPECT_EQ(e.code, 0) << base;
        EXPECT_EQ(e.url, base + "a.txt");
        EXPECT_EQ(readFile(out / "t"), "") << base;
    }
    EXPECT_TRUE(http.requests().empty());
}

TEST_F(CurlDownloaderTest, RefusedOptionIsASetupError) {
    testutil::HttpServer http(root.path());
    // libcurl refuses texts longer than 8,000,000 bytes.
    error e = raisedError([&] { fetch(http.url(), std::string(8000001, 'a'), out / "t"); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), Messages::getMessage("err_curl_setup") + "\n");
    EXPECT_TRUE(http.requests().empty());
}

TEST_F(CurlDownloaderTest, ThroughProxy) {
    testutil::HttpServer http(root.path());
    testutil::HttpProxy proxy("pu", "pp");
    struct Case {
        bool host;
        const char* user;
        const char* password;
        long code;   // -1: fetched
        bool via;    // the request reached the server through the proxy
    } cases[] = {
        {true, "pu", "pp", -1, true},
        {true, "", "", 407, false},
        // tinyproxy answers wrong proxy credentials with 401 rather than 407; what matters is
        // that the proxy's own answer is reported and nothing reached the server.
        {true, "pu", "wrong", 401, false},
        // A proxy user alone sets no proxy at all: the request goes straight to the server.
        {false, "pu", "pp", -1, false},
    };
    for (const Case& c : cases) {
        const std::string what = std::string("host=") + (c.host ? "yes" : "no") + " user=" + c.user + ":" + c.password;
        Downloader::proxy = Downloader::Proxy();
        if (c.host) Downloader::setProxy("127.0.0.1", proxy.port());
        Downloader::setProxyCredentials(c.user, c.password);
        size_t before = http.requests().size();
        if (c.code < 0) {
            ASSERT_NO_THROW(fetch(http.url(), "a.txt", out / "t")) << what;
            EXPECT_EQ(readFile(out / "t"), tenBytes) << what;
            std::vector<std::string> requests = http.requests();
            ASSERT_EQ(requests.size(), before + 1) << what;
            EXPECT_EQ(requests.back().find(" via=") != std::string::npos, c.via) << requests.back();
        } else {
            http_error e = raisedHttpError([&] { fetch(http.url(), "a.txt", out / "t"); });
            EXPECT_EQ(e.code, c.code) << what;
            EXPECT_EQ(http.requests().size(), before) << what;
        }
    }
}

TEST_F(CurlDownloaderTest, ConsoleProgressMarks) {
    struct Case {
        std::vector<std::pair<uint32_t, uint32_t>> calls;  // (total, now)
        const char* printed;
    } cases[] = {
        {{{100, 5}, {100, 37}, {100, 38}, {100, 100}}, "37%..100% was finished.\n"},
        {{{100, 10}, {100, 19}, {100, 20}, {100, 95}}, "10%..20%..95%.."},
        {{{0, 0}, {0, 50}, {50, 0}}, ""},  // size not announced: nothing
        {{{10, 10}, {10, 10}, {100, 100}}, "100% was finished.\n"},  // nothing after 100%
        {{{200, 199}}, "99%.."},
        // now * 100 does not fit 32 bits
        {{{4294967295u, 2147483648u}, {4294967295u, 4294967295u}}, "50%..100% was finished.\n"},
    };
    for (const Case& c : cases) {
        testutil::StderrCapture err;
        {
            CurlDownloader d(out / "t", "x");
            d.enableConsoleProgress();  // starts from 0 again
            for (const auto& call : c.calls) EXPECT_EQ(Downloader::printConsoleProgress(call.first, call.second), 0);
        }
        EXPECT_EQ(err.text(), c.printed);
    }
}

TEST_F(CurlDownloaderTest, ProgressOfATransfer) {
    testutil::HttpServer http(root.path());
    struct Case {
        const char* relative;
        bool progress;
        const char* printed;
    } cases[] = {
        {"a.txt", true, "100% was finished.\n"},
        {"_/bytes/1048576", true, "100% was finished.\n"},  // earlier marks depend on timing
        {"_/nolength/a.txt", true, ""},
        {"a.txt", false, ""},
    };
    for (const Case& c : cases) {
        testutil::StderrCapture err;
        fetch(http.url(), c.relative, out / "t", "", "", c.progress);
        std::string printed = err.text();
        std::string tail = printed.substr(printed.size() - std::min(printed.size(), std::strlen(c.printed)));
        EXPECT_EQ(tail, c.printed) << c.relative;
        if (std::strcmp(c.relative, "a.txt") == 0) {
            EXPECT_EQ(printed, c.printed);
        }
    }
}

TEST_F(CurlDownloaderTest, CancelledDuringTheBody) {
    testutil::HttpServer http(root.path());
    // 600 bytes at one per 100 ms would take a minute.
    std::thread canceller([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        requestTermination(2);
    });
    error e = raisedError([&] { fetch(http.url(), "_/slow/600", out / "t"); });
    canceller.join();
    EXPECT_EQ(e.text(), "Interrupted by user\n");
    EXPECT_EQ(codesOf(e), "(2,2,2,1)");
    EXPECT_TRUE(isTerminated());
    // The part that arrived stays.
    EXPECT_TRUE(boost::filesystem::is_regular_file(out / "t"));
    EXPECT_LT(readFile(out / "t").size(), 600u);
}

}  // namespace
