// The resolver's state, its queries and orderings, and the blacklist.
#include "PkgManager.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <typeinfo>

#include <boost/format.hpp>

#include "../common/FunctionTracer.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "PkgManagerHelpers.h"
#include "ReasonClash.h"
#include "ReasonReport.h"
#include "ReasonUnresolved.h"
#include "Repository.h"
#include "internString.h"

using namespace resolver;

namespace {

// The name and lines of the internal errors; fixed, so the texts stay the same between builds.
const char* const sourceName = "PkgManager";
const int lineDummyFirst = 2327;
const int lineDummySecond = 2328;
const int lineRemovedFirst = 2330;
const int lineRemovedSecond = 2331;
const int lineClashWithItself = 2812;

// The first prime of the bucket ladder that holds the 100 entries a resolution usually has.
const uint32_t resolvedRoom = 100;

int sign(int value) { return (value > 0) - (value < 0); }

// "i?86": the four-character names of the x86 generations.
bool isX86Generation(const std::string& arch) {
    return arch.size() == 4 && arch[0] == 'i' && arch[2] == '8' && arch[3] == '6';
}

}  // namespace

PkgManager::PkgManager(Repository* repo, std::vector<const Package*>* list, const ResolverOptions* opts)
    : repository(repo),
      necessaryList(list),
      options(*opts),
      level(1),
      resolvedDependencies(primeTableSize(resolvedRoom)),
      listed(list),
      started(&startList),
      requested(&requestedList) {
    startList = *list;
}

PkgManager::~PkgManager() = default;

void PkgManager::addRequestedPackages(const std::vector<const Package*>& packages) {
    requestedList.insert(requestedList.end(), packages.begin(), packages.end());
}

bool PkgManager::isRequested(const Package* p) const { return requested.contains(p) || started.contains(p); }

bool PkgManager::isListed(const Package* p) const { return listed.contains(p); }

bool PkgManager::isBlack(const Package* p, bool quiet) {
    if (blackList.count(p)) {
        if (!quiet) Log(3) << " [black blacklisted] " << *p;
        return true;
    }
    if (p->getType() == 'z') {
        if (!quiet) Log(3) << " [black REMOVED] " << *p;
        return true;
    }
    // Such a package should have been blacklisted before the resolution; said even when quiet.
    if (repository->unresolvedRequires.count(const_cast<Package*>(p)))
        Log(3) << " [error: non black but unresolved] " << *p;
    return false;
}

const Package* PkgManager::findNewerNonBlackPackage(const Package* p) {
    Log(3) << "findNewerNonBlackPackage: for " << *p << std::endl;
    const Package* best = p;
    for (const Package* c : repository->getPackagesByName(p->getName()))
        if (!isBlack(c, false) && *c->getVersion() > *best->getVersion()) best = c;
    return best == p ? nullptr : best;
}

int PkgManager::countMissingRequires(const Package* p) {
    int missing = 0;
    for (unsigned k = 0; const Dependency* r = p->getRequire(k); ++k) {
        bool met = false;
        for (unsigned i = 0; !met && r->getResolver(i); ++i) {
            const Package* m = r->getResolver(i)->getMaster();
            met = m->getType() == 's' || isListed(m);
        }
        if (!met) ++missing;
    }
    return missing;
}

// The repository knows p's conflicts in both directions; asking it once per direction spares
// a walk over every installed package.
bool PkgManager::conflictsWithSystemOrNecessary(const Package* p) {
    std::vector<Package*> others = repository->getConflictsOf(p);
    const std::vector<Package*> reverse = repository->getConflictedBy(p);
    others.insert(others.end(), reverse.begin(), reverse.end());
    for (const Package* q : others)
        if (isListed(q)) return true;
    // The index lists pooled packages only; one that left the pool has type 'z'.
    for (const Package* q : others)
        if (q->getType() == 's') return true;
    return false;
}

bool PkgManager::dependsOnlyOn(const Package* p, const Package* q) {
    if (!p->dependsOn(q)) return false;
    for (unsigned k = 0; const Dependency* r = p->getRequire(k); ++k)
        for (unsigned i = 0; const Dependency* res = r->getResolver(i); ++i)
            if (!isCopyOf(res->getMaster(), q)) return false;
    return true;
}

