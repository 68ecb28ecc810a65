#include "sources/FileFetcher.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/hostinfo.h"
#include "sources/HttpError.h"
#include "sources/SourceUrl.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace fs = boost::filesystem;
using testutil::codesOf;
using testutil::raisedError;
using testutil::readFile;
using testutil::writeFile;

namespace {

const char* const content = "0123456789";

std::string md5Of(const std::string& text) {
    Md5Context ctx;
    md5Init(&ctx);
    md5Update(&ctx, text.data(), text.size());
    char hex[33];
    return md5ToHex(&ctx, hex);
}

class FileFetcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        Log::resetForTest();
        fs::create_directories(root / "pkgs");
        fs::create_directories(root / "a:b");
        fs::create_directories(root / "a/b");
        writeFile(root / "pkgs/a.rpm", content);
        writeFile(root / "a:b/c", "colon");
        writeFile(root / "a/b/n", "nested");
        writeFile(root / "a..b", "dots");
        // Deep enough that a name escaping it by two levels would still land in `out`.
        target = out / "d1/d2/d3/target/";
    }

    testutil::TempDir root;
    testutil::TempDir out;
    std::string target;
};

TEST_F(FileFetcherTest, NewFetcher) {
    struct Case {
        const char* main;
        const char* target;
        const char* base;
        const char* targetDir;
    } cases[] = {
        {"http://h/dir/products.inf3", "/t", "http://h/dir/", "/t/"},
        {"http://h/dir/", "/t/", "http://h/dir/", "/t/"},
        {"/srv/repo/", "", "/srv/repo/", "/"},
    };
    for (const Case& c : cases) {
        testutil::LogCapture log(2);
        FileFetcher f(c.main, c.target);
        EXPECT_EQ(f.sourceUrls, std::vector<std::string>{c.base}) << c.main;
        EXPECT_EQ(f.mainSourceUrl, c.main);
        EXPECT_EQ(f.targetDir, c.targetDir);
        EXPECT_EQ(f.subdirsOffset, "");
        EXPECT_FALSE(f.quiet);
        EXPECT_EQ(log.text(), std::string("FileFetcher new object: target_dir=") + c.targetDir +
                                  ", main_source_url=" + c.base + "\n");
    }
}

TEST_F(FileFetcherTest, OffsetsAccumulate) {
    testutil::LogCapture log(3);
    FileFetcher f("http://h/", "/t");
    f.setSubdirsOffset("a");
    f.setSubdirsOffset("");
    f.setSubdirsOffset("b/");
    EXPECT_EQ(f.subdirsOffset, "a/b/");
    FileFetcher copy(f);
    copy.setSubdirsOffset("c");
    EXPECT_EQ(copy.subdirsOffset, "a/b/c/");
    EXPECT_EQ(f.subdirsOffset, "a/b/");
    EXPECT_NE(log.text().find("FileFetcher: current subdirs offset is a/\n"
                              "FileFetcher: current subdirs offset is a/b/\n"),
              std::string::npos)
        << log.text();
}

TEST_F(FileFetcherTest, DownloadsWithProgressOnTheConsole) {
    testutil::HttpServer http(root.path());
    FileFetcher f(SourceUrl(http.url("products.inf3")), target);
    testutil::StderrCapture err;
    std::string path = f.getFile("pkgs/a.rpm", md5Of(content));
    EXPECT_EQ(err.text(), "File downloading pkgs/a.rpm: 100% was finished.\n");
    EXPECT_EQ(path, target + "pkgs/a.rpm");
    EXPECT_EQ(readFile(path), content);
    EXPECT_EQ(http.requests(), std::vector<std::string>{"GET /pkgs/a.rpm HTTP/1.1"});
}

TEST_F(FileFetcherTest, QuietDownloadPrintsNothing) {
    testutil::HttpServer http(root.path());
    FileFetcher f(http.url(), target);
    f.quiet = true;
    testutil::StderrCapture err;
    EXPECT_EQ(readFile(f.getFile("pkgs/a.rpm", "")), content);
    EXPECT_EQ(err.text(), "");
}

