#ifndef VN_PACKAGES_REPOSITORY_H
#define VN_PACKAGES_REPOSITORY_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
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

    // Reads records of the package cache text format until the end of `file`.
    void addFromCache(FILE* file, Package::type_t type, dups_mode_t mode, const Source* source);

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

    // The pool, in order of addition.
    std::vector<Package*> pkgList;
    // Nothing fills them; addPackage honours whatever they hold.
    std::vector<Regexp> ignorePatterns;
    // Package that is not installed -> its first require without a provider.
    std::map<Package*, Dependency*> unresolvedRequires;
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
};

#endif
