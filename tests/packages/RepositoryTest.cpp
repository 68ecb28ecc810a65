#include "packages/Repository.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/Regexp.h"
#include "packages/Package.h"
#include "packages/Version.h"
#include "packages/internString.h"
#include "sources/CountingSource.h"
#include "sources/SourceConfig.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::CountingSource;
using testutil::LogCapture;
using testutil::PackageKeeper;
using testutil::raisedError;

const std::string namesRebuild = " (update package names cache) ";

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

bool contains(const std::vector<Package*>& list, const Package* p) {
    return std::find(list.begin(), list.end(), p) != list.end();
}

const char* name(const char* text) { return internString(text); }

class RepositoryPool : public testutil::EnglishTest {
protected:
    PackageKeeper keep;
};

TEST_F(RepositoryPool, NewRepositoryHasEveryIndexStaleAndTheTablesSized) {
    Repository repo;
    EXPECT_TRUE(repo.pkgList.empty());
    EXPECT_TRUE(repo.sources.empty());
    EXPECT_TRUE(repo.requiresDirty && repo.conflictsDirty && repo.obsoletesDirty && repo.namesDirty &&
                repo.providesDirty);
    EXPECT_EQ(repo.namesCache.bucket_count(), 193u);
    // The standard table rounds a requested size up to a prime of its own.
    EXPECT_GE(repo.providesCache.bucket_count(), 393241u);

    LogCapture log(2);
    EXPECT_TRUE(repo.getPackagesByName(name("foo")).empty());
    EXPECT_TRUE(repo.getPackagesByName(name("foo")).empty());
    EXPECT_EQ(log.text(), namesRebuild);
}

TEST_F(RepositoryPool, TheSamePackageTwiceIsOneEntryAndMarksNothingStale) {
    Repository repo;
    CountingSource first(&repo), second(&repo);
    Package* p = keep.make("foo", "1.0-1");
    LogCapture log(2);

    repo.addPackage(p, &first);
    ASSERT_EQ(repo.getPackagesByName(name("foo")), std::vector<Package*>{p});
    repo.addPackage(p, &second);

    EXPECT_EQ(repo.pkgList, std::vector<Package*>{p});
    EXPECT_EQ(p->getSource(), &first);
    EXPECT_EQ(repo.getPackagesByName(name("foo")), std::vector<Package*>{p});
    EXPECT_EQ(occurrences(log.text(), namesRebuild), 1u);
}

TEST_F(RepositoryPool, AddingRecordsTheSourceAndMarksEveryIndexStale) {
    Repository repo;
    CountingSource src(&repo);
    Package* a = keep.make("a", "1");
    Package* b = keep.make("b", "1");
    repo.addPackage(a, &src);
    repo.getPackagesByName(name("a"));
    repo.requiresDirty = repo.conflictsDirty = repo.obsoletesDirty = repo.providesDirty = false;

    repo.addPackage(b, nullptr);

    EXPECT_EQ(repo.pkgList, (std::vector<Package*>{a, b}));
    EXPECT_EQ(a->getSource(), &src);
    EXPECT_EQ(b->getSource(), nullptr);
    EXPECT_TRUE(repo.requiresDirty && repo.conflictsDirty && repo.obsoletesDirty && repo.namesDirty &&
                repo.providesDirty);
}

TEST_F(RepositoryPool, AFileNameMatchingAnIgnorePatternIsRefusedWithALine) {
    Repository repo;
    repo.ignorePatterns.emplace_back("-debuginfo-");
    repo.ignorePatterns.emplace_back("\\.src\\.rpm$");
    Package* kept = keep.make("foo", "1.0");
    kept->setFileName("foo-1.0-1.i386.rpm");
    Package* debug = keep.make("foo-debuginfo", "1.0");
    debug->setFileName("foo-debuginfo-1.0-1.i386.rpm");
    Package* noFile = keep.make("bar", "2.0");  // its file name is made from name and version
    repo.ignorePatterns.emplace_back("^bar-2\\.0$");
    repo.addPackage(kept, nullptr);
    repo.getPackagesByName(name("foo"));

    LogCapture log(1);
    repo.addPackage(debug, nullptr);
    repo.addPackage(noFile, nullptr);

    EXPECT_EQ(repo.pkgList, std::vector<Package*>{kept});
    EXPECT_FALSE(repo.namesDirty);
    EXPECT_EQ(log.text(),
              "Repository::addPackage: foo-debuginfo-1.0-1.i386.rpm is match with ignore pattern, skip.\n"
              "Repository::addPackage: bar-2.0 is match with ignore pattern, skip.\n");
}

