// Local package directories over real rpm files. The reads announce their steps in the shared
// progress record, so these tests run inside the namespace helper (private System V IPC and a
// fresh /tmp).
#include "sources/SourceDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "packages/Package.h"
#include "packages/RPMPackage.h"
#include "packages/Repository.h"
#include "sources/PooledPackages.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/ProgressProbe.h"
#include "support/RpmFixtures.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::progressRecord;
using testutil::raisedError;
using testutil::rpmFixture;
using testutil::splitLines;

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

class RpmSourceDirectory : public testutil::EnglishTest {
protected:
    // A copy of a fixture package at `path` below the test's directory; the full path.
    std::string place(const std::string& fixture, const std::string& path) {
        const std::string full = tmp / path;
        EXPECT_EQ(testutil::run({"/bin/mkdir", "-p", full.substr(0, full.rfind('/'))}).status, 0);
        EXPECT_EQ(testutil::run({"/bin/cp", rpmFixture(fixture), full}).status, 0);
        return full;
    }

    std::vector<Package*> packagesOf(const Source& s) { return testutil::packagesOf(repo, &s); }

    // The order in which find lists the files, as the brief read meets them.
    std::vector<std::string> findOrder(const std::string& dir) {
        return splitLines(testutil::run({"/usr/bin/find", dir, "-type", "f", "-name", "*.rpm"}).out);
    }

    testutil::TempDir tmp;
    testutil::PackageOwner owner;
    Repository repo;
};

