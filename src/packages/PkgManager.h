#ifndef VN_PACKAGES_PKGMANAGER_H
#define VN_PACKAGES_PKGMANAGER_H

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "Dependency.h"
#include "Package.h"
#include "PackageListIndex.h"
#include "Reason.h"
#include "Repository.h"

// What the caller decides about a resolution; the resolver keeps its own copy.
struct ResolverOptions {
    // Every caller sets 1: choosing among alternatives by the gravity rules is the only way
    // of resolving there is.
    int useGravity;
    // The setting "upgrade-system-packages": prefer a newer package to an installed one.
    bool upgradeSystemPackages;
};

// What a finished resolution would change on the host.
struct ResolveStatistics {
    uint32_t systemNew;
    uint32_t systemUpgrade;
    uint32_t removals;
    uint64_t systemSize;
    uint32_t buildNew;
    uint32_t buildUpgrade;
    uint64_t buildSize;
    uint32_t totalNew;
    uint32_t totalUpgrade;
    uint32_t totalRemovals;
    uint64_t totalSize;
};

// The dependency resolver: grows a start list of packages in place into every package that
// must be installed, or explains why it cannot. One resolver serves one resolution; the
// packages and dependencies it points at belong to the repository and are never freed here.
//
// The blacklist (packages kept out of the solution, each with its reason) only grows. When it
// grows during an attempt, `unhappy` is thrown and the attempt starts again from the start
// list, so each attempt differs from the last.
class PkgManager {
public:
    // The blacklist has grown: the running resolution must start again from its start list.
    class unhappy {};

    struct DependencyHash {
        size_t operator()(const Dependency* d) const { return d->hash(); }
    };
    struct DependencyEquals {
        bool operator()(const Dependency* a, const Dependency* b) const { return a->equals(b); }
    };
    typedef std::unordered_set<const Dependency*, DependencyHash, DependencyEquals> DependencySet;
    // Walked in creation order of the packages, so what is blacklisted and explained first is
    // the same in every run.
    typedef std::map<const Package*, boost::shared_ptr<Reason>, PackageCreationLess> BlackList;

    // Takes a copy of `*options` and of `*list` (the start list); `list` grows in place.
    PkgManager(Repository* repository, std::vector<const Package*>* list, const ResolverOptions* options);
    PkgManager(const PkgManager&) = delete;
    PkgManager& operator=(const PkgManager&) = delete;
    ~PkgManager();

    // Packages that count as asked for by the user, besides the start list.
    void addRequestedPackages(const std::vector<const Package*>& packages);

    bool isRequested(const Package* p) const;
    // p is in the necessary list.
    bool isListed(const Package* p) const;
    // On the blacklist or marked for removal.
    bool isBlack(const Package* p, bool quiet);
    // The newest package of p's name that is not black, when it is newer than p; else null.
    const Package* findNewerNonBlackPackage(const Package* p);
    // p's requires that neither a listed nor an installed package satisfies.
    int countMissingRequires(const Package* p);
    bool conflictsWithSystemOrNecessary(const Package* p);
    // Some require of p is resolved by q, and every resolver of every require of p is q or a
    // copy of it (same name, version and arch).
    bool dependsOnlyOn(const Package* p, const Package* q);
    // "i386", "i586" and "i686" count as one architecture.
    static bool isSameArch(const std::string& a, const std::string& b);
    // `osArch`, with "i386" read as "i686"; empty is an internal error.
    std::string getOsArch() const;

    // >0: a is preferred, <0: b is, 0: no preference.
    int compareByType(const Package* a, const Package* b) const;
    int compareArch(const Package* a, const Package* b) const;
    // Two providers of the same name.
    int cmpPriority(const Package* a, const Package* b) const;

    void getStatistics(ResolveStatistics& s);

    // Appends p unless a package of the same name, version and arch text is listed.
    void addToNecessaryList(const Package* p);
    // Appends d unless a dependency with the same key waits already.
    void addDefferedDependency(const Dependency* d);
    void logPackageList(int level, const std::vector<const Package*>& list);

    // One package onto the blacklist. A requested package there fails the resolution, after
    // its explanation, unless a newer package of its name stands in for it.
    void addBlackPackage(const Package* p, boost::shared_ptr<Reason> reason);
    // Blacklists p, its copies and every package left without a resolver by them, then throws
    // `unhappy`. Returns normally only when p was black already.
    void appendBlackPackage(const Package* p, boost::shared_ptr<Reason> reason);
    // The copies of p (p included), each with a reason of its own, into `newBlacks`.
    void blackSamePackages(BlackList& newBlacks, const Package* p, boost::shared_ptr<Reason> reason);
    // No level can resolve d: its master goes onto the blacklist (`unhappy`), or, when that
    // cannot help, the resolution fails. Never returns.
    [[noreturn]] void blackListMasterAndThrowUnhappy(const Dependency* d);
    // Every package of the repository with an unresolved require onto the blacklist.
    void blacklistUnresolved();

