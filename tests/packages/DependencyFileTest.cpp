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
