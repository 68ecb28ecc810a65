// What installing a package does to the installed packages: newer versions they rely on,
// obsoletes, conflicts in both directions and the other architectures of an upgrade; and the
// mode solutions that pull further packages in to keep the installed ones working.
//
// Only installed packages (type 's') are at risk. A problem that no mode solution takes care of
// ends in removeModeSolution: the user has to remove the installed package first.
#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "../common/Log.h"
#include "../common/error.h"
#include "DependencyLogical.h"
#include "PkgManager.h"
#include "PkgManagerHelpers.h"
#include "Repository.h"

using namespace resolver;

namespace {

// The "Unresolved ..." explanations are written once per process: a name or a dependency that
// was reported (by any resolution, trials included) is not reported again. Never emptied.
std::set<std::string>& reportedConflicts() {
    static std::set<std::string> names;
    return names;
}

PkgManager::DependencySet& reportedObsoletes() {
    static PkgManager::DependencySet dependencies;
    return dependencies;
}

PkgManager::DependencySet& reportedHardwired() {
    static PkgManager::DependencySet dependencies;
    return dependencies;
}

bool isInstalled(const Package* p) { return p->getType() == 's'; }

// The resolvers of d as they are now: a nested call may resolve the requires anew.
std::vector<const Dependency*> resolversOf(const Dependency* d) {
    std::vector<const Dependency*> out;
    for (unsigned i = 0; const Dependency* r = d->getResolver(i); ++i) out.push_back(r);
    return out;
}

// The end of every mode solution. Without a resolver entry there is no solution, and the
// dependency goes at once. Otherwise it belongs to the resolver from here on, also when a
// choice below throws; a level that cannot decide puts it off.
bool settle(PkgManager& pm, std::unique_ptr<Dependency> artificial) {
    if (!artificial->getResolver(0)) return false;
    const Dependency* d = artificial.get();
    pm.artificialDependencies.emplace_back(std::move(artificial));
    if (!pm.selectBestResolvers(d, pm.level, true)) pm.addDefferedDependency(d);
    return true;
}

// An installed x stands in p's way: a newer x that p does not conflict with, else an obsoleter
// of x.
bool upgradeOrObsolete(PkgManager& pm, const Package* p, const Package* x) {
    const Package* n = pm.findNewerNonBlackPackage(x);
    if (n && !pm.repository->conflictsWith(p, n) && pm.upgradeModeSolution(n)) return true;
    return pm.obsoleteModeSolution(x);
}

// A newer requirer is no way out when one of its requires can only be met by packages of p's
// name other than p itself (an old p, which the upgrade takes away), or not at all.
bool acceptableUpgrade(PkgManager& pm, const Package* n, const Package* p) {
    for (unsigned k = 0; const Dependency* r = n->getRequire(k); ++k) {
        bool anyEntry = false;
        bool otherWay = false;
        for (const Dependency* entry : resolversOf(r)) {
            const Package* m = entry->getMaster();
            if (pm.isBlack(m, false)) continue;
            anyEntry = true;
            if (m == p || entry->getName() != p->getName()) otherWay = true;
        }
        if (!anyEntry || !otherWay) return false;
    }
    return true;
}

}  // namespace

// ---- the steps ---------------------------------------------------------------------------

void PkgManager::findHardwiredDependencies(const Package* pkg) {
    Log(3) << "  find indirect hardwired dependencies for " << *pkg;
    for (const Package* q : repository->getPackagesByName(pkg->getName())) {
        if (!isInstalled(q) || !(*q->getVersion() < *pkg->getVersion()) || !isSameArch(q->getArch(), pkg->getArch()))
            continue;
        std::vector<const Package*> requirers;
        for (const Package* r : repository->getRequirers(q))
            if (isInstalled(r)) requirers.push_back(r);
        if (requirers.empty()) Log(2) << "\tNo packages thas requires older version, skiped\n";
        for (const Package* r : requirers) {
            try {
                checkHardwiredDependency(pkg, q, r);
            } catch (const error&) {
                Log(1) << "Failed to check whether it is necessary to upgrade " << *r << " along with upgrade of " << *q
                       << " by " << *pkg;
                throw;
            }
        }
    }
}

