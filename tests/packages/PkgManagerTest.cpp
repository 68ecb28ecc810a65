// The resolver's state: orderings, queries, statistics, the blacklist and the explanations.
#include "packages/PkgManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "packages/DependencyLogical.h"
#include "packages/ReasonClash.h"
#include "packages/ReasonReport.h"
#include "packages/ReasonUnresolved.h"
#include "packages/Repository.h"
#include "packages/ResolverUniverse.h"
#include "sources/CountingSource.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::blacklisted;
using testutil::codesOf;
using testutil::LogCapture;
using testutil::PackageKeeper;
using testutil::printed;
using testutil::raisedError;
using testutil::reasonText;
using testutil::ResolverUniverse;

typedef boost::shared_ptr<Reason> ReasonPtr;

// Every test writes the whole log (level 3) into a file of its own, in English.
class ResolverTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        restartLog();
    }
    // A log file of its own for one row of a table. The old capture resets the log as it
    // goes, so it goes first.
    void restartLog() {
        log.reset();
        log.reset(new LogCapture(3));
    }
    void TearDown() override {
        log.reset();
        EnglishTest::TearDown();
    }
    std::string logText() const { return log->text(); }

    ResolverOptions options{1, false};
    std::unique_ptr<LogCapture> log;
};

size_t positionOf(const std::string& text, const std::string& what) {
    const size_t at = text.find(what);
    EXPECT_NE(at, std::string::npos) << "missing in the log: " << what;
    return at;
}

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

const Reason* reasonOf(const PkgManager& pm, const Package* p) {
    auto it = pm.blackList.find(p);
    return it == pm.blackList.end() ? nullptr : it->second.get();
}

// ---- orderings -------------------------------------------------------------------------

using PkgManagerOrder = ResolverTest;

TEST_F(PkgManagerOrder, SameArchTreatsTheX86GenerationsAsOne) {
    struct Row {
        const char* a;
        const char* b;
        bool same;
    };
    const Row rows[] = {
        {"i386", "i686", true},    {"i586", "i386", true},   {"i386", "x86_64", false},
        {"x86_64", "x86_64", true}, {"noarch", "noarch", true},
        // Only the shape i?86 counts, whatever stands second.
        {"ix86", "i686", true},    {"ia64", "i686", false},   {"i3866", "i386", false},
        {"", "", true},            {"i386", "", false},
    };
    for (const Row& r : rows) EXPECT_EQ(PkgManager::isSameArch(r.a, r.b), r.same) << r.a << " ~ " << r.b;
}

TEST_F(PkgManagerOrder, OsArchReadsI386AsI686AndMustBeSet) {
    Repository repo;
    std::vector<const Package*> list;
    PkgManager pm(&repo, &list, &options);
    for (auto row : {std::make_pair("i386", "i686"), std::make_pair("i586", "i586"),
                     std::make_pair("x86_64", "x86_64")}) {
        pm.osArch = row.first;
        EXPECT_EQ(pm.getOsArch(), row.second);
    }
    pm.osArch = "";
    const error e = raisedError([&] { pm.getOsArch(); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), "os_arch is not defined in packages resolver\n");
}

TEST_F(PkgManagerOrder, CompareArchPrefersTheHostThenTheNewerX86) {
    struct Row {
        const char* os;
        const char* a;
        const char* b;
        int expected;
    };
    const Row rows[] = {
        {"x86_64", "x86_64", "i686", 1},  {"x86_64", "i686", "x86_64", -1}, {"x86_64", "i686", "i586", 1},
        {"x86_64", "i386", "i586", -1},   {"x86_64", "noarch", "noarch", 0}, {"x86_64", "noarch", "ppc", 0},
        // "i386" stands for "i686", so an i686 package is the host's own.
        {"i386", "i686", "x86_64", 1},    {"i386", "i386", "i686", -1},
        // On powerpc nothing but the host's own arch counts.
        {"powerpc", "i686", "i586", 0},   {"powerpc", "powerpc", "noarch", 1},
    };
    PackageKeeper keep;
    Repository repo;
    std::vector<const Package*> list;
    PkgManager pm(&repo, &list, &options);
    for (const Row& r : rows) {
        pm.osArch = r.os;
        const int got = pm.compareArch(keep.make("p", "1.0-1", 'u', r.a), keep.make("p", "1.0-1", 'u', r.b));
        EXPECT_EQ((got > 0) - (got < 0), r.expected) << r.os << ": " << r.a << " ~ " << r.b;
    }
}

TEST_F(PkgManagerOrder, CompareByTypeRanksTheOriginsAndRefusesDummiesAndRemovals) {
    struct Row {
        char a;
        char b;
        int expected;
        int internalLine;  // 0: no error
    };
    const Row rows[] = {
        {'s', 'b', 1, 0},  {'b', 's', -1, 0}, {'b', 'r', 1, 0},  {'r', 'u', 1, 0},   {'u', 't', 1, 0},
        {'t', 'u', -1, 0}, {'t', 'n', 1, 0},  {'n', 't', -1, 0}, {'n', 'n', 0, 0},   {'u', 'u', 0, 0},
        {'d', 's', 0, 2327}, {'s', 'd', 0, 2328}, {'z', 's', 0, 2330}, {'s', 'z', 0, 2331},
        // Dummies are refused before removals, on either side.
        {'z', 'd', 0, 2328}, {'d', 'd', 0, 2327},
    };
    PackageKeeper keep;
    Repository repo;
    std::vector<const Package*> list;
    PkgManager pm(&repo, &list, &options);
    for (const Row& r : rows) {
        const Package* a = keep.make("a", "1.0-1", r.a);
        const Package* b = keep.make("b", "1.0-1", r.b);
        if (r.internalLine == 0) {
            const int got = pm.compareByType(a, b);
            EXPECT_EQ((got > 0) - (got < 0), r.expected) << r.a << " ~ " << r.b;
            continue;
        }
        const error e = raisedError([&] { pm.compareByType(a, b); });
        EXPECT_EQ(codesOf(e), "(3,1,1,3)");
        EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 PkgManager, line " +
                                std::to_string(r.internalLine) + ".\n")
            << r.a << " ~ " << r.b;
    }
}

