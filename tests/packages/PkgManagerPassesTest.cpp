// Resolutions of small universes: the attempts, the deferred dependencies, the choice among
// providers at each level, the trial resolutions and the choice between conflicting packages.
#include "packages/PkgManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "common/Log.h"
#include "common/TerminationState.h"
#include "common/error.h"
#include "packages/ReasonClash.h"
#include "packages/ResolverUniverse.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::blacklisted;
using testutil::codesOf;
using testutil::LogCapture;
using testutil::printed;
using testutil::raisedError;
using testutil::ResolverUniverse;

typedef boost::shared_ptr<Reason> ReasonPtr;

const std::string dependencyProblems =
    "Unable to install the selected components because of package dependency problems.\n";

// One resolution of a universe and what it must give.
struct Scenario {
    std::string name;
    std::string universe;
    std::vector<std::string> start;  // print forms; "loose:" for a package the pool lacks
    // How it runs: findNecessaryPackages (predictive or not), or findRequiredFor of the first
    // start package at `level`.
    enum Run { resolve, predict, requiredFor } run = resolve;
    int level = 1;
    std::vector<std::string> preferred;
    bool terminate = false;

    std::vector<std::string> list;       // the necessary list afterwards
    std::vector<std::string> blacklist;  // in the resolver's order
    std::string codes;                   // "" when nothing is raised
    std::string error;
    std::vector<std::string> logInOrder;  // each found after the one before
    std::vector<std::string> logAbsent;
    std::vector<std::pair<std::string, size_t>> logCounts;
};

std::ostream& operator<<(std::ostream& out, const Scenario& s) { return out << s.name; }

