#include "common/checked_pointer"

#include <gtest/gtest.h>

namespace {

struct Counted {
    explicit Counted(int& d) : deaths(d) {}
    virtual ~Counted() { ++deaths; }
    int& deaths;
    int value = 7;
};

struct Derived : Counted {
    Derived(int& d, int& dd) : Counted(d), derivedDeaths(dd) {}
    ~Derived() override { ++derivedDeaths; }
    int& derivedDeaths;
};

TEST(checked_pointer, NullAccessRaisesInternalErrorNamingTheHeader) {
    checked_pointer<Counted> empty;
    try {
        (void)empty->value;
        FAIL() << "no error";
    } catch (const error& e) {
        EXPECT_STREQ(e.className(), "internal");
        EXPECT_EQ((std::vector<int>{e.e_class, e.e_rep, e.e_sys, e.e_supp}),
                  (std::vector<int>{3, 1, 0, 3}));
        ASSERT_EQ(e.lines.size(), 1u);
        const std::string prefix = "Try of use NULL pointer: ../common/checked_pointer:";
        ASSERT_EQ(e.lines[0].compare(0, prefix.size(), prefix), 0) << e.lines[0];
        const std::string line = e.lines[0].substr(prefix.size());
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.find_first_not_of("0123456789"), std::string::npos) << line;
        // No system-state text: the report is the line, an empty state part, then support.
        EXPECT_EQ(e.report(), e.lines[0] + "\n\nPlease, contact product technical support.");
    }
    checked_autoclean_pointer<Counted> owner;
    EXPECT_THROW(*owner, error);
    EXPECT_EQ(owner.get(), nullptr);
}

TEST(checked_pointer, CopiesDoNotOwn) {
    int deaths = 0;
    Counted object(deaths);
    {
        checked_pointer<Counted> a(&object);
        checked_pointer<Counted> b = a;
        EXPECT_EQ(b->value, 7);
    }
    EXPECT_EQ(deaths, 0);
}

TEST(checked_pointer, AutocleanDeletesOldOnResetAndLastAtScopeEnd) {
    int firstDeaths = 0, secondDeaths = 0, derivedDeaths = 0;
    {
        checked_autoclean_pointer<Counted> holder(new Counted(firstDeaths));
        holder.reset(new Derived(secondDeaths, derivedDeaths));
        EXPECT_EQ(firstDeaths, 1);
        EXPECT_EQ(secondDeaths, 0);
    }
    EXPECT_EQ(firstDeaths, 1);
    EXPECT_EQ(secondDeaths, 1);
    EXPECT_EQ(derivedDeaths, 1) << "deleted through the virtual destructor";
}

}  // namespace