TEST_F(RpmSourceDirectory, BriefReadPoolsOnePackagePerRpmFileAndTheFullReadCompletesThem) {
    const std::string dir = tmp / "repo";
    std::map<std::string, std::string> expected = {
        {place("alpha.rpm", "repo/alpha.rpm"), "vnfix-alpha-1.2.3-4.el5.noarch"},
        {place("epoch-2.rpm", "repo/nested/deeper/epoch-2.rpm"), "vnfix-epoch-2:3.1-7.x86_64"},
        // Inside a directory named like a package, found like any other.
        {place("epoch-none.rpm", "repo/d.rpm/epoch-none.rpm"), "vnfix-epoch-3.1-7.x86_64"},
    };
    testutil::writeFile(dir + "/notes.txt", "not a package\n");
    ASSERT_EQ(::symlink("alpha.rpm", (dir + "/link.rpm").c_str()), 0);

    SourceDirectory source(&repo, dir);
    testutil::LogCapture log(0);
    source.getBrief();
    std::vector<Package*> packages = packagesOf(source);
    owner.packages = packages;

    std::map<std::string, std::string> seen;
    for (Package* p : packages) {
        SCOPED_TRACE(p->getFileName());
        seen[p->getFileName()] = p->toString();
        EXPECT_EQ(typeid(*p), typeid(RPMPackage));
        EXPECT_EQ(p->getType(), 'u');
        EXPECT_EQ(p->getRequire(0), nullptr);
        EXPECT_EQ(p->getProvide(0), nullptr);
        EXPECT_NE(p->buildTime(), 0u);
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(packages.size(), repo.pkgList.size());
    EXPECT_FALSE(source.isRemote());
    EXPECT_EQ(progressRecord()["stepTitle"], "Reading the list of packages from the directory " + dir);
    EXPECT_EQ(progressRecord()["stepId"], "read_dir_pkglist");

    source.getFull();
    EXPECT_EQ(packagesOf(source), packages);
    for (Package* p : packages) {
        SCOPED_TRACE(p->getFileName());
        EXPECT_EQ(p->toString(), expected[p->getFileName()]);
        EXPECT_NE(p->getProvide(0), nullptr);
        EXPECT_EQ(md5Text(p->getMd5()), testutil::run({"/usr/bin/md5sum", p->getFileName()}).out.substr(0, 32));
    }
    const std::string fullTitle = "Reading the information about the packages from the " + dir + " directory...";
    EXPECT_EQ(progressRecord()["stepTitle"], fullTitle);
    EXPECT_EQ(progressRecord()["stepId"], "read_dir_pkginfo");
    EXPECT_EQ(log.text(), Messages::getMessage("read_dir_pkglist") + dir + "\n" + fullTitle + "\n");
}

TEST_F(RpmSourceDirectory, DirectoryWithoutPackagesGivesNone) {
    testutil::writeFile(tmp / "readme.rpm.txt", "no package\n");
    SourceDirectory source(&repo, tmp.path());
    source.getFull();
    EXPECT_TRUE(repo.pkgList.empty());
}

TEST_F(RpmSourceDirectory, MissingDirectoryIsAnError) {
    SourceDirectory source(&repo, "/nonexistent");
    error e = raisedError([&] { source.getBrief(); });
    EXPECT_EQ(e.text(), "The directory /nonexistent was not found.\n");
    EXPECT_EQ(codesOf(e), "(4,1,1,2)");
    EXPECT_EQ(progressRecord()["stepTitle"], Messages::getMessage("read_dir_pkglist") + "/nonexistent");
    EXPECT_TRUE(repo.pkgList.empty());
}

TEST_F(RpmSourceDirectory, FileRpmCannotQueryStopsTheReadAndKeepsTheEarlierPackages) {
    const std::string dir = tmp / "repo";
    place("alpha.rpm", "repo/a.rpm");
    place("epoch-0.rpm", "repo/b.rpm");
    place("epoch-2.rpm", "repo/c.rpm");
    place("epoch-none.rpm", "repo/d.rpm");
    const std::string bad = dir + "/bad.rpm";
    testutil::writeFile(bad, "this is no package\n");

    SourceDirectory source(&repo, dir);
    testutil::LogCapture log(1);
    error e = raisedError([&] { source.getBrief(); });
    owner.packages = packagesOf(source);
    EXPECT_EQ(e.text(), "Failed to read the " + bad + " package file.\n");
    EXPECT_EQ(codesOf(e), "(4,1,1,2)");
    // rpm takes a text file for a list of package names and prints no record; the inner
    // error reached the log before the one raised.
    EXPECT_NE(log.text().find(Messages::getMessage("err_cache_unexpend") + "\n"), std::string::npos) << log.text();

    std::vector<std::string> before;
    for (const std::string& path : findOrder(dir)) {
        if (path == bad) break;
        before.push_back(path);
    }
    std::vector<std::string> pooled;
    for (Package* p : owner.packages) pooled.push_back(p->getFileName());
    EXPECT_EQ(pooled, before);
}

TEST_F(RpmSourceDirectory, FullReadErrorsPassUnchanged) {
    const std::string file = place("alpha.rpm", "repo/alpha.rpm");
    SourceDirectory source(&repo, tmp / "repo");
    source.getBrief();
    owner.packages = packagesOf(source);
    ASSERT_EQ(testutil::run({"/bin/cp", rpmFixture("alpha-truncated.rpm"), file}).status, 0);
    testutil::StderrCapture quiet;
    error e = raisedError([&] { source.getFull(); });
    EXPECT_EQ(e.text(), "Failed to read the " + file + " package file.\n");
    EXPECT_EQ(codesOf(e), "(4,1,1,2)");
}

TEST_F(RpmSourceDirectory, NamesWithShellCharactersAreOnlyNames) {
    testutil::TempDir cwd;
    const std::string dir = tmp / "dir with blank";
    const std::string file = place("alpha.rpm", "dir with blank/a b;$(touch pwned).rpm");
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(::chdir(cwd.path().c_str()), 0);

    SourceDirectory source(&repo, dir);
    source.getFull();
    owner.packages = packagesOf(source);
    ASSERT_EQ(::chdir(saved), 0);

    ASSERT_EQ(owner.packages.size(), 1u);
    EXPECT_EQ(owner.packages[0]->getFileName(), file);
    EXPECT_EQ(owner.packages[0]->toString(), "vnfix-alpha-1.2.3-4.el5.noarch");
    EXPECT_NE(owner.packages[0]->getRequire(0), nullptr);
    EXPECT_FALSE(exists(cwd / "pwned"));
    EXPECT_FALSE(exists(dir + "/pwned"));
}

TEST_F(RpmSourceDirectory, PlainNamesKeepTheCommandTexts) {
    const std::string file = place("alpha.rpm", "plain/alpha.rpm");
    SourceDirectory source(&repo, tmp / "plain");
    testutil::LogCapture log(3);
    source.getBrief();
    owner.packages = packagesOf(source);
    const std::string text = log.text();
    EXPECT_NE(text.find("'find " + tmp / "plain" + " -type f -name '*.rpm''"), std::string::npos) << text;
    EXPECT_NE(text.find("rpm -qp --queryformat 'F:dummy_filename_in_SourceDirectory.rpm\\nN:%{NAME}\\nE:%{EPOCH}"
                        "\\nV:%{VERSION}\\nL:%{RELEASE}\\nA:%{ARCH}\\nf:%{INSTALLTIME}\\nB:%{BUILDTIME}\\nX:\\n' " +
                        file + "\n"),
              std::string::npos)
        << text;
}

}  // namespace
