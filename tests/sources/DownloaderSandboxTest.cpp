// Host names that cannot resolve. In the private network namespace there is no route to any
// name server, so resolution fails at once instead of waiting for time-outs.
#include <gtest/gtest.h>

#include <memory>

#include "common/Messages.h"
#include "sources/CurlDownloader.h"
#include "sources/DownloadUrl.h"
#include "sources/HttpError.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

TEST(DownloaderSandboxTest, UnresolvableHostHasNoResponseCode) {
    Messages::resetForTest();
    testutil::TempDir out;
    std::unique_ptr<Downloader> d(CurlDownloader::create(out / "t", "a.rpm"));
    d->addSourceUrl("http://x.invalid");
    try {
        d->download();
        FAIL() << "no error";
    } catch (const http_error& e) {
        EXPECT_EQ(e.code, 0);
        EXPECT_EQ(e.url, "http://x.invalid/a.rpm");
        EXPECT_EQ(testutil::codesOf(e), "(1,2,1,2)");
        EXPECT_EQ(e.text().rfind("Failed to download the package http://x.invalid/a.rpm:\n", 0), 0u) << e.text();
    }
    EXPECT_EQ(testutil::readFile(out / "t"), "");
}

TEST(DownloaderSandboxTest, UnresolvableHostInMemory) {
    Messages::resetForTest();
    error e = testutil::raisedError([] { DownloadUrl d("http://x.invalid/icon.png"); });
    EXPECT_EQ(testutil::codesOf(e), "(4,1,1,2)");
    EXPECT_EQ(e.text().rfind("Failed to download the package http://x.invalid/icon.png:\n", 0), 0u) << e.text();
}

}  // namespace
