// Reading package cache text into the pool, and the remover dummies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/TerminationState.h"
#include "packages/DependencyLogical.h"
#include "packages/RepositoryCase.h"
#include "packages/internString.h"
#include "support/LogCapture.h"

namespace {

using testutil::CacheStream;
using testutil::codesOf;
using testutil::CountingSource;
using testutil::fileNames;
using testutil::LogCapture;
using testutil::printed;
using testutil::raisedError;

bool allStale(const Repository& r) {
    return r.namesDirty && r.providesDirty && r.obsoletesDirty && r.conflictsDirty && r.requiresDirty;
}

// Every index current, so that a test sees which ones a change marks stale.
void makeCurrent(Repository& repo) {
    const Package* any = repo.pkgList.empty() ? nullptr : repo.pkgList.front();
    repo.getPackagesByName(internString("a"));
    DependencyLogical probe("a", nullptr);
    repo.findProviders(&probe);
    repo.getObsoletedBy(any);
    repo.getConflictsOf(any);
    repo.getRequirers(any);
    ASSERT_FALSE(repo.namesDirty || repo.providesDirty || repo.obsoletesDirty || repo.conflictsDirty ||
                 repo.requiresDirty);
}

const std::string rebuildLines =
    " (update package names cache) "
    "Regenerate packages provides cache.\n"
    "(regen obsoletes cache) "
    "(regen conflicts cache) "
    "Resolve requires dependencies in repository.\n";

class RepositoryLoad : public testutil::RepositoryCase {};

TEST_F(RepositoryLoad, KeepAllPoolsEveryRecordInFileOrderWithTypeAndSource) {
    CountingSource* s = newSource();
    makeCurrent(repo);

    load(CacheStream::fixture("pool.cache"), 's', s);
    EXPECT_TRUE(allStale(repo));
    load(CacheStream::fixture("pool.cache"), 's', s);

    // White space before the first record and between records is skipped; a second read of
    // the same file pools every package again.
    EXPECT_EQ(fileNames(repo.pkgList), "a-1-1.noarch.rpm b-1-1.noarch.rpm b-1-1.x86_64.rpm "
                                       "a-1-1.noarch.rpm b-1-1.noarch.rpm b-1-1.x86_64.rpm");
    EXPECT_NE(repo.pkgList[0], repo.pkgList[3]);
    for (const Package* p : repo.pkgList) {
        EXPECT_EQ(p->getType(), 's');
        EXPECT_EQ(p->getSource(), s);
    }
    EXPECT_EQ(repo.getPackagesByName(internString("b")).size(), 4u);
}

// An empty file still marks every index stale: the next look-ups rebuild.
TEST_F(RepositoryLoad, AFileWithoutRecordsAddsNothingButMarksEveryIndexStale) {
    for (const char* text : {"", "\n", "\n \t\n\n   \r\n"}) {
        makeCurrent(repo);
        const std::vector<Package*> before = repo.pkgList;
        load(CacheStream::text(text));
        EXPECT_EQ(repo.pkgList, before);

        LogCapture log(3);
        makeCurrent(repo);
        EXPECT_EQ(log.text(), rebuildLines) << "[" << text << "]";
        load(CacheStream::fixture("pool.cache"));
    }
}

TEST_F(RepositoryLoad, ABadRecordEndsTheReadNamingTheLineCountedAcrossRecords) {
    load(CacheStream::fixture("pool-other.cache"));
    makeCurrent(repo);

    error e = raisedError([&] { load(CacheStream::text("N:a\nV:1\nX:\n\nN:b\nN:c\n")); });

    // Blank lines between records are not lines of a record: N:c is the fifth.
    ASSERT_FALSE(e.lines.empty());
    EXPECT_EQ(e.text().substr(0, e.text().find('\n')), "Error in Package::createFromCache: input line  5: N:c");
    EXPECT_EQ(codesOf(e), "(1,1,1,3)");
    EXPECT_EQ(printed(repo.pkgList), "c-1-1.noarch a-1.all");
    // The package read before the bad record is pooled, so no index may be taken as current.
    EXPECT_TRUE(allStale(repo));
    EXPECT_EQ(repo.getPackagesByName(internString("a")), std::vector<Package*>{repo.pkgList[1]});
}

// A stream that hands out its text in two parts and asks for termination when the reader
// comes for the second, as a signal arriving in the middle of a read would.
struct SplitText {
    std::string first;
    std::string second;
    int reads = 0;

