#include "sources/SourceSysCache.h"

#include <gtest/gtest.h>

#include <string>

#include "packages/Repository.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::LogCapture;
using testutil::raisedError;

class SourceSysCacheRead : public testutil::EnglishTest {
protected:
    testutil::TempDir tmp;
    Repository repo;
};

// The process never sets a locale, so the system's text is the C locale's.
TEST_F(SourceSysCacheRead, AMissingFileIsReportedWithThePathAndTheSystemReason) {
    const std::string path = tmp / "none.cache";
    SourceSysCache source(&repo, path);
    LogCapture log(1);

    error e = raisedError([&] { repo.getBriefInfo(); });

    EXPECT_EQ(e.text(), "Failed to open the file " + path + ".\n");
    EXPECT_EQ(codesOf(e), "(4,1,1,2)");
    EXPECT_EQ(log.text(), "repository: Get brief packages info for all sources\n"
                          "Failed to open the file " + path + ".: No such file or directory");
    EXPECT_TRUE(repo.pkgList.empty());

    // The failed read was not taken as done: the next one tries the file again.
    error again = raisedError([&] { source.getBrief(); });
    EXPECT_EQ(again.text(), e.text());
    const std::string line = "Failed to open the file " + path + ".: No such file or directory";
    EXPECT_EQ(log.text(), "repository: Get brief packages info for all sources\n" + line + line);
}

TEST_F(SourceSysCacheRead, AFileTheReaderRefusesGivesTheReadErrorWithThePath) {
    const std::string path = tmp / "bad.cache";
    testutil::writeFile(path, "N:a\nN:b\nX:\n");
    SourceSysCache source(&repo, path);
    LogCapture log(1);

    error e = raisedError([&] { source.getBrief(); });

    EXPECT_EQ(e.text(), "Failed to read a description of packages from the file " + path + ".\n");
    EXPECT_EQ(codesOf(e), "(4,1,1,2)");
    // "Error: ", the reader's error text (its lines end with a line break), then the line end.
    const std::string text = log.text();
    EXPECT_NE(text.find("Error: "), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n") << text;
}

}  // namespace