std::vector<Scenario> scenarios() {
    std::vector<Scenario> rows;
    auto add = [&rows](const std::string& name, const std::string& universe, std::vector<std::string> start) -> Scenario& {
        rows.emplace_back();
        rows.back().name = name;
        rows.back().universe = universe;
        rows.back().start = std::move(start);
        return rows.back();
    };

    {
        Scenario& s = add("nothing_needed", "plain", {"p-1.0-1.noarch", "q-1.0-1.noarch"});
        s.list = {"p-1.0-1.noarch", "q-1.0-1.noarch"};
        s.logInOrder = {"PkgManager: start to resolving packages", "findNecessaryPackages(): start pass 0",
                        "=== Package resolving sucessfuly ends ===\n (b) p-1.0-1.noarch.rpm\n (b) q-1.0-1.noarch.rpm\n"};
        s.logAbsent = {"start pass 1", "Unhappy caught"};
    }
    {
        Scenario& s = add("empty_start", "plain", {});
        s.codes = "(3,0,0,2)";
        s.error = "start packages list for resolver is empty\n";
        s.logAbsent = {"start to resolving"};
    }
    {
        // The start package is not pooled, so only its pooled twin goes onto the blacklist,
        // and every attempt starts again: the pool's five packages allow five attempts.
        Scenario& s = add("pass_limit_is_the_pool_size", "twin", {"loose:twin-1.0-1.noarch"});
        s.list = {"twin-1.0-1.noarch"};
        s.blacklist = {"twin-1.0-1.noarch"};
        s.codes = "(5,1,1,3)";
        s.error = dependencyProblems;
        s.logInOrder = {"start pass 0",
                        "Migrating twin-1.0-1.noarch to blacklist",
                        "Unhappy caught; try to resolve again.",
                        "start pass 1",
                        "it is already in blackList, skipping.",
                        "start pass 4",
                        "passCount is reached passLimit"};
        s.logAbsent = {"start pass 5"};
        s.logCounts = {{"Unhappy caught; try to resolve again.", 5}};
    }
    {
        Scenario& s = add("pass_limit_is_at_least_three", "twin-alone", {"loose:twin-1.0-1.noarch"});
        s.list = {"twin-1.0-1.noarch"};
        s.blacklist = {"twin-1.0-1.noarch"};
        s.codes = "(5,1,1,3)";
        s.error = dependencyProblems;
        s.logInOrder = {"start pass 2", "passCount is reached passLimit"};
        s.logAbsent = {"start pass 3"};
    }
    {
        // cap1 is decided at level 3 only (a preferred name), cap2 at level 2 (an installed
        // name); both were deferred in that order, and the lower level goes first.
        Scenario& s = add("deferred_lowest_level_first", "deferred", {"defer-s-1.0-1.noarch"});
        s.preferred = {"defer-y1"};
        s.list = {"defer-s-1.0-1.noarch", "defer-y2-1.0-1.noarch", "defer-y1-1.0-1.noarch"};
        s.logInOrder = {"selectBestResolvers: resolve 'cap1'",
                        "      packages are equal on this level",
                        "Will try to resolve it later, put to deffered list",
                        "selectBestResolvers: resolve 'cap2'",
                        "Will try to resolve it later, put to deffered list",
                        "      reject currBest: currTest has some version already installed.",
                        "      select currBest: it has some version already installed.",
                        "  package defer-y2-1.0-1.noarch will added to necessaryList nearly",
                        "      reject currBest: currTest is preferred package.",
                        "      select currBest as preferred package.",
                        "  package defer-y1-1.0-1.noarch will added to necessaryList nearly"};
    }
    {
        // Neither provider is listed, installed, preferred or cheaper: deferred at level 1,
        // undecided up to level 4, and level 5 takes the name that begins the dependency's,
        // then the package made first.
        Scenario& s = add("equal_providers_are_deferred", "level5-postfix-first", {"l5-app-1.0-1.noarch"});
        s.list = {"l5-app-1.0-1.noarch", "webserver-1.0-1.noarch", "postfix-1.0-1.noarch"};
        s.logInOrder = {"      packages are equal on this levelselectBestResolvers: can't resolve 'webserver-api' on "
                        "this level (1)",
                        "Will try to resolve it later, put to deffered list",
                        "on level 4:",
                        "#findNecessaryPackages(): start pass 0",
                        "      packages are equal on this level",
                        "on level 5:",
                        "      select currBest: package name is substring of dependency name."};
    }
    for (const char* first : {"postfix", "exim"}) {
        Scenario& s = add(std::string("level5_decides_at_once_") + first + "_made_first",
                          std::string("level5-") + first + "-first", {"l5-app-1.0-1.noarch"});
        s.run = Scenario::requiredFor;
        s.level = 5;
        s.list = {"l5-app-1.0-1.noarch", "webserver-1.0-1.noarch", std::string(first) + "-1.0-1.noarch"};
        s.logInOrder = {"      reject currBest: currTest package name is substr of dependency name.",
                        "      select currBest: package name is substring of dependency name.",
                        "selectBestResolvers: resolve 'mailer'",
                        "      select currBest by index."};
        s.logAbsent = {"deffered list", "equal on this level"};
    }
    {
        Scenario& s = add("branch_with_fewer_new_packages_wins", "branches", {"br-app-1.0-1.noarch"});
        s.list = {"br-app-1.0-1.noarch", "light-1.0-1.noarch", "l1-1.0-1.noarch"};
        s.logInOrder = {"on level 4:",
                        "  currBest: heavy-1.0-1.noarch",
                        "#PkgManager: start to resolving packages",
                        "      reject currBest by greate packages to install count.",
                        "  currBest: light-1.0-1.noarch",
                        "      select currBest by less packages to install count."};
        s.logAbsent = {"Unhappy caught"};
    }
    {
        // The failing branch is tried once as currBest (no second trial then) and once as
        // currTest: three trials in all.
        Scenario& s = add("failing_branch_loses", "branches-broken", {"br-app-1.0-1.noarch"});
        s.list = {"br-app-1.0-1.noarch", "fine-1.0-1.noarch", "f1-1.0-1.noarch"};
        s.logInOrder = {"      reject currBest by resolving of branch error.",
                        "      select currBest by resolving of currTest branch error."};
        s.logCounts = {{"#PkgManager: start to resolving packages", 3}};
    }
    {
        // ca and cb are each the only provider of a require, and cb conflicts with ca: both
        // trials fail, both would go, and the requested app is left without ca.
        Scenario& s = add("conflict_without_way_out", "conflict-both", {"app-1.0-1.noarch"});
        s.list = {"app-1.0-1.noarch", "ca-1.0-1.noarch"};
        s.blacklist = {"app-1.0-1.noarch", "ca-1.0-1.noarch"};
        s.codes = "(5,1,1,3)";
        s.error = "Unable to install the \"app-1.0-1.noarch\" package.\n";
        s.logInOrder = {" - conflicts with ca-1.0-1.noarch which is already in necessaryList",
                        "Resolving fake1 ends with error: Unable to install the \"app-1.0-1.noarch\" package.\n",
                        "Resolving fake2 ends with error: ",
                        "selectBlackPackage: both branch of resolving ends with error",
                        "Can't select which of conflicting packages add to blacklist: ca-1.0-1.noarch or "
                        "cb-1.0-1.noarch: adding them both.",
                        "The requested package \"app\" could not be installed: dependency 'cap1' is unresolved\n",
                        "Unable to install the both ca-1.0-1.noarch and cb-1.0-1.noarch because they are conflict "
                        "with each other.",
                        "Could not add package cb-1.0-1.noarchto the list of required packages.\n",
                        "Problem occured during searching directly resolved dependencies for 'cap2' of package "
                        "app-1.0-1.noarch "};
    }
    {
        // y 1 is requested; its helper needs y >= 2, which replaces it on the blacklist, and the
        // second attempt keeps going with both in the list.
        Scenario& s = add("requested_package_replaced_by_newer", "predict", {"x-1.0-1.noarch", "y-1.0-1.noarch"});
        s.list = {"x-1.0-1.noarch", "y-1.0-1.noarch", "xp-1.0-1.noarch", "helper-1.0-1.noarch", "y-2.0-1.noarch"};
        s.blacklist = {"y-1.0-1.noarch"};
        s.logInOrder = {" - there is another package 'y-1.0-1.noarch' with same name in necessaryList",
                        "Allow to replace build packagey-1.0-1.noarch\n  with newer package y-2.0-1.noarch\n",
                        "Unhappy caught; try to resolve again.",
                        "start pass 1",
                        " DEBUG: Hey, is something wron? y-1.0-1.noarch is already in black list!\n",
                        "=== Package resolving sucessfuly ends ==="};
    }
    {
        Scenario& s = add("predictive_walks_only_the_last", "predict-simple", {"x-1.0-1.noarch", "y-1.0-1.noarch"});
        s.run = Scenario::predict;
        s.list = {"x-1.0-1.noarch", "y-1.0-1.noarch", "yp-1.0-1.noarch"};
        s.logInOrder = {"Find directly required packages for y-1.0-1.noarch",
                        "Find directly required packages for yp-1.0-1.noarch"};
        s.logAbsent = {"Find directly required packages for x-1.0-1.noarch"};
    }
    {
        Scenario& s = add("predictive_package_blacklisted", "predict", {"x-1.0-1.noarch", "y-1.0-1.noarch"});
        s.run = Scenario::predict;
        s.list = {"x-1.0-1.noarch", "y-1.0-1.noarch"};
        s.blacklist = {"y-1.0-1.noarch"};
        s.codes = "(5,1,1,3)";
        s.error = dependencyProblems;
        s.logInOrder = {"Unhappy caught; try to resolve again.",
                        "Can't find solution with predictionally for package y-1.0-1.noarch: it was added to "
                        "blacklist"};
        s.logAbsent = {"Find directly required packages for x-1.0-1.noarch", "start pass 1"};
    }
    {
        Scenario& s = add("termination_request", "plain", {"p-1.0-1.noarch"});
        s.terminate = true;
        s.list = {"p-1.0-1.noarch"};
        s.codes = "(2,2,2,1)";
        s.error = "Interrupted by user\n";
        s.logAbsent = {"start pass 0"};
    }
    return rows;
}

