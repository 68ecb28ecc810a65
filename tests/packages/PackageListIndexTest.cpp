#include "packages/PackageListIndex.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "packages/Package.h"

namespace {

using Positions = std::vector<size_t>;

class PackageListIndexTest : public ::testing::Test {
protected:
    const Package* make(const std::string& name, const std::string& version, const std::string& arch) {
        owned.emplace_back(new Package(name, version));
        owned.back()->setArch(arch);
        return owned.back().get();
    }

    std::vector<std::unique_ptr<Package>> owned;
};

// The answers of the index against those of a walk over the list, after every way the
// resolver's lists change: appends, a replacement of the whole list with reset(), and the
// replacements that the index sees by itself (a shorter list, another last package).
TEST_F(PackageListIndexTest, AnswersAsAWalkOfTheListDoes) {
    const Package* a1 = make("a", "1.0", "x86_64");
    const Package* a2 = make("a", "2.0", "x86_64");
    const Package* a1i = make("a", "1.0", "i686");
    const Package* b = make("b", "1.0", "noarch");
    const Package* c = make("c", "1.0", "noarch");
    const Package* a1copy = make("a", "1.0", "x86_64");
    const char* nameA = a1->getName();
    const char* nameB = b->getName();
    const char* nameC = c->getName();

    std::vector<const Package*> list;
    PackageListIndex index(&list);
    EXPECT_FALSE(index.contains(a1));
    EXPECT_EQ(index.firstOfName(nameA), PackageListIndex::npos);
    EXPECT_TRUE(index.positionsOfName(nameA).empty());

    list = {b, a2, a1i};
    EXPECT_TRUE(index.contains(a2));
    EXPECT_FALSE(index.contains(a1));
    EXPECT_EQ(index.firstOfName(nameA), 1u);
    EXPECT_EQ(index.positionsOfName(nameA), (Positions{1, 2}));
    // A copy is the same name, an equal version and the same arch text.
    EXPECT_FALSE(index.hasCopyOf(a1));
    EXPECT_TRUE(index.hasCopyOf(make("a", "2.0", "x86_64")));

    // Appends are followed; the same object twice stands at both places.
    list.push_back(a1);
    list.push_back(b);
    EXPECT_TRUE(index.hasCopyOf(a1copy));
    EXPECT_EQ(index.positionsOf(b), (Positions{0, 4}));
    EXPECT_EQ(index.positionsOfName(nameA), (Positions{1, 2, 3}));
    EXPECT_EQ(index.firstOfName(nameB), 0u);

    // Cut shorter: seen without a reset.
    list.resize(2);
    EXPECT_FALSE(index.contains(a1));
    EXPECT_EQ(index.positionsOf(b), (Positions{0}));
    EXPECT_EQ(index.positionsOfName(nameA), (Positions{1}));

    // Replaced by a list as long, or longer, with another package last: seen too.
    list = {c, b};
    EXPECT_FALSE(index.contains(a2));
    EXPECT_EQ(index.firstOfName(nameC), 0u);
    list = {a1, a2, c};
    EXPECT_FALSE(index.contains(b));
    EXPECT_EQ(index.firstOfName(nameC), 2u);

    // Changed in place where the last package stays: only reset() tells.
    list[0] = b;
    index.reset();
    EXPECT_FALSE(index.contains(a1));
    EXPECT_EQ(index.firstOfName(nameB), 0u);
    EXPECT_EQ(index.positionsOfName(nameA), (Positions{1}));
}

}  // namespace
