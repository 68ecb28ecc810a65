// Choosing among the providers of a dependency, and between two conflicting packages.
#include <cstdint>
#include <map>
#include <vector>

#include "../common/FunctionTracer.h"
#include "../common/Log.h"
#include "../common/error.h"
#include "PkgManager.h"
#include "PkgManagerHelpers.h"
#include "Repository.h"

using namespace resolver;

std::set<std::string> PkgManager::preferredPackages;

namespace {

// The class of the resolver's dependency failures: inside a trial it is the branch's outcome.
const int dependencyErrorClass = 5;

// Trial resolutions log one "#" deeper, on every way out.
class DeeperLog {
public:
    DeeperLog() { ++Log::depth; }
    ~DeeperLog() { --Log::depth; }
    DeeperLog(const DeeperLog&) = delete;
    DeeperLog& operator=(const DeeperLog&) = delete;
};

// The pool as a trial resolution leaves it. A trial resolves over its parent's pool, not over a
// copy, since a resolution only reads the pool; what reading changes is put back when the
// trial ends: an index that was stale when it began is marked stale again (the parent, or the
// next trial, rebuilds it and says so, as over a copy of its own), and the packages with an
// unresolved require are those of before (a rebuild of the requires only adds to them).
class PoolReadScope {
public:
    explicit PoolReadScope(Repository& pool)
        : pool(pool),
          requiresDirty(pool.requiresDirty),
          conflictsDirty(pool.conflictsDirty),
          obsoletesDirty(pool.obsoletesDirty),
          namesDirty(pool.namesDirty),
          providesDirty(pool.providesDirty) {
        if (requiresDirty) unresolved = pool.unresolvedRequires;
    }
    ~PoolReadScope() {
        if (requiresDirty) {
            pool.requiresDirty = true;
            pool.unresolvedRequires.swap(unresolved);
        }
        if (conflictsDirty) pool.conflictsDirty = true;
        if (obsoletesDirty) pool.obsoletesDirty = true;
        if (namesDirty) pool.namesDirty = true;
        if (providesDirty) pool.providesDirty = true;
    }
    PoolReadScope(const PoolReadScope&) = delete;
    PoolReadScope& operator=(const PoolReadScope&) = delete;

private:
    Repository& pool;
    const bool requiresDirty;
    const bool conflictsDirty;
    const bool obsoletesDirty;
    const bool namesDirty;
    const bool providesDirty;
    std::map<Package*, Dependency*, PackageCreationLess> unresolved;
};

// One trial resolution over the parent's pool, with a list and a resolver of its own and the
// parent's options, blacklist and arch. The parent is left as it was.
class Trial {
public:
    Trial(const PkgManager& parent, const std::vector<const Package*>& start)
        : list(start), resolver(parent.repository, &list, &parent.options) {
        resolver.blackList = parent.blackList;
        resolver.osArch = parent.osArch;
    }

    // False with the error's text in `failure` when the resolution fails with a dependency
    // error; every other error passes.
    bool resolve(bool predictive, std::string& failure, const Package* black = nullptr,
                 boost::shared_ptr<Reason> reason = boost::shared_ptr<Reason>()) {
        PoolReadScope pool(*resolver.repository);
        DeeperLog deeper;
        try {
            if (black) resolver.addBlackPackage(black, reason);
            resolver.findNecessaryPackages(predictive);
            resolver.getStatistics(stats);
            return true;
        } catch (const error& e) {
            if (e.e_class != dependencyErrorClass) throw;
            failure = e.text();
            return false;
        }
    }

    std::vector<const Package*> list;
    PkgManager resolver;
    ResolveStatistics stats = ResolveStatistics();
};

// -1, 0 or 1 as a is below, equal to or above b, compared as signed numbers.
int countOrder(uint32_t a, uint32_t b) {
    const int64_t difference = static_cast<int64_t>(a) - static_cast<int64_t>(b);
    return (difference > 0) - (difference < 0);
}

std::vector<const Package*> with(const std::vector<const Package*>& list, const Package* p) {
    std::vector<const Package*> out(list);
    out.push_back(p);
    return out;
}

}  // namespace