TEST_F(PkgManagerOrder, CmpPriorityPutsRequestsFirstThenTypeOrVersionByTheUpgradeSetting) {
    enum Ask { none, start, extra };
    struct Side {
        const char* version;
        char type;
        const char* arch;
        Ask asked;
    };
    struct Row {
        const char* what;
        Side a;
        Side b;
        bool upgrade;
        int expected;
    };
    const Row rows[] = {
        {"requested beats newer", {"1.0-1", 'u', "noarch", start}, {"2.0-1", 'u', "noarch", none}, false, 1},
        {"requested beats newer, upgrading", {"1.0-1", 'u', "noarch", extra}, {"2.0-1", 'u', "noarch", none}, true, 1},
        {"newer loses to requested", {"2.0-1", 's', "noarch", none}, {"1.0-1", 'u', "noarch", extra}, false, -1},
        {"both requested: version", {"1.0-1", 's', "noarch", start}, {"2.0-1", 'u', "noarch", extra}, false, -1},
        {"installed beats newer update", {"1.0-1", 's', "noarch", none}, {"2.0-1", 'u', "noarch", none}, false, 1},
        {"newer update beats installed", {"1.0-1", 's', "noarch", none}, {"2.0-1", 'u', "noarch", none}, true, -1},
        {"a build package: version first", {"1.0-1", 'b', "noarch", none}, {"2.0-1", 's', "noarch", none}, false, -1},
        {"type before version", {"2.0-1", 't', "noarch", none}, {"1.0-1", 'u', "noarch", none}, false, -1},
        {"version before type", {"2.0-1", 't', "noarch", none}, {"1.0-1", 'u', "noarch", none}, true, 1},
        {"then the host arch", {"1.0-1", 'u', "x86_64", none}, {"1.0-1", 'u', "i686", none}, false, 1},
        {"arch before type", {"1.0-1", 't', "x86_64", none}, {"1.0-1", 'u', "i686", none}, true, 1},
        {"all equal", {"1.0-1", 'u', "noarch", none}, {"1.0-1", 'u', "noarch", none}, true, 0},
    };
    PackageKeeper keep;
    Repository repo;
    for (const Row& r : rows) {
        const Package* a = keep.make("p", r.a.version, r.a.type, r.a.arch);
        const Package* b = keep.make("p", r.b.version, r.b.type, r.b.arch);
        std::vector<const Package*> list;
        for (const auto& side : {std::make_pair(a, r.a.asked), std::make_pair(b, r.b.asked)})
            if (side.second == start) list.push_back(side.first);
        ResolverOptions opts{1, r.upgrade};
        PkgManager pm(&repo, &list, &opts);
        pm.osArch = "x86_64";
        for (const auto& side : {std::make_pair(a, r.a.asked), std::make_pair(b, r.b.asked)})
            if (side.second == extra) pm.addRequestedPackages({side.first});
        const int got = pm.cmpPriority(a, b);
        EXPECT_EQ((got > 0) - (got < 0), r.expected) << r.what;
    }
}

// ---- queries and list maintenance ----------------------------------------------------------

using PkgManagerQueries = ResolverTest;

TEST_F(PkgManagerQueries, NewerNonBlackPackageIgnoresArchAndSkipsBlackOnes) {
    ResolverUniverse u("queries");
    std::vector<const Package*> list;
    PkgManager pm(&u.repo, &list, &options);
    const Package* lib1 = u.pkg("lib-1.0-1.noarch");
    const Package* lib2 = u.pkg("lib-2.0-1.noarch");
    const Package* lib3 = u.pkg("lib-3.0-1.x86_64");

    EXPECT_EQ(pm.findNewerNonBlackPackage(lib1), lib3);
    EXPECT_EQ(pm.findNewerNonBlackPackage(lib3), nullptr);
    pm.blackList[lib3] = ReasonPtr(new ReasonReport());
    EXPECT_EQ(pm.findNewerNonBlackPackage(lib1), lib2);
    EXPECT_EQ(pm.findNewerNonBlackPackage(lib2), nullptr);
    EXPECT_NE(logText().find("findNewerNonBlackPackage: for lib-1.0-1.noarch\n"), std::string::npos);
    EXPECT_NE(logText().find(" [black blacklisted] lib-3.0-1.x86_64"), std::string::npos);
}