bool PkgManager::isSameArch(const std::string& a, const std::string& b) {
    return a == b || (isX86Generation(a) && isX86Generation(b));
}

std::string PkgManager::getOsArch() const {
    if (osArch.empty()) throw error(3, 1, 1, 3) << "os_arch is not defined in packages resolver";
    return osArch == "i386" ? "i686" : osArch;
}

int PkgManager::compareByType(const Package* a, const Package* b) const {
    if (a->getType() == 'd') throw internalError(sourceName, lineDummyFirst);
    if (b->getType() == 'd') throw internalError(sourceName, lineDummySecond);
    if (a->getType() == 'z') throw internalError(sourceName, lineRemovedFirst);
    if (b->getType() == 'z') throw internalError(sourceName, lineRemovedSecond);
    if (a->getType() == b->getType()) return 0;
    for (char letter : {'s', 'b', 'r', 'u', 't'}) {
        if (a->getType() == letter) return 1;
        if (b->getType() == letter) return -1;
    }
    return 0;
}

int PkgManager::compareArch(const Package* a, const Package* b) const {
    if (std::strcmp(a->getArch(), b->getArch()) == 0) return 0;
    const std::string os = getOsArch();
    if (os == a->getArch()) return 1;
    if (os == b->getArch()) return -1;
    if (os == "powerpc") return 0;
    if (a->getArch()[0] == 'i' && b->getArch()[0] == 'i') return sign(std::strcmp(a->getArch(), b->getArch()));
    return 0;
}

int PkgManager::cmpPriority(const Package* a, const Package* b) const {
    const bool aRequested = isRequested(a);
    const bool bRequested = isRequested(b);
    if (aRequested && !bRequested) return 1;
    if (bRequested && !aRequested) return -1;

    const int byVersion = a->getVersion()->compare(*b->getVersion());
    if (aRequested || a->getType() == 'b' || b->getType() == 'b') {
        if (byVersion != 0) return byVersion;
    }
    if (options.upgradeSystemPackages) {
        if (byVersion != 0) return byVersion;
        if (int r = compareArch(a, b)) return r;
        return compareByType(a, b);
    }
    if (int r = compareByType(a, b)) return r;
    if (byVersion != 0) return byVersion;
    return compareArch(a, b);
}

void PkgManager::getStatistics(ResolveStatistics& s) {
    s = ResolveStatistics();
    for (const Package* p : *necessaryList) {
        switch (p->getType()) {
        case 'd':
            if (p->getObsolete(0)) ++s.removals;
            break;
        case 'b':
            ++(repository->getInstalledPackage(p->getName()) ? s.buildUpgrade : s.buildNew);
            s.buildSize += static_cast<uint64_t>(p->size);
            break;
        case 'u':
            ++(repository->getInstalledPackage(p->getName()) ? s.systemUpgrade : s.systemNew);
            s.systemSize += static_cast<uint64_t>(p->size);
            break;
        default:
            break;
        }
    }
    s.totalNew = s.systemNew + s.buildNew;
    s.totalUpgrade = s.systemUpgrade + s.buildUpgrade;
    s.totalRemovals = s.removals;
    s.totalSize = s.systemSize + s.buildSize;
}

void PkgManager::addToNecessaryList(const Package* p) {
    if (!listed.hasCopyOf(p)) necessaryList->push_back(p);
}

void PkgManager::addDefferedDependency(const Dependency* d) {
    for (const Dependency* e : defferedList) {
        if (e->sameKey(d)) {
            Log(3) << " is already in deffered list, skip" << "\n";
            return;
        }
    }
    defferedList.push_back(d);
}

void PkgManager::logPackageList(int lvl, const std::vector<const Package*>& list) {
    for (const Package* p : list)
        Log(lvl) << " (" << static_cast<char>(p->getType()) << ") " << fileNameOf(p) << "\n";
}

