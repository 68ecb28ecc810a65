#include "common/hostinfo.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "support/TestUtil.h"

namespace {

std::string md5Of(const std::string& data, size_t piece) {
    Md5Context ctx;
    md5Init(&ctx);
    for (size_t at = 0; at < data.size(); at += piece)
        md5Update(&ctx, data.data() + at, std::min(piece, data.size() - at));
    char out[33];
    EXPECT_EQ(md5ToHex(&ctx, out), out);
    return out;
}

TEST(md5, TestSuiteOfRfc1321) {
    struct Case {
        const char* in;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases) {
        // Whole, byte by byte and in pieces that straddle the 64-byte blocks.
        for (size_t piece : {size_t(1), size_t(7), size_t(63), size_t(1000)})
            EXPECT_EQ(md5Of(c.in, piece), c.digest) << c.in << " in pieces of " << piece;
    }
}

TEST(md5, FinalClearsTheContextAndHexCanAllocate) {
    Md5Context ctx;
    md5Init(&ctx);
    md5Update(&ctx, "abc", 3);
    unsigned char digest[16];
    md5Final(digest, &ctx);
    EXPECT_EQ(digest[0], 0x90);
    EXPECT_EQ(digest[15], 0x72);
    Md5Context zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(&ctx, &zero, sizeof ctx), 0);

    md5Init(&ctx);
    char* text = md5ToHex(&ctx, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "d41d8cd98f00b204e9800998ecf8427e");
    std::free(text);
}

TEST(md5, FileDigestMatchesMd5sum) {
    testutil::TempDir tmp;
    std::mt19937 rng(1321);
    for (size_t size : {size_t(0), size_t(8191), size_t(8192), size_t(8193), size_t(1048577)}) {
        std::string data(size, '\0');
        for (char& c : data) c = static_cast<char>(rng());
        const std::string path = tmp / ("f" + std::to_string(size));
        testutil::writeFile(path, data);
        testutil::RunResult sum = testutil::run({"/usr/bin/md5sum", path});
        ASSERT_EQ(sum.status, 0);
        char out[33];
        ASSERT_EQ(md5File(path.c_str(), out), out) << size;
        EXPECT_EQ(std::string(out), sum.out.substr(0, 32)) << size;
        if (size == 0) {
            EXPECT_STREQ(out, "d41d8cd98f00b204e9800998ecf8427e");
        }
    }

    char* allocated = md5File((tmp / "f8192").c_str(), nullptr);
    ASSERT_NE(allocated, nullptr);
    EXPECT_EQ(std::strlen(allocated), 32u);
    std::free(allocated);

    char out[33];
    errno = 0;
    EXPECT_EQ(md5File((tmp / "missing").c_str(), out), nullptr);
    EXPECT_EQ(errno, ENOENT);
    // A directory opens but cannot be read: no digest rather than the digest of nothing.
    errno = 0;
    EXPECT_EQ(md5File(tmp.path().c_str(), out), nullptr);
    EXPECT_EQ(errno, EISDIR);
}

// The digest of an open file is the digest of that file, whatever happens to its name and
// wherever its offset stands.
TEST(md5, DescriptorDigestIsOfTheOpenFile) {
    testutil::TempDir tmp;
    const std::string path = tmp / "f";
    testutil::writeFile(path, std::string(20000, 'x'));
    char expected[33];
    ASSERT_NE(md5File(path.c_str(), expected), nullptr);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::lseek(fd, 1234, SEEK_SET), 1234);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    testutil::writeFile(path, "another file at the name");
    char out[33];
    ASSERT_EQ(md5Descriptor(fd, out), out);
    EXPECT_STREQ(out, expected);
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 1234) << "the offset stays";
    ::close(fd);

    fd = ::open(tmp.path().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    errno = 0;
    EXPECT_EQ(md5Descriptor(fd, out), nullptr);
    EXPECT_EQ(errno, EISDIR);
    ::close(fd);
}

InterfaceAddress entry(const char* name, const char* addr, const char* mask) {
    InterfaceAddress a;
    std::memset(&a, 0, sizeof a);
    std::strncpy(a.name, name, sizeof a.name - 1);
    a.addr = ::inet_addr(addr);
    a.netmask = ::inet_addr(mask);
    return a;
}

int sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

TEST(interfaces, SortOrder) {
    struct Case {
        InterfaceAddress a, b;
        int order;
    } cases[] = {
        {entry("eth0", "10.0.0.1", "255.0.0.0"), entry("eth0", "10.0.0.1", "255.0.0.0"), 0},
        {entry("eth0", "192.0.2.1", "255.0.0.0"), entry("eth1", "10.0.0.1", "255.0.0.0"), -1},
        {entry("eth0", "192.0.2.1", "255.0.0.0"), entry("eth0:1", "10.0.0.1", "255.0.0.0"), -1},
        // by value in host order: in network order the first octets would not lead
        {entry("eth0", "10.0.0.1", "255.0.0.0"), entry("eth0", "9.0.0.2", "255.0.0.0"), 1},
        {entry("eth0", "10.0.0.1", "255.255.255.0"), entry("eth0", "10.0.0.1", "255.255.0.0"), 1},
        // unsigned: the high bit does not make an address negative
        {entry("eth0", "200.0.0.1", "255.0.0.0"), entry("eth0", "100.0.0.1", "255.0.0.0"), 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sign(compareInterfaceAddresses(&c.a, &c.b)), c.order) << c.a.name << " " << c.b.name;
        EXPECT_EQ(sign(compareInterfaceAddresses(&c.b, &c.a)), -c.order) << c.a.name << " " << c.b.name;
    }
}

}  // namespace