TEST_F(FileFetcherTest, MatchingCopyIsNotFetchedAgain) {
    testutil::HttpServer http(root.path());
    struct Case {
        bool quiet;
        const char* printed;
    } cases[] = {
        {false, "File downloading pkgs/a.rpm: completed.\n"},
        {true, "completed.\n"},  // the completion shows even when quiet
    };
    for (const Case& c : cases) {
        fs::create_directories(target + "pkgs");
        writeFile(target + "pkgs/a.rpm", "local copy");
        FileFetcher f(http.url(), target);
        f.quiet = c.quiet;
        testutil::StderrCapture err;
        EXPECT_EQ(f.getFile("pkgs/a.rpm", md5Of("local copy")), target + "pkgs/a.rpm");
        EXPECT_EQ(err.text(), c.printed);
        EXPECT_EQ(readFile(target + "pkgs/a.rpm"), "local copy");
    }
    EXPECT_TRUE(http.requests().empty());
}

TEST_F(FileFetcherTest, CopyIsFetchedAgainWithoutAMatchingDigest) {
    testutil::HttpServer http(root.path());
    std::string upper = md5Of("stale");
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    struct Case {
        std::string md5;
        bool mismatch;  // the fetched file does not match either
        const char* why;
    } cases[] = {
        {"", false, "no digest: always fetched"},
        {md5Of(content), false, "the copy differs from the digest"},
        {upper, true, "an upper-case digest never matches, not even after the transfer"},
    };
    size_t requests = 0;
    for (const Case& c : cases) {
        fs::create_directories(target + "pkgs");
        writeFile(target + "pkgs/a.rpm", "stale");
        FileFetcher f(http.url(), target);
        f.quiet = true;
        if (c.mismatch) {
            error e = raisedError([&] { f.getFile("pkgs/a.rpm", c.md5); });
            EXPECT_EQ(codesOf(e), "(4,1,1,2)") << c.why;
        } else {
            EXPECT_EQ(f.getFile("pkgs/a.rpm", c.md5), target + "pkgs/a.rpm") << c.why;
        }
        EXPECT_EQ(readFile(target + "pkgs/a.rpm"), content) << c.why;
        EXPECT_EQ(http.requests().size(), ++requests) << c.why;
    }
}

TEST_F(FileFetcherTest, FetchedFileWithAnotherDigestStays) {
    testutil::HttpServer http(root.path());
    FileFetcher f(http.url(), target);
    f.quiet = true;
    testutil::LogCapture log(2);
    std::string wrong(32, '0');
    error e = raisedError([&] { f.getFile("pkgs/a.rpm", wrong); });
    EXPECT_EQ(e.text(), "The MD5 checksum of the " + target +
                            "pkgs/a.rpm file does not match the value specified in the configuration file.\n");
    EXPECT_EQ(codesOf(e), "(4,1,1,2)");
    EXPECT_NE(log.text().find("MD5 missmatch: " + md5Of(content) + "\n"), std::string::npos) << log.text();
    EXPECT_EQ(readFile(target + "pkgs/a.rpm"), content);
}

TEST_F(FileFetcherTest, StoredNameAvoidsReservedCharacters) {
    testutil::HttpServer http(root.path());
    FileFetcher f(http.url(), target);
    f.quiet = true;
    // '?' starts the query on the server's side; it serves "a:b/c".
    EXPECT_EQ(f.getFile("a:b/c?d", ""), target + "a_b/c_d");
    EXPECT_EQ(readFile(target + "a_b/c_d"), "colon");
    EXPECT_EQ(http.requests(), std::vector<std::string>{"GET /a:b/c?d HTTP/1.1"});
}

