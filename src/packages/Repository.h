#ifndef VN_PACKAGES_REPOSITORY_H
#define VN_PACKAGES_REPOSITORY_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "../common/Regexp.h"
#include "Dependency.h"
#include "Package.h"
#include "Version.h"
#include "internString.h"

class Source;

// The pool of every package known to a run, with five indexes derived from it (names,
// provides, requires, conflicts, obsoletes). Every change to the pool marks the indexes stale;
// an index is rebuilt by the first look-up that needs it.
//
// The repository never frees a package or a source: packages leave the pool but stay alive
// (indexes built before may still point at them), and the resolver's copies share the package
// objects of the repository they were copied from.
class Repository {
public:
    // How a cache read treats a record equal to a pooled package.
    enum dups_mode_t { DUPS_KEEP_ALL, DUPS_REPLACE_SAME_SOURCE };

    // Interned names hash by their text, so a name falls into the same bucket in every run,
    // and compare by address: a pointer that is not the pooled one finds nothing.
    struct InternedNameHash {
        size_t operator()(const char* name) const { return internHash(name); }
    };
    struct ProvideHash {
        size_t operator()(const Dependency* d) const { return d->hash(); }
    };
    struct ProvideSameKey {
        bool operator()(const Dependency* a, const Dependency* b) const { return a->sameKey(b); }
    };
    struct NameTextLess {
        bool operator()(const char* a, const char* b) const { return std::strcmp(a, b) < 0; }
    };

    typedef std::multimap<const Package*, Package*> PackagePairs;
    typedef std::unordered_multimap<const char*, Package*, InternedNameHash> NamesIndex;
    typedef std::unordered_multiset<const Dependency*, ProvideHash, ProvideSameKey> ProvidesIndex;

    Repository();
    // Member-wise: indexes and dirty flags come along, packages and sources are shared.
    Repository(const Repository& other);
    Repository& operator=(const Repository&) = delete;
    ~Repository();

    // Adds `pkg` as coming from `source` (may be null). A file name that an ignore pattern
    // matches is refused with a level-1 line; the same object twice changes nothing.
    void addPackage(Package* pkg, const Source* source);
    void invalidateCaches();
    // Takes the packages of type 'z' out of the pool into removedPackages. Sets no dirty flag
    // on purpose: an index built before keeps listing them until the next change, and callers
    // tell them by their type letter.
    void removeMarkedPackages();

    // Reads every registered source, in the order they registered. Errors pass unchanged.
    void getBriefInfo();
    void getFullInfo();
    // The installed version that the first registered installed-rpm or installed-Debian source
    // reports, unchanged even when empty; "" when there is no such source.
    std::string getPkgVersionFromSystemDirectly(const std::string& name);

    // Reads records of the package cache text format until the end of `file`; every package
    // read gets `type` and `source`. With DUPS_REPLACE_SAME_SOURCE a record equal (name,
    // version, arch text) to a package of `source` that the pool held before the call takes
    // that package's place; the package replaced gets type 'z' and stays alive in
    // removedPackages. A bad record or a termination request ends the read with the error;
    // what was read before stays. Every index is stale afterwards, also after an error.
    void addFromCache(FILE* file, Package::type_t type, dups_mode_t mode, const Source* source);
    // The dummy "dummy_obsoleter_<name>" (type 'd') that obsoletes `name`, made on the first
    // call for the name. It enters pkgList and the obsoletes index at once but marks no index
    // stale, so the name index may miss it until the next change.
    Package* addRemoverFor(const std::string& name);
    // Fetches the file of every package of a remote source, in list order, through its
    // source, with one progress step each in stage 3. Errors of a fetch pass unchanged.
    void downloadPackages(const std::vector<const Package*>& packages);

    // Look-ups of the dependency indexes. Each rebuilds the index it reads when it is stale
    // (and the provides through findProviders), nothing else. The results are copies in
    // pool order: the resolver calls back into the repository while it walks them, and a
    // rebuild meanwhile must not pull them from under it.
    //
    // The pooled provides with the same key as `dep` (kind, name; for files the directory);
    // the caller still tests Dependency::matches.
    std::vector<const Dependency*> findProviders(const Dependency* dep);
    // What `pkg` obsoletes, and who obsoletes `pkg`.
    std::vector<Package*> getObsoletedBy(const Package* pkg);
    std::vector<Package*> getObsoleters(const Package* pkg);
    // Adds the obsoletes pairs of `pkg` without touching a dirty flag.
    void indexObsoletes(const Package* pkg);
    // Declared conflicts (a package conflicting with its own provide included) and file
    // conflicts: what `pkg` conflicts with, and who conflicts with `pkg`.
    std::vector<Package*> getConflictsOf(const Package* pkg);
    std::vector<Package*> getConflictedBy(const Package* pkg);
    bool conflictsWith(const Package* a, const Package* b);
    // The packages with a require that `pkg` resolves.
    std::vector<Package*> getRequirers(const Package* pkg);
    // A require of the pool that has resolvers, and the package it belongs to.
    struct ResolvedRequire {
        Package* requirer;
        Dependency* require;
    };
    // The requires that `pkg` resolves, as groups of requires with the same resolver list
    // (the same provides in the same order): the requires of a group have the same choice of
    // providers, so a question about one answers it for all. Each group once, in the order
    // the groups formed; the members of a group are positions in `resolvedRequires`, rising.
    // Rebuilds the requires when stale; valid until they are rebuilt.
    const std::vector<uint32_t>& getRequireGroups(const Package* pkg);
    const std::vector<uint32_t>& requireGroupMembers(uint32_t group) const { return requireGroups[group]; }
    // Resolves every require of the pool against the provides: a require that the package
    // (or a package of a given name) provides itself is erased from it; every other require
    // gets its resolvers, and one without any is logged and recorded in unresolvedRequires.
    void resolveRequires();
    bool isGivenName(const char* name) const { return givenNames.count(name) != 0; }

