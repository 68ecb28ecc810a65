#include "packages/Component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/error.h"
#include "packages/DebPackage.h"
#include "packages/PkgPackage.h"
#include "packages/RPMPackage.h"
#include "packages/StdPackage.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

class ComponentTest : public testutil::EnglishTest {};

TEST_F(ComponentTest, DescriptionLineTable) {
    struct Case {
        const char* text;
        const char* name;
        const char* description;
    } cases[] = {
        {"base Base part", "base", "Base part"},
        {"base", "base", "base(no description available"},
        {"base ", "base", "base(no description available"},
        // Only the first blank separates; the rest belongs to the description.
        {"base  two  blanks ", "base", " two  blanks "},
        // A tab is no separator.
        {"base\tpart", "base\tpart", "base\tpart(no description available"},
    };
    for (const Case& c : cases) {
        Component comp(c.text);
        EXPECT_EQ(comp.name, c.name) << c.text;
        EXPECT_EQ(comp.description, c.description) << c.text;
        EXPECT_FALSE(comp.component1);
        EXPECT_FALSE(comp.legacy);
        EXPECT_TRUE(comp.packages.empty());
        EXPECT_TRUE(comp.environment.empty());
        EXPECT_TRUE(comp.keyPackages.empty());
    }
}

TEST_F(ComponentTest, DescriptionLineWithoutNameIsRefused) {
    for (const char* text : {" base", "", " "}) {
        error e = raisedError([&] { Component c(text); });
        EXPECT_EQ(e.text(), "You did not specify component name in a component's description.\n") << "'" << text << "'";
        EXPECT_EQ(codesOf(e), "(1,1,1,1)");
    }
}

TEST_F(ComponentTest, FullConstructorLeavesTheRestEmpty) {
    Component c("mail", "Mail server", "dedicated", {{"postfix", "exim"}, {"dovecot"}});
    EXPECT_EQ(c.name, "mail");
    EXPECT_EQ(c.description, "Mail server");
    EXPECT_EQ(c.environment, "dedicated");
    ASSERT_EQ(c.keyPackages.size(), 2u);
    EXPECT_EQ(c.keyPackages[0][1], "exim");
    EXPECT_FALSE(c.component1 || c.legacy);
    EXPECT_TRUE(c.packages.empty() && c.bootstrapperPackages.empty() && c.actions.empty());
    EXPECT_TRUE(c.reservedPointers.empty() && c.reservedNames.empty());
    EXPECT_TRUE(c.hardwiredWith.empty() && c.requires.empty() && c.expackages.empty() && c.rmpackages.empty());
    EXPECT_TRUE(c.templates.empty());
}

TEST_F(ComponentTest, KindTestsLookAtTheFirstPackageOnly) {
    RPMPackage rpm("a", "1");
    DebPackage deb("b", "1");
    StdPackage std("c", "1");
    PkgPackage pkg("d", "1");
    struct Case {
        std::vector<Package*> packages;
        bool rpm, std, pkg, deb;
    } cases[] = {
        {{&rpm, &deb}, true, false, false, false},
        {{&deb, &rpm}, false, false, false, true},
        {{&std}, false, true, false, false},
        {{&pkg, &std}, false, false, true, false},
        {{nullptr, &rpm}, false, false, false, false},
    };
    for (const Case& k : cases) {
        Component c("base");
        c.packages = k.packages;
        EXPECT_EQ(c.isRPM(), k.rpm);
        EXPECT_EQ(c.isStd(), k.std);
        EXPECT_EQ(c.isPkg(), k.pkg);
        EXPECT_EQ(c.isDeb(), k.deb);
    }
}

TEST_F(ComponentTest, KindTestWithoutPackagesNamesTheComponent) {
    Component c("base Base part");
    for (auto test : {&Component::isRPM, &Component::isStd, &Component::isPkg, &Component::isDeb}) {
        error e = raisedError([&] { (c.*test)(); });
        EXPECT_EQ(e.text(), "There are no packages in the base component.\n");
        EXPECT_EQ(codesOf(e), "(1,1,1,3)");
    }
}

}  // namespace