    static ssize_t read(void* cookie, char* buffer, size_t size) {
        SplitText* t = static_cast<SplitText*>(cookie);
        const std::string* part = nullptr;
        if (t->reads == 0) part = &t->first;
        if (t->reads == 1) {
            requestTermination(0);
            part = &t->second;
        }
        ++t->reads;
        if (!part) return 0;
        const size_t n = std::min(size, part->size());
        std::memcpy(buffer, part->data(), n);
        return static_cast<ssize_t>(n);
    }
};

TEST_F(RepositoryLoad, ATerminationRequestStopsTheReadKeepingWhatWasRead) {
    SplitText text{"N:a\nV:1\nX:\n", "\nN:b\nV:1\nX:\n"};
    cookie_io_functions_t io = {};
    io.read = &SplitText::read;
    FILE* file = fopencookie(&text, "r", io);
    ASSERT_NE(file, nullptr);

    error e = raisedError([&] { repo.addFromCache(file, 'u', Repository::DUPS_KEEP_ALL, nullptr); });
    resetTermination();
    std::fclose(file);

    EXPECT_EQ(e.text(), "Interrupted by user\n");
    EXPECT_EQ(codesOf(e), "(2,2,2,1)");
    EXPECT_EQ(printed(repo.pkgList), "a-1.all");
    EXPECT_TRUE(allStale(repo));

    // Asked before the call, nothing is read.
    requestTermination(0);
    error before = raisedError([&] { load(CacheStream::fixture("pool.cache")); });
    resetTermination();
    EXPECT_EQ(codesOf(before), "(2,2,2,1)");
    EXPECT_EQ(repo.pkgList.size(), 1u);
}

// The brief read of pool.cache (source s) and pool-other.cache (source t), then the full
// read of replace.cache for s.
TEST_F(RepositoryLoad, ReplacementTakesThePlaceOfTheSameSourcesEqualPackage) {
    CountingSource* s = newSource();
    CountingSource* t = newSource();
    load(CacheStream::fixture("pool.cache"), 's', s);
    load(CacheStream::fixture("pool-other.cache"), 's', t);
    Package* briefA = byFile("a-1-1.noarch.rpm");
    Package* otherC = byFile("c-1-1.noarch.rpm");
    LogCapture log(2);

    load(CacheStream::fixture("replace.cache"), 's', s, Repository::DUPS_REPLACE_SAME_SOURCE);

    EXPECT_EQ(fileNames(repo.pkgList),
              // a-full-1 took the place of the brief a, then a-full-2 took it from a-full-1.
              "a-full-2.noarch.rpm b-1-1.noarch.rpm b-1-1.x86_64.rpm "
              // The c of another source stays; d-full-2 equals d-full-1, which this read added.
              "c-1-1.noarch.rpm c-full.noarch.rpm d-full-1.noarch.rpm d-full-2.noarch.rpm "
              // Another arch, another version.
              "b-full-i386.rpm b-full-2.noarch.rpm");
    EXPECT_EQ(otherC->getSource(), t);
    // The index is rebuilt once, before the first record, whatever its flag said.
    EXPECT_EQ(log.text(), " (update package names cache) ");
    EXPECT_TRUE(allStale(repo));

    // The packages replaced left the pool alive, like any package that leaves it.
    Package* fullA1 = byFile("a-full-1.noarch.rpm");
    EXPECT_EQ(repo.removedPackages, (std::set<Package*>{briefA, fullA1}));
    for (const Package* gone : {briefA, fullA1}) {
        EXPECT_EQ(gone->getType(), 'z');
        EXPECT_EQ(gone->toString(), "a-1-1.noarch");
    }
    EXPECT_EQ(fileNames(repo.getPackagesByName(internString("a"))), "a-full-2.noarch.rpm");
}

// A package taken out of the pool without a stale mark is still in a current name index; the
// read rebuilds the index first, so it does not replace a package that is no longer pooled.
TEST_F(RepositoryLoad, ReplacementSeesThePoolAsItIsNotAsACurrentIndexHoldsIt) {
    CountingSource* s = newSource();
    load(CacheStream::fixture("pool-other.cache"), 's', s);
    Package* c = repo.pkgList[0];
    ASSERT_EQ(repo.getPackagesByName(internString("c")), std::vector<Package*>{c});
    c->setType('z');
    repo.removeMarkedPackages();

    load(CacheStream::fixture("pool-other.cache"), 's', s, Repository::DUPS_REPLACE_SAME_SOURCE);

    ASSERT_EQ(repo.pkgList.size(), 1u);
    EXPECT_NE(repo.pkgList[0], c);
    EXPECT_EQ(repo.pkgList[0]->getType(), 's');
    EXPECT_EQ(repo.removedPackages, std::set<Package*>{c});
}

TEST_F(RepositoryLoad, ARemoverIsMadeOncePerNameAndObsoletesEveryPackageOfTheName) {
    load(CacheStream::text("N:foo\nV:1\nL:1\nA:noarch\nP:foo = 1-1\nX:\n"
                           "N:foo\nV:2\nL:1\nA:x86_64\nP:foo = 2-1\nX:\n"
                           "N:bar\nV:1\nP:bar = 1\nP:foo-compat\nX:\n"));
    makeCurrent(repo);
    LogCapture log(3);

    Package* dummy = repo.addRemoverFor("foo");
    Package* again = repo.addRemoverFor("foo");

    EXPECT_EQ(again, dummy);
    EXPECT_STREQ(dummy->getName(), "dummy_obsoleter_foo");
    EXPECT_EQ(dummy->getVersion()->toString(), "0.0");
    EXPECT_EQ(dummy->getType(), 'd');
    EXPECT_EQ(dummy->getFileName(), "dummy_remover_for_foo");
    EXPECT_EQ(dummy->getSource(), nullptr);
    ASSERT_NE(dummy->getObsolete(0), nullptr);
    EXPECT_EQ(dummy->getObsolete(0)->getName(), "foo");
    EXPECT_EQ(dummy->getObsolete(1), nullptr);
    EXPECT_EQ(dummy->getProvide(0), nullptr);
    EXPECT_EQ(std::count(repo.pkgList.begin(), repo.pkgList.end(), dummy), 1);
    EXPECT_EQ(repo.removers.at("foo"), dummy);

    // Indexed at once, without a rebuild and without marking anything stale, so the current
    // name index does not know the dummy until the next change.
    EXPECT_EQ(printed(repo.getObsoletedBy(dummy)), "foo-1-1.noarch foo-2-1.x86_64");
    EXPECT_EQ(printed(repo.getObsoleters(repo.pkgList[1])), "dummy_obsoleter_foo-0.0");
    EXPECT_EQ(log.text(), "addRemoverFor: add package for obsolete foo\n");
    EXPECT_FALSE(repo.namesDirty || repo.providesDirty || repo.obsoletesDirty || repo.conflictsDirty ||
                 repo.requiresDirty);
    EXPECT_TRUE(repo.getPackagesByName(internString("dummy_obsoleter_foo")).empty());

    // A rebuild keeps the dummy's pairs: it is pooled like any package.
    repo.invalidateCaches();
    EXPECT_EQ(printed(repo.getObsoletedBy(dummy)), "foo-1-1.noarch foo-2-1.x86_64");
    EXPECT_EQ(repo.getPackagesByName(internString("dummy_obsoleter_foo")), std::vector<Package*>{dummy});
}

// Installed Debian packages come as dpkg-query lists them: name, version and arch, no provide
// of their own name. A remover must still find them, whether the remover or the packages come
// first, and an obsoleting package that is not a remover still goes by provides only.
TEST_F(RepositoryLoad, ARemoverFindsPackagesThatProvideNothing) {
    const char* const installed =
        "F:old_installed.deb\nN:old\nV:1:1.0-1\nA:all\nX:\n"
        "F:old-doc_installed.deb\nN:old-doc\nV:1.0-1\nA:all\nX:\n";
    load(CacheStream::text(installed), 's');
    Package* dummy = repo.addRemoverFor("old");
    EXPECT_EQ(printed(repo.getObsoletedBy(dummy)), "old-1:1.0-1.all");
    EXPECT_EQ(printed(repo.getObsoleters(named("old-1:1.0-1.all"))), "dummy_obsoleter_old-0.0");

    // Read after the remover was made: found by the next rebuild.
    load(CacheStream::text("F:old_installed.deb\nN:old\nV:2:1.0-1\nA:amd64\nX:\n"), 's');
    EXPECT_EQ(printed(repo.getObsoletedBy(dummy)), "old-1:1.0-1.all old-2:1.0-1.amd64");

    load(CacheStream::text("N:new\nV:1\nA:noarch\nO:old\nX:\n"));
    EXPECT_TRUE(repo.getObsoletedBy(named("new-1.noarch")).empty());
}

}  // namespace