    // Grows the start list into everything it needs, in attempts that start again from the
    // start list whenever the blacklist grows; fails with a class-5 error when no attempt
    // completes. In predictive mode the first attempt walks only the last package of the list
    // and what it pulls in. `unhappy` never leaves it.
    void findNecessaryPackages(bool predictive);
    // Settles the first deferred dependency that the lowest possible level decides; at level 5
    // the first undecidable one blacklists its master.
    void resolveDefferedDependencies();
    // Everything one package needs: its requires, then the indirect steps.
    void findRequiredFor(const Package* pkg);
    // False when an equivalent package is listed already. A listed package of the same name
    // and another version, or a conflicting one, sends one of the two to the blacklist.
    bool appendNecessaryPackage(const Package* pkg);
    // An installed package that blocks the solution: the user must remove it.
    [[noreturn]] void removeModeSolution(const Package* pkg);

    // What installing pkg does to installed packages (run after its requires, in this order).
    // A problem that no mode solution takes care of ends in removeModeSolution.
    //
    // Installed packages of pkg's name, older and of the same arch, that installed packages
    // still need for something pkg does not provide.
    void findHardwiredDependencies(const Package* pkg);
    // Installed packages that pkg obsoletes, and what their installed requirers lose.
    void findObsoletesDependencies(const Package* pkg);
    // Installed packages that pkg conflicts with, and those that conflict with pkg.
    void findConflicts(const Package* pkg);
    void findReverseConflicts(const Package* pkg);
    // pkg's version in every further arch that an older version is installed in.
    void findOtherArchDependencies(const Package* pkg);
    // r (installed) requires something of q (an older installed version of p) that p does not
    // provide. Done after the first require that a mode solution takes care of.
    void checkHardwiredDependency(const Package* p, const Package* q, const Package* r);

    // The mode solutions: each builds an artificial dependency whose resolvers are entries of
    // acceptable candidates and hands it to selectBestResolvers (or, when this level cannot
    // decide, to the deferred list). False when no candidate is acceptable.
    //
    // An obsoleter of x that is not installed.
    bool obsoleteModeSolution(const Package* x);
    // n or a copy of it (same name, same version).
    bool upgradeModeSolution(const Package* n);
    // A resolver of d that is p in another arch.
    bool archModeSolution(const Dependency* d, const Package* p);
    // A resolver of d that does not go with o: another package, p in another arch, or a newer
    // o of o's arch.
    bool replaceModeSolution(const Dependency* d, const Package* o, const Package* p);

    // Appends the providers of d that win against all others at the resolution level `lvl`.
    // True when d is resolved (now or before) or needs no provider; false when this level
    // cannot decide.
    bool selectBestResolvers(const Dependency* d, int lvl, bool skipResolvedCheck);
    // Two providers of other names: 1 keeps currBest, -1 drops it, 0 undecided at `lvl`.
    int smartGravity(const Dependency* d, const Package* currBest, const Package* currTest, int lvl);
    // Trial resolutions of the list with each of the two: fewer removals, then fewer new
    // packages, win.
    int compareBranches(const Package* currBest, const Package* currTest);
    // Two conflicting packages: 0 the listed one goes onto the blacklist, 1 the new one, 2 both.
    int selectBlackPackage(const Package* listed, const Package* newPkg, boost::shared_ptr<Reason> reason);

    // Package names preferred among providers of other names. Process-wide: the build loader
    // adds the names every loaded build description prefers; nothing removes any.
    static std::set<std::string> preferredPackages;

    // Appends the explanation of p's blacklist entry to `explanations`, following unresolved
    // requires through the providers that were blacklisted in turn; each package once.
    void explainProblem(const Package* p, std::set<const Package*>& visited);
    void explainClash(const Package* first, const Package* second);
    // The explanations for the user: a head line and the first three entries.
    std::string getReport();

    Repository* repository;
    std::vector<const Package*>* necessaryList;
    ResolverOptions options;
    // Resolution level of direct requires; the installers' prepare step sets 5.
    int level;
    std::vector<const Package*> startList;
    std::vector<const Package*> requestedList;
    // The caller assigns it after construction.
    std::string osArch;
    std::list<const Dependency*> defferedList;
    DependencySet resolvedDependencies;
    BlackList blackList;
    std::list<std::string> explanations;
    // The dependencies the mode solutions made and handed on: the resolved set and the
    // deferred list point at them, so they live as long as the resolver.
    std::vector<std::unique_ptr<const Dependency>> artificialDependencies;

private:
    // appendNecessaryPackage in parts: what one listed package says about pkg (false: pkg
    // must not be appended), and the append itself.
    bool mayJoin(const Package* pkg, const Package* listedPkg);
    bool admit(const Package* pkg);
    // Of the requires that b satisfies, those that b's blacklisting may leave without a
    // provider, in the order of b's requirers.
    std::vector<Repository::ResolvedRequire> requiresAtStake(const Package* b);
    static bool resolvesWhatItSatisfies(const Package* b);

    // Look-ups beside the necessary list, the start list and the requested packages; they
    // follow their lists as those grow.
    mutable PackageListIndex listed;
    mutable PackageListIndex started;
    mutable PackageListIndex requested;
};

#endif
