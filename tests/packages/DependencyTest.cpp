#include "packages/Dependency.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "packages/DependencyFile.h"
#include "packages/DependencyLogical.h"
#include "packages/Package.h"

namespace {

TEST(Dependency, MasterlessDependenciesShareTheDummyMaster) {
    DependencyLogical a("foo", nullptr);
    DependencyFile b("/etc/a", 0, "", nullptr);
    Package* dummy = a.getMaster();
    ASSERT_NE(dummy, nullptr);
    EXPECT_EQ(b.getMaster(), dummy);
    EXPECT_EQ(Dependency::dummyMaster(), dummy);
    EXPECT_EQ(dummy->toString(), "dummy_masterpackage_for_dependency-1.2.3");
    EXPECT_EQ(dummy->getType(), 'd');

    Package owner("owner", "1");
    DependencyLogical c("foo", &owner);
    EXPECT_EQ(c.getMaster(), &owner);
}

TEST(Dependency, IgnoredNames) {
    struct Case {
        const char* name;
        bool ignored;
    } cases[] = {
        {"rpmlib(CompressedFileNames)", true},
        {"rpmlib(", true},
        {"rpmlib", false},
        {"rpmlibfoo", false},
        {"RPMLIB(x)", false},
        {" rpmlib(x)", false},
        {"", false},
        {"gpg-pubkey", false},
    };
    for (const Case& c : cases) EXPECT_EQ(Dependency::isIgnoredName(c.name), c.ignored) << c.name;

    Dependency::addIgnoredName("gpg-pubkey");
    EXPECT_TRUE(Dependency::isIgnoredName("gpg-pubkey"));
    EXPECT_FALSE(Dependency::isIgnoredName("gpg-pubkey-1")) << "whole names only";
}

TEST(Dependency, ResolversKeepTheirOrder) {
    Package a("a", "1");
    Package b("b", "1");
    a.addProvide("x = 1");
    b.addProvide("x = 2");
    DependencyLogical require("x", nullptr);
    EXPECT_EQ(require.getResolver(0), nullptr);
    require.addResolver(b.getProvide(0));
    require.addResolver(a.getProvide(0));
    EXPECT_EQ(require.getResolver(0), b.getProvide(0));
    EXPECT_EQ(require.getResolver(1), a.getProvide(0));
    EXPECT_EQ(require.getResolver(2), nullptr);
    EXPECT_EQ(require.getResolver(0)->getMaster(), &b);
}

TEST(Dependency, SatisfiedByAProvideOrByTheSelfDependency) {
    struct Case {
        const char* require;
        const char* package;  // name
        const char* version;
        const char* provide;  // null: none
        bool satisfied;
    } cases[] = {
        {"foo >= 1", "foo", "1-2", nullptr, true},
        {"foo < 1", "foo", "1", nullptr, false},
        {"foo = 1-2", "foo", "1-3", nullptr, false},
        {"foo >= 1", "bar", "0.1", "foo", true},
        {"foo >= 1", "bar", "0.1", "foo = 0.5", false},
        {"foo >= 1", "foo", "2", "foo = 0.5", true},
        {"bar = 0.1", "bar", "0.1", "foo", true},
        {"/usr/bin/foo", "foo", "1", "/usr/bin/foo", true},
        {"/usr/bin/foo", "foo", "1", "/usr/bin/bar", false},
    };
    for (const Case& c : cases) {
        Package p(c.package, c.version);
        if (c.provide) p.addProvide(c.provide);
        std::unique_ptr<Dependency> d(p.createDependency(c.require));
        EXPECT_EQ(d->isSatisfiedBy(&p), c.satisfied) << c.require << " by " << p.toString();
    }
}

}  // namespace
