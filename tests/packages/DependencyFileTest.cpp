// Also built into the address-sanitizer target.
#include "packages/DependencyFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "common/error.h"

namespace {

TEST(DependencyFile, DigestRecordsAreDistinctAndZeroed) {
    // One more than a block holds, so that the second block is used too.
    std::vector<DependencyFile::md5rep_t*> records;
    std::set<const void*> seen;
    const unsigned char zero[16] = {};
    for (int i = 0; i < 16385; ++i) {
        DependencyFile::md5rep_t* r = new DependencyFile::md5rep_t;
        ASSERT_TRUE(seen.insert(r).second) << "record " << i << " handed out twice";
        ASSERT_EQ(std::memcmp(r->digest, zero, 16), 0) << "record " << i;
        records.push_back(r);
    }
    // Filling one record leaves its neighbours alone.
    std::memset(records[100]->digest, 0xff, 16);
    EXPECT_EQ(std::memcmp(records[99]->digest, zero, 16), 0);
    EXPECT_EQ(std::memcmp(records[101]->digest, zero, 16), 0);
}

TEST(DependencyFile, DigestRecordOfAnotherSizeIsAnInternalError) {
    try {
        DependencyFile::md5rep_t::operator new(8);
        FAIL() << "no error";
    } catch (const error& e) {
        EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 md5rep, line 8.\n");
        EXPECT_EQ((std::vector<int>{e.e_class, e.e_rep, e.e_sys, e.e_supp}), (std::vector<int>{3, 1, 1, 3}));
    }
}

TEST(DependencyFile, ReleasingADigestRecordOnlySaysSo) {
    DependencyFile::md5rep_t* r = new DependencyFile::md5rep_t;
    std::memset(r->digest, 0xab, 16);
    testing::internal::CaptureStdout();
    delete r;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "void DependencyFile::md5rep_t::operator delete \n");
    // The record is not reused: the next one is a fresh, zeroed record elsewhere.
    DependencyFile::md5rep_t* next = new DependencyFile::md5rep_t;
    EXPECT_NE(next, r);
    const unsigned char zero[16] = {};
    EXPECT_EQ(std::memcmp(next->digest, zero, 16), 0);
}

}  // namespace

// The file dependency itself ------------------------------------------------------------------

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <sstream>
#include <string>

#include "common/Log.h"
#include "common/Messages.h"
#include "packages/DependencyLogical.h"
#include "packages/Package.h"
#include "packages/internString.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

const char* const emptyMd5 = "d41d8cd98f00b204e9800998ecf8427e";
const int regularMode = S_IFREG | 0644;

std::string hexOf(const DependencyFile::md5rep_t& r) { return md5Text(r); }

