#include "packages/DebPackage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <typeinfo>

#include "common/error.h"
#include "packages/DebVersion.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

class DebPackageTest : public testutil::EnglishTest {
protected:
    // A package file at `path` with this control text, built by dpkg-deb.
    void buildDeb(const std::string& path, const std::string& control, bool check = true) {
        const std::string root = tmp / ("root" + std::to_string(++built));
        ASSERT_EQ(::mkdir(root.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir((root + "/DEBIAN").c_str(), 0755), 0);
        testutil::writeFile(root + "/DEBIAN/control", control);
        std::vector<std::string> argv = {"/usr/bin/dpkg-deb", "-Zgzip"};
        if (!check) argv.push_back("--nocheck");
        argv.insert(argv.end(), {"-b", root, path});
        testutil::RunResult r = testutil::run(argv);
        ASSERT_EQ(r.status, 0) << r.err;
    }

    std::string md5sumOf(const std::string& path) {
        testutil::RunResult r = testutil::run({"/usr/bin/md5sum", path});
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out.substr(0, 32);
    }

    testutil::TempDir tmp;
    int built = 0;
};

const char* const fooControl =
    "Package: foo\nVersion: 1:2.0-1\nArchitecture: all\nMaintainer: Nobody <nobody@example.org>\n"
    "Description: test package\n a description whose lines look like fields:\n Package: evil\n Version: 9.9\n"
    " Architecture: evil\n";

TEST_F(DebPackageTest, ReadsControlDataAndFileFacts) {
    const std::string files[] = {tmp / "plain_1.0_all.deb", tmp / "a b;c.deb", tmp / "it's \"x\".deb"};
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        buildDeb(file, fooControl);
        std::unique_ptr<Package> p(Package::create("placeholder", "0.1", file));
        p->readInfo();
        EXPECT_EQ(typeid(*p), typeid(DebPackage));
        EXPECT_STREQ(p->getName(), "foo");
        EXPECT_EQ(typeid(*p->getVersion()), typeid(DebVersion));
        EXPECT_EQ(p->getVersion()->toString(), "1:2.0-1");
        EXPECT_STREQ(p->getArch(), "all");
        struct stat st;
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(p->size, st.st_size);
        EXPECT_EQ(p->fileTime, st.st_mtime);
        EXPECT_EQ(md5Text(p->getMd5()), md5sumOf(file));
        EXPECT_EQ(p->getFileName(), file);
    }
}

TEST_F(DebPackageTest, FileNameNeverReachesTheShellAsCode) {
    // The slashes of the commands' paths make directories of the name's first parts.
    const std::string file = tmp / "$(touch " + tmp.path() + "/x)`touch " + tmp.path() + "/y`.deb";
    ASSERT_EQ(testutil::run({"/bin/mkdir", "-p", file.substr(0, file.rfind('/'))}).status, 0);
    buildDeb(file, fooControl);
    std::unique_ptr<Package> p(Package::create("placeholder", "0.1", file));
    p->readInfo();
    EXPECT_STREQ(p->getName(), "foo");
    struct stat st;
    EXPECT_NE(::stat((tmp / "x").c_str(), &st), 0);
    EXPECT_NE(::stat((tmp / "y").c_str(), &st), 0);
}

TEST_F(DebPackageTest, PlainNameKeepsTheCommandText) {
    const std::string file = tmp / "foo_2.0-1_all.deb";
    buildDeb(file, fooControl);
    testutil::LogCapture log(2);
    std::unique_ptr<Package> p(Package::create("placeholder", "0.1", file));
    p->readInfo();
    EXPECT_NE(log.text().find("vantrell: read output of dpkg -I " + file + " control\n"), std::string::npos)
        << log.text();
}

TEST_F(DebPackageTest, MissingFieldsKeepWhatThePackageHad) {
    const std::string file = tmp / "bare.deb";
    buildDeb(file, "Package: bare\nMaintainer: Nobody <nobody@example.org>\nDescription: no version\n", false);
    std::unique_ptr<Package> p(Package::create("placeholder", "3:0.1-2", file));
    p->readInfo();
    EXPECT_STREQ(p->getName(), "bare");
    EXPECT_EQ(p->getVersion()->toString(), "3:0.1-2");
    // A new package's architecture stays empty: no "noarch" is made up here.
    EXPECT_STREQ(p->getArch(), "");
}

TEST_F(DebPackageTest, NonDebianFileFailsAfterTheRecordIsFilled) {
    const std::string file = tmp / "not a package.deb";
    testutil::writeFile(file, "just text\n");
    std::unique_ptr<Package> p(Package::create("placeholder", "0.1", file));
    error e = raisedError([&] { p->readInfo(); });
    EXPECT_EQ(e.text(), "Failed to read the " + file + " package file.\nvantrell: Error in execution of dpkg\n");
    EXPECT_EQ(codesOf(e), "(4,2,2,2)");
    EXPECT_EQ(p->size, 10);
    EXPECT_EQ(md5Text(p->getMd5()), md5sumOf(file));
}

TEST_F(DebPackageTest, ErrorsBeforeTheEndAreQualifiedWithTheFileName) {
    const std::string missing = tmp / "missing.deb";
    std::unique_ptr<Package> p(Package::create("placeholder", "0.1", missing));
    error e = raisedError([&] { p->readInfo(); });
    EXPECT_EQ(e.text(), "Failed to read the " + missing + " package file.\nUnable to get MD5 checksum of " + missing +
                            " file.\n");
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");

    const std::string file = tmp / "badversion.deb";
    buildDeb(file, "Package: bad\nVersion: -1\nArchitecture: all\nMaintainer: N <n@example.org>\nDescription: x\n",
             false);
    std::unique_ptr<Package> q(Package::create("placeholder", "0.1", file));
    e = raisedError([&] { q->readInfo(); });
    EXPECT_EQ(e.text(), "Failed to read the " + file + " package file.\nVersion is not specified. Error in Version, line 91.\n");
    EXPECT_EQ(codesOf(e), "(1,1,1,3)");
}

// A package that has lost its version before reading: nothing in the file gives one back.
class VersionlessDeb : public DebPackage {
public:
    VersionlessDeb() : DebPackage("x", "1") { setVersion(nullptr); }
};

TEST_F(DebPackageTest, NoVersionAfterReadingIsAnInternalError) {
    const std::string file = tmp / "bare.deb";
    buildDeb(file, "Package: bare\nMaintainer: Nobody <nobody@example.org>\nDescription: no version\n", false);
    VersionlessDeb p;
    p.setFileName(file);
    error e = raisedError([&] { p.readInfo(); });
    EXPECT_EQ(e.text(), "Failed to read the " + file +
                            " package file.\nAn internal error occured in vantrell, rev.297274 DebPackage, line 55.\n");
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
}

}  // namespace
