#include "common/Opsys.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "OpsysScenario.h"
#include "common/Log.h"
#include "common/Messages.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

using opsystest::count;
using opsystest::Detection;
using opsystest::detect;
using opsystest::fakeUname;
using opsystest::inChild;

namespace {

class OpsysTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        Log::resetForTest();
    }
    void TearDown() override { Log::resetForTest(); }
};

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string printed(const Opsys& os) {
    std::ostringstream s;
    s << os;
    return s.str();
}

TEST_F(OpsysTest, ThisDebianHost) {
    std::string version = firstLine(testutil::readFile("/etc/debian_version"));
    std::string arch = firstLine(testutil::shell("uname -m").out);
    std::string fields = " os_vendor=Debian os_name=Linux version=" + version + " arch=" + arch + " environment=~empty\n";

    Detection d = inChild();
    EXPECT_EQ(d.error, "");
    EXPECT_EQ(d.printed, "Debian Linux " + version + " " + arch);
    EXPECT_TRUE(d.shared);
    EXPECT_EQ(count(d.log, "Opsys detected as:" + fields), 1) << d.log;
    EXPECT_EQ(count(d.log, "Final opsys (with overriding) is:" + fields), 1) << d.log;
}

TEST_F(OpsysTest, Overrides) {
    std::string version = firstLine(testutil::readFile("/etc/debian_version"));
    std::string arch = firstLine(testutil::shell("uname -m").out);

    // Only the field of the override changes.
    Detection d = inChild([] {
        Opsys::override_os_arch = "i386";
        return detect();
    });
    EXPECT_EQ(d.printed, "Debian Linux " + version + " i386");
    EXPECT_EQ(count(d.log, "Opsys detected as: os_vendor=Debian os_name=Linux version=" + version + " arch=" +
                               arch + " environment=~empty\n"),
              1)
        << d.log;
    EXPECT_EQ(count(d.log, "Final opsys (with overriding) is: os_vendor=Debian os_name=Linux version=" +
                               version + " arch=i386 environment=~empty\n"),
              1)
        << d.log;

    d = inChild([] {
        Opsys::override_os_name = "Windows-server";
        Opsys::override_os_vendor = "Microsoft";
        Opsys::override_os_version = "2008";
        Opsys::override_os_arch = "x86";
        Opsys::override_environment = "bx";
        return detect();
    });
    EXPECT_EQ(d.printed, "Microsoft Windows-server 2008 x86 under bx");

    // Overrides set after the first detection change nothing.
    d = inChild([] {
        Opsys first;
        Opsys::override_os_arch = "i386";
        Opsys::override_environment = "bx";
        return detect();
    });
    EXPECT_EQ(d.printed, "Debian Linux " + version + " " + arch);
    EXPECT_EQ(d.log, "") << "detected once per process";
}

TEST_F(OpsysTest, GivenSystemsAreNotDetected) {
    Detection d = inChild([] {
        testutil::LogCapture capture(3);
        Opsys::override_os_arch = "x86_64";
        Opsys centos("Linux", "CentOS", "5.5", "i686", "bx");
        Opsys plain("FreeBSD", "FreeBSD", "8.1", "amd64", "");
        Opsys copy = plain;
        Detection r;
        r.printed = printed(centos) + "|" + printed(plain) + "|" + copy.os_vendor() + copy.version();
        r.shared = &copy.arch() == &plain.arch() && &centos.arch() != &plain.arch();
        r.log = capture.text();
        return r;
    });
    EXPECT_EQ(d.printed, "CentOS Linux 5.5 i686 under bx|FreeBSD FreeBSD 8.1 amd64|FreeBSD8.1");
    EXPECT_TRUE(d.shared);
    EXPECT_EQ(d.log, "");
}