TEST_F(FileFetcherTest, OffsetAndCredentials) {
    testutil::HttpServer http(root.path());
    FileFetcher f(http.url(), target);
    f.quiet = true;
    f.setSubdirsOffset("_/basic/a");
    f.user = "user";
    f.password = "secret";
    testutil::LogCapture log(3);
    EXPECT_EQ(readFile(f.getFile("b/n", "")), "nested");
    EXPECT_TRUE(fs::is_regular_file(target + "_/basic/a/b/n"));
    EXPECT_NE(log.text().find("FileFetcher: get file (_/basic/a/)/b/n\n"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("FileFetcher: set auth for downloader: user=user\n"), std::string::npos);
    EXPECT_EQ(log.text().find("secret"), std::string::npos) << "the password reached the log";
}

TEST_F(FileFetcherTest, TransferErrorsPassUnchanged) {
    testutil::HttpServer http(root.path());
    FileFetcher f(http.url(), target);
    f.quiet = true;
    try {
        f.getFile("pkgs/missing.rpm", "");
        FAIL() << "no error";
    } catch (const http_error& e) {
        EXPECT_EQ(e.code, 404);
        EXPECT_EQ(e.url, http.url("pkgs/missing.rpm"));
    }
}

TEST_F(FileFetcherTest, LocalSourceIsUsedInPlace) {
    FileFetcher f(SourceUrl(root / "products.inf3"), target);
    testutil::StderrCapture err;
    EXPECT_EQ(f.getFile("pkgs/a.rpm", md5Of(content)), root / "pkgs/a.rpm");
    EXPECT_EQ(f.getFile("a:b/c", ""), root / "a:b/c");
    EXPECT_FALSE(fs::exists(target)) << "nothing is copied";
    EXPECT_EQ(err.text(), "");

    struct Case {
        const char* name;
        const char* md5;
        const char* codes;
        std::string text;
    } cases[] = {
        {"pkgs/missing.rpm", "", "(4,2,1,1)", "The file " + root / "pkgs/missing.rpm" + " was not found.\n"},
        {"pkgs", "", "(4,2,1,1)", "The file " + root / "pkgs" + " was not found.\n"},
        {"pkgs/a.rpm", "00000000000000000000000000000000", "(4,1,1,2)",
         "The MD5 checksum of the " + root / "pkgs/a.rpm" +
             " file does not match the value specified in the configuration file.\n"},
    };
    for (const Case& c : cases) {
        error e = raisedError([&] { f.getFile(c.name, c.md5); });
        EXPECT_EQ(e.text(), c.text) << c.name;
        EXPECT_EQ(codesOf(e), c.codes) << c.name;
    }
}

// A source in upper case is the same source: "FILE://" names a local tree that is read in
// place, never a URL for the transfer; a scheme the transfers do not speak is refused.
TEST_F(FileFetcherTest, SchemesInAnyCaseAndOnlyNetworkProtocols) {
    for (const std::string scheme : {"FILE://", "File://", "file://"}) {
        FileFetcher f(SourceUrl(scheme + root.path() + "/"), target);
        EXPECT_EQ(f.getFile("pkgs/a.rpm", md5Of(content)), root / "pkgs/a.rpm") << scheme;
        EXPECT_FALSE(fs::exists(target)) << scheme << ": nothing is copied";
    }

    testutil::HttpServer http(root.path());
    FileFetcher dict(SourceUrl("dict://127.0.0.1:" + std::to_string(http.port()) + "/"), target);
    dict.quiet = true;
    try {
        dict.getFile("pkgs/a.rpm", "");
        ADD_FAILURE() << "no error";
    } catch (const http_error& e) {
        EXPECT_EQ(e.code, 0);
        EXPECT_EQ(codesOf(e), "(1,2,1,2)");
    }
    EXPECT_TRUE(http.requests().empty());
    EXPECT_EQ(readFile(target + "pkgs/a.rpm"), "");
}

TEST_F(FileFetcherTest, ParentComponentsAreRefused) {
    testutil::HttpServer http(root.path());
    struct Case {
        const char* offset;
        const char* name;
        const char* relative;
    } cases[] = {
        {"", "..", ".."},
        {"", "../x", "../x"},
        {"", "../../etc/x", "../../etc/x"},
        {"", "a/../../x", "a/../../x"},
        {"", "pkgs/..", "pkgs/.."},
        {"a/../..", "x", "a/../../x"},
        {"..", "pkgs/a.rpm", "../pkgs/a.rpm"},
    };
    for (const std::string& main : {http.url(), root / ""}) {
        for (const Case& c : cases) {
            FileFetcher f(main, target);
            f.setSubdirsOffset(c.offset);
            testutil::StderrCapture err;
            error e = raisedError([&] { f.getFile(c.name, ""); });
            EXPECT_EQ(e.text(), std::string("The file ") + c.relative + " was not found.\n") << main << c.relative;
            EXPECT_EQ(codesOf(e), "(1,1,1,3)") << c.relative;
            EXPECT_EQ(err.text(), "") << c.relative;
        }
    }
    EXPECT_TRUE(http.requests().empty());
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 0);

    // Dots inside a component are an ordinary name.
    FileFetcher f(http.url(), target);
    f.quiet = true;
    EXPECT_EQ(readFile(f.getFile("a..b", "")), "dots");
}

}  // namespace