bool PkgManager::selectBestResolvers(const Dependency* d, int lvl, bool skipResolvedCheck) {
    const std::string dText = textOf(d);
    FunctionTracer trace("selectBestResolvers: resolve '" + dText + "'");
    Log(3) << "selectBestResolvers: resolve '" << dText << "'";
    if (!skipResolvedCheck && resolvedDependencies.count(d)) {
        Log(3) << ": is already resolved, skipped.";
        return true;
    }
    const Package* master = d->getMaster();
    Log(3) << " from " << fileNameOf(master) << " ~" << static_cast<char>(master->getType()) << " on level " << lvl
           << ":";

    std::vector<const Package*> chosen;
    int usable = 0;
    for (unsigned j = 0; const Dependency* provideJ = d->getResolver(j); ++j) {
        const Package* best = provideJ->getMaster();
        if (isBlack(best, false)) {
            Log(3) << " skip.";
            continue;
        }
        ++usable;
        Log(3) << "  currBest: " << *best << " ~" << static_cast<char>(best->getType()) << " (provides '"
               << *provideJ << "')";

        bool rejected = false;
        bool tie = false;
        for (unsigned k = 0; !rejected && d->getResolver(k); ++k) {
            const Dependency* provideK = d->getResolver(k);
            const Package* test = provideK->getMaster();
            if (test == best) continue;
            if (isBlack(test, false)) {
                Log(3) << " skip.";
                continue;
            }
            Log(3) << "    currTest: " << *test << " ~" << static_cast<char>(test->getType()) << " (provides '"
                   << *provideK << "')";
            if (test->getName() == best->getName()) {
                const int r = cmpPriority(best, test);
                if (r > 0) {
                    Log(3) << "      select currBest by cmpPriority (compare for same names)";
                } else if (r < 0) {
                    Log(3) << "      reject currBest by cmpPriority (compare for same names)";
                    rejected = true;
                } else if (j >= k) {
                    Log(3) << "      reject currBest by index.";
                    rejected = true;
                } else {
                    Log(3) << "      select currBest by index.";
                }
            } else {
                const int r = smartGravity(d, best, test, lvl);
                if (r > 0) {
                    Log(3) << "      select currBest by smartGravity().";
                } else if (r < 0) {
                    Log(3) << "      reject currBest by smartGravity().";
                    rejected = true;
                } else {
                    Log(3) << "      packages are equal on this level";
                    tie = true;
                }
            }
        }
        if (rejected) continue;
        if (tie) {
            Log(3) << "selectBestResolvers: can't resolve '" << dText << "' on this level (" << lvl << ")";
            return false;
        }
        Log(3) << "  package " << *best << " will added to necessaryList nearly";
        chosen.push_back(best);
    }

    if (chosen.empty() && Dependency::isIgnoredName(dText)) return true;
    if (usable == 0) blackListMasterAndThrowUnhappy(d);
    if (chosen.empty()) return false;

    resolvedDependencies.insert(d);
    for (const Package* p : chosen) {
        try {
            appendNecessaryPackage(p);
        } catch (const error&) {
            Log(1) << "Could not add package " << *p << "to the list of required packages.\n";
            throw;
        }
    }
    return true;
}

int PkgManager::smartGravity(const Dependency* d, const Package* currBest, const Package* currTest, int lvl) {
    if (lvl == 1) {
        // The first listed package of either name decides.
        const size_t best = listed.firstOfName(currBest->getName());
        const size_t test = listed.firstOfName(currTest->getName());
        if (best != PackageListIndex::npos && (test == PackageListIndex::npos || best <= test)) {
            Log(3) << "      select currBest: it is already in necessaryList.";
            return 1;
        }
        if (test != PackageListIndex::npos) {
            Log(3) << "      reject currBest: currTest is already in necessaryList.";
            return -1;
        }
        return 0;
    }

    if (lvl == 2) {
        const bool bestInstalled = repository->getInstalledPackage(currBest->getName()) != nullptr;
        const bool testInstalled = repository->getInstalledPackage(currTest->getName()) != nullptr;
        if (bestInstalled && !testInstalled) {
            Log(3) << "      select currBest: it has some version already installed.";
            return 1;
        }
        if (testInstalled && !bestInstalled) {
            Log(3) << "      reject currBest: currTest has some version already installed.";
            return -1;
        }
        const bool bestConflicts = conflictsWithSystemOrNecessary(currBest);
        const bool testConflicts = conflictsWithSystemOrNecessary(currTest);
        if (bestConflicts && !testConflicts) {
            Log(3) << "      reject currBest- currBest is conflicts with system or necessary package.";
            return -1;
        }
        if (testConflicts && !bestConflicts) {
            Log(3) << "      select currBest: currTest is conflicts with system or necessary package.";
            return 1;
        }
        const int bestMissing = countMissingRequires(currBest);
        const int testMissing = countMissingRequires(currTest);
        if (bestMissing > 0 && testMissing == 0) {
            Log(3) << "      reject currBest because we can install currTest without any packages.";
            return -1;
        }
        if (testMissing > 0 && bestMissing == 0) {
            Log(3) << "      select currBest because we can install it without any packages.";
            return 1;
        }
        return 0;
    }

    if (lvl == 3) {
        const bool bestPreferred = preferredPackages.count(currBest->getName()) != 0;
        const bool testPreferred = preferredPackages.count(currTest->getName()) != 0;
        if (bestPreferred && !testPreferred) {
            Log(3) << "      select currBest as preferred package.";
            return 1;
        }
        if (testPreferred && !bestPreferred) {
            Log(3) << "      reject currBest: currTest is preferred package.";
            return -1;
        }
        return 0;
    }

    if (lvl == 4) return compareBranches(currBest, currTest);

    if (lvl >= 5) {
        const std::string name = d->getName();
        if (name.find(currBest->getName()) == 0) {
            Log(3) << "      select currBest: package name is substring of dependency name.";
            return 1;
        }
        if (name.find(currTest->getName()) == 0) {
            Log(3) << "      reject currBest: currTest package name is substr of dependency name.";
            return -1;
        }
        // The package made first wins: the same choice in every run, as an address is not.
        if (currBest->creationSequence() < currTest->creationSequence()) {
            Log(3) << "      select currBest by index.";
            return 1;
        }
        Log(3) << "      reject currBest by index.";
        return -1;
    }
    return 0;
}