class PkgManagerPasses : public testutil::EnglishTest, public ::testing::WithParamInterface<Scenario> {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        resetTermination();
        log.reset(new LogCapture(3));
    }
    void TearDown() override {
        log.reset();
        resetTermination();
        EnglishTest::TearDown();
    }
    std::unique_ptr<LogCapture> log;
};

TEST_P(PkgManagerPasses, Resolves) {
    const Scenario& s = GetParam();
    ResolverUniverse u(s.universe);
    for (const std::string& name : s.preferred) PkgManager::preferredPackages.insert(name);
    std::vector<const Package*> list = u.list(s.start);
    ResolverOptions options{1, false};
    PkgManager pm(&u.repo, &list, &options);
    pm.osArch = "x86_64";
    pm.level = s.level;
    if (s.terminate) requestTermination(2);

    std::string codes;
    std::string text;
    try {
        if (s.run == Scenario::requiredFor)
            pm.findRequiredFor(list.at(0));
        else
            pm.findNecessaryPackages(s.run == Scenario::predict);
    } catch (const error& e) {
        codes = codesOf(e);
        text = e.text();
    }
    EXPECT_EQ(codes, s.codes);
    EXPECT_EQ(text, s.error);
    EXPECT_EQ(printed(list), s.list);
    EXPECT_EQ(blacklisted(pm), s.blacklist);
    if (s.codes.empty()) {
        EXPECT_TRUE(pm.defferedList.empty());
    }

    const std::string logText = log->text();
    size_t at = 0;
    for (const std::string& line : s.logInOrder) {
        const size_t found = logText.find(line, at);
        EXPECT_NE(found, std::string::npos) << "not in the log (in this order): " << line;
        if (found != std::string::npos) at = found + line.size();
    }
    for (const std::string& line : s.logAbsent) EXPECT_EQ(logText.find(line), std::string::npos) << line;
    for (const auto& count : s.logCounts) {
        size_t n = 0;
        for (size_t p = logText.find(count.first); p != std::string::npos; p = logText.find(count.first, p + 1)) ++n;
        EXPECT_EQ(n, count.second) << count.first;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, PkgManagerPasses, ::testing::ValuesIn(scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

// ---- the operations the scenarios reach, called on their own --------------------------------

class PkgManagerChoices : public testutil::EnglishTest {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        log.reset(new LogCapture(3));
    }
    void TearDown() override {
        log.reset();
        EnglishTest::TearDown();
    }
    std::unique_ptr<LogCapture> log;
    ResolverOptions options{1, false};
};

TEST_F(PkgManagerChoices, AppendKeepsOneOfEachNameVersionAndArch) {
    struct Row {
        const char* listed;
        char listedType;
        const char* added;
        char addedType;
        bool appended;
        bool restarts;
        std::vector<std::string> black;
        const char* line;
    };
    const Row rows[] = {
        {"v-1.0-1.noarch", 'b', "v-1.0-1.noarch", 'b', false, false, {}, " is already in list, skip."},
        {"v-1.0-1.noarch", 'b', "v-1.0-1.noarch", 'u', false, false, {},
         " skipped, same name-ver-arch is already in list."},
        {"v-1.0-1.noarch", 'b', "v-1.0-1.x86_64", 'b', true, false, {}, " added."},
        // The lower version goes, with every copy of it.
        {"v-1.0-1.noarch", 'b', "v-2.0-1.noarch", 'b', false, true, {"v-1.0-1.noarch", "v-1.0-1.noarch"},
         " - there is another package 'v-1.0-1.noarch' with same name in necessaryList"},
        {"v-2.0-1.noarch", 'b', "v-1.0-1.noarch", 'b', false, true, {"v-1.0-1.noarch", "v-1.0-1.noarch"},
         " - there is another package 'v-2.0-1.noarch' with same name in necessaryList"},
    };
    for (const Row& r : rows) {
        ResolverUniverse u("versions");
        std::vector<const Package*> list = u.list({"anchor-1.0-1.noarch"});
        PkgManager pm(&u.repo, &list, &options);
        // Listed after construction, so it does not count as requested.
        list.push_back(u.pkg(r.listed, r.listedType));
        const std::vector<const Package*> before = list;
        const Package* added = u.pkg(r.added, r.addedType);

        bool appended = false;
        bool restarted = false;
        try {
            appended = pm.appendNecessaryPackage(added);
        } catch (const PkgManager::unhappy&) {
            restarted = true;
        }
        EXPECT_EQ(appended, r.appended) << r.added;
        EXPECT_EQ(restarted, r.restarts) << r.added;
        std::vector<const Package*> expected = before;
        if (r.appended) expected.push_back(added);
        EXPECT_EQ(list, expected) << r.added;
        EXPECT_EQ(blacklisted(pm), r.black) << r.added;
        EXPECT_NE(log->text().find(r.line), std::string::npos) << r.line;
    }
}

TEST_F(PkgManagerChoices, SelectBlackPackageByRequestsThenTrials) {
    struct Row {
        std::vector<std::string> start;
        const char* listed;
        const char* added;
        int answer;
        const char* line;
    };
    const Row rows[] = {
        {{"app-1.0-1.noarch", "big-1.0-1.noarch", "small-1.0-1.noarch"}, "big-1.0-1.noarch", "small-1.0-1.noarch", 2,
         "selectBlackPackage: both packages is requested to be installed"},
        {{"app-1.0-1.noarch", "big-1.0-1.noarch"}, "big-1.0-1.noarch", "small-1.0-1.noarch", 1,
         "  selectBlackPackage: package big-1.0-1.noarch is requested to install"},
        {{"app-1.0-1.noarch", "big-1.0-1.noarch"}, "small-1.0-1.noarch", "big-1.0-1.noarch", 0,
         "  selectBlackPackage: package big-1.0-1.noarch is requested to install"},
        // Keeping big brings l1 and l2 too: small is kept, whichever side it stands on.
        {{"app-1.0-1.noarch"}, "big-1.0-1.noarch", "small-1.0-1.noarch", 0,
         "  selectBlackPackage: with big-1.0-1.noarch great packages to install."},
        {{"app-1.0-1.noarch"}, "small-1.0-1.noarch", "big-1.0-1.noarch", 1,
         "  selectBlackPackage: with big-1.0-1.noarch great packages to install."},
        // Keeping "failing" leaves app2 without fcap.
        {{"app2-1.0-1.noarch"}, "failing-1.0-1.noarch", "working-1.0-1.noarch", 0,
         "  selectBlackPackage: resolving with failing-1.0-1.noarch ends with error."},
        {{"app2-1.0-1.noarch"}, "working-1.0-1.noarch", "failing-1.0-1.noarch", 1,
         "  selectBlackPackage: resolving with failing-1.0-1.noarch ends with error."},
        // No difference: the package made first (t1) goes, whichever side it stands on.
        {{"app-1.0-1.noarch"}, "t1-1.0-1.noarch", "t2-1.0-1.noarch", 0, "  selectBlackPackage: compare by index."},
        {{"app-1.0-1.noarch"}, "t2-1.0-1.noarch", "t1-1.0-1.noarch", 1, "  selectBlackPackage: compare by index."},
    };
    for (const Row& r : rows) {
        ResolverUniverse u("conflict-choice");
        std::vector<const Package*> list = u.list(r.start);
        PkgManager pm(&u.repo, &list, &options);
        pm.osArch = "x86_64";
        const Package* listed = u.pkg(r.listed);
        const Package* added = u.pkg(r.added);
        EXPECT_EQ(pm.selectBlackPackage(listed, added, ReasonPtr(new ReasonClash(listed, added))), r.answer)
            << r.listed << " / " << r.added;
        EXPECT_NE(log->text().find(r.line), std::string::npos) << r.line;
        // The trials worked on copies.
        EXPECT_EQ(list, u.list(r.start));
        EXPECT_TRUE(pm.blackList.empty());
        EXPECT_EQ(Log::depth.load(), 0);
    }
}

TEST_F(PkgManagerChoices, BranchTrialsLeaveTheCallerAsItWas) {
    ResolverUniverse u("branches");
    const Package* heavy = u.pkg("heavy-1.0-1.noarch");
    const Package* light = u.pkg("light-1.0-1.noarch");
    std::vector<const Package*> list = u.list({"br-app-1.0-1.noarch"});
    PkgManager pm(&u.repo, &list, &options);
    pm.osArch = "x86_64";
    pm.blackList[u.pkg("h2-1.0-1.noarch")] = ReasonPtr(new ReasonClash(u.pkg("h2-1.0-1.noarch"), light));
    pm.addDefferedDependency(list[0]->getRequire(0));

    // With h2 black, heavy's branch cannot complete.
    EXPECT_EQ(pm.compareBranches(heavy, light), -1);
    EXPECT_NE(log->text().find("      reject currBest by resolving of branch error."), std::string::npos);
    EXPECT_EQ(pm.compareBranches(light, heavy), 1);

    EXPECT_EQ(printed(list), (std::vector<std::string>{"br-app-1.0-1.noarch"}));
    EXPECT_EQ(blacklisted(pm), (std::vector<std::string>{"h2-1.0-1.noarch"}));
    EXPECT_EQ(pm.defferedList, (std::list<const Dependency*>{list[0]->getRequire(0)}));
    EXPECT_TRUE(pm.resolvedDependencies.empty());
}

// Trials resolve over the caller's pool. An index that was stale when a trial began is rebuilt
// by the trial (which says so, one "#" deeper) and is stale again afterwards, so the next trial
// and the caller rebuild and say it too, as each did over a copy of its own; packages that a
// trial's rebuild of the requires finds unresolved are not left behind.
TEST_F(PkgManagerChoices, TrialsLeaveThePoolAsTheyFoundIt) {
    ResolverUniverse u("branches-broken");
    const Package* broken = u.pkg("broken-1.0-1.noarch");
    ASSERT_EQ(u.repo.unresolvedRequires.count(const_cast<Package*>(broken)), 1u);
    u.repo.unresolvedRequires.clear();
    u.repo.invalidateCaches();

    // Keeping fine (broken blacklisted) works; keeping broken fails, after a rebuild of the
    // requires that finds broken's require unresolved.
    std::vector<const Package*> list = u.list({"br-app-1.0-1.noarch"});
    PkgManager pm(&u.repo, &list, &options);
    pm.osArch = "x86_64";
    const Package* fine = u.pkg("fine-1.0-1.noarch");
    EXPECT_EQ(pm.selectBlackPackage(fine, broken, ReasonPtr(new ReasonClash(fine, broken))), 1);

    EXPECT_TRUE(u.repo.requiresDirty);
    EXPECT_TRUE(u.repo.namesDirty);
    EXPECT_TRUE(u.repo.conflictsDirty);
    EXPECT_TRUE(u.repo.obsoletesDirty);
    EXPECT_TRUE(u.repo.providesDirty);
    EXPECT_TRUE(u.repo.unresolvedRequires.empty());
    const std::string text = log->text();
    auto count = [&text](const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("# (update package names cache) "), 2u);
    EXPECT_EQ(count("#(regen conflicts cache) "), 2u);
    // Only the failing trial asks who requires a package.
    EXPECT_EQ(count("#Resolve requires dependencies in repository."), 1u);
    EXPECT_EQ(count("Resolving fake2 ends with error"), 1u);

    u.repo.getPackagesByName(broken->getName());
    EXPECT_NE(log->text().find(" (update package names cache) ", text.size()), std::string::npos);
}

TEST_F(PkgManagerChoices, OtherErrorsOfATrialPassWithTheLogDepthRestored) {
    ResolverUniverse u("branches-internal");
    std::vector<const Package*> list = u.list({"br-app-1.0-1.noarch"});
    PkgManager pm(&u.repo, &list, &options);
    // No arch: choosing between the two archs of "dual" inside a1's trial is an internal error.
    const error e = raisedError([&] { pm.compareBranches(u.pkg("a1-1.0-1.noarch"), u.pkg("a2-1.0-1.noarch")); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), "os_arch is not defined in packages resolver\n");
    EXPECT_EQ(Log::depth.load(), 0);
    EXPECT_NE(log->text().find("#selectBestResolvers: resolve 'dual'"), std::string::npos);
    EXPECT_EQ(printed(list), (std::vector<std::string>{"br-app-1.0-1.noarch"}));
}

TEST_F(PkgManagerChoices, RemovalIsTheUsersJob) {
    ResolverUniverse u("plain");
    std::vector<const Package*> list = u.list({"p-1.0-1.noarch"});
    PkgManager pm(&u.repo, &list, &options);
    const error e = raisedError([&] { pm.removeModeSolution(u.pkg("q-1.0-1.noarch")); });
    EXPECT_EQ(codesOf(e), "(5,1,1,2)");
    EXPECT_EQ(e.text(),
              "Unable to proceed with the installation until the package q-1.0-1.noarch is removed from the system.\n");
}

}  // namespace
