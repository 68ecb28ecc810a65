// Add-on sources switched by the selection, over the real build descriptions and package lists
// of two on-demand add-on builds (tests/fixtures/components/sources/addons): which sources the
// run's list and the repository hold afterwards, what became of the packages of the sources
// switched off, the log lines and the configurator's reconfigurations.
#include "components/LazyAddonProcessor.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "common/error.h"
#include "components/ComponentManager.h"
#include "components/SourceManager.h"
#include "components/SourceTree.h"
#include "components/TreeCatalogue.h"
#include "configurators/SystemSpecificConfigurator.h"
#include "packages/Repository.h"
#include "sources/SourceDistTarnix.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::raisedError;
using testutil::registeredNames;
using testutil::sourceNames;

typedef std::vector<std::string> Texts;

const char* const constructorLine =
    "DEBUG: Determining components that need to be obtained from additional repositories...\n";
const char* const infoLine = "Info: dynamic components selection was changed, reconfiguring sources.\n";

// Counts the reconfigurations and notes what the log and the repository held at each; throws
// `failure` when it is set.
class CountingConfigurator : public SystemSpecificConfigurator {
public:
    CountingConfigurator(const testutil::LogCapture& log, const Repository& repo) : log(log), repo(repo) {}
    void reconfigureSources() override {
        ++calls;
        logAtCall = log.text();
        registeredAtCall = registeredNames(repo);
        if (!failure.empty()) throw error(4, 1, 1, 2) << failure;
    }

    int calls = 0;
    std::string logAtCall;
    Texts registeredAtCall;
    std::string failure;

protected:
    Package* doGetPackage(const std::string&) override { return nullptr; }
    void doConfigure() override {}

private:
    const testutil::LogCapture& log;
    const Repository& repo;
};

// The lines of `log` that tell of switching and reconfiguring.
std::string switchLines(const std::string& log) {
    std::string out;
    for (const std::string& line : testutil::splitLines(log))
        if (line.rfind("DEBUG: activating", 0) == 0 || line.rfind("DEBUG: deactivating", 0) == 0 ||
            line.rfind("Info: ", 0) == 0)
            out += line + "\n";
    return out;
}

class LazyAddonProcessorTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        // base belongs to the release itself; extra-a1 and extra-a2 come from add-on A, extra-b
        // from add-on B.
        for (const char* name : {"base", "extra-a1", "extra-a2", "extra-b"}) {
            std::shared_ptr<VnComponent> c = tarnix.component(*components.arena(), name, 1);
            components.nodes.push_back(c);
            named.push_back(c);
        }
        named[1]->setAddonBuild(addonA);
        named[2]->setAddonBuild(addonA);
        named[3]->setAddonBuild(addonB);
    }
    void TearDown() override {
        testutil::freePackages(repo);
        EnglishTest::TearDown();
    }

    void select(const std::set<std::string>& names) {
        for (const std::shared_ptr<VnComponent>& c : named) c->setSelected(names.count(c->name) != 0);
    }
    // Switches the build's sources on as an earlier pass did, with their packages read.
    void activate(const std::shared_ptr<Build>& build) {
        sources->addBuildSources(fetcher, build);
        sources->sources.back()->getFull();
    }
    // Walks the tree and applies; then reads the package lists of the sources switched on.
    void pass(SystemSpecificConfigurator* configurator, bool read = true) {
        LazyAddonProcessor lazy(&repo, &fetcher, sources.get(), configurator);
        components.visit(lazy);
        lazy.apply();
        if (read)
            for (const std::shared_ptr<Source>& s : sources->sources) s->getFull();
    }

    testutil::SourceTree tree;
    const FileFetcher fetcher = tree.fetcher();
    const std::shared_ptr<Build> addonA = tree.build("addons/lazy-a.inf3");
    const std::shared_ptr<Build> addonB = tree.build("addons/lazy-b.inf3");
    testutil::TreeCatalogue tarnix{"tarnix"};
    Repository repo;
    std::unique_ptr<SourceManager> sources{new SourceManager(repo)};
    ComponentManager components;
    std::vector<std::shared_ptr<VnComponent>> named;
};

