// Also built into the address-sanitizer target (long texts, block ends).
#include "packages/internString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// Interned while static objects are built, before main: the pool must already work then.
const char* const earlyName = internString("interned-before-main");

TEST(internString, EqualTextsShareOnePointer) {
    char first[] = "bash";
    std::string second = std::string("ba") + "sh";
    const char* p = internString(first);
    EXPECT_EQ(p, internString(second.c_str()));
    EXPECT_NE(p, first);
    EXPECT_STREQ(p, "bash");
    first[0] = 'c';  // the pool holds its own copy
    EXPECT_STREQ(internString("bash"), "bash");
    EXPECT_EQ(internString("bash"), p);

    EXPECT_NE(internString("bash"), internString("Bash"));

    const char* empty = internString("");
    EXPECT_EQ(empty, internString(std::string().c_str()));
    EXPECT_STREQ(empty, "");

    EXPECT_EQ(earlyName, internString(std::string("interned-before-main").c_str()));
}

TEST(internString, BytesAbove127AreTextLikeAnyOther) {
    const char* a = internString("\xc8paket");
    const char* b = internString("\xc9paket");
    EXPECT_NE(a, b);
    EXPECT_EQ(a, internString(std::string("\xc8paket").c_str()));
    EXPECT_STREQ(b, "\xc9paket");
}

TEST(internString, PointersStayValidWhileThePoolGrows) {
    std::vector<const char*> first;
    for (int i = 0; i < 1000; ++i) first.push_back(internString(("stable-" + std::to_string(i)).c_str()));
    std::string name;
    for (int i = 0; i < 1000000; ++i) {
        name = "grow-" + std::to_string(i);
        internString(name.c_str());
    }
    for (int i = 0; i < 1000; ++i) {
        const std::string text = "stable-" + std::to_string(i);
        ASSERT_STREQ(first[i], text.c_str());
        ASSERT_EQ(first[i], internString(text.c_str()));
    }
}

TEST(internString, TextsLongerThanABlockComeBackWhole) {
    // Around the block size and far beyond it, with short texts interned in between so that
    // the long ones land in a partly used block.
    for (size_t length : {65535u, 65536u, 65537u, 200000u}) {
        SCOPED_TRACE(length);
        internString(("filler-" + std::to_string(length)).c_str());
        std::string text(length, 'x');
        for (size_t i = 0; i < length; i += 97) text[i] = char('a' + i % 26);
        const char* p = internString(text.c_str());
        ASSERT_EQ(std::strlen(p), length);
        EXPECT_EQ(std::memcmp(p, text.data(), length), 0);
        EXPECT_EQ(internString(text.c_str()), p);
        const char* after = internString(("after-" + std::to_string(length)).c_str());
        EXPECT_STREQ(after, ("after-" + std::to_string(length)).c_str());
        EXPECT_EQ(std::memcmp(p, text.data(), length), 0);
    }
}

TEST(internString, ThreadsGetTheSamePointers) {
    const int threads = 4, names = 20000;
    std::vector<std::vector<const char*>> got(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t, &got] {
            for (int i = 0; i < names; ++i) {
                // Each thread walks the names from another starting point.
                int n = (i + t * names / threads) % names;
                got[t].push_back(internString(("threaded-" + std::to_string(n)).c_str()));
            }
        });
    }
    for (std::thread& w : workers) w.join();
    for (int t = 0; t < threads; ++t) {
        for (int i = 0; i < names; ++i) {
            int n = (i + t * names / threads) % names;
            const std::string text = "threaded-" + std::to_string(n);
            ASSERT_EQ(got[t][i], internString(text.c_str()));
            ASSERT_STREQ(got[t][i], text.c_str());
        }
    }
}

}  // namespace