void PkgManager::addBlackPackage(const Package* p, boost::shared_ptr<Reason> reason) {
    FunctionTracer trace("addBlackPackage " + p->toString());
    if (isBlack(p, false)) {
        Log(3) << "already in blacklisted, skip\n";
        return;
    }
    blackList[p] = reason;
    // The creation number names the package the same way in every run, as an address would not.
    Log(3) << "addBlackPackage: " << fileNameOf(p) << " (" << p->creationSequence() << ")" << std::endl;
    if (!isRequested(p)) return;

    Log(1) << "The requested package \"" << p->getName() << "\" could not be installed: " << textOf(reason.get())
           << std::endl;
    if (const ReasonClash* clash = dynamic_cast<const ReasonClash*>(reason.get())) {
        if (clash->second == p) throw internalError(sourceName, lineClashWithItself);
        if (clash->second->getName() == p->getName() && *clash->second->getVersion() > *p->getVersion()) {
            Log(1) << "Allow to replace build package" << *p << "\n  with newer package " << *clash->second
                   << std::endl;
            return;
        }
    }
    Log(2) << "    ---- start dependency problems explaination -----\n";
    std::set<const Package*> visited;
    explainProblem(p, visited);
    Log(2) << "    ---- end dependency problems explaination -----\n";
    throw error(5, 1, 1, 3) << catalogueText("err_deps_resolve_build", p->toString());
}

void PkgManager::blackSamePackages(BlackList& newBlacks, const Package* p, boost::shared_ptr<Reason> reason) {
    FunctionTracer trace("blackSamePackages for " + p->toString());
    Log(3) << "DEBUG: blackSamePackages " << *p << " because \"" << textOf(reason.get()) << "\"\n";
    for (const Package* c : repository->getPackagesByName(p->getName())) {
        if (!isCopyOf(c, p)) continue;
        if (newBlacks.count(c)) {
            Log(3) << "it is already in newBlacks list, skipping." << std::endl;
            continue;
        }
        if (isBlack(c, false)) {
            Log(3) << "it is already in blackList, skipping." << std::endl;
            continue;
        }
        if (const ReasonUnresolved* unresolved = dynamic_cast<const ReasonUnresolved*>(reason.get())) {
            const Dependency* d = unresolved->dependency;
            Log(3) << "Debug: PkgManager::blackSamePackages: find " << *d << " in " << *c << std::endl;
            const Dependency* own = nullptr;
            for (unsigned k = 0; !own && c->getRequire(k); ++k)
                if (c->getRequire(k)->equals(d)) own = c->getRequire(k);
            if (own)
                newBlacks[c] = boost::shared_ptr<Reason>(new ReasonUnresolved(own));
            else
                Log(3) << "Debug: package " << *c << " not black listed!\n";
        } else if (const ReasonClash* clash = dynamic_cast<const ReasonClash*>(reason.get())) {
            const Package* other = clash->first == p ? clash->second : clash->first;
            newBlacks[c] = boost::shared_ptr<Reason>(new ReasonClash(c, other));
        } else if (dynamic_cast<const ReasonReport*>(reason.get())) {
            newBlacks[c] = reason;
        } else {
            Log(2) << "DEBUG: reason is undefined type\n";
        }
    }
}

void PkgManager::appendBlackPackage(const Package* p, boost::shared_ptr<Reason> reason) {
    FunctionTracer trace("appendBlackPackage " + p->toString());
    if (isBlack(p, true)) {
        Log(3) << " DEBUG: Hey, is something wron? " << *p << " is already in black list!\n";
        return;
    }

    BlackList newBlacks;
    blackSamePackages(newBlacks, p, reason);
    for (const auto& entry : newBlacks)
        if (entry.first != p) Log(2) << "Black list package " << *entry.first << " too (same name,ver,arch)";

    while (!newBlacks.empty()) {
        const Package* b = newBlacks.begin()->first;
        const boost::shared_ptr<Reason> r = newBlacks.begin()->second;
        Log(2) << "Migrating " << *b << " to blacklist " << std::endl;
        addBlackPackage(b, r);
        newBlacks.erase(b);

        // A requirer whose require only b (or b's copies) and black packages resolve is left
        // without a provider: it follows b.
        for (const Repository::ResolvedRequire& at : requiresAtStake(b)) {
            const Package* q = at.requirer;
            const Dependency* d = at.require;
            bool otherProvider = false;
            for (unsigned i = 0; !otherProvider && d->getResolver(i); ++i) {
                const Package* m = d->getResolver(i)->getMaster();
                otherProvider = !isBlack(m, true) && !isCopyOf(m, b);
            }
            if (otherProvider || isBlack(q, true)) continue;
            Log(2) << "Add package " << *q << " to black list" << " because its dependency '" << *d
                   << "' resolved only by black-listed package " << *b << "." << std::endl;
            newBlacks[q] = boost::shared_ptr<Reason>(new ReasonUnresolved(d));
        }
    }

    Log(2) << "appendBlackPackage: throw unhappy exception";
    logPackageList(3, *necessaryList);
    throw unhappy();
}

