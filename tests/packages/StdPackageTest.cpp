#include "packages/StdPackage.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "common/Messages.h"
#include "common/error.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

class StdPackageTest : public testutil::EnglishTest {
protected:
    // An empty file at `path` under the private prefix, whose full path is returned.
    std::string makeFile(const std::string& path, const std::string& content = "") {
        const std::string full = tmp.path() + path;
        EXPECT_EQ(testutil::run({"/bin/mkdir", "-p", full.substr(0, full.rfind('/'))}).status, 0);
        testutil::writeFile(full, content);
        return full;
    }

    std::string provides(const Package& p) {
        std::ostringstream s;
        for (unsigned i = 0; const Dependency* d = p.getProvide(i); ++i) s << *d << ";";
        return s.str();
    }

    testutil::TempDir tmp;
};

TEST_F(StdPackageTest, FileNameTable) {
    struct Case {
        const char* path;
        const char* name;
        const char* version;  // toString() of the new version
        const char* arch;
    } cases[] = {
        {"/opt/pkgs/tool_v1.2_build5_os_RedHat_el5_i386.sh", "tool", "1.2-5", "i386"},
        {"/opt/pkgs/my_tool_v2:1.1_build7_os_Debian_4.0_i686.sh", "my_tool", "2:1.1-7", "i686"},
        // The arch is what follows the last '_': an arch with '_' in it is cut.
        {"/opt/pkgs/tool_v1_build2_os_Debian_4.0_x86_64.sh", "tool", "1-2", "64"},
        {"/x/a_v1_build2_os_Fedora_Core_6_i686.sh", "a", "1-2", "i686"},
        // The name runs to the last "_v" that still leaves the rest to match.
        {"/a/b/my_v_tool_v1.0_build3_os_RedHat_el5_i386.sh", "my_v_tool", "1.0-3", "i386"},
        // An empty build number gives no release.
        {"/x/tool_v1.2_build_os_RedHat_el5_i386.sh", "tool", "1.2", "i386"},
        // A '-' in the version stays there; the build number is the release.
        {"/x/tool_v1.2-rc1_build4_os_RedHat_el5_i386.sh", "tool", "1.2-rc1-4", "i386"},
        // Not anchored, and the '.' before "sh" is any character.
        {"/x/tool_v1.2_build5_os_RedHat_el5_i386.sh.orig", "tool", "1.2-5", "i386"},
        {"/x/tool_v1.2_build5_os_RedHat_el5_i386xsh", "tool", "1.2-5", "i386"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string file = makeFile(c.path);
        StdPackage p("placeholder", "0.1-1");
        p.setFileName(file);
        p.readInfo();
        EXPECT_STREQ(p.getName(), c.name);
        EXPECT_EQ(p.getVersion()->toString(), c.version);
        EXPECT_STREQ(p.getArch(), c.arch);
        EXPECT_EQ(provides(p), std::string(c.name) + " = " + c.version + ";");
        EXPECT_EQ(p.getFileName(), file);
    }
}

TEST_F(StdPackageTest, VersionPartsOfTheFileName) {
    const std::string file = makeFile("/opt/pkgs/my_tool_v2:1.1_build7_os_Debian_4.0_i686.sh");
    StdPackage p("placeholder", "0.1-1");
    p.setFileName(file);
    p.readInfo();
    const Version& v = *p.getVersion();
    EXPECT_TRUE(v.hasEpoch());
    EXPECT_EQ(v.getEpoch(), 2u);
    EXPECT_EQ(v.getVersion(), "1.1");
    EXPECT_EQ(v.getRelease(), "7");
}

TEST_F(StdPackageTest, OtherFileNamesAreRefusedAndChangeNothing) {
    const std::string cases[] = {
        // The os part needs two words joined by '_' before the arch.
        makeFile("/x/a_v1_build2_os_RedHat_i686.sh"),
        // No directory.
        "tool_v1.2_build5_os_RedHat_el5_i386.sh",
        makeFile("/x/tool-1.2-5.sh"),
    };
    for (const std::string& file : cases) {
        SCOPED_TRACE(file);
        StdPackage p("placeholder", "0.1-1");
        p.setFileName(file);
        error e = raisedError([&] { p.readInfo(); });
        EXPECT_EQ(e.text(), "Incorrect package file name " + file + ".\n");
        EXPECT_EQ(codesOf(e), "(1,1,1,3)");
        EXPECT_EQ(p.toString(), "placeholder-0.1-1");
        EXPECT_EQ(p.getProvide(0), nullptr);
        EXPECT_EQ(p.size, 0);
    }
}

TEST_F(StdPackageTest, EmptyVersionIsRefusedAfterNameAndArch) {
    const std::string file = makeFile("/x/tool_v_build5_os_RedHat_el5_i386.sh");
    StdPackage p("placeholder", "0.1-1");
    p.setFileName(file);
    error e = raisedError([&] { p.readInfo(); });
    EXPECT_EQ(e.text(), Messages::getMessage("err_empty_version") + "\n");
    EXPECT_STREQ(p.getName(), "tool");
    EXPECT_STREQ(p.getArch(), "i386");
    EXPECT_EQ(p.getProvide(0), nullptr);
}

TEST_F(StdPackageTest, FileFactsAndLogLine) {
    const std::string file = makeFile("/opt/pkgs/tool_v1.2_build5_os_RedHat_el5_i386.sh", "#!/bin/sh\nexit 0\n");
    StdPackage p("placeholder", "0.1-1");
    p.setFileName(file);
    testutil::LogCapture log(2);
    p.readInfo();
    EXPECT_EQ(log.text(), "readInfo " + file + "\n");
    EXPECT_EQ(p.size, 17);
    EXPECT_EQ(md5Text(p.getMd5()), testutil::run({"/usr/bin/md5sum", file}).out.substr(0, 32));
    EXPECT_NE(p.fileTime, 0);
}

TEST_F(StdPackageTest, MissingFileRaisesAfterTheNameIsRead) {
    const std::string file = tmp / "tool_v1.2_build5_os_RedHat_el5_i386.sh";
    StdPackage p("placeholder", "0.1-1");
    p.setFileName(file);
    error e = raisedError([&] { p.readInfo(); });
    EXPECT_EQ(e.text(), "Unable to get MD5 checksum of " + file + " file.\n");
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(p.toString(), "tool-1.2-5.i386");
}

TEST_F(StdPackageTest, EveryReadAddsTheSelfProvideAgain) {
    const std::string file = makeFile("/opt/pkgs/tool_v1.2_build5_os_RedHat_el5_i386.sh");
    StdPackage p("placeholder", "0.1-1");
    p.setFileName(file);
    p.readInfo();
    p.readInfo();
    EXPECT_EQ(provides(p), "tool = 1.2-5;tool = 1.2-5;");
}

}  // namespace