TEST_F(PkgManagerQueries, DependsOnlyOnNeedsEveryResolverToBeTheOne) {
    ResolverUniverse u("queries");
    std::vector<const Package*> list;
    PkgManager pm(&u.repo, &list, &options);
    struct Row {
        const char* p;
        const char* q;
        bool expected;
    };
    const Row rows[] = {
        {"user2-1.0-1.noarch", "lib-2.0-1.noarch", true},
        // lib 3 resolves the require as well.
        {"user-1.0-1.noarch", "lib-2.0-1.noarch", false},
        // No require of user2 is resolved by lib 3.
        {"user2-1.0-1.noarch", "lib-3.0-1.x86_64", false},
        {"needs-1.0-1.noarch", "lib-1.0-1.noarch", false},
    };
    for (const Row& r : rows) EXPECT_EQ(pm.dependsOnlyOn(u.pkg(r.p), u.pkg(r.q)), r.expected) << r.p << " on " << r.q;
}

TEST_F(PkgManagerQueries, MissingRequiresCountWhatNeitherTheSystemNorTheListHas) {
    ResolverUniverse u("queries");
    struct Row {
        std::vector<std::string> listed;
        int missing;
    };
    // needs: "lib" (installed), "extra", "other".
    const Row rows[] = {{{}, 2}, {{"other-1.0-1.noarch"}, 1}, {{"other-1.0-1.noarch", "extra-1.0-1.noarch"}, 0}};
    for (const Row& r : rows) {
        std::vector<const Package*> list = u.list(r.listed);
        PkgManager pm(&u.repo, &list, &options);
        EXPECT_EQ(pm.countMissingRequires(u.pkg("needs-1.0-1.noarch")), r.missing) << r.listed.size();
    }
}

TEST_F(PkgManagerQueries, ConflictsWithSystemOrListInEitherDirection) {
    ResolverUniverse u("queries");
    struct Row {
        const char* p;
        std::vector<std::string> listed;
        bool expected;
    };
    const Row rows[] = {
        {"bad1-1.0-1.noarch", {}, true},  // conflicts with the installed lib 1
        {"bad2-1.0-1.noarch", {"other-1.0-1.noarch"}, true},
        {"bad2-1.0-1.noarch", {}, false},
        {"target-1.0-1.noarch", {"hater-1.0-1.noarch"}, true},  // the listed one conflicts with it
        {"target-1.0-1.noarch", {}, false},
        {"neutral-1.0-1.noarch", {"hater-1.0-1.noarch", "other-1.0-1.noarch"}, false},
    };
    for (const Row& r : rows) {
        std::vector<const Package*> list = u.list(r.listed);
        PkgManager pm(&u.repo, &list, &options);
        EXPECT_EQ(pm.conflictsWithSystemOrNecessary(u.pkg(r.p)), r.expected) << r.p << " " << r.listed.size();
    }
}

TEST_F(PkgManagerQueries, BlackMeansBlacklistedOrRemovedAndUnresolvedIsSaidEvenQuietly) {
    ResolverUniverse u("unresolved");
    std::vector<const Package*> list;
    PkgManager pm(&u.repo, &list, &options);
    const Package* ok = u.pkg("ok-1.0-1.noarch");
    const Package* lonely = u.pkg("lonely1-1.0-1.noarch");

    EXPECT_FALSE(pm.isBlack(lonely, true));
    EXPECT_NE(logText().find(" [error: non black but unresolved] lonely1-1.0-1.noarch"), std::string::npos);
    EXPECT_FALSE(pm.isBlack(ok, false));

    pm.blackList[ok] = ReasonPtr(new ReasonReport());
    EXPECT_TRUE(pm.isBlack(ok, true));
    EXPECT_EQ(logText().find(" [black blacklisted] "), std::string::npos);
    EXPECT_TRUE(pm.isBlack(ok, false));
    EXPECT_NE(logText().find(" [black blacklisted] ok-1.0-1.noarch"), std::string::npos);

    PackageKeeper keep;
    const Package* removed = keep.make("gone", "1.0-1", 'z');
    EXPECT_TRUE(pm.isBlack(removed, false));
    EXPECT_NE(logText().find(" [black REMOVED] gone-1.0-1"), std::string::npos);
}

TEST_F(PkgManagerQueries, ListsKeepOneCopyAndOneDependencyPerKey) {
    ResolverUniverse u("copies");
    const Package* dupB = u.pkg("dup-1.0-1.noarch", 'b');
    const Package* dupU = u.pkg("dup-1.0-1.noarch", 'u');
    const Package* zlib = u.pkg("zlib-1.5-1.noarch");
    std::vector<const Package*> list{dupB};
    PkgManager pm(&u.repo, &list, &options);
    EXPECT_EQ(pm.level, 1);
    EXPECT_EQ(pm.resolvedDependencies.bucket_count(), 193u);

    pm.addToNecessaryList(dupU);
    pm.addToNecessaryList(zlib);
    pm.addToNecessaryList(zlib);
    EXPECT_EQ(list, (std::vector<const Package*>{dupB, zlib}));
    EXPECT_EQ(pm.startList, (std::vector<const Package*>{dupB}));

    DependencyLogical versioned("libz >= 7", nullptr);
    DependencyLogical bare("libz", nullptr);
    DependencyLogical other("libother", nullptr);
    pm.addDefferedDependency(dupB->getRequire(0));
    pm.addDefferedDependency(&versioned);
    pm.addDefferedDependency(&bare);
    pm.addDefferedDependency(&other);
    EXPECT_EQ(pm.defferedList, (std::list<const Dependency*>{dupB->getRequire(0), &other}));
    EXPECT_EQ(occurrences(logText(), " is already in deffered list, skip\n"), 2u);

    pm.logPackageList(2, list);
    EXPECT_NE(logText().find(" (b) dup-1.0-1.noarch.rpm\n (b) zlib-1.5-1.noarch.rpm\n"), std::string::npos);
}