    // Look-ups by an interned name (internString); any other pointer finds nothing. The
    // result is a copy, so it stays valid when a later call rebuilds the index.
    std::vector<Package*> getPackagesByName(const char* name);
    // Of the installed packages (type 's') of the name, the one with the highest version.
    Package* getInstalledPackage(const char* name);
    // Interns `name` (so an unknown name enters the pool), then keeps the first package of the
    // name and replaces it only by one of a strictly greater version; types are not looked at.
    Package* getNewestPackage(const std::string& name);
    // The first package of the name with an equal version and the same arch text.
    Package* findPackage(const char* name, const Version& version, const std::string& arch);

    // Registration of sources, for the Source base. Registering twice keeps one entry.
    void registerSource(Source* source);
    void unregisterSource(Source* source);
    // Hands over a source registered with this repository: it is destroyed with the
    // repository, before anything else of it goes, the last handed over first. A copy of the
    // repository owns none of them.
    void adoptSource(std::unique_ptr<Source> source);

    // The pool, in order of addition.
    std::vector<Package*> pkgList;
    // Nothing fills them; addPackage honours whatever they hold.
    std::vector<Regexp> ignorePatterns;
    // Package that is not installed -> its first require without a provider. Only grows. The
    // resolver walks it: ordered by creation, so its walk repeats from run to run.
    std::map<Package*, Dependency*, PackageCreationLess> unresolvedRequires;
    // The registered sources in the order they registered, each once: the walks over them
    // must not change from run to run, as an order by address would.
    std::vector<Source*> sources;
    // Names whose packages count like the requiring package itself when requires are
    // resolved. Nothing fills them; the resolution honours whatever they hold.
    std::set<const char*, NameTextLess> givenNames;
    // Packages taken out of pkgList, kept reachable for the indexes that still name them.
    std::set<Package*> removedPackages;
    // Package name -> its remover dummy.
    std::map<std::string, Package*> removers;
    // Requirer -> provider, one entry per matching provide.
    PackagePairs requiresOf;
    // Provider -> requirer, one entry per pair.
    PackagePairs requirersOf;
    // Every require with a resolver, in the order they were resolved: pool order, then each
    // package's order of requires.
    std::vector<ResolvedRequire> resolvedRequires;
    // Group -> its members, positions in resolvedRequires.
    std::vector<std::vector<uint32_t>> requireGroups;
    // Provider -> the groups with a resolver of the provider's, in the order they formed.
    std::unordered_map<const Package*, std::vector<uint32_t>> requireGroupsByProvider;
    bool requiresDirty;
    PackagePairs conflictsOf;
    PackagePairs conflictedBy;
    bool conflictsDirty;
    PackagePairs obsoletesOf;
    PackagePairs obsoletedBy;
    bool obsoletesDirty;
    NamesIndex namesCache;
    bool namesDirty;
    ProvidesIndex providesCache;
    bool providesDirty;

private:
    void rebuildNamesIfDirty();
    void rebuildProvidesIfDirty();
    void rebuildObsoletesIfDirty();
    void rebuildConflictsIfDirty();
    // The group of pooled provides with `dep`'s key, in pool order, after a provides rebuild
    // when stale; valid until the provides index changes.
    std::pair<ProvidesIndex::const_iterator, ProvidesIndex::const_iterator> providers(const Dependency* dep);
    void indexConflicts(Package* a);
    // Puts `replacement` in the place of the first package that the name index holds for its
    // name with an equal version, the same arch text and `source`; appends it when there is
    // none. `positions`: where each package of the pool stands in pkgList.
    void replaceOrAppend(Package* replacement, const Source* source,
                         std::unordered_map<const Package*, size_t>& positions);

    // The sources handed over by adoptSource; a copy starts without any.
    struct AdoptedSources {
        AdoptedSources() = default;
        AdoptedSources(const AdoptedSources&) {}  // NOLINT: a copy owns nothing
        AdoptedSources& operator=(const AdoptedSources&) = delete;
        std::vector<Source*> list;
    };
    AdoptedSources adopted;
};

#endif