TEST_F(LazyAddonProcessorTest, WithoutAddOnComponentsNothingHappens) {
    for (const auto& c : named) c->setAddonBuild(std::weak_ptr<Build>());
    select({"base", "extra-a1", "extra-b"});
    testutil::LogCapture log(3);
    CountingConfigurator configurator(log, repo);
    pass(&configurator);
    EXPECT_EQ(log.text(), constructorLine);
    EXPECT_EQ(configurator.calls, 0);
    EXPECT_TRUE(sources->sources.empty());
    EXPECT_TRUE(repo.sources.empty());
}

TEST_F(LazyAddonProcessorTest, SourcesFollowTheSelection) {
    const std::string a = "build for Linux Debian 12 x86_64 (addons/lazy-a.inf3).\n";
    const std::string b = "build for Linux Debian 12 x86_64 (addons/lazy-b.inf3).\n";
    struct Row {
        const char* label;
        std::vector<char> active;  // add-on builds switched on by an earlier pass
        std::set<std::string> selected;
        bool withConfigurator;
        std::string lines;
        Texts after;
        Texts packages;
    };
    const Row rows[] = {
        {"one selected and one unselected component: the build is needed",
         {},
         {"extra-a1"},
         true,
         "DEBUG: activating repositories from " + a + infoLine,
         {"TarnixSource_b_A1"},
         {"vnfix-lazy-a b"}},
        {"the selected component met after the unselected one: still needed",
         {},
         {"extra-a2"},
         true,
         "DEBUG: activating repositories from " + a + infoLine,
         {"TarnixSource_b_A1"},
         {"vnfix-lazy-a b"}},
        {"needed and active already: no switch, no reconfiguration",
         {'a'},
         {"base", "extra-a1"},
         true,
         "",
         {"TarnixSource_b_A1"},
         {"vnfix-lazy-a b"}},
        {"two builds deselected at once: both off, one reconfiguration",
         {'a', 'b'},
         {"base"},
         true,
         "DEBUG: deactivating repositories from " + a + "DEBUG: deactivating repositories from " + b + infoLine,
         {},
         {"removed vnfix-lazy-a z", "removed vnfix-lazy-b z"}},
        {"one on and one off in the same pass",
         {'b'},
         {"extra-a2"},
         true,
         "DEBUG: activating repositories from " + a + "DEBUG: deactivating repositories from " + b + infoLine,
         {"TarnixSource_b_A1"},
         {"vnfix-lazy-a b", "removed vnfix-lazy-b z"}},
        {"no configurator: switched without the Info line",
         {},
         {"extra-a1", "extra-b"},
         false,
         "DEBUG: activating repositories from " + a + "DEBUG: activating repositories from " + b,
         {"TarnixSource_b_A1", "TarnixSource_b_B1"},
         {"vnfix-lazy-a b", "vnfix-lazy-b b"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        testutil::freePackages(repo);
        sources.reset(new SourceManager(repo));
        for (char build : r.active) activate(build == 'a' ? addonA : addonB);
        select(r.selected);

        testutil::LogCapture log(3);
        CountingConfigurator configurator(log, repo);
        pass(r.withConfigurator ? &configurator : nullptr);

        EXPECT_EQ(switchLines(log.text()), r.lines);
        EXPECT_EQ(sourceNames(sources->sources), r.after);
        EXPECT_EQ(registeredNames(repo), r.after);
        EXPECT_EQ(testutil::poolKinds(repo), r.packages);
        const bool changed = !r.lines.empty();
        EXPECT_EQ(configurator.calls, changed && r.withConfigurator ? 1 : 0);
        if (configurator.calls) {
            // Told after the switching, and after saying so.
            EXPECT_EQ(configurator.registeredAtCall, r.after);
            EXPECT_EQ(switchLines(configurator.logAtCall), r.lines);
        }
    }
}

TEST_F(LazyAddonProcessorTest, BuildsAreSwitchedInTheOrderTheWalkMeetsThem) {
    // Eight builds of add-on A, made one after the other, and a tree that lists their
    // components the other way round: the sources (and the package tool's lines made from
    // them) must follow the tree, not where the builds happen to lie in memory.
    std::vector<std::shared_ptr<Build>> builds;
    for (int i = 0; i < 8; ++i) {
        builds.push_back(tree.build("addons/lazy-a.inf3"));
        builds.back()->os_version = "v" + std::to_string(i);
    }
    components.nodes.clear();
    std::string expected;
    for (int i = 7; i >= 0; --i) {
        std::shared_ptr<VnComponent> c = tarnix.component(*components.arena(), "extra-" + std::to_string(i), 1);
        c->setAddonBuild(builds[i]);
        c->setSelected(true);
        components.nodes.push_back(c);
        expected += "DEBUG: activating repositories from build for Linux Debian v" + std::to_string(i) +
                    " x86_64 (addons/lazy-a.inf3).\n";
    }
    testutil::LogCapture log(3);
    pass(nullptr, false);
    EXPECT_EQ(switchLines(log.text()), expected);
    ASSERT_EQ(sources->sources.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        const auto* dist = dynamic_cast<const SourceDistTarnix*>(sources->sources[i].get());
        ASSERT_NE(dist, nullptr);
        EXPECT_EQ(dist->build.lock(), builds[7 - i]) << "source " << i;
    }
}

TEST_F(LazyAddonProcessorTest, ADestroyedProcessorSwitchesOnceAndItsFailureIsOnlyLogged) {
    select({"extra-a1"});
    testutil::LogCapture log(3);
    CountingConfigurator configurator(log, repo);
    configurator.failure = "the package tool refused its sources";
    {
        LazyAddonProcessor lazy(&repo, &fetcher, sources.get(), &configurator);
        components.visit(lazy);
    }
    EXPECT_EQ(configurator.calls, 1);
    EXPECT_EQ(sourceNames(sources->sources), (Texts{"TarnixSource_b_A1"}));
    EXPECT_NE(log.text().find(std::string(infoLine) + "the package tool refused its sources\n"), std::string::npos)
        << log.text();
}

TEST_F(LazyAddonProcessorTest, FailuresOfApplyReachTheCallerAndTheDestructorDoesNotRepeatIt) {
    select({});
    activate(addonB);
    testutil::LogCapture log(3);
    CountingConfigurator configurator(log, repo);
    configurator.failure = "the package tool refused its sources";
    {
        LazyAddonProcessor lazy(&repo, &fetcher, sources.get(), &configurator);
        components.visit(lazy);
        const error e = raisedError([&] { lazy.apply(); });
        EXPECT_EQ(e.text(), "the package tool refused its sources\n");
        EXPECT_EQ(testutil::codesOf(e), "(4,1,1,2)");
        lazy.apply();
    }
    EXPECT_EQ(configurator.calls, 1);
    EXPECT_TRUE(sources->sources.empty());
    EXPECT_EQ(log.text().find("the package tool refused"), std::string::npos);
}

TEST_F(LazyAddonProcessorTest, NothingIsSwitchedWhileAnExceptionLeavesTheWalk) {
    select({"extra-a1"});
    testutil::LogCapture log(3);
    CountingConfigurator configurator(log, repo);
    try {
        LazyAddonProcessor lazy(&repo, &fetcher, sources.get(), &configurator);
        components.visit(lazy);
        throw std::runtime_error("the selection failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(configurator.calls, 0);
    EXPECT_TRUE(sources->sources.empty());
    EXPECT_EQ(log.text(), constructorLine);
}

}  // namespace