// ---- statistics --------------------------------------------------------------------------

using PkgManagerStatistics = ResolverTest;

TEST_F(PkgManagerStatistics, CountsByOriginAndInstalledNameWithSizesIn64Bits) {
    ResolverUniverse u("stats");
    Package* remover = u.repo.addRemoverFor("gone");
    std::vector<const Package*> list{
        u.pkg("inst-2.0-1.noarch", 's'),
        remover,
        Dependency::dummyMaster(),  // a dummy that obsoletes nothing removes nothing
        u.pkg("newb-1.0-1.noarch"),
        u.pkg("inst-3.0-1.noarch", 'b'),
        u.pkg("inst-1.0-1.noarch", 'u'),  // older than the installed one: still an upgrade
        u.pkg("newu-1.0-1.noarch"),
    };
    PkgManager pm(&u.repo, &list, &options);
    ResolveStatistics s;
    std::memset(&s, 0xff, sizeof s);
    pm.getStatistics(s);
    EXPECT_EQ(s.removals, 1u);
    EXPECT_EQ(s.systemNew, 1u);
    EXPECT_EQ(s.systemUpgrade, 1u);
    EXPECT_EQ(s.systemSize, 120u);
    EXPECT_EQ(s.buildNew, 1u);
    EXPECT_EQ(s.buildUpgrade, 1u);
    EXPECT_EQ(s.buildSize, 5000000200u);
    EXPECT_EQ(s.totalNew, 2u);
    EXPECT_EQ(s.totalUpgrade, 2u);
    EXPECT_EQ(s.totalRemovals, 1u);
    EXPECT_EQ(s.totalSize, 5000000320u);
}

// ---- blacklist -----------------------------------------------------------------------------

using PkgManagerBlacklist = ResolverTest;

TEST_F(PkgManagerBlacklist, RequirersLeftWithoutProviderFollowAlongTheChain) {
    ResolverUniverse u("chain");
    const Package* a = u.pkg("a-1.0-1.noarch");
    const Package* b = u.pkg("b-1.0-1.noarch");
    const Package* c = u.pkg("c-1.0-1.noarch");
    std::vector<const Package*> list{u.pkg("x-1.0-1.noarch")};
    PkgManager pm(&u.repo, &list, &options);
    const ReasonPtr withdrawn(new ReasonReport({"withdrawn"}));

    EXPECT_THROW(pm.appendBlackPackage(c, withdrawn), PkgManager::unhappy);

    // x keeps d for "libshared", so neither x nor d follows.
    EXPECT_EQ(blacklisted(pm), (std::vector<std::string>{"a-1.0-1.noarch", "b-1.0-1.noarch", "c-1.0-1.noarch"}));
    EXPECT_EQ(reasonOf(pm, c), withdrawn.get());
    for (const Package* p : {a, b}) {
        const ReasonUnresolved* r = dynamic_cast<const ReasonUnresolved*>(reasonOf(pm, p));
        ASSERT_NE(r, nullptr) << p->toString();
        EXPECT_EQ(r->dependency, p->getRequire(0)) << p->toString();
    }
    EXPECT_EQ(reasonText(reasonOf(pm, a)), "dependency 'b' is unresolved");

    const std::string text = logText();
    EXPECT_LT(positionOf(text, "Migrating c-1.0-1.noarch to blacklist \n"),
              positionOf(text, "Migrating b-1.0-1.noarch to blacklist \n"));
    EXPECT_LT(positionOf(text, "Migrating b-1.0-1.noarch to blacklist \n"),
              positionOf(text, "Migrating a-1.0-1.noarch to blacklist \n"));
    positionOf(text, "Add package b-1.0-1.noarch to black list because its dependency 'c' resolved only by "
                     "black-listed package c-1.0-1.noarch.\n");
    positionOf(text, "appendBlackPackage: throw unhappy exception (b) x-1.0-1.noarch.rpm\n");
    positionOf(text, "DEBUG: function exception [appendBlackPackage c-1.0-1.noarch]\n");
}