// A pooled package has its name and version among its provides (every rpm package has):
// then the provides index, which lacks the name-and-version dependency itself, makes b a
// resolver of every require that b satisfies.
bool PkgManager::resolvesWhatItSatisfies(const Package* b) {
    const Dependency* self = b->getSelfDependency();
    const std::string text = textOf(self);
    for (unsigned i = 0; const Dependency* provide = b->getProvide(i); ++i)
        if (typeid(*provide) == typeid(*self) && textOf(provide) == text) return true;
    return false;
}

// The walk in appendBlackPackage over the requires that b satisfies of its requirers does
// something only for a require that black packages and b's copies alone resolve, or, while
// level 3 is read, one whose walk of its resolvers writes a line (isBlack does, for a package
// with an unresolved require that is not black). Requires of one resolver list give one
// answer, so the pool's groups of them are asked, not each requirer: the work follows the
// groups of b's requires, not its requirers, of which a library has thousands. Out come the
// requires the walk must see, in its order: b's requirers in pool order, and each one's
// requires in their order. A package that does not provide its name and version gets the
// walk over all its requirers.
std::vector<Repository::ResolvedRequire> PkgManager::requiresAtStake(const Package* b) {
    std::vector<Repository::ResolvedRequire> out;
    if (!resolvesWhatItSatisfies(b)) {
        for (Package* q : repository->getRequirers(b))
            for (unsigned k = 0; Dependency* d = q->getRequire(k); ++k)
                if (d->isSatisfiedBy(b)) out.push_back({q, d});
        return out;
    }

    const bool detailed = Log(3).taken();
    std::vector<uint32_t> positions;
    for (uint32_t group : repository->getRequireGroups(b)) {
        const std::vector<uint32_t>& members = repository->requireGroupMembers(group);
        const Dependency* d = repository->resolvedRequires[members.front()].require;
        bool otherProvider = false;
        bool writes = false;
        for (unsigned i = 0; !otherProvider && d->getResolver(i); ++i) {
            Package* m = d->getResolver(i)->getMaster();
            const bool black = blackList.count(m) || m->getType() == 'z';
            if (detailed && !black && repository->unresolvedRequires.count(m)) writes = true;
            otherProvider = !black && !isCopyOf(m, b);
        }
        if (!otherProvider || writes) positions.insert(positions.end(), members.begin(), members.end());
    }
    std::sort(positions.begin(), positions.end());
    out.reserve(positions.size());
    for (uint32_t at : positions) out.push_back(repository->resolvedRequires[at]);
    return out;
}

void PkgManager::blackListMasterAndThrowUnhappy(const Dependency* d) {
    FunctionTracer trace("blackListMasterAndThrowUnhappy");
    const Package* m = d->getMaster();
    Log(2) << "selectBestResolvers(): Can't find solution for '" << *d << "' of " << *m << "." << std::endl;
    if (m->getType() != 'd') {
        Log(2) << "Add " << *m << " to black list" << std::endl;
        try {
            appendBlackPackage(m, boost::shared_ptr<Reason>(new ReasonUnresolved(d)));
        } catch (const error&) {
            Log(1) << "Solution for dependency " << "'" << *d << "' is not available.";
            throw;
        }
    }
    // A dummy cannot be left out, and a master that is black already gives no new attempt.
    throw error(5, 1, 1, 2) << "Can't find solution for '" << *d << "' of " << m->toString() << ".";
}

void PkgManager::blacklistUnresolved() {
    Log(2) << "Add packages with unresolved deps to blacklist\n";
    for (const auto& entry : repository->unresolvedRequires)
        addBlackPackage(entry.first, boost::shared_ptr<Reason>(new ReasonUnresolved(entry.second)));
}
