// Detection over release files, container status and device files that this test puts in
// place of the host's, each scenario in a child with a mount namespace of its own.
#include "common/Opsys.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>

#include "OpsysScenario.h"
#include "common/Log.h"
#include "common/Messages.h"
#include "support/TestUtil.h"

using opsystest::count;
using opsystest::Detection;
using opsystest::detect;
using opsystest::inChild;

namespace {

class OpsysSandboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        Log::resetForTest();
    }
    void TearDown() override { Log::resetForTest(); }
};

void check(int rc, const std::string& what) {
    if (rc != 0) throw std::runtime_error(what + ": " + std::strerror(errno));
}

// In the child: a mount namespace of its own and an /etc that holds only `files`.
void etcWith(const std::map<std::string, std::string>& files) {
    check(::unshare(CLONE_NEWNS), "unshare");
    check(::mount("vn-etc", "/etc", "tmpfs", 0, "mode=0755"), "mount /etc");
    for (const auto& f : files) testutil::writeFile("/etc/" + f.first, f.second);
}

std::string arch() {
    std::string out = testutil::shell("uname -m").out;
    return out.substr(0, out.find('\n'));
}

TEST_F(OpsysSandboxTest, ReleaseFiles) {
    const std::string a = arch();
    struct Case {
        std::map<std::string, std::string> files;
        const char* versionOverride;
        std::string printed;  // vendor, name and version; the host's arch follows
        std::string error;
        const char* why;
        const char* logged = "";  // a text the log holds once
    } cases[] = {
        {{{"redhat-release", "CentOS release 5.5 (Final)\n"}}, "", "CentOS Linux 5.5", "", ""},
        {{{"redhat-release", "Red Hat Enterprise Linux Server release 5.5 (Tikanga)\n"}}, "", "RedHat Linux el5.5", "", ""},
        {{{"redhat-release", "Red Hat Enterprise Linux ES release 4 (Nahant)\n"}}, "", "RedHat Linux el4", "", ""},
        {{{"SuSE-release", "SUSE Linux Enterprise Server 10 (x86_64)\nVERSION = 10\nPATCHLEVEL = 2\n"}}, "",
         "SuSE Linux es10", "", "\"Enterprise Server\" comes first"},
        {{{"lsb-release", "DISTRIB_ID=Ubuntu\nDISTRIB_RELEASE=10.04\nDISTRIB_CODENAME=lucid\n"},
          {"debian_version", "squeeze/sid\n"}},
         "", "Ubuntu Linux 10.04", "", "lsb-release wins; debian_version is not read"},
        {{{"lsb-release", "DISTRIB_ID=\"Ubuntu\"\nDISTRIB_RELEASE=10.04\n"}}, "", "\"Ubuntu\" Linux 10.04", "",
         "kept on purpose: values keep their quotes"},
        {{{"lsb-release", "LSB_VERSION=core-2.0-noarch:core-3.0-noarch\n"}, {"debian_version", "5.0.4\n"}}, "",
         "Debian Linux 5.0.4", "", "an lsb-release without the two names falls through"},
        {{{"lsb-release", "DISTRIB_ID=Ubuntu\n"}, {"debian_version", "6.0\n"}}, "", "Debian Linux 6.0", "",
         "one name is not enough"},
        {{{"fedora-release", "Fedora Core release 6 (Zod)\n"}, {"redhat-release", "Fedora Core release 6 (Zod)\n"}},
         "", "FedoraCore Linux 6", "", ""},
        {{{"CloudLinux-release", "CloudLinux Server release 5.5\n"},
          {"redhat-release", "CloudLinux Server release 5.5\n"}},
         "", "CloudLinux Linux 5.5", "", ""},
        {{{"mandrake-release", "Mandrake Linux release 10.0 (Official) for i586\n"}}, "", "Mandrake Linux 10.0", "", ""},
        {{{"redhat-release", "CentOS release 4.8 (Final)\n"}}, "5.0", "CentOS Linux 5.0", "",
         "an override replaces a version that was found"},
        {{{"debian_version", "squeeze/sid\n"}}, "", "",
         "(4,1,1,2) Failed to retrieve the version of your operating system from the file /etc/debian_version\n",
         "no digits"},
        {{{"debian_version", ""}}, "", "",
         "(4,1,1,2) Failed to retrieve the version of your operating system from the file /etc/debian_version\n",
         "an empty file"},
        {{{"debian_version", "squeeze/sid\n"}}, "5.0", "Debian Linux 5.0", "", "the override stands in",
         "Error: Failed to retrieve the version of your operating system from the file /etc/debian_version\n"
         "Opsys detected as: os_vendor=Debian os_name=Linux version=5.0 arch="},
        {{}, "", "", "(3,1,1,3) An internal error occured in vantrell, rev.297274 Opsys, line 114.\n",
         "kept on purpose: no release file at all"},
        {{{"os-release", "ID=debian\nVERSION_ID=\"12\"\n"}}, "", "",
         "(3,1,1,3) An internal error occured in vantrell, rev.297274 Opsys, line 114.\n",
         "os-release is not one of the files"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printed + c.error + " " + c.why);
        Detection d = inChild([&] {
            etcWith(c.files);
            Opsys::override_os_version = c.versionOverride;
            return detect();
        });
        EXPECT_EQ(d.error, c.error);
        EXPECT_EQ(d.printed, c.printed.empty() ? "" : c.printed + " " + a);
        EXPECT_TRUE(d.printed.empty() || d.shared);
        if (*c.logged) {
            EXPECT_EQ(count(d.log, c.logged), 1) << d.log;
        }
    }
}