// Who follows a blacklisted package must not depend on what the log reads: below level 3 the
// walk over the requirers is cut short, at level 3 it also writes a line for every walk that
// passes a package with an unresolved require.
TEST_F(PkgManagerBlacklist, RequirersThatFollowDoNotDependOnTheLogLevel) {
    struct Row {
        const char* universe;
        std::vector<const char*> blackBefore;
        const char* target;
        std::vector<std::string> blacklist;
        // Requirer -> the text of the require it follows for.
        std::vector<std::pair<const char*, const char*>> reasons;
        size_t unresolvedLines;  // "[error: non black but unresolved] u-1.0-1.noarch" at level 3
    };
    const Row rows[] = {
        // x keeps d for "libshared".
        {"chain", {}, "c-1.0-1.noarch", {"a-1.0-1.noarch", "b-1.0-1.noarch", "c-1.0-1.noarch"},
         {{"a-1.0-1.noarch", "b"}, {"b-1.0-1.noarch", "c"}}, 0},
        // b lists no provide of its own name and version; e provides them, but is black: q's
        // "b = 1.0-1" is met by b alone. t needs "b-only"; q's and r's "libb" stays with u and
        // c, and each of the two walks passes u, which has an unresolved require.
        {"cascade", {"e-1.0-1.noarch"}, "b-1.0-1.noarch",
         {"b-1.0-1.noarch", "e-1.0-1.noarch", "q-1.0-1.noarch", "t-1.0-1.noarch"},
         {{"q-1.0-1.noarch", "b = 1.0-1"}, {"t-1.0-1.noarch", "b-only"}}, 2},
        // c lists its own name and version: the walks of q's and r's "libb" still pass u.
        {"cascade", {"b-1.0-1.noarch"}, "c-1.0-1.noarch", {"b-1.0-1.noarch", "c-1.0-1.noarch"}, {}, 2},
        // e follows b, which is black already: q's "b = 1.0-1" is left to no one.
        {"cascade", {"b-1.0-1.noarch"}, "e-1.0-1.noarch", {"b-1.0-1.noarch", "e-1.0-1.noarch", "q-1.0-1.noarch"},
         {{"q-1.0-1.noarch", "b = 1.0-1"}}, 0},
    };
    for (const Row& row : rows) {
        for (int level : {1, 2, 3}) {
            SCOPED_TRACE(std::string(row.universe) + " " + row.target + " level " + std::to_string(level));
            log.reset();
            log.reset(new LogCapture(level));
            ResolverUniverse u(row.universe);
            std::vector<const Package*> list;
            PkgManager pm(&u.repo, &list, &options);
            for (const char* p : row.blackBefore) pm.blackList[u.pkg(p)] = ReasonPtr(new ReasonReport());

            EXPECT_THROW(pm.appendBlackPackage(u.pkg(row.target), ReasonPtr(new ReasonReport())), PkgManager::unhappy);

            EXPECT_EQ(blacklisted(pm), row.blacklist);
            for (const auto& reason : row.reasons) {
                const ReasonUnresolved* r = dynamic_cast<const ReasonUnresolved*>(reasonOf(pm, u.pkg(reason.first)));
                ASSERT_NE(r, nullptr) << reason.first;
                EXPECT_EQ(reasonText(r), std::string("dependency '") + reason.second + "' is unresolved");
            }
            EXPECT_EQ(occurrences(logText(), "[error: non black but unresolved] u-1.0-1.noarch"),
                      level == 3 ? row.unresolvedLines : 0u);
        }
    }
}

TEST_F(PkgManagerBlacklist, BlackPackageReturnsQuietlyWithoutThrowing) {
    ResolverUniverse u("chain");
    const Package* c = u.pkg("c-1.0-1.noarch");
    std::vector<const Package*> list;
    PkgManager pm(&u.repo, &list, &options);
    pm.blackList[c] = ReasonPtr(new ReasonReport());

    EXPECT_NO_THROW(pm.appendBlackPackage(c, ReasonPtr(new ReasonReport())));
    EXPECT_EQ(blacklisted(pm), (std::vector<std::string>{"c-1.0-1.noarch"}));
    EXPECT_NE(logText().find(" DEBUG: Hey, is something wron? c-1.0-1.noarch is already in black list!\n"),
              std::string::npos);
    EXPECT_EQ(logText().find("Migrating"), std::string::npos);
}

TEST_F(PkgManagerBlacklist, CopiesFromOtherSourcesGetReasonsOfTheirOwn) {
    enum Kind { unresolved, clash, report };
    for (Kind kind : {unresolved, clash, report}) {
        SCOPED_TRACE(kind);
        restartLog();
        ResolverUniverse u("copies");
        const Package* dupB = u.pkg("dup-1.0-1.noarch", 'b');
        const Package* dupU = u.pkg("dup-1.0-1.noarch", 'u');
        const Package* dupT = u.pkg("dup-1.0-1.noarch", 't');  // requires "libz", not "libz >= 1"
        const Package* zlib = u.pkg("zlib-1.5-1.noarch");
        std::vector<const Package*> list;
        PkgManager pm(&u.repo, &list, &options);
        ReasonPtr given;
        if (kind == unresolved) given.reset(new ReasonUnresolved(dupB->getRequire(0)));
        if (kind == clash) given.reset(new ReasonClash(zlib, dupB));
        if (kind == report) given.reset(new ReasonReport({"given"}));

        EXPECT_THROW(pm.appendBlackPackage(dupB, given), PkgManager::unhappy);

        const std::vector<const Package*> copies =
            kind == unresolved ? std::vector<const Package*>{dupB, dupU} : std::vector<const Package*>{dupB, dupU, dupT};
        EXPECT_EQ(pm.blackList.size(), copies.size());
        for (const Package* c : copies) {
            const Reason* r = reasonOf(pm, c);
            ASSERT_NE(r, nullptr) << c->getType();
            if (kind == unresolved) {
                const ReasonUnresolved* own = dynamic_cast<const ReasonUnresolved*>(r);
                ASSERT_NE(own, nullptr);
                EXPECT_EQ(own->dependency, c->getRequire(0));
            } else if (kind == clash) {
                const ReasonClash* own = dynamic_cast<const ReasonClash*>(r);
                ASSERT_NE(own, nullptr);
                EXPECT_EQ(own->first, c);
                EXPECT_EQ(own->second, zlib);
            } else {
                EXPECT_EQ(r, given.get());
            }
        }
        const std::string text = logText();
        positionOf(text, "Black list package dup-1.0-1.noarch too (same name,ver,arch)");
        if (kind == unresolved) positionOf(text, "Debug: package dup-1.0-1.noarch not black listed!\n");
    }
}

