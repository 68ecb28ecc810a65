// The namespace helper itself, run from the host: what a sandboxed program changes in /tmp,
// /etc and System V shared memory must not reach the host.
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "support/TestUtil.h"

namespace {

bool hostHasShm() { return ::shmget(321456, 0, 0) >= 0; }

std::string sandboxOrSkip() {
    testutil::RunResult probe = testutil::run({VN_SANDBOX, "/bin/true"});
    if (probe.status == 77) return "";
    return VN_SANDBOX;
}

TEST(SandboxHelper, HostStaysUnchanged) {
    if (sandboxOrSkip().empty()) GTEST_SKIP() << "no namespaces here";
    if (::access("/tmp/nvo-installer.lock", F_OK) == 0 || hostHasShm())
        GTEST_SKIP() << "the host already has the lock file or the shared memory";
    const std::string ipcsBefore = testutil::shell("ipcs -m").out;

    testutil::RunResult r = testutil::run({VN_SANDBOX, testutil::program("prog_sandbox_probe")});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "probe done\n");

    EXPECT_NE(::access("/tmp/nvo-installer.lock", F_OK), 0);
    EXPECT_FALSE(hostHasShm());
    EXPECT_NE(::access("/etc/vn-sandbox-probe", F_OK), 0);
    EXPECT_EQ(testutil::shell("ipcs -m").out, ipcsBefore);
}

// What the fresh /tmp may show: the top of a kept tree (the source and build trees and the
// working directory, when a clone lies under /tmp).
std::set<std::string> keptTopsUnderTmp() {
    std::set<std::string> tops;
    char cwd[4096];
    std::string here = ::getcwd(cwd, sizeof cwd) ? cwd : "";
    for (std::string p : {std::string(VN_SOURCE_DIR), std::string(VN_BINARY_DIR), here}) {
        if (p.compare(0, 5, "/tmp/") != 0) continue;
        tops.insert(p.substr(5, p.find('/', 5) == std::string::npos ? std::string::npos : p.find('/', 5) - 5));
    }
    return tops;
}

std::set<std::string> lines(const std::string& text) {
    std::set<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.insert(l);
    return out;
}

TEST(SandboxHelper, PrivateViewOfFixedPlaces) {
    if (sandboxOrSkip().empty()) GTEST_SKIP() << "no namespaces here";
    testutil::RunResult r = testutil::run(
        {VN_SANDBOX, "/bin/sh", "-c",
         "ip -o link | wc -l; ip -o link show lo | grep -c UP; "
         "test -f /etc/passwd && echo etc-visible; hostname"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\n1\netc-visible\nvn-sandbox\n");

    testutil::RunResult tmp = testutil::run({VN_SANDBOX, "/bin/ls", "-A", "/tmp"});
    EXPECT_EQ(tmp.status, 0) << tmp.err;
    std::set<std::string> shown = lines(tmp.out), allowed = keptTopsUnderTmp();
    for (const auto& name : shown) EXPECT_TRUE(allowed.count(name)) << name << " in the fresh /tmp";
}

TEST(SandboxHelper, EmptyReplacesADirectory) {
    if (sandboxOrSkip().empty()) GTEST_SKIP() << "no namespaces here";
    testutil::RunResult r =
        testutil::run({VN_SANDBOX, "--empty", "/etc", "--", "/bin/sh", "-c", "ls -A /etc | wc -l"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\n");
}

// CI may clone under /tmp: kept directories there stay reachable, and writes reach the host.
TEST(SandboxHelper, KeptDirectoriesUnderTmpStayReachable) {
    if (sandboxOrSkip().empty()) GTEST_SKIP() << "no namespaces here";
    char tmpl[] = "/tmp/vn-clone-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    testutil::writeFile(dir + "/script.sh", "#!/bin/sh\necho reached > \"$(dirname \"$0\")/out\"\nls -A /tmp\n");
    ::chmod((dir + "/script.sh").c_str(), 0755);

    testutil::RunResult r = testutil::run({VN_SANDBOX, "--keep", dir, "--", dir + "/script.sh"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::set<std::string> expected = keptTopsUnderTmp();
    expected.insert(dir.substr(5));
    EXPECT_EQ(lines(r.out), expected) << "only kept trees show in the fresh /tmp";
    EXPECT_EQ(testutil::readFile(dir + "/out"), "reached\n");
    testutil::shell("rm -rf '" + dir + "'");
}

TEST(SandboxHelper, ExitStatusPassesThrough) {
    if (sandboxOrSkip().empty()) GTEST_SKIP() << "no namespaces here";
    EXPECT_EQ(testutil::run({VN_SANDBOX, "/bin/sh", "-c", "exit 3"}).status, 3);
}

}  // namespace