TEST_F(RepositoryPool, RemovedPackagesStayInACurrentNameIndexUntilTheNextChange) {
    Repository repo;
    Package* old = keep.make("foo", "1.0", 's');
    Package* newer = keep.make("foo", "1.2", 's');
    Package* other = keep.make("bar", "1.0", 's');
    for (Package* p : {old, newer, other}) repo.addPackage(p, nullptr);
    ASSERT_EQ(repo.getInstalledPackage(name("foo")), newer);
    LogCapture log(2);

    newer->setType('z');
    repo.removeMarkedPackages();

    EXPECT_EQ(repo.pkgList, (std::vector<Package*>{old, other}));
    EXPECT_EQ(repo.removedPackages, std::set<Package*>{newer});
    EXPECT_TRUE(contains(repo.getPackagesByName(name("foo")), newer));
    EXPECT_EQ(repo.getInstalledPackage(name("foo")), old);
    EXPECT_EQ(log.text(), "");

    repo.addPackage(keep.make("baz", "1"), nullptr);
    EXPECT_FALSE(contains(repo.getPackagesByName(name("foo")), newer));
    EXPECT_EQ(log.text(), namesRebuild);
}

TEST_F(RepositoryPool, RemovalKeepsTheOrderOfTheRemainingPackages) {
    Repository repo;
    std::vector<Package*> all;
    const char types[] = {'s', 'z', 'u', 'z', 'z', 'b', 's'};
    for (char t : types) {
        all.push_back(keep.make("p" + std::to_string(all.size()), "1", t));
        repo.addPackage(all.back(), nullptr);
    }

    repo.removeMarkedPackages();

    EXPECT_EQ(repo.pkgList, (std::vector<Package*>{all[0], all[2], all[5], all[6]}));
    EXPECT_EQ(repo.removedPackages, (std::set<Package*>{all[1], all[3], all[4]}));
}

// Look-ups ---------------------------------------------------------------------------------

TEST_F(RepositoryPool, LookUps) {
    Repository repo;
    Package* i10 = keep.make("foo", "1.0", 's', "i386");
    Package* i12 = keep.make("foo", "1.2", 's', "i386");
    Package* u20 = keep.make("foo", "2.0", 'u', "i386");
    Package* n19 = keep.make("foo", "1.9", 'n', "noarch");
    Package* bar = keep.make("bar", "3.0", 'u', "x86_64");
    Package* baz = keep.make("baz", "0.9", 'u');
    for (Package* p : {i10, u20, i12, n19, bar, baz}) repo.addPackage(p, nullptr);

    char copyOfFoo[] = "foo";
    const Version v10("1.0"), v20("2.0"), v30("3.0");
    struct Case {
        const char* what;
        std::function<Package*()> lookUp;
        Package* expected;
    } cases[] = {
        {"installed: the highest installed version", [&] { return repo.getInstalledPackage(name("foo")); }, i12},
        {"installed: none of the name is installed", [&] { return repo.getInstalledPackage(name("bar")); }, nullptr},
        {"installed: unknown name", [&] { return repo.getInstalledPackage(name("nosuch")); }, nullptr},
        {"newest: any type letter", [&] { return repo.getNewestPackage("foo"); }, u20},
        {"newest: a single package", [&] { return repo.getNewestPackage("baz"); }, baz},
        {"newest: unknown name", [&] { return repo.getNewestPackage("nosuch"); }, nullptr},
        {"find: name, version and arch", [&] { return repo.findPackage(name("foo"), v10, "i386"); }, i10},
        {"find: the arch text decides", [&] { return repo.findPackage(name("foo"), v10, "noarch"); }, nullptr},
        {"find: noarch", [&] { return repo.findPackage(name("foo"), Version("1.9"), "noarch"); }, n19},
        {"find: the version decides", [&] { return repo.findPackage(name("foo"), v20, "noarch"); }, nullptr},
        {"find: other version", [&] { return repo.findPackage(name("bar"), v20, "x86_64"); }, nullptr},
        {"find: unset arch is noarch", [&] { return repo.findPackage(name("baz"), Version("0.9"), "noarch"); },
         nullptr},
        {"find: unset arch is the empty text", [&] { return repo.findPackage(name("baz"), Version("0.9"), ""); },
         baz},
        {"find: a copy of the name is not the name", [&] { return repo.findPackage(copyOfFoo, v10, "i386"); },
         nullptr},
        {"installed: a copy of the name is not the name", [&] { return repo.getInstalledPackage(copyOfFoo); },
         nullptr},
        {"find: exact version", [&] { return repo.findPackage(name("bar"), v30, "x86_64"); }, bar},
    };
    for (const Case& c : cases) EXPECT_EQ(c.lookUp(), c.expected) << c.what;

    EXPECT_EQ(repo.getPackagesByName(name("foo")).size(), 4u);
    EXPECT_TRUE(repo.getPackagesByName(copyOfFoo).empty());
}

TEST_F(RepositoryPool, NewestOfAnUnknownNameLeavesTheNameInThePool) {
    Repository repo;
    const std::string unknown = "nosuch-name-of-this-test";
    // Each test runs in a fresh process, so the pool's current block has room for both.
    char* before = poolAllocate(4);
    EXPECT_EQ(repo.getNewestPackage(unknown), nullptr);
    EXPECT_EQ(internString(unknown.c_str()), before + 4);
}

// Copies -----------------------------------------------------------------------------------