TEST_F(PkgManagerBlacklist, BlacklistOrderFollowsCreationNotNamesOrAddresses) {
    struct Row {
        const char* universe;
        const char* first;
        const char* second;
    };
    for (const Row& r : {Row{"order-b2-first", "b2", "b1"}, Row{"order-b1-first", "b1", "b2"}}) {
        // Twice: the second universe lies elsewhere in memory.
        for (int run = 0; run < 2; ++run) {
            restartLog();
            ResolverUniverse u(r.universe);
            std::vector<const Package*> list;
            PkgManager pm(&u.repo, &list, &options);
            EXPECT_THROW(pm.appendBlackPackage(u.pkg("c-1.0-1.noarch"), ReasonPtr(new ReasonReport())),
                         PkgManager::unhappy);
            const std::string text = logText();
            const size_t c = positionOf(text, "Migrating c-1.0-1.noarch");
            const size_t first = positionOf(text, std::string("Migrating ") + r.first + "-1.0-1.noarch");
            const size_t second = positionOf(text, std::string("Migrating ") + r.second + "-1.0-1.noarch");
            EXPECT_LT(c, first) << r.universe;
            EXPECT_LT(first, second) << r.universe;
        }
    }
}

TEST_F(PkgManagerBlacklist, UnresolvableDependencyBlacklistsItsMasterOrFails) {
    ResolverUniverse u("chain");
    const Package* x = u.pkg("x-1.0-1.noarch");
    const Package* b = u.pkg("b-1.0-1.noarch");
    DependencyLogical masterless("foo >= 2", nullptr);

    {
        std::vector<const Package*> list;
        PkgManager pm(&u.repo, &list, &options);
        const error e = raisedError([&] { pm.blackListMasterAndThrowUnhappy(&masterless); });
        EXPECT_EQ(codesOf(e), "(5,1,1,2)");
        EXPECT_EQ(e.text(), "Can't find solution for 'foo >= 2' of dummy_masterpackage_for_dependency-1.2.3.\n");
        EXPECT_TRUE(pm.blackList.empty());
    }
    {
        // An ordinary master goes onto the blacklist, and the attempt starts again.
        std::vector<const Package*> list;
        PkgManager pm(&u.repo, &list, &options);
        EXPECT_THROW(pm.blackListMasterAndThrowUnhappy(b->getRequire(0)), PkgManager::unhappy);
        const ReasonUnresolved* r = dynamic_cast<const ReasonUnresolved*>(reasonOf(pm, b));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->dependency, b->getRequire(0));
        positionOf(logText(), "selectBestResolvers(): Can't find solution for 'c' of b-1.0-1.noarch.\n"
                              "Add b-1.0-1.noarch to black list\n"
                              "DEBUG: function entry [appendBlackPackage b-1.0-1.noarch]\n");

        // Black already: a new attempt would change nothing.
        const error e = raisedError([&] { pm.blackListMasterAndThrowUnhappy(b->getRequire(0)); });
        EXPECT_EQ(codesOf(e), "(5,1,1,2)");
        EXPECT_EQ(e.text(), "Can't find solution for 'c' of b-1.0-1.noarch.\n");
    }
    {
        // A requested master fails the resolution with its explanation.
        std::vector<const Package*> list{x};
        PkgManager pm(&u.repo, &list, &options);
        const error e = raisedError([&] { pm.blackListMasterAndThrowUnhappy(x->getRequire(0)); });
        EXPECT_EQ(codesOf(e), "(5,1,1,3)");
        EXPECT_EQ(e.text(), "Unable to install the \"x-1.0-1.noarch\" package.\n");
        positionOf(logText(), "Solution for dependency 'libshared' is not available.");
    }
}

TEST_F(PkgManagerBlacklist, RequestedPackageFailsWithItsExplanation) {
    ResolverUniverse u("requested");
    const Package* a = u.pkg("a-1.0-1.noarch");
    std::vector<const Package*> list{a};
    PkgManager pm(&u.repo, &list, &options);

    const error e = raisedError([&] { pm.addBlackPackage(a, ReasonPtr(new ReasonUnresolved(a->getRequire(0)))); });
    EXPECT_EQ(codesOf(e), "(5,1,1,3)");
    EXPECT_EQ(e.text(), "Unable to install the \"a-1.0-1.noarch\" package.\n");
    EXPECT_EQ(pm.explanations, (std::list<std::string>{"The dependency for \"libfoo >= 2\" required\n by the "
                                                       "\"a-1.0-1.noarch\" package could not be resolved.\n"}));
    EXPECT_EQ(blacklisted(pm), (std::vector<std::string>{"a-1.0-1.noarch"}));

    const std::string text = logText();
    const size_t start = positionOf(text, "    ---- start dependency problems explaination -----\n");
    const size_t searching = positionOf(text, "Searching problems for the \"a\" package.\n");
    const size_t end = positionOf(text, "    ---- end dependency problems explaination -----\n");
    EXPECT_LT(start, searching);
    EXPECT_LT(searching, end);
    positionOf(text, "The requested package \"a\" could not be installed: dependency 'libfoo >= 2' is unresolved\n");
    positionOf(text, "addBlackPackage: a-1.0-1.noarch.rpm (" + std::to_string(a->creationSequence()) + ")\n");
}