TEST(DependencyFilePaths, SplitAtTheLastSlash) {
    struct Case {
        const char* path;
        const char* directory;
        const char* base;
    } cases[] = {
        {"/etc/a", "/etc/", "a"},
        {"/usr/lib/x86_64-linux-gnu/libc.so.6", "/usr/lib/x86_64-linux-gnu/", "libc.so.6"},
        {"a", "", "a"},
        {"dir/x", "dir/", "x"},
        {"/", "/", ""},
        {"/usr/bin/", "/usr/bin/", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        DependencyFile d(c.path, 0, "", nullptr);
        EXPECT_EQ(d.getDirectory(), internString(c.directory)) << c.path;
        EXPECT_EQ(d.getBaseName(), internString(c.base)) << c.path;
        EXPECT_EQ(d.getName(), c.path);
        std::ostringstream s;
        s << d;
        EXPECT_EQ(s.str(), c.path);
    }
}

TEST(DependencyFilePaths, FileTypesOfRealFiles) {
    testutil::TempDir tmp;
    testutil::writeFile(tmp / "file", "x");
    ASSERT_EQ(::mkdir((tmp / "dir").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("file", (tmp / "link").c_str()), 0);
    ASSERT_EQ(::mkfifo((tmp / "fifo").c_str(), 0644), 0);
    struct Case {
        const char* name;
        bool regular;
        bool directory;
    } cases[] = {{"file", true, false}, {"dir", false, true}, {"link", false, false}, {"fifo", false, false}};
    for (const Case& c : cases) {
        struct stat st;
        ASSERT_EQ(::lstat((tmp / c.name).c_str(), &st), 0);
        DependencyFile d(tmp / c.name, static_cast<int>(st.st_mode), "", nullptr);
        EXPECT_EQ(d.isRegularFile(), c.regular) << c.name;
        EXPECT_EQ(d.isDirectory(), c.directory) << c.name;
        // Only the low 16 bits carry the type.
        d.setMode(static_cast<int>(st.st_mode) | 0x30000);
        EXPECT_EQ(d.isRegularFile(), c.regular) << c.name;
        EXPECT_EQ(d.isDirectory(), c.directory) << c.name;
    }
    // librpm's file-type test calls every mode without a known type a regular file: mode 0
    // (what package texts give when they carry no mode) and the clone's 12345 too.
    for (int mode : {0, 12345, 0644}) {
        DependencyFile d("/x", mode, "", nullptr);
        EXPECT_TRUE(d.isRegularFile()) << mode;
        EXPECT_FALSE(d.isDirectory()) << mode;
    }
}

TEST(DependencyFileDigests, RegularFilesKeepADigestOthersAText) {
    struct Case {
        int mode;
        const char* given;
        bool hasDigest;
        const char* md5String;
    } cases[] = {
        {regularMode, "D41D8CD98F00B204E9800998ECF8427E", true, emptyMd5},
        {regularMode, "00112233445566778899aabbccddeeff", true, "00112233445566778899aabbccddeeff"},
        {regularMode, "", false, ""},
        {S_IFLNK | 0777, "../lib/libfoo.so.1", false, "../lib/libfoo.so.1"},
        {S_IFDIR | 0755, emptyMd5, false, emptyMd5},
        {0, emptyMd5, true, emptyMd5},
        {S_IFIFO | 0644, "anything", false, "anything"},
    };
    for (const Case& c : cases) {
        DependencyFile d("/usr/lib/f", c.mode, c.given, nullptr);
        EXPECT_EQ(d.getDigest() != nullptr, c.hasDigest) << c.given;
        EXPECT_EQ(d.getMd5String(), c.md5String) << c.given;
    }
}

TEST(DependencyFileDigests, ARegularFileBuiltWithoutDigestGivesTheEmptyText) {
    DependencyFile d("/etc/a", regularMode, "", nullptr);
    EXPECT_EQ(d.getDigest(), nullptr);
    EXPECT_EQ(d.getMd5String(), "");
    d.setMd5("");  // changes nothing
    EXPECT_EQ(d.getDigest(), nullptr);
    d.setMd5(emptyMd5);
    ASSERT_NE(d.getDigest(), nullptr);
    EXPECT_EQ(d.getMd5String(), emptyMd5);
}

TEST(DependencyFileDigests, ReplacingADigestDropsTheOldRecordWithoutFreeingIt) {
    DependencyFile d("/etc/a", regularMode, emptyMd5, nullptr);
    const DependencyFile::md5rep_t* first = d.getDigest();
    testing::internal::CaptureStdout();
    d.setMd5("00112233445566778899aabbccddeeff");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_NE(d.getDigest(), first);
    EXPECT_EQ(hexOf(*first), emptyMd5) << "the old record is untouched";
    EXPECT_EQ(d.getMd5String(), "00112233445566778899aabbccddeeff");
}

TEST(DependencyFileDigests, ParseMd5TextTable) {
    const std::string digits = "00112233445566778899aabbccddeeff";
    struct Case {
        std::string text;
        std::string bytes;  // as md5Text gives them
        const char* why;
    } cases[] = {
        {"", std::string(32, '0'), "empty: zeros"},
        {digits, digits, "32 digits"},
        {"0123456789ABCDEFabcdef0123456789", "0123456789abcdefabcdef0123456789", "either case"},
        {digits + "ffeeddccbbaa99887766554433221100", digits, "64 digits: the first 32"},
        {digits + std::string(32, 'z'), digits, "the second half of 64 is not even read"},
    };
    for (const Case& c : cases) {
        DependencyFile::md5rep_t r;
        std::memset(r.digest, 0x5a, sizeof r.digest);
        parseMd5Text(r, c.text.c_str());
        EXPECT_EQ(hexOf(r), c.bytes) << c.why;
    }
    DependencyFile::md5rep_t r;
    std::memset(r.digest, 0x5a, sizeof r.digest);
    parseMd5Text(r, nullptr);
    EXPECT_EQ(hexOf(r), std::string(32, '0')) << "null counts as empty";
}

TEST(DependencyFileDigests, BadDigestTextsRaiseAndLeaveTheDigestAlone) {
    const std::string thirtyOne(31, 'a');
    const std::string withG = "0011223344556677889g" + std::string(12, '0');
    struct Case {
        std::string text;
        std::string line;
        std::string clog;
    } cases[] = {
        {thirtyOne, "MD5 string size is not 32- 31 " + thirtyOne, ""},
        {std::string(33, 'a'), "MD5 string size is not 32- 33 " + std::string(33, 'a'), ""},
        {std::string(63, '0'), "MD5 string size is not 32- 63 " + std::string(63, '0'), ""},
        {withG, "MD5 string contains non-hex symbol: g (103)", "67\n"},
        {" " + std::string(31, '0'), "MD5 string contains non-hex symbol:   (32)", "20\n"},
    };
    for (const Case& c : cases) {
        DependencyFile::md5rep_t r;
        std::memset(r.digest, 0x5a, sizeof r.digest);
        testutil::StderrCapture err;
        error e = raisedError([&] { parseMd5Text(r, c.text.c_str()); });
        EXPECT_EQ(e.text(), c.line + "\n");
        EXPECT_EQ(codesOf(e), "(3,1,1,3)");
        EXPECT_EQ(err.text(), c.clog) << c.text;
        EXPECT_EQ(hexOf(r), std::string(32, 'a').replace(0, 32, "5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a")) << c.text;
    }
}

TEST(DependencyFileDigests, ABadDigestReleasesItsRecordAndBuildsNothing) {
    const std::string thirtyOne(31, 'b');
    testing::internal::CaptureStdout();
    error e = raisedError([&] { new DependencyFile("/etc/a", regularMode, thirtyOne, nullptr); });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "void DependencyFile::md5rep_t::operator delete \n");
    EXPECT_EQ(e.text(), "MD5 string size is not 32- 31 " + thirtyOne + "\n");

    // Not a regular file: the text is kept as it is, nothing to parse.
    DependencyFile link("/etc/a", S_IFLNK | 0777, thirtyOne, nullptr);
    EXPECT_EQ(link.getMd5String(), thirtyOne);
}

// A kind whose objects are larger than the pool's slots.
struct WiderFileDependency : DependencyFile {
    using DependencyFile::DependencyFile;
    long extra = 0;
};

TEST(DependencyFilePool, ServesManyObjectsAcrossBlocks) {
    // More than one block of 16,384 objects.
    const int count = 20000;
    std::vector<DependencyFile*> made;
    std::set<const void*> seen;
    for (int i = 0; i < count; ++i) {
        DependencyFile* d = new DependencyFile("/pool/f" + std::to_string(i), regularMode, "", nullptr);
        ASSERT_TRUE(seen.insert(d).second) << "object " << i << " handed out twice";
        made.push_back(d);
    }
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(made[i]->getName(), "/pool/f" + std::to_string(i)) << "object " << i << " was overwritten";
        made[i]->setMd5(emptyMd5);
    }
    EXPECT_EQ(made[count - 1]->getMd5String(), emptyMd5);
    // Deleting gives nothing back: the next object takes a fresh slot.
    DependencyFile* last = made.back();
    delete last;
    DependencyFile* next = new DependencyFile("/pool/next", 0, "", nullptr);
    EXPECT_EQ(seen.count(next), 0u);
}

