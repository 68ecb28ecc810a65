#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/base64.h"
#include "support/FixtureServers.h"
#include "support/TestUtil.h"

namespace {

std::string encode(const std::string& s) {
    return base64Encode(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

TEST(Base64, PublishedVectors) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
        // The two last letters of the alphabet and bytes with the high bit set.
        {"\xfb\xff\xbf", "+/+/"}, {std::string("\0\0\0", 3), "AAAA"},
    };
    for (const auto& c : cases) EXPECT_EQ(encode(c.first), c.second) << "input of length " << c.first.size();
}

// Lines of 76 characters, broken only after a full group.
TEST(Base64, LineBreaksComeOnlyAfterFullGroups) {
    struct Case {
        size_t length;
        std::vector<size_t> lines;  // the lengths of the text's pieces between CR LFs
        bool endsWithBreak;
    };
    const std::vector<Case> cases = {
        {0, {0}, false},
        {1, {4}, false},
        {2, {4}, false},
        // 18 groups and a padded one: 76 characters, and no break after padding.
        {56, {76}, false},
        {57, {76, 0}, true},
        {58, {76, 4}, false},
        {114, {76, 76, 0}, true},
        {115, {76, 76, 4}, false},
    };
    for (const Case& c : cases) {
        const std::string text = encode(std::string(c.length, 'x'));
        std::vector<size_t> pieces;
        size_t start = 0;
        for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
            pieces.push_back(at - start);
        pieces.push_back(text.size() - start);
        EXPECT_EQ(pieces, c.lines) << "input of length " << c.length;
        EXPECT_EQ(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0, c.endsWithBreak)
            << "input of length " << c.length;
    }
    EXPECT_EQ(encode(std::string(58, 'x')).substr(78), "eA==");
}

// Every byte value, at every offset within a group, decodes back with python's decoder.
TEST(Base64, EveryByteValueDecodesBack) {
    std::vector<unsigned char> bytes;
    for (int round = 0; round < 3; ++round)
        for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<unsigned char>((b * 7 + round) & 255));
    bytes.push_back(1);  // a padded tail
    const testutil::RunResult r = testutil::run(
        {testutil::systemPython(), "-c",
         "import base64,sys; sys.stdout.write(base64.b64decode(sys.stdin.read()).hex())"},
        {}, base64Encode(bytes));
    ASSERT_EQ(r.status, 0) << r.err;
    std::string hex;
    const char* digits = "0123456789abcdef";
    for (unsigned char b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    EXPECT_EQ(r.out, hex);
}

}  // namespace