TEST_F(PkgManagerBlacklist, RequestedPackageInAClashByTheOtherSide) {
    struct Row {
        const char* second;
        const char* outcome;  // "" when nothing is raised
    };
    const Row rows[] = {
        {"a-2.0-1.noarch", ""},  // the newer package stands in for the requested one
        {"rival-1.0-1.noarch", "Unable to install the \"a-1.0-1.noarch\" package.\n"},
        {"a-1.0-1.noarch", "An internal error occured in vantrell, rev.297274 PkgManager, line 2812.\n"},
    };
    for (const Row& r : rows) {
        restartLog();
        ResolverUniverse u("requested");
        const Package* a = u.pkg("a-1.0-1.noarch");
        std::vector<const Package*> list{a};
        PkgManager pm(&u.repo, &list, &options);
        const ReasonPtr reason(new ReasonClash(a, u.pkg(r.second)));
        if (*r.outcome == '\0') {
            EXPECT_NO_THROW(pm.addBlackPackage(a, reason));
            positionOf(logText(), "Allow to replace build packagea-1.0-1.noarch\n  with newer package a-2.0-1.noarch\n");
            EXPECT_TRUE(pm.explanations.empty());
        } else {
            EXPECT_EQ(raisedError([&] { pm.addBlackPackage(a, reason); }).text(), r.outcome) << r.second;
            EXPECT_EQ(logText().find("Allow to replace"), std::string::npos);
        }
        EXPECT_EQ(reasonOf(pm, a), reason.get()) << r.second;
    }
}

TEST_F(PkgManagerBlacklist, UnresolvedPackagesAreBlacklistedInCreationOrder) {
    ResolverUniverse u("unresolved");
    const Package* lonely2 = u.pkg("lonely2-1.0-1.noarch");
    const Package* lonely1 = u.pkg("lonely1-1.0-1.noarch");
    {
        std::vector<const Package*> list{u.pkg("ok-1.0-1.noarch")};
        PkgManager pm(&u.repo, &list, &options);
        pm.blacklistUnresolved();
        // The installed sysbroken is left alone.
        EXPECT_EQ(blacklisted(pm), (std::vector<std::string>{"lonely2-1.0-1.noarch", "lonely1-1.0-1.noarch"}));
        EXPECT_EQ(reasonText(reasonOf(pm, lonely1)), "dependency 'nothing-one' is unresolved");
        const std::string text = logText();
        EXPECT_LT(positionOf(text, "Add packages with unresolved deps to blacklist\n"),
                  positionOf(text, "addBlackPackage: lonely2-1.0-1.noarch.rpm (" +
                                       std::to_string(lonely2->creationSequence()) + ")\n"));
        EXPECT_LT(positionOf(text, "addBlackPackage: lonely2"), positionOf(text, "addBlackPackage: lonely1"));
    }
    {
        std::vector<const Package*> list{lonely1};
        PkgManager pm(&u.repo, &list, &options);
        const error e = raisedError([&] { pm.blacklistUnresolved(); });
        EXPECT_EQ(e.text(), "Unable to install the \"lonely1-1.0-1.noarch\" package.\n");
        EXPECT_EQ(pm.explanations.size(), 1u);
    }
}

// ---- explanations --------------------------------------------------------------------------

using PkgManagerExplain = ResolverTest;

TEST_F(PkgManagerExplain, UnresolvedRequireLeadsToTheBlacklistedProviderOnce) {
    ResolverUniverse u("requested");
    const Package* top = u.pkg("top-1.0-1.noarch");
    const Package* mid = u.pkg("mid-1.0-1.noarch");
    std::vector<const Package*> list;
    PkgManager pm(&u.repo, &list, &options);
    pm.blackList[top] = ReasonPtr(new ReasonUnresolved(top->getRequire(0)));
    pm.blackList[mid] = ReasonPtr(new ReasonClash(mid, u.pkg("rival-1.0-1.noarch")));

    std::set<const Package*> visited;
    pm.explainProblem(top, visited);

    EXPECT_EQ(pm.explanations,
              (std::list<std::string>{
                  "top-1.0-1.noarch: No suitable solutions were found\nfor the \"libmid\" dependency.\n",
                  "Packages \"mid-1.0-1.noarch\" and \"rival-1.0-1.noarch\" cannot be installed at the same time\n.\n"}));
    // mid provides "libmid" twice, so it resolves the require twice; it is explained once.
    const std::string text = logText();
    EXPECT_EQ(occurrences(text, "    The \"mid-1.0-1.noarch\" package resolves \"libmid\".\n"), 2u);
    EXPECT_EQ(occurrences(text, "Searching problems for the \"mid\" package.\n"), 1u);
    EXPECT_EQ(occurrences(text, "DEBUG: function entry [explainProblem for mid-1.0-1.noarch]\n"), 1u);
}

TEST_F(PkgManagerExplain, ReportReasonsGiveTheirLinesAndUnknownOnesNothing) {
    ResolverUniverse u("requested");
    const Package* top = u.pkg("top-1.0-1.noarch");
    const Package* mid = u.pkg("mid-1.0-1.noarch");
    std::vector<const Package*> list;
    PkgManager pm(&u.repo, &list, &options);
    pm.blackList[top] = ReasonPtr(new ReasonReport({"first line", "second line"}));

    std::set<const Package*> visited;
    pm.explainProblem(top, visited);
    pm.explainProblem(mid, visited);  // not blacklisted at all
    EXPECT_EQ(pm.explanations, (std::list<std::string>{"first line", "second line"}));
    EXPECT_EQ(occurrences(logText(), "Unknown reason type encountered.\n"), 1u);
    EXPECT_EQ(reasonText(pm.blackList[top].get()), "first line;second line;");
}