TEST_F(OpsysTest, OtherKernels) {
    struct Case {
        const char* s;
        const char* m;
        const char* r;
        const char* printed;
        const char* error;
    } cases[] = {
        {"FreeBSD", "amd64", "8.1-RELEASE", "FreeBSD FreeBSD 8.1 amd64", ""},
        {"FreeBSD", "i386", "7.0-STABLE-p3", "FreeBSD FreeBSD 7.0 i386", ""},
        {"Darwin", "Power Macintosh", "8.11.0", "Apple MacOS 10.4w powerpc", ""},
        {"Darwin", "i386", "9.8.0", "Apple MacOS 10.4w i386", ""},
        {"SunOS", "sun4u", "5.10", "",
         "(4,1,1,2) Your operating system is not supported by this version of Corvane Products Installer.\n"},
        {"FreeBSD", "amd64", nullptr, "", "(4,1,1,2) Failed to detect the version of your operating system.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.s) + " " + c.m);
        Detection d = inChild([&] {
            fakeUname(c.s, c.m, c.r);
            return detect();
        });
        EXPECT_EQ(d.printed, c.printed);
        EXPECT_EQ(d.error, c.error);
        if (c.printed[0]) {
            // The kernels without a container test.
            EXPECT_NE(d.log.find("Opsys detected as: os_vendor="), std::string::npos) << d.log;
            EXPECT_NE(d.log.find(" environment=~empty\n"), std::string::npos) << d.log;
        }
    }
}

TEST_F(OpsysTest, UnsupportedKernelIsLoggedWithoutLineEnd) {
    Detection d = inChild([] {
        fakeUname("SunOS", "sun4u", "5.10");
        return detect();
    });
    ASSERT_GE(d.log.size(), 30u);
    EXPECT_EQ(d.log.substr(d.log.size() - 30), "Unsupported OS detected: SunOS");
}

TEST_F(OpsysTest, UnameFailuresAndAnotherTry) {
    for (bool failName : {true, false}) {
        SCOPED_TRACE(failName ? "uname -s" : "uname -m");
        Detection d = inChild([&] {
            fakeUname(failName ? nullptr : "FreeBSD", failName ? "amd64" : nullptr, "8.1-RELEASE");
            Detection failed = detect();
            // Nothing was kept, so the next construction detects again.
            fakeUname("FreeBSD", "amd64", "8.1-RELEASE");
            Detection again = detect();
            again.error = failed.error + again.error;
            return again;
        });
        EXPECT_EQ(d.error.rfind("(4,2,2,2) Failed to detect the system architecture type:\n", 0), 0u) << d.error;
        EXPECT_EQ(d.printed, "FreeBSD FreeBSD 8.1 amd64");
        EXPECT_EQ(count(d.log, "Opsys detected as:"), 1) << d.log;
    }
}

TEST_F(OpsysTest, ContainerByEnvId) {
    const std::string dir = std::string(VN_FIXTURES_DIR) + "/common/opsys/";
    testutil::LogCapture capture(2);
    // Kept on purpose: envID 0 counts as a container.
    EXPECT_TRUE(Opsys::isContainerByEnvId(dir + "status-envid"));
    EXPECT_EQ(capture.text(), "Brindle envID: 0\n");

    EXPECT_FALSE(Opsys::isContainerByEnvId(dir + "status-without-envid"));
    EXPECT_FALSE(Opsys::isContainerByEnvId(dir + "missing"));
    EXPECT_FALSE(Opsys::isContainerByEnvId(dir));
    EXPECT_FALSE(Opsys::isContainerByEnvId());  // this host is no container
    EXPECT_EQ(capture.text(), "Brindle envID: 0\n");

    // A line longer than the read buffer does not end the search.
    testutil::TempDir tmp;
    testutil::writeFile(tmp / "status", "Name:\tx\n" + std::string(5000, 'a') + "\nenvID:\t101\n");
    EXPECT_TRUE(Opsys::isContainerByEnvId(tmp / "status"));
    EXPECT_EQ(capture.text(), "Brindle envID: 0\nBrindle envID: 101\n");
}

TEST_F(OpsysTest, ContainerByDevice) {
    const std::string dir = std::string(VN_FIXTURES_DIR) + "/common/opsys/";
    EXPECT_TRUE(Opsys::isContainerByDevice(dir + "hdv1-empty"));
    EXPECT_FALSE(Opsys::isContainerByDevice(dir + "hdv1-not-empty"));
    EXPECT_FALSE(Opsys::isContainerByDevice(dir + "missing"));
    EXPECT_FALSE(Opsys::isContainerByDevice("/dev/null"));  // a device, not a regular file
    testutil::TempDir tmp;
    EXPECT_FALSE(Opsys::isContainerByDevice(tmp.path()));
    EXPECT_FALSE(Opsys::isContainerByDevice());  // this host has none
}

}  // namespace
