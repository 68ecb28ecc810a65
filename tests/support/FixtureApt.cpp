#include "support/FixtureApt.h"

#include <gtest/gtest.h>

#include "support/TestUtil.h"

namespace testutil {

namespace {

void mustRun(const std::string& command) {
    const RunResult r = shell(command);
    ASSERT_EQ(r.status, 0) << command << "\n" << r.out << r.err;
}

}  // namespace

std::string aptRepository() { return std::string(VN_BINARY_DIR) + "/tests/apt-repository"; }

void useFixtureApt() {
    mustRun("mount -t tmpfs -o mode=0755 vn-etc-apt /etc/apt && cd /etc/apt && "
            "mkdir sources.list.d apt.conf.d preferences.d trusted.gpg.d");
    writeFile("/etc/apt/sources.list", "# the fixture repository is in sources.list.d\n");
    writeFile("/etc/apt/sources.list.d/fixture.list", "deb [trusted=yes] file:" + aptRepository() + "/repo vnfix main\n");
    writeFile("/etc/apt/apt.conf.d/00vantrell-test", "APT::Sandbox::User \"root\";\n");
    mustRun("mount -t tmpfs -o mode=0755 vn-dpkg /var/lib/dpkg && cd /var/lib/dpkg && "
            "mkdir info updates triggers && touch status available");
    mustRun("apt-get update -q");
    mustRun("dpkg -i " + aptRepository() + "/installed/*.deb");
}

}  // namespace testutil
