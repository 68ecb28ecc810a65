// Also built into the address-sanitizer target: the sort must stay inside its range even
// where the version order is not strict.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "packages/Version.h"

namespace {

std::vector<std::string> texts(const std::vector<Version>& values) {
    std::vector<std::string> out;
    for (const Version& v : values) out.push_back(v.toString());
    return out;
}

TEST(VersionSort, OldestFirst) {
    const std::vector<std::string> ordered = {
        "1.0", "1.0-1", "1.0-1.el5", "1.0-10.el5", "1.0a", "1.0.0", "1.1", "1.10", "0:1.0", "2:0.1",
    };
    std::vector<Version> values;
    for (auto it = ordered.rbegin(); it != ordered.rend(); ++it) values.emplace_back(*it);
    std::swap(values[2], values[7]);
    sortVersions(values.begin(), values.end());
    EXPECT_EQ(texts(values), ordered);
}

TEST(VersionSort, EqualVersionsKeepTheirOrderThroughAKey) {
    std::vector<std::pair<Version, int>> tagged = {
        {Version("2.0"), 0}, {Version("1.01"), 1}, {Version("1.0_1"), 2}, {Version("1.1"), 3},
        {Version("1.0.1"), 4}, {Version("0.9"), 5},
    };
    sortVersions(tagged.begin(), tagged.end(),
                 [](const std::pair<Version, int>& p) -> const Version& { return p.first; });
    std::vector<int> tags;
    for (const auto& p : tagged) tags.push_back(p.second);
    EXPECT_EQ(tags, (std::vector<int>{5, 2, 4, 1, 3, 0}));
}

// Pairs such as "1.0." and "1.0.a" are each older than the other. Sorting many of them among
// ordinary values must give back exactly the input, with no pair left the wrong way round.
TEST(VersionSort, NonStrictPairsAmongTenThousandValues) {
    std::mt19937 rng(77u);
    std::vector<Version> values;
    const char* odd[] = {"1.0.", "1.0_", "1.0.a", "1.0.b", "a+", "a_", "1.0"};
    for (int i = 0; i < 10000; ++i) {
        if (i % 5 == 0) {
            values.emplace_back(odd[rng() % 7]);
        } else {
            std::string t = std::to_string(rng() % 3) + "." + std::to_string(rng() % 4);
            if (rng() % 2) t += (rng() % 2 ? "." : "_") + std::string(1, char('a' + rng() % 3));
            if (rng() % 3 == 0) t += "-" + std::to_string(rng() % 12);
            values.emplace_back(t);
        }
    }
    std::shuffle(values.begin(), values.end(), rng);
    std::vector<std::string> before = texts(values);

    sortVersions(values.begin(), values.end());

    std::vector<std::string> after = texts(values);
    std::sort(before.begin(), before.end());
    std::vector<std::string> afterSorted = after;
    std::sort(afterSorted.begin(), afterSorted.end());
    EXPECT_EQ(afterSorted, before);
    for (size_t i = 1; i < values.size(); ++i)
        ASSERT_FALSE(versionSortLess(values[i], values[i - 1])) << after[i - 1] << " before " << after[i];
}

// "a+" and "a_" are each older than the other. With std::sort and operator< this input sends
// the partition scan past the end of the vector; the helper must give back the same values.
TEST(VersionSort, OneTextAmongItsNonStrictTwins) {
    for (size_t position : {0u, 1u, 50u, 98u, 99u}) {
        SCOPED_TRACE(position);
        std::vector<Version> values;
        for (size_t i = 0; i < 100; ++i) values.emplace_back(i == position ? "a+" : "a_");
        sortVersions(values.begin(), values.end());
        ASSERT_EQ(values.size(), 100u);
        EXPECT_EQ(std::count_if(values.begin(), values.end(),
                                [](const Version& v) { return v.getVersion() == "a+"; }),
                  1);
    }
}

}  // namespace
