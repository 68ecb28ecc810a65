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

std::string sandboxOrSkip() {
    testutil::RunResult probe = testutil::run({VN_SANDBOX, "/bin/true"});
    if (probe.status == 77) return "";
    return VN_SANDBOX;
}

// What the host shows at the fixed places: whether each exists, and what would change if a
// program touched it (the file's identity, size, times and bytes; the segment's attach and
// detach times and last process).
std::string fileState(const char* path) {
    struct stat st;
    if (::lstat(path, &st) != 0) return std::string(path) + " absent";
    std::ostringstream s;
    s << path << " ino=" << st.st_ino << " size=" << st.st_size << " mtime=" << st.st_mtim.tv_sec << "."
      << st.st_mtim.tv_nsec << " content=" << (S_ISREG(st.st_mode) ? testutil::readFile(path) : "?");
    return s.str();
}

std::string hostState() {
    std::ostringstream s;
    s << fileState("/tmp/nvo-installer.lock") << "\n" << fileState("/etc/vn-sandbox-probe") << "\n";
    const int id = ::shmget(321456, 0, 0);
    struct shmid_ds ds;
    if (id < 0 || ::shmctl(id, IPC_STAT, &ds) != 0)
        s << "shm absent\n";
    else
        s << "shm id=" << id << " atime=" << ds.shm_atime << " dtime=" << ds.shm_dtime << " lpid=" << ds.shm_lpid
          << " nattch=" << ds.shm_nattch << "\n";
    s << testutil::shell("ipcs -m").out;
    return s.str();
}

// Compared before and after, so it also holds on a host that already has the lock file or
// the segment: the probe appends to and attaches to whatever it finds.
TEST(SandboxHelper, HostStaysUnchanged) {
    if (sandboxOrSkip().empty()) GTEST_SKIP() << "no namespaces here";
    const std::string before = hostState();

    testutil::RunResult r = testutil::run({VN_SANDBOX, testutil::program("prog_sandbox_probe")});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "probe done\n");

    EXPECT_EQ(hostState(), before);
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