void PkgManager::checkHardwiredDependency(const Package* p, const Package* q, const Package* r) {
    for (unsigned k = 0; const Dependency* d = r->getRequire(k); ++k) {
        if (!q->provides(d) || p->provides(d)) continue;
        Log(3) << "Hardwired package detected: dependency '" << *d << "' of package " << *r << " is resolved by old "
               << *q << " but not resolved by necessary " << *p;
        try {
            if (archModeSolution(d, p)) return;
        } catch (const error&) {
            Log(1) << "Upgrade of " << *r << " is necessary, but " << *d << " is resolved " << " only by " << *q
                   << " package";
            throw;
        }
        if (const Package* n = findNewerNonBlackPackage(r)) {
            Log(3) << "  newer non-blacklisted found: " << *n;
            if (acceptableUpgrade(*this, n, p) && upgradeModeSolution(n)) return;
        }
        if (replaceModeSolution(d, q, p)) return;
        if (obsoleteModeSolution(r)) return;
        if (reportedHardwired().insert(d).second)
            Log(2) << "Unresolved dependency: necessary package " << *p << " have older version " << *q
                   << ". After upgrade we will have the dependency '" << *d << "' of package " << *r
                   << " is unresolved, add to removable list " << r->getName();
        try {
            removeModeSolution(r);
        } catch (const error&) {
            Log(1) << "A dependency problem is found: an older version of required package " << *p << " is installed ("
                   << *q << ") " << ". After upgrade procedure the dependency '" << *d << "' of package " << *r
                   << " will be unresolved. Try to add to removable list " << r->getName();
            throw;
        }
    }
}

void PkgManager::findObsoletesDependencies(const Package* pkg) {
    if (isInstalled(pkg)) return;
    Log(3) << "  find indirect obsoletes dependency for " << *pkg;
    const std::vector<Package*> obsoleted = repository->getObsoletedBy(pkg);
    if (obsoleted.empty()) Log(3) << "    this package have no obsoletes";
    for (const Package* o : obsoleted) {
        if (!isInstalled(o)) {
            Log(3) << "    skip not system " << *o;
            continue;
        }
        Log(3) << "    fix all requires for " << *o;
        for (const Package* r : repository->getRequirers(o)) {
            if (!isInstalled(r)) continue;
            for (unsigned k = 0; const Dependency* d = r->getRequire(k); ++k) {
                if (!d->isSatisfiedBy(o)) continue;

                // Another package of the list keeps it satisfied.
                bool stillProvided = false;
                for (const Dependency* provide : repository->findProviders(d)) {
                    const Package* m = provide->getMaster();
                    if (m != o && d->matches(provide) && isListed(m)) {
                        stillProvided = true;
                        break;
                    }
                }
                if (stillProvided) continue;

                // The requirer goes too, replaced by a listed obsoleter.
                bool obsoleterListed = false;
                for (const Package* y : repository->getObsoleters(r)) {
                    if (!isListed(y)) continue;
                    if (isInstalled(y)) {
                        Log(3) << " [skip-system]" << *y;
                        continue;
                    }
                    Log(3) << "      There is obsoleter " << *y << " for " << *r << " in necessaryList\n";
                    obsoleterListed = true;
                }
                if (obsoleterListed) {
                    Log(3) << "      so no need to fix " << *r << "\n";
                    continue;
                }

                Log(3) << "      fix obsoleted requires '" << *d << "' from " << *r;
                const Package* n = findNewerNonBlackPackage(r);
                if (n && !dependsOnlyOn(n, o)) {
                    Log(2) << "We need also install " << *n << " because " << *pkg << " is obsoletes " << *o
                           << " which is need for " << *r;
                    if (upgradeModeSolution(n)) continue;
                }
                if (obsoleteModeSolution(r)) continue;
                if (replaceModeSolution(d, o, pkg)) continue;
                if (reportedObsoletes().insert(d).second)
                    Log(2) << "Unresolved obsoletes: necessary package " << *pkg << " is obsoletes package " << *o
                           << ". After install necessary package we will have the dependency '" << *d << "' of package "
                           << *r << " is unresolved, add to removable " << r->getName();
                try {
                    removeModeSolution(r);
                } catch (const error&) {
                    Log(1) << "A dependency problem is found: the required package " << *pkg << " obsoletes " << *o
                           << " package." << ". After installation the dependency '" << *d << "' of package " << *r
                           << " will be unresolved. Try to add to removable " << r->getName();
                    throw;
                }
            }
        }
    }
}

void PkgManager::findConflicts(const Package* pkg) {
    if (isInstalled(pkg)) return;
    Log(3) << "  find indirect conflicts dependency for " << *pkg;
    for (const Package* x : repository->getConflictsOf(pkg)) {
        if (!isInstalled(x)) continue;
        Log(3) << "Found conflict with " << *x;
        if (upgradeOrObsolete(*this, pkg, x)) continue;
        if (reportedConflicts().insert(x->getName()).second)
            Log(2) << "Unresolved conflict: necessary package " << *pkg << " is conflicts with " << *x
                   << ". There is no upgrade solution or obsoleter for " << x->getName() << ", add to removable list "
                   << x->getName();
        try {
            removeModeSolution(x);
        } catch (const error&) {
            Log(1) << "A dependency problem is found: required package " << *pkg << " conflicts with " << *x
                   << ". No upgrade or obsolete solution was found for " << x->getName() << ". Try to add "
                   << x->getName() << " to removable list.";
            throw;
        }
    }
}