// Puts `file` in place of the status file of this process.
void statusFrom(const std::string& file) {
    check(::mount(file.c_str(), "/proc/self/status", nullptr, MS_BIND, nullptr), "bind status");
}

// Puts a /dev in place that holds /dev/null and, when `hdv1` is given, that file as hdv1.
void devWith(const std::string& hdv1) {
    testutil::TempDir* dev = new testutil::TempDir;  // lives as long as the child
    testutil::writeFile(*dev / "null", "");
    check(::mount("/dev/null", (*dev / "null").c_str(), nullptr, MS_BIND, nullptr), "bind null");
    if (!hdv1.empty()) testutil::writeFile(*dev / "hdv1", testutil::readFile(hdv1));
    check(::mount(dev->path().c_str(), "/dev", nullptr, MS_BIND | MS_REC, nullptr), "bind /dev");
}

TEST_F(OpsysSandboxTest, Environment) {
    const std::string dir = std::string(VN_FIXTURES_DIR) + "/common/opsys/";
    const std::string a = arch();
    struct Case {
        std::string status;  // "" keeps this process's own
        std::string hdv1;    // "" for none
        std::string printed;
    } cases[] = {
        {dir + "status-envid", "", "Debian Linux 7.1 " + a + " under bx"},
        {dir + "status-envid", dir + "hdv1-empty", "Debian Linux 7.1 " + a + " under bx"},
        {dir + "status-without-envid", dir + "hdv1-empty", "Debian Linux 7.1 " + a + " under lycos"},
        {"", dir + "hdv1-empty", "Debian Linux 7.1 " + a + " under lycos"},
        {"", dir + "hdv1-not-empty", "Debian Linux 7.1 " + a},
        {"", "", "Debian Linux 7.1 " + a},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status + " " + c.hdv1);
        Detection d = inChild([&] {
            etcWith({{"debian_version", "7.1\n"}});
            if (!c.status.empty()) statusFrom(c.status);
            devWith(c.hdv1);
            return detect();
        });
        EXPECT_EQ(d.error, "");
        EXPECT_EQ(d.printed, c.printed);
        size_t under = d.printed.find(" under ");
        std::string env = under == std::string::npos ? "" : d.printed.substr(under + 7);
        EXPECT_EQ(count(d.log, "Brindle envID: 0\n"), env == "bx" ? 1 : 0) << d.log;
        // The log shows an empty value as "~empty".
        EXPECT_EQ(count(d.log, " arch=" + a + " environment=" + (env.empty() ? "~empty" : env) + "\n"), 2) << d.log;
    }
}

}  // namespace
