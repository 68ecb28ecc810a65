#include "sources/SourceSysCache.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "packages/Package.h"
#include "packages/Repository.h"
#include "packages/internString.h"
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

TEST_F(SourceSysCacheRead, EveryRecordBecomesAnInstalledPackageOfTheSource) {
    const std::string path = tmp / "installed.cache";
    testutil::writeFile(path, "\nF:a-1-1.x86_64.rpm\nN:a\nV:1\nL:1\nA:x86_64\nX:\n\nN:b\nV:2\nX:\n");
    SourceSysCache source(&repo, path);

    repo.getBriefInfo();
    repo.getFullInfo();

    ASSERT_EQ(repo.pkgList.size(), 2u);
    EXPECT_EQ(repo.pkgList[0]->toString(), "a-1-1.x86_64");
    EXPECT_EQ(repo.pkgList[1]->toString(), "b-2.all");
    for (const Package* p : repo.pkgList) {
        EXPECT_EQ(p->getType(), 's');
        EXPECT_EQ(p->getSource(), &source);
    }
    EXPECT_EQ(repo.getInstalledPackage(internString("a")), repo.pkgList[0]);
    // The source takes its packages out when it goes; they stay alive for the test to free.
    std::vector<Package*> read = repo.pkgList;
    source.dropPackages();
    EXPECT_TRUE(repo.pkgList.empty());
    for (Package* p : read) delete p;
    repo.removedPackages.clear();
}

TEST_F(SourceSysCacheRead, AnEmptyFileAddsNothing) {
    const std::string path = tmp / "empty.cache";
    testutil::writeFile(path, "");
    SourceSysCache source(&repo, path);

    source.getBrief();

    EXPECT_TRUE(repo.pkgList.empty());
}

TEST_F(SourceSysCacheRead, TheReadersTextIsLoggedAndThePackagesBeforeStay) {
    const std::string records = "N:a\nV:1\nX:\nN:b\nN:b\nX:\n";
    const std::string path = tmp / "bad.cache";
    testutil::writeFile(path, records);
    // The reader's own error for the same records, read from the start of the bad one.
    std::string readerText;
    {
        FILE* f = std::fopen(path.c_str(), "re");
        int line = 0;
        delete Package::createFromCache(f, &line);
        readerText = raisedError([&] { delete Package::createFromCache(f, &line); }).text();
        std::fclose(f);
    }
    SourceSysCache source(&repo, path);
    LogCapture log(1);

    error e = raisedError([&] { source.getBrief(); });

    EXPECT_EQ(e.text(), "Failed to read a description of packages from the file " + path + ".\n");
    EXPECT_EQ(codesOf(e), "(4,1,1,2)");
    const std::string logged = "Error: " + readerText + "\n";
    ASSERT_GE(log.text().size(), logged.size());
    EXPECT_EQ(log.text().substr(log.text().size() - logged.size()), logged);
    ASSERT_EQ(repo.pkgList.size(), 1u);
    Package* a = repo.pkgList[0];
    EXPECT_EQ(a->toString(), "a-1.all");
    source.dropPackages();
    delete a;
    repo.removedPackages.clear();
}

}  // namespace