TEST_F(RepositoryPool, ACopySharesThePackagesAndKeepsItsAdditionsToItself) {
    PackageKeeper keepHere;
    Package* a = keepHere.make("foo", "1.0", 's');
    Package* b = keepHere.make("bar", "1.0", 'u');
    Package* added = keepHere.make("foo", "2.0", 'u');
    Package* ignored = keepHere.make("foo-devel", "2.0");
    Repository repo;
    CountingSource src(&repo);
    repo.ignorePatterns.emplace_back("-devel");
    src.add(a);
    src.add(b);
    ASSERT_EQ(repo.getPackagesByName(name("foo")).size(), 1u);

    LogCapture log(2);
    {
        Repository copy(repo);
        EXPECT_EQ(copy.pkgList, repo.pkgList);
        EXPECT_EQ(copy.sources, repo.sources);
        EXPECT_EQ(copy.namesCache.bucket_count(), repo.namesCache.bucket_count());
        // The index came along current: no rebuild.
        EXPECT_EQ(copy.getPackagesByName(name("foo")), std::vector<Package*>{a});
        EXPECT_EQ(log.text(), "");

        copy.addPackage(added, &src);
        copy.addPackage(ignored, nullptr);  // the copy's patterns share the compiled expression
        EXPECT_EQ(copy.pkgList, (std::vector<Package*>{a, b, added}));
        EXPECT_EQ(copy.getPackagesByName(name("foo")).size(), 2u);
    }

    EXPECT_EQ(repo.pkgList, (std::vector<Package*>{a, b}));
    EXPECT_FALSE(repo.namesDirty);
    EXPECT_EQ(repo.getPackagesByName(name("foo")), std::vector<Package*>{a});
    // The copy is gone, its packages are not.
    EXPECT_EQ(a->toString() + " " + b->toString() + " " + added->toString(), "foo-1.0 bar-1.0 foo-2.0");
    EXPECT_EQ(repo.getNewestPackage("foo"), a);
}

// Sources ----------------------------------------------------------------------------------

class RepositorySources : public testutil::EnglishTest {
protected:
    // Ten sources registered so that each lives below the one registered before it: a walk
    // by address would run backwards.
    struct TenSources {
        explicit TenSources(Repository* repo, std::vector<std::string>* journal) {
            for (int i = 0; i < 10; ++i)
                made[i] = new (storage[9 - i]) CountingSource(repo, journal, "s" + std::to_string(i));
        }
        ~TenSources() {
            for (CountingSource* s : made) s->~CountingSource();
        }
        alignas(CountingSource) unsigned char storage[10][sizeof(CountingSource)];
        CountingSource* made[10];
    };
};

TEST_F(RepositorySources, BriefAndFullReadsVisitSourcesInRegistrationOrder) {
    Repository repo;
    std::vector<std::string> journal;
    TenSources ten(&repo, &journal);
    ASSERT_GT(static_cast<void*>(ten.made[0]), static_cast<void*>(ten.made[9]));
    LogCapture log(1);

    repo.getBriefInfo();
    repo.getFullInfo();

    std::vector<std::string> expected;
    for (const char* step : {"brief", "full"})
        for (int i = 0; i < 10; ++i) expected.push_back("s" + std::to_string(i) + ":" + step);
    EXPECT_EQ(journal, expected);
    EXPECT_EQ(log.text(),
              "repository: Get brief packages info for all sources\n"
              "repository: Get full packages info for all sources\n");
}

TEST_F(RepositorySources, RegistrationIsASetAndDestructionUnregisters) {
    Repository repo;
    std::vector<std::string> journal;
    CountingSource a(&repo, &journal, "a");
    {
        CountingSource b(&repo, &journal, "b");
        repo.registerSource(&a);
        EXPECT_EQ(repo.sources, (std::vector<Source*>{&a, &b}));
    }
    CountingSource c(&repo, &journal, "c");
    EXPECT_EQ(repo.sources, (std::vector<Source*>{&a, &c}));
    repo.getBriefInfo();
    EXPECT_EQ(journal, (std::vector<std::string>{"a:brief", "c:brief"}));
}

TEST_F(RepositorySources, AReadErrorPassesUnchangedAndTheFailedSourceReadsAgain) {
    Repository repo;
    std::vector<std::string> journal;
    CountingSource a(&repo, &journal, "a"), b(&repo, &journal, "b"), c(&repo, &journal, "c");
    b.failBriefOnce = true;

    error e = raisedError([&] { repo.getBriefInfo(); });
    EXPECT_EQ(e.text(), "b cannot read (brief)\n");
    EXPECT_EQ(codesOf(e), "(4,2,1,2)");

    repo.getFullInfo();
    EXPECT_EQ(journal, (std::vector<std::string>{"a:brief", "b:brief", "a:full", "b:brief", "b:full", "c:brief",
                                                 "c:full"}));
}

TEST_F(RepositorySources, InstalledVersionWithoutAnInstalledPackagesSourceIsEmpty) {
    Repository repo;
    PackageKeeper keepHere;
    SourceConfig config(&repo);
    config.addPackage(keepHere.make("foo", "1.0", 's'));
    EXPECT_EQ(repo.getPkgVersionFromSystemDirectly("foo"), "");
}

}  // namespace