int PkgManager::compareBranches(const Package* currBest, const Package* currTest) {
    std::string failure;
    Trial best(*this, with(*necessaryList, currBest));
    if (!best.resolve(true, failure)) {
        Log(3) << "      reject currBest by resolving of branch error.";
        return -1;
    }
    Trial test(*this, with(*necessaryList, currTest));
    if (!test.resolve(true, failure)) {
        Log(3) << "      select currBest by resolving of currTest branch error.";
        return 1;
    }

    if (const int r = countOrder(best.stats.removals, test.stats.removals)) {
        Log(3) << (r < 0 ? "      select currBest by less packages to remove count."
                         : "      reject currBest by greate packages to remove count.");
        return -r;
    }
    if (const int r = countOrder(best.stats.systemNew, test.stats.systemNew)) {
        Log(3) << (r < 0 ? "      select currBest by less packages to install count."
                         : "      reject currBest by greate packages to install count.");
        return -r;
    }
    return 0;
}

int PkgManager::selectBlackPackage(const Package* listed, const Package* newPkg, boost::shared_ptr<Reason> reason) {
    const bool listedRequested = isRequested(listed);
    const bool newRequested = isRequested(newPkg);
    if (listedRequested && newRequested) {
        Log(1) << "selectBlackPackage: both packages is requested to be installed";
        return 2;
    }
    if (listedRequested) {
        Log(3) << "  selectBlackPackage: package " << *listed << " is requested to install";
        return 1;
    }
    if (newRequested) {
        Log(3) << "  selectBlackPackage: package " << *newPkg << " is requested to install";
        return 0;
    }

    Log(3) << "selectBlackPackage: " << *listed << " or " << *newPkg << ": select with pre-resolving\n";
    // Both trials start from the start list: the list as it grew so far holds the choices
    // that led to the conflict.
    Trial keepListed(*this, startList);
    Trial keepNew(*this, startList);
    std::string failure;
    const bool listedFails = !keepListed.resolve(false, failure, newPkg, reason);
    if (listedFails) Log(3) << "Resolving fake1 ends with error: " << failure;
    const bool newFails = !keepNew.resolve(false, failure, listed, reason);
    if (newFails) Log(3) << "Resolving fake2 ends with error: " << failure;

    if (listedFails && newFails) {
        Log(2) << "selectBlackPackage: both branch of resolving ends with error";
        return 2;
    }
    if (listedFails) {
        Log(3) << "  selectBlackPackage: resolving with " << *listed << " ends with error.";
        return 0;
    }
    if (newFails) {
        Log(3) << "  selectBlackPackage: resolving with " << *newPkg << " ends with error.";
        return 1;
    }
    // Fewer removals, then fewer new packages, keep a side.
    if (const int r = countOrder(keepListed.stats.totalRemovals, keepNew.stats.totalRemovals)) {
        Log(3) << "  selectBlackPackage: with " << *(r < 0 ? listed : newPkg) << " less packages to remove.";
        return r < 0 ? 1 : 0;
    }
    if (const int r = countOrder(keepListed.stats.totalNew, keepNew.stats.totalNew)) {
        Log(3) << "  selectBlackPackage: with " << *(r > 0 ? listed : newPkg) << " great packages to install.";
        return r > 0 ? 0 : 1;
    }
    // The package made first goes onto the blacklist: the same choice in every run.
    Log(3) << "  selectBlackPackage: compare by index.";
    return listed->creationSequence() > newPkg->creationSequence() ? 1 : 0;
}