TEST_F(PkgManagerExplain, ClashShapes) {
    struct Row {
        const char* what;
        const char* first;
        const char* second;
        const char* text;
    };
    const Row rows[] = {
        {"downgrade", "foo-1.0-1.noarch", "foo-2.0-1.noarch",
         "Unable to downgrade 'foo' package to version 1.0-1:\n  version 2.0-1 is currently installed.\n"},
        {"same name, newer first: no downgrade", "foo-2.0-1.noarch", "foo-1.0-1.noarch",
         "Packages \"foo-2.0-1.noarch\" and \"foo-1.0-1.noarch\" cannot be installed at the same time\n.\n"},
        {"shared file", "filea-1.0-1.noarch", "fileb-1.0-1.noarch",
         "Packages \"filea-1.0-1.noarch\" and \"fileb-1.0-1.noarch\" cannot be installed at the same time\n"
         "because of the conflict with the file \"/usr/bin/x\"\n"},
        {"shared directory", "dira-1.0-1.noarch", "dirb-1.0-1.noarch",
         "Packages \"dira-1.0-1.noarch\" and \"dirb-1.0-1.noarch\" cannot be installed at the same time\n.\n"},
        {"no cause", "plain1-1.0-1.noarch", "plain2-1.0-1.noarch",
         "Packages \"plain1-1.0-1.noarch\" and \"plain2-1.0-1.noarch\" cannot be installed at the same time\n.\n"},
        // A require that both provide ("webserver") does not explain a choice.
        {"conflict declared by the first", "p1-1.0-1.noarch", "q1-1.0-1.noarch",
         "Packages \"p1-1.0-1.noarch\" and \"q1-1.0-1.noarch\" cannot be installed at the same time\n"
         "because \"p1-1.0-1.noarch\" conflicts with \"q1\".\n"
         "The package \"p1-1.0-1.noarch\" was chosen because of the following dependencies:\n"
         "    \"p1\" from \"app-1.0-1.noarch\"\n"
         "The package \"q1-1.0-1.noarch\" was chosen because of the following dependencies:\n"
         "    \"q1 >= 1.0\" from \"tool-1.0-1.noarch\"\n"},
        {"conflict declared by the second", "q1-1.0-1.noarch", "p1-1.0-1.noarch",
         "Packages \"q1-1.0-1.noarch\" and \"p1-1.0-1.noarch\" cannot be installed at the same time\n"
         "because \"p1-1.0-1.noarch\" conflicts with \"q1\".\n"
         "The package \"q1-1.0-1.noarch\" was chosen because of the following dependencies:\n"
         "    \"q1 >= 1.0\" from \"tool-1.0-1.noarch\"\n"
         "The package \"p1-1.0-1.noarch\" was chosen because of the following dependencies:\n"
         "    \"p1\" from \"app-1.0-1.noarch\"\n"},
    };
    ResolverUniverse u("clash");
    for (const Row& r : rows) {
        std::vector<const Package*> list = u.list({"app-1.0-1.noarch", "tool-1.0-1.noarch"});
        PkgManager pm(&u.repo, &list, &options);
        pm.explainClash(u.pkg(r.first), u.pkg(r.second));
        EXPECT_EQ(pm.explanations, (std::list<std::string>{r.text})) << r.what;
        EXPECT_NE(logText().find(r.text), std::string::npos) << r.what;
    }
}

TEST_F(PkgManagerExplain, ChoiceLinesOnlyForListedRequirers) {
    ResolverUniverse u("clash");
    std::vector<const Package*> list = u.list({"tool-1.0-1.noarch"});
    PkgManager pm(&u.repo, &list, &options);
    pm.explainClash(u.pkg("p1-1.0-1.noarch"), u.pkg("q1-1.0-1.noarch"));
    EXPECT_EQ(pm.explanations, (std::list<std::string>{
                                   "Packages \"p1-1.0-1.noarch\" and \"q1-1.0-1.noarch\" cannot be installed at the "
                                   "same time\nbecause \"p1-1.0-1.noarch\" conflicts with \"q1\".\n"
                                   "The package \"q1-1.0-1.noarch\" was chosen because of the following "
                                   "dependencies:\n    \"q1 >= 1.0\" from \"tool-1.0-1.noarch\"\n"}));
}

TEST_F(PkgManagerExplain, ReportShowsThreeEntriesAndPointsToTheLogForMore) {
    const std::string head = "\n\nThe following could cause the installation failure:\n";
    const std::string more =
        "There were also other problems encountered. For details,\nrefer to the log file: " + log->path() + ".\n\n";
    struct Row {
        std::list<std::string> entries;
        std::string report;
    };
    const Row rows[] = {
        {{}, head},
        {{"A"}, head + "A\n"},
        {{"A", "B"}, head + "1) A\n2) B\n"},
        {{"A", "B", "C"}, head + "1) A\n2) B\n3) C\n"},
        {{"A", "B", "C", "D"}, head + "1) A\n2) B\n3) C\n" + more},
    };
    Repository repo;
    for (const Row& r : rows) {
        std::vector<const Package*> list;
        PkgManager pm(&repo, &list, &options);
        pm.explanations = r.entries;
        EXPECT_EQ(pm.getReport(), r.report) << r.entries.size();
        EXPECT_EQ(pm.explanations, r.entries);
    }
    // The log has every entry.
    EXPECT_NE(logText().find("4)D\n"), std::string::npos);
}

}  // namespace