void PkgManager::findReverseConflicts(const Package* pkg) {
    Log(3) << "  find indirect back conflicts for " << *pkg;
    for (const Package* x : repository->getConflictedBy(pkg)) {
        if (!isInstalled(x)) continue;
        if (upgradeOrObsolete(*this, pkg, x)) continue;
        if (reportedConflicts().insert(x->getName()).second)
            Log(2) << "Unresolved conflict: the other package " << *x << " is conflicts with necessary package " << *pkg
                   << ". There is no upgrade or obsoleter solution," << " add to removable list " << x->getName();
        try {
            removeModeSolution(x);
        } catch (const error&) {
            Log(1) << "A dependency problem was found: the " << *x << " package  conflicts with required package "
                   << *pkg << ". No upgrade or obsolete solution was found." << " Try to add " << x->getName()
                   << " to removable list";
            throw;
        }
    }
}

void PkgManager::findOtherArchDependencies(const Package* pkg) {
    Log(3) << "  find indirect arch deps for " << *pkg;
    const std::vector<Package*> sameName = repository->getPackagesByName(pkg->getName());
    std::set<std::string> archs;
    for (const Package* q : sameName)
        if (isInstalled(q) && *q->getVersion() < *pkg->getVersion() && std::strcmp(q->getArch(), pkg->getArch()) != 0)
            archs.insert(q->getArch());
    for (const Package* c : sameName)
        if (!isBlack(c, false) && *c->getVersion() == *pkg->getVersion() && archs.count(c->getArch()))
            appendNecessaryPackage(c);
}

// ---- the mode solutions ------------------------------------------------------------------

bool PkgManager::obsoleteModeSolution(const Package* x) {
    Log(3) << "   try obsoleteModeSolution, select from ";
    const std::vector<Package*> obsoleters = repository->getObsoleters(x);
    if (obsoleters.empty()) {
        Log(3) << "<nothing>, return false\n";
        return false;
    }
    std::unique_ptr<Dependency> artificial(
        new DependencyLogical("obsolete_mode_solution for " + std::string(x->getName()), nullptr));
    bool accepted = false;
    for (const Package* y : obsoleters) {
        if (isInstalled(y)) {
            Log(3) << " [skip_system]" << *y;
            continue;
        }
        if (isBlack(y, false)) continue;
        accepted = true;
        Log(3) << "  " << *y;
        for (unsigned i = 0; const Dependency* o = y->getObsolete(i); ++i) {
            if (o->isSatisfiedBy(x)) {
                artificial->addResolver(o);
                break;
            }
        }
    }
    if (!accepted) {
        Log(3) << "\n   obsoleteModeSolution- none obsoleters found, false.\n";
        return false;
    }
    Log(3) << " with selectBestResolvers." << std::endl;
    return settle(*this, std::move(artificial));
}

bool PkgManager::upgradeModeSolution(const Package* n) {
    const std::vector<Package*> sameName = repository->getPackagesByName(n->getName());
    if (sameName.empty()) return false;
    std::unique_ptr<Dependency> artificial(new DependencyLogical(
        std::string(n->getName()) + " >= " + n->getVersion()->toString() + " for upgrade_mode_solution", nullptr));
    Log(3) << "Upgrade mode solution: select from packages: ";
    for (const Package* c : sameName) {
        if (isBlack(c, false)) continue;
        Log(3) << " " << *c;
        if (*c->getVersion() == *n->getVersion()) artificial->addResolver(c->getSelfDependency());
    }
    Log(3) << "." << std::endl;
    return settle(*this, std::move(artificial));
}

bool PkgManager::archModeSolution(const Dependency* d, const Package* p) {
    std::unique_ptr<Dependency> artificial(
        new DependencyLogical(textOf(d) + " of " + p->toString() + " for arch_mode_solution", nullptr));
    for (const Dependency* entry : resolversOf(d)) {
        const Package* y = entry->getMaster();
        if (y->getName() != p->getName() || !(*y->getVersion() == *p->getVersion()) ||
            std::strcmp(y->getArch(), p->getArch()) == 0)
            continue;
        if (!isBlack(y, false)) artificial->addResolver(entry);
    }
    return settle(*this, std::move(artificial));
}

bool PkgManager::replaceModeSolution(const Dependency* d, const Package* o, const Package* p) {
    Log(3) << "   try search replace mode solution. select from ";
    std::unique_ptr<Dependency> artificial(d->clone());
    for (const Dependency* entry : resolversOf(d)) {
        const Package* y = entry->getMaster();
        const bool goesWithO =
            y->getName() == o->getName() &&
            !((*y->getVersion() == *p->getVersion() && std::strcmp(y->getArch(), p->getArch()) != 0) ||
              (*y->getVersion() > *o->getVersion() && isSameArch(y->getArch(), o->getArch())));
        if (goesWithO || isBlack(y, false)) continue;
        artificial->addResolver(entry);
        Log(3) << *entry << " ";
    }
    if (!artificial->getResolver(0)) {
        Log(3) << "<nothing>, return false\n";
        return false;
    }
    return settle(*this, std::move(artificial));
}
