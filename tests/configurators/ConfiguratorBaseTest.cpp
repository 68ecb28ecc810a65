// The order every configurator kind is used in, kept by the base: configure once, packages
// only after a successful configuration, the step before installing once, and the names of
// the product source kinds.
#include "configurators/SystemSpecificConfigurator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "packages/Package.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

// Counts what the base asks of it; its configuration fails while `failConfigure` is set.
class CountingKind : public SystemSpecificConfigurator {
public:
    void reconfigureSources() override { ++reconfigured; }

    int configured = 0;
    int beforeInstalled = 0;
    int reconfigured = 0;
    std::vector<std::string> asked;
    bool failConfigure = false;

protected:
    Package* doGetPackage(const std::string& name) override {
        asked.push_back(name);
        if (name == "absent") return nullptr;
        Package* p = new Package(name, "1.0-1");
        p->setType('u');
        return p;
    }
    void doConfigure() override {
        ++configured;
        if (failConfigure) throw error(4, 1, 1, 2) << "the package tool is broken";
    }
    void doBeforeInstall() override { ++beforeInstalled; }
};

// A kind that keeps the base's step before installing and its restore.
class PlainKind : public SystemSpecificConfigurator {
public:
    void reconfigureSources() override {}

protected:
    Package* doGetPackage(const std::string&) override { return nullptr; }
    void doConfigure() override {}
};

// Undoes its change in restore(), which fails while `failure` is set; its destructor restores
// when nobody did, as the kinds that change the host do.
class RestoringKind : public SystemSpecificConfigurator {
public:
    explicit RestoringKind(int& restores) : restores(restores) {}
    ~RestoringKind() override {
        if (!restored) restoreQuietly();
    }
    void reconfigureSources() override {}
    void restore() override {
        if (restored) return;
        restored = true;
        ++restores;
        if (!failure.empty()) throw error(4, 1, 1, 2) << failure;
    }
    std::string failure;

protected:
    Package* doGetPackage(const std::string&) override { return nullptr; }
    void doConfigure() override {}

private:
    int& restores;
    bool restored = false;
};

std::string internalText(int line) {
    return "An internal error occured in vantrell, rev.297274 SystemSpecificConfigurator, line " +
           std::to_string(line) + ".\n";
}

class ConfiguratorBase : public testutil::EnglishTest {};

TEST_F(ConfiguratorBase, SourceKindNames) {
    const std::pair<char, const char*> rows[] = {
        {'b', "dist"}, {'u', "updates"}, {'t', "thirdparty"}, {'n', "unkn"}, {'B', "unkn"}, {'\0', "unkn"},
    };
    for (const auto& r : rows) EXPECT_EQ(sourceKindName(r.first), r.second) << static_cast<int>(r.first);
}

TEST_F(ConfiguratorBase, ConfigureRunsOnceAndAFailureMayBeRetried) {
    CountingKind kind;
    kind.failConfigure = true;
    const error failed = raisedError([&] { kind.configure(); });
    EXPECT_EQ(failed.text(), "the package tool is broken\n");
    EXPECT_FALSE(kind.isConfigured());

    // Not configured: no package is asked for.
    const error early = raisedError([&] { kind.getPackage("vnfix-core"); });
    EXPECT_EQ(codesOf(early), "(3,1,1,3)");
    EXPECT_EQ(early.text(), "Internal error: improper sequence of called functions.\n");
    EXPECT_TRUE(kind.asked.empty());

    kind.failConfigure = false;
    kind.configure();
    EXPECT_EQ(kind.configured, 2);
    EXPECT_TRUE(kind.isConfigured());

    const error twice = raisedError([&] { kind.configure(); });
    EXPECT_EQ(codesOf(twice), "(3,1,1,3)");
    EXPECT_EQ(twice.text(), internalText(25));
    EXPECT_EQ(kind.configured, 2);
    EXPECT_TRUE(kind.isConfigured());

    // Reconfiguring leaves the configuration standing.
    kind.reconfigureSources();
    EXPECT_EQ(kind.reconfigured, 1);
    EXPECT_TRUE(kind.isConfigured());
}

TEST_F(ConfiguratorBase, EveryQuestionGoesToTheKindAndItsAnswerStays) {
    CountingKind kind;
    kind.configure();
    Package* first = kind.getPackage("vnfix-core");
    Package* second = kind.getPackage("vnfix-core");
    EXPECT_EQ(kind.getPackage("absent"), nullptr);
    EXPECT_EQ(kind.asked, (std::vector<std::string>{"vnfix-core", "vnfix-core", "absent"}));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    // Both answers stay usable for the run, whatever became of the configurator.
    {
        CountingKind other;
        other.configure();
        first = other.getPackage("vnfix-other");
    }
    EXPECT_EQ(first->toString(), "vnfix-other-1.0-1");
    EXPECT_EQ(second->getType(), 'u');
}

TEST_F(ConfiguratorBase, TheStepBeforeInstallingRunsOnceWithOrWithoutConfiguration) {
    CountingKind kind;
    kind.beforeInstall();
    EXPECT_EQ(kind.beforeInstalled, 1);
    const error twice = raisedError([&] { kind.beforeInstall(); });
    EXPECT_EQ(codesOf(twice), "(3,1,1,3)");
    EXPECT_EQ(twice.text(), internalText(32));
    EXPECT_EQ(kind.beforeInstalled, 1);
    EXPECT_FALSE(kind.isConfigured());

    // The base's own step does nothing, once.
    testutil::LogCapture log(3);
    PlainKind plain;
    plain.configure();
    plain.beforeInstall();
    EXPECT_EQ(raisedError([&] { plain.beforeInstall(); }).text(), internalText(32));
    plain.restore();
    EXPECT_EQ(log.text(), "");
}

TEST_F(ConfiguratorBase, AFailingRestoreInTheDestructorIsOnlyLogged) {
    int restores = 0;
    testutil::LogCapture log(3);
    {
        RestoringKind kind(restores);
        kind.failure = "Failed to rename the file /etc/apt/sources.list.vn_back";
    }
    EXPECT_EQ(restores, 1);
    EXPECT_EQ(log.text(), "Failed to rename the file /etc/apt/sources.list.vn_back\n");

    // Through restore() the failure reaches the driver, and the destructor does not repeat it.
    {
        RestoringKind kind(restores);
        kind.failure = "no space";
        const error e = raisedError([&] { kind.restore(); });
        EXPECT_EQ(e.text(), "no space\n");
    }
    EXPECT_EQ(restores, 2);
}

}  // namespace
