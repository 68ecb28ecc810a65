// The dependency indexes of the pool and the resolution of requires.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "common/TerminationState.h"
#include "packages/DependencyFile.h"
#include "packages/DependencyLogical.h"
#include "packages/RepositoryCase.h"
#include "packages/internString.h"
#include "support/LogCapture.h"

namespace {

using testutil::CacheStream;
using testutil::codesOf;
using testutil::LogCapture;
using testutil::printed;
using testutil::raisedError;

std::string text(const Dependency* d) {
    std::ostringstream s;
    d->print(s);
    return s.str();
}

std::string requiresOf(const Package* p) {
    std::string out;
    for (unsigned i = 0; const Dependency* r = p->getRequire(i); ++i) out += (i ? ", " : "") + text(r);
    return out;
}

// "provide (its package)" for each resolver of the require.
std::string resolversOf(const Dependency* r) {
    std::string out;
    for (unsigned i = 0; const Dependency* d = r->getResolver(i); ++i)
        out += (i ? ", " : "") + text(d) + " (" + d->getMaster()->toString() + ")";
    return out;
}

std::string printedDeps(const std::vector<const Dependency*>& list) {
    std::string out;
    for (const Dependency* d : list) out += (out.empty() ? "" : ", ") + text(d) + " (" + d->getMaster()->toString() + ")";
    return out;
}

std::string valuesOf(const Repository::PackagePairs& pairs, const Package* key) {
    std::vector<Package*> out;
    auto range = pairs.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
    return printed(out);
}

class RepositoryIndexes : public testutil::RepositoryCase {};

// Each look-up rebuilds its own index (and the provides it reads), nothing else, and only
// once; the obsoletes and conflicts rebuilds write their line before the provides one, as
// they clear their flag and start before they ask for providers.
TEST_F(RepositoryIndexes, EachLookUpRebuildsOnlyWhatItReads) {
    load(CacheStream::text("N:a\nV:1\nP:a = 1\nR:b\nC:b\nO:b\nX:\nN:b\nV:1\nP:b = 1\nX:\n"));
    const Package* any = repo.pkgList[0];
    DependencyLogical virt("virt", nullptr);
    struct Row {
        const char* label;
        std::function<void()> lookUp;
        std::string logged;
        bool Repository::*cleared;
    };
    const std::vector<Row> rows = {
        {"providers", [&] { repo.findProviders(&virt); }, "Regenerate packages provides cache.\n",
         &Repository::providesDirty},
        {"obsoleted by", [&] { repo.getObsoletedBy(any); },
         "(regen obsoletes cache) Regenerate packages provides cache.\n", &Repository::obsoletesDirty},
        {"obsoleters", [&] { repo.getObsoleters(any); },
         "(regen obsoletes cache) Regenerate packages provides cache.\n", &Repository::obsoletesDirty},
        {"conflicts of", [&] { repo.getConflictsOf(any); },
         "(regen conflicts cache) Regenerate packages provides cache.\n", &Repository::conflictsDirty},
        {"conflicted by", [&] { repo.getConflictedBy(any); },
         "(regen conflicts cache) Regenerate packages provides cache.\n", &Repository::conflictsDirty},
        {"conflicts with", [&] { repo.conflictsWith(any, any); },
         "(regen conflicts cache) Regenerate packages provides cache.\n", &Repository::conflictsDirty},
        {"requirers", [&] { repo.getRequirers(any); },
         "Resolve requires dependencies in repository.\nRegenerate packages provides cache.\n",
         &Repository::requiresDirty},
    };
    for (const Row& row : rows) {
        repo.invalidateCaches();
        LogCapture log(3);
        row.lookUp();
        row.lookUp();
        EXPECT_EQ(log.text(), row.logged) << row.label;
        for (bool Repository::*flag : {&Repository::namesDirty, &Repository::providesDirty,
                                       &Repository::obsoletesDirty, &Repository::conflictsDirty,
                                       &Repository::requiresDirty})
            EXPECT_EQ(repo.*flag, flag != row.cleared && flag != &Repository::providesDirty) << row.label;
    }
}

// The caller keeps what it got while the pool and its indexes change under it.
TEST_F(RepositoryIndexes, ProvidersComeInPoolOrderAndStayValidThroughARebuild) {
    load(CacheStream::fixture("requires.cache"));
    DependencyLogical lib("lib >= 10", nullptr);

    const std::vector<const Dependency*> found = repo.findProviders(&lib);
    load(CacheStream::text("N:late\nV:1\nP:lib = 20\nX:\n"));
    const std::vector<const Dependency*> later = repo.findProviders(&lib);

    // Same key, whatever the version: the caller tests matches.
    EXPECT_EQ(printedDeps(found), "lib = 1 (libp-1-1.noarch), lib = 2 (libp-1-1.noarch), "
                                  "lib = 0.5 (liba-1-1.noarch), lib = 3 (liba-1-1.noarch)");
    EXPECT_EQ(later.size(), 5u);
    EXPECT_EQ(printedDeps({later.back()}), "lib = 20 (late-1.all)");

    DependencyFile file("/lib", 0, "", nullptr);
    EXPECT_TRUE(repo.findProviders(&file).empty());
}

TEST_F(RepositoryIndexes, ObsoletesPairEachObsoleterWithWhatItsObsoletesMatch) {
    load(CacheStream::fixture("obsoletes.cache"));
    const std::map<std::string, std::string> obsoletedBy = {
        // "old < 2" and "virt" both reach old-1: one pair. Its own name never counts.
        {"new-3-1.noarch", "old-1-1.noarch other-1-1.noarch"},
        {"new-1-1.noarch", ""},
        {"twice-1-1.noarch", "old-1-1.noarch old-2-1.noarch"},
        {"old-1-1.noarch", ""},
    };
    for (const auto& row : obsoletedBy) EXPECT_EQ(printed(repo.getObsoletedBy(named(row.first))), row.second) << row.first;

    const std::map<std::string, std::string> obsoleters = {
        {"old-1-1.noarch", "new-3-1.noarch twice-1-1.noarch"},
        {"old-2-1.noarch", "twice-1-1.noarch"},
        {"other-1-1.noarch", "new-3-1.noarch"},
        {"new-1-1.noarch", ""},
    };
    for (const auto& row : obsoleters) EXPECT_EQ(printed(repo.getObsoleters(named(row.first))), row.second) << row.first;

    // No pair twice, also when a package is indexed again without a rebuild.
    repo.indexObsoletes(named("new-3-1.noarch"));
    EXPECT_EQ(repo.obsoletesOf.size(), 4u);
    EXPECT_EQ(repo.obsoletedBy.size(), 4u);
}

TEST_F(RepositoryIndexes, DeclaredConflictsIncludeAConflictWithTheOwnProvide) {
    load(CacheStream::fixture("conflicts.cache"));
    const struct {
        const char* package;
        const char* conflictsOf;
        const char* conflictedBy;
    } rows[] = {
        {"selfc-1-1.noarch", "selfc-1-1.noarch", "selfc-1-1.noarch"},
        // Two conflicts that match old-2: one pair.
        {"c1-1-1.noarch", "old-2-1.noarch", ""},
        {"old-2-1.noarch", "", "c1-1-1.noarch"},
        {"old-1-1.noarch", "", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(printed(repo.getConflictsOf(named(row.package))), row.conflictsOf) << row.package;
        EXPECT_EQ(printed(repo.getConflictedBy(named(row.package))), row.conflictedBy) << row.package;
    }
    EXPECT_TRUE(repo.conflictsWith(named("c1-1-1.noarch"), named("old-2-1.noarch")));
    EXPECT_FALSE(repo.conflictsWith(named("old-2-1.noarch"), named("c1-1-1.noarch")));
}

std::string fileConflictWarning(const std::string& a, const std::string& b, const std::string& file) {
    return "Warning: packages conflict by files detected: package " + a + "\n  conflict with package " + b +
           "\n  both have file " + file + " with different md5 sum.\n";
}

TEST_F(RepositoryIndexes, FileConflictsNeedADifferentFileOfAnotherPackage) {
    load(CacheStream::fixture("conflicts.cache"));
    LogCapture log(3);

    const struct {
        const char* package;
        const char* conflictsOf;
    } rows[] = {
        // Directories, equal digests and equal link targets do not clash.
        {"fa-1-1.noarch", "fb-1-1.noarch"},
        {"fb-1-1.noarch", "fa-1-1.noarch fc-1-1.noarch"},
        {"fc-1-1.noarch", "fb-1-1.noarch"},
        // One name: only another version in another arch clashes.
        {"m-1-1.i386", "m-2-1.x86_64"},
        {"m-1-1.x86_64", "m-2-1.i386"},
        {"m-2-1.x86_64", "m-1-1.i386"},
        {"m-2-1.i386", "m-1-1.x86_64"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(printed(repo.getConflictsOf(named(row.package))), row.conflictsOf) << row.package;
        EXPECT_EQ(printed(repo.getConflictedBy(named(row.package))), row.conflictsOf) << row.package;
    }

    // Once from each side, naming the first differing file of the side that found it.
    EXPECT_EQ(log.text(), "(regen conflicts cache) Regenerate packages provides cache.\n" +
                              fileConflictWarning("fa-1-1.noarch", "fb-1-1.noarch", "/etc/f") +
                              fileConflictWarning("fb-1-1.noarch", "fa-1-1.noarch", "/etc/l") +
                              fileConflictWarning("fb-1-1.noarch", "fc-1-1.noarch", "/etc/l") +
                              fileConflictWarning("fc-1-1.noarch", "fb-1-1.noarch", "/etc/l") +
                              fileConflictWarning("m-1-1.i386", "m-2-1.x86_64", "/usr/lib/m") +
                              fileConflictWarning("m-1-1.x86_64", "m-2-1.i386", "/usr/lib/m") +
                              fileConflictWarning("m-2-1.x86_64", "m-1-1.i386", "/usr/lib/m") +
                              fileConflictWarning("m-2-1.i386", "m-1-1.x86_64", "/usr/lib/m"));
}

// Three packages built by rpmbuild that ship /etc/x (xa and xc with one content, xb with
// another) and own the directory /etc/xshared, read back through rpm's query in the shape
// of the installed-rpm source's full read.
TEST_F(RepositoryIndexes, FileConflictsOfRealRpmPackages) {
    testutil::TempDir tmp;
    testutil::writeFile(tmp / ".rpmmacros", "%_dbpath " + tmp.path() + "/rpmdb\n%_tmppath " + tmp.path() + "/tmp\n");
    const std::map<std::string, std::string> content = {{"xa", "one"}, {"xb", "two"}, {"xc", "one"}};
    // Built side by side, each in a tree of its own; every build's status counts.
    std::string build = "cd " + tmp.path() + " && export HOME=" + tmp.path() + " LC_ALL=C && mkdir tmp && ";
    std::string waits = "";
    for (const auto& c : content) {
        testutil::writeFile(tmp / (c.first + ".spec"),
                            "Name: " + c.first + "\nVersion: 1\nRelease: 1\nSummary: s\nLicense: none\n"
                            "BuildArch: noarch\n%description\nd\n%install\nmkdir -p %{buildroot}/etc/xshared\n"
                            "echo " + c.second + " > %{buildroot}/etc/x\n%files\n/etc/x\n%dir /etc/xshared\n");
        build += "{ rpmbuild -bb --nodeps --quiet --define '_build_id_links none' --define '_topdir " + tmp.path() +
                 "/" + c.first + "' " + c.first + ".spec & } && " + c.first + "=$! && ";
        waits += " && wait $" + c.first;
    }
    testutil::RunResult built = testutil::shell(build + "true" + waits);
    ASSERT_EQ(built.status, 0) << built.err;

    const char* format =
        "F:%{NAME}-%{VERSION}-%{RELEASE}.%{ARCH}.rpm\nN:%{NAME}\nE:%{EPOCH}\nV:%{VERSION}\n"
        "L:%{RELEASE}\nA:%{ARCH}\nf:%{INSTALLTIME}\nB:%{BUILDTIME}\n"
        "[R:%{REQUIRENAME} %{REQUIREFLAGS:depflags} %{REQUIREVERSION}\n]"
        "[P:%{PROVIDENAME} %{PROVIDEFLAGS:depflags} %{PROVIDEVERSION}\n]"
        "[P:%{FILENAMES}\nm:%{FILEMODES}\n5:%{FILEMD5S}%{FILELINKTOS}\n]X:\n";
    std::string records;
    for (const auto& c : content) {
        testutil::RunResult query = testutil::run(
            {"/usr/bin/rpm", "-qp", "--queryformat", format, tmp / (c.first + "/RPMS/noarch/" + c.first + "-1-1.noarch.rpm")},
            {{"HOME", tmp.path()}, {"LC_ALL", "C"}});
        ASSERT_EQ(query.status, 0) << query.err;
        records += query.out + "\n";
    }
    load(CacheStream::text(records), 's');
    ASSERT_EQ(printed(repo.pkgList), "xa-1-1.noarch xb-1-1.noarch xc-1-1.noarch");
    LogCapture log(3);

    EXPECT_EQ(printed(repo.getConflictsOf(named("xa-1-1.noarch"))), "xb-1-1.noarch");
    EXPECT_EQ(printed(repo.getConflictsOf(named("xb-1-1.noarch"))), "xa-1-1.noarch xc-1-1.noarch");
    EXPECT_EQ(printed(repo.getConflictsOf(named("xc-1-1.noarch"))), "xb-1-1.noarch");
    EXPECT_EQ(printed(repo.getConflictedBy(named("xb-1-1.noarch"))), "xa-1-1.noarch xc-1-1.noarch");
    EXPECT_EQ(log.text(), "(regen conflicts cache) Regenerate packages provides cache.\n" +
                              fileConflictWarning("xa-1-1.noarch", "xb-1-1.noarch", "/etc/x") +
                              fileConflictWarning("xb-1-1.noarch", "xa-1-1.noarch", "/etc/x") +
                              fileConflictWarning("xb-1-1.noarch", "xc-1-1.noarch", "/etc/x") +
                              fileConflictWarning("xc-1-1.noarch", "xb-1-1.noarch", "/etc/x"));
}

TEST_F(RepositoryIndexes, ResolutionErasesSelfProvidedRequiresAndRecordsTheUnresolved) {
    load(CacheStream::fixture("requires.cache"));
    Package* self = named("self-1-1.noarch");
    Package* foo1 = named("foo-1-1.noarch");
    LogCapture log(1);

    repo.resolveRequires();

    // "cap" and "cap = 1" are met by self itself: gone at the first resolution.
    EXPECT_EQ(requiresOf(self), "lib >= 1, given-cap, nothing-provides-this");
    // "lib = 0.5" does not match; the resolvers are in pool order, one per matching provide.
    EXPECT_EQ(resolversOf(self->getRequire(0)),
              "lib = 1 (libp-1-1.noarch), lib = 2 (libp-1-1.noarch), lib = 3 (liba-1-1.noarch)");
    EXPECT_EQ(resolversOf(self->getRequire(1)), "given-cap (giver-1-1.noarch)");
    EXPECT_EQ(valuesOf(repo.requiresOf, self), "libp-1-1.noarch libp-1-1.noarch liba-1-1.noarch giver-1-1.noarch");
    EXPECT_EQ(printed(repo.getRequirers(named("libp-1-1.noarch"))), "self-1-1.noarch");
    EXPECT_EQ(printed(repo.getRequirers(named("giver-1-1.noarch"))), "self-1-1.noarch");
    // Another version of the own name is no provider.
    EXPECT_EQ(resolversOf(foo1->getRequire(0)), "");
    EXPECT_EQ(printed(repo.getRequirers(named("foo-2-1.noarch"))), "");

    EXPECT_EQ(log.text(), "Warning: unresolved requires 'foo >= 2' from foo-1-1.noarch\n"
                          "Warning: unresolved requires 'nothing-provides-this' from self-1-1.noarch\n");
    ASSERT_EQ(repo.unresolvedRequires.size(), 2u);
    EXPECT_EQ(repo.unresolvedRequires.at(foo1), foo1->getRequire(0));
    EXPECT_EQ(repo.unresolvedRequires.at(self), self->getRequire(2));
}

TEST_F(RepositoryIndexes, AGivenNameCountsAsTheRequirerItself) {
    load(CacheStream::fixture("requires.cache"));
    Package* self = named("self-1-1.noarch");
    repo.givenNames.insert(internString("giver"));

    repo.resolveRequires();

    EXPECT_EQ(requiresOf(self), "lib >= 1, nothing-provides-this");
    EXPECT_EQ(printed(repo.getRequirers(named("giver-1-1.noarch"))), "");
}

TEST_F(RepositoryIndexes, InstalledRequirersAndIgnoredNeedsAreNotRecorded) {
    load(CacheStream::fixture("requires.cache"), 's');
    load(CacheStream::text("N:rl\nV:1\nA:noarch\nR:placeholder\nR:vn-test-ignored(feature)\nX:\n"));
    Package* rl = repo.pkgList.back();
    // The readers drop rpm's own needs, so the one here is made by hand.
    static_cast<DependencyLogical*>(rl->getRequire(0))->parse("rpmlib(X) <= 1");
    Dependency::addIgnoredName("vn-test-ignored(feature)");
    LogCapture log(1);

    repo.resolveRequires();

    // Logged for the installed packages, recorded for none of them.
    EXPECT_EQ(log.text(), "Warning: unresolved requires 'foo >= 2' from foo-1-1.noarch\n"
                          "Warning: unresolved requires 'nothing-provides-this' from self-1-1.noarch\n");
    EXPECT_TRUE(repo.unresolvedRequires.empty());
    EXPECT_EQ(requiresOf(rl), "rpmlib(X) <= 1, vn-test-ignored(feature)");
}

// The resolver lists are filled anew by every resolution; the unresolved record only grows
// and keeps the first require found for a package.
TEST_F(RepositoryIndexes, ResolvingAgainRefillsResolversAndKeepsTheUnresolvedRecord) {
    load(CacheStream::text("N:needy\nV:1\nA:noarch\nR:late-cap\nR:lib\nX:\nN:lib\nV:1\nP:lib = 1\nX:\n"));
    Package* needy = repo.pkgList[0];
    Dependency* lateCap = needy->getRequire(0);
    repo.resolveRequires();
    ASSERT_EQ(repo.unresolvedRequires.at(needy), lateCap);

    load(CacheStream::text("N:provider\nV:1\nP:late-cap\nX:\n"));
    repo.resolveRequires();
    repo.resolveRequires();

    EXPECT_EQ(resolversOf(lateCap), "late-cap (provider-1.all)");
    EXPECT_EQ(resolversOf(needy->getRequire(1)), "lib = 1 (lib-1.all)");
    EXPECT_EQ(valuesOf(repo.requiresOf, needy), "provider-1.all lib-1.all");
    EXPECT_EQ(repo.unresolvedRequires.at(needy), lateCap);
}

// The groups of requires that `provider` resolves: "requirer: require" of each member, groups
// parted by " | ".
std::string requireGroupsOf(Repository& repo, const Package* provider) {
    std::string out;
    for (uint32_t group : repo.getRequireGroups(provider)) {
        if (!out.empty()) out += " | ";
        std::string members;
        for (uint32_t at : repo.requireGroupMembers(group)) {
            const Repository::ResolvedRequire& r = repo.resolvedRequires[at];
            members += (members.empty() ? "" : ", ") + r.requirer->toString() + ": " + text(r.require);
        }
        out += members;
    }
    return out;
}

// Requires with the same resolvers form one group, whatever their texts; a group is listed
// once under each of its providers, and its members come in pool order.
TEST_F(RepositoryIndexes, RequiresWithTheSameResolversAreGrouped) {
    load(CacheStream::text("N:lib\nV:1\nP:lib = 1\nP:libold\nX:\n"
                           "N:lib2\nV:2\nP:lib = 2\nX:\n"
                           "N:app\nV:1\nR:lib >= 1\nR:lib = 2\nR:libold\nX:\n"
                           "N:tool\nV:1\nR:lib > 0\nX:\n"
                           "N:old\nV:1\nR:lib = 1\nR:lib >= 1\nX:\n"));
    Package* lib = named("lib-1.all");
    Package* lib2 = named("lib2-2.all");

    EXPECT_EQ(requireGroupsOf(repo, lib), "app-1.all: lib >= 1, tool-1.all: lib > 0, old-1.all: lib >= 1"
                                          " | app-1.all: libold | old-1.all: lib = 1");
    EXPECT_EQ(requireGroupsOf(repo, lib2), "app-1.all: lib >= 1, tool-1.all: lib > 0, old-1.all: lib >= 1"
                                           " | app-1.all: lib = 2");
    EXPECT_EQ(requireGroupsOf(repo, named("app-1.all")), "");

    // A newer provider changes the lists: the groups are made anew with the requires.
    load(CacheStream::text("N:lib3\nV:3\nP:lib = 3\nX:\n"));
    EXPECT_EQ(requireGroupsOf(repo, named("lib3-3.all")),
              "app-1.all: lib >= 1, tool-1.all: lib > 0, old-1.all: lib >= 1");
    EXPECT_EQ(requireGroupsOf(repo, lib2), "app-1.all: lib >= 1, tool-1.all: lib > 0, old-1.all: lib >= 1"
                                           " | app-1.all: lib = 2");
}

// The resolver walks the unresolved record: its order is the order in which the packages were
// made, whatever their addresses. Here the addresses fall as the packages are made.
TEST_F(RepositoryIndexes, TheUnresolvedRecordIsInCreationOrder) {
    alignas(Package) unsigned char slots[4][sizeof(Package)];
    std::vector<Package*> made;
    for (int i = 0; i < 4; ++i) {
        Package* p = new (slots[3 - i]) Package("u" + std::to_string(i), "1");
        p->addRequire(("missing-" + std::to_string(i)).c_str());
        made.push_back(p);
    }
    ASSERT_GT(made[0], made[3]);
    for (int i : {2, 0, 3, 1}) repo.addPackage(made[i], nullptr);

    repo.resolveRequires();

    std::vector<Package*> walked;
    for (const auto& entry : repo.unresolvedRequires) walked.push_back(entry.first);
    EXPECT_EQ(walked, made);
    repo.pkgList.clear();
    for (Package* p : made) p->~Package();
}

TEST_F(RepositoryIndexes, ATerminationRequestStopsTheResolution) {
    load(CacheStream::fixture("requires.cache"));
    requestTermination(0);
    error e = raisedError([&] { repo.resolveRequires(); });
    resetTermination();

    EXPECT_EQ(codesOf(e), "(2,2,2,1)");
    EXPECT_FALSE(repo.requiresDirty);
    // Stopped before the first package: nothing was resolved or erased.
    EXPECT_EQ(requiresOf(named("self-1-1.noarch")), "cap, lib >= 1, cap = 1, given-cap, nothing-provides-this");
}

// Obsoletes on a host whose vendor is SuSE: a fresh process, since the rule is decided once
// per process and the host once detected stays.
TEST_F(RepositoryIndexes, OnSuseOnlyObsoletesNamingThePackageCount) {
    testutil::RunResult r = testutil::run(
        {testutil::program("prog_suse_obsoletes"), VN_FIXTURES_DIR "/repository/obsoletes.cache"});
    ASSERT_EQ(r.status, 0) << r.err;

    EXPECT_EQ(r.out,
              "new-3-1.noarch obsoletes: old-1-1.noarch\n"
              "twice-1-1.noarch obsoletes: old-1-1.noarch old-2-1.noarch\n"
              "dummy_obsoleter_virt-0.0 obsoletes: old-1-1.noarch other-1-1.noarch\n"
              "after a rebuild, new-3-1.noarch obsoletes: old-1-1.noarch\n");
    const std::string ignored =
        "Warning: ignore obsolete package old-1-1.noarch by package new-3-1.noarch because it not supporting on "
        "this system\n"
        "Warning: ignore obsolete package other-1-1.noarch by package new-3-1.noarch because it not supporting on "
        "this system\n";
    // The rule is decided by the first indexing, and its warning written once.
    const std::string head =
        "(regen obsoletes cache) Warning: SuSE have patched rpm so obsoletes to virtual provides doesn't work. ";
    ASSERT_EQ(r.err.compare(0, head.size(), head), 0) << r.err;
    const size_t end = r.err.find(" for details\n");
    ASSERT_NE(end, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), end + 12) << "the warning is one line";
    EXPECT_EQ(r.err.substr(end + 13), "Regenerate packages provides cache.\n" + ignored +
                                          "(regen obsoletes cache) Regenerate packages provides cache.\n" + ignored);
}

}  // namespace