TEST(DependencyFilePool, ObjectsOfAnotherSizeAreAnInternalError) {
    error e = raisedError([] { new WiderFileDependency("/etc/a", 0, "", nullptr); });
    EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 DependencyFile, line 177.\n");
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
}

TEST(DependencyFileKeys, SamePathMatchesWhateverModeAndDigest) {
    DependencyFile a("/etc/a", regularMode, emptyMd5, nullptr);
    DependencyFile b("/etc/a", S_IFLNK | 0777, "target", nullptr);
    DependencyFile c("/etc/a", regularMode, "00112233445566778899aabbccddeeff", nullptr);
    for (const DependencyFile* x : {&a, &b, &c}) {
        for (const DependencyFile* y : {&a, &b, &c}) {
            EXPECT_TRUE(x->matches(y));
            EXPECT_TRUE(x->sameKey(y));
            EXPECT_TRUE(x->equals(y));
            EXPECT_EQ(x->hash(), y->hash());
        }
    }

    struct Other {
        const char* path;
    } others[] = {{"/etc/b"}, {"/etc/a/"}, {"/usr/etc/a"}, {"etc/a"}, {"a"}};
    for (const Other& o : others) {
        DependencyFile d(o.path, regularMode, "", nullptr);
        EXPECT_FALSE(a.matches(&d)) << o.path;
        EXPECT_FALSE(a.sameKey(&d)) << o.path;
        EXPECT_FALSE(a.equals(&d)) << o.path;
    }

    DependencyLogical logical("/etc/a", nullptr);
    for (const Dependency* other : {static_cast<const Dependency*>(nullptr), static_cast<const Dependency*>(&logical)}) {
        EXPECT_FALSE(a.matches(other));
        EXPECT_FALSE(a.sameKey(other));
        EXPECT_FALSE(a.equals(other));
    }
}

TEST(DependencyFileKeys, CloneHasMode12345AndNothingElseButThePath) {
    Package owner("owner", "1");
    DependencyFile original("/etc/a", regularMode, emptyMd5, &owner);
    DependencyFile provide("/etc/a", 0, "", nullptr);
    original.addResolver(&provide);
    std::unique_ptr<Dependency> copy(original.clone());
    auto* c = dynamic_cast<DependencyFile*>(copy.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->getMode(), 12345);
    EXPECT_EQ(c->getDigest(), nullptr);
    EXPECT_EQ(c->getMd5String(), "");
    EXPECT_EQ(c->getDirectory(), original.getDirectory());
    EXPECT_EQ(c->getBaseName(), original.getBaseName());
    EXPECT_EQ(c->getMaster(), &owner);
    EXPECT_EQ(c->getResolver(0), nullptr);
    EXPECT_TRUE(c->equals(&original));

    DependencyFile link("/etc/l", S_IFLNK | 0777, "target", nullptr);
    std::unique_ptr<Dependency> linkCopy(link.clone());
    EXPECT_EQ(dynamic_cast<DependencyFile*>(linkCopy.get())->getMd5String(), "") << "the kept text is not copied";
}

}  // namespace
