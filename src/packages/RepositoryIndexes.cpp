// The dependency indexes of the pool (provides, obsoletes, conflicts, requires) and the
// resolution of the requires against the provides.
#include "Repository.h"

#include <atomic>
#include <cstring>
#include <functional>
#include <ostream>
#include <sstream>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "../common/Log.h"
#include "../common/Opsys.h"
#include "../common/TerminationState.h"
#include "../common/error.h"
#include "DependencyFile.h"
#include "internString.h"

namespace {

// Names of this file and its line in the internal error; they stay fixed from build to build.
const char* const sourceName = "Repository";
const int lineNonFileUnderFileKey = 517;

// The rpm of SuSE does not remove a package whose obsolete names a virtual provide of it, so
// there only obsoletes that name a package itself count. Once seen, the host does not change.
std::atomic<bool> suseObsoletesRule{false};

void decideSuseRule() {
    if (suseObsoletesRule.load()) return;
    if (Opsys().os_vendor() != "SuSE") return;
    if (suseObsoletesRule.exchange(true)) return;
    Log(2) << "Warning: SuSE have patched rpm so obsoletes to virtual provides doesn't work. "
           << "An obsolete that names a virtual provide removes nothing there: see the distribution's "
              "defect reports on obsoletes of virtual provides that rpm ignores, and on the rpm patch "
              "that made it ignore them,"
           << " for details" << std::endl;
}

bool hasPair(const Repository::PackagePairs& pairs, const Package* key, const Package* value) {
    auto range = pairs.equal_range(key);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == value) return true;
    return false;
}

// The pair (a, b) into `forward` and (b, a) into `backward`, unless `forward` has it already.
// The maps hold mutable packages: the pool's packages are never const objects.
void addPair(Repository::PackagePairs& forward, Repository::PackagePairs& backward, const Package* a,
             const Package* b) {
    if (hasPair(forward, a, b)) return;
    forward.emplace(a, const_cast<Package*>(b));
    backward.emplace(b, const_cast<Package*>(a));
}

std::vector<Package*> valuesOf(const Repository::PackagePairs& pairs, const Package* key) {
    std::vector<Package*> out;
    auto range = pairs.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
    return out;
}

// A list of provides by the addresses it holds, in order.
struct PointerListHash {
    size_t operator()(const std::vector<const Dependency*>& list) const {
        size_t h = list.size();
        for (const Dependency* d : list) h = h * 1000003u ^ std::hash<const Dependency*>()(d);
        return h;
    }
};
typedef std::unordered_map<std::vector<const Dependency*>, uint32_t, PointerListHash> RequireGroupMap;

// Puts require r of p, just resolved by `resolvers`, into the group of its resolver list; a new
// list forms a group, listed under each provider it names.
void groupRequire(Repository& repo, Package* p, Dependency* r, const std::vector<const Dependency*>& resolvers,
                  RequireGroupMap& groupOf) {
    const auto entry = groupOf.emplace(resolvers, static_cast<uint32_t>(repo.requireGroups.size()));
    const uint32_t group = entry.first->second;
    if (entry.second) {
        repo.requireGroups.emplace_back();
        for (size_t i = 0; i < resolvers.size(); ++i) {
            const Package* q = resolvers[i]->getMaster();
            bool seen = false;
            for (size_t j = 0; j < i && !seen; ++j) seen = resolvers[j]->getMaster() == q;
            if (!seen) repo.requireGroupsByProvider[q].push_back(group);
        }
    }
    repo.requireGroups[group].push_back(static_cast<uint32_t>(repo.resolvedRequires.size()));
    repo.resolvedRequires.push_back({p, r});
}

std::string printed(const Dependency& d) {
    std::ostringstream s;
    d.print(s);
    return s.str();
}

}  // namespace

// The table puts a new entry in front of the entries of its key, so the pool is inserted from
// its end: each key's group then lists its provides in pool order. A termination request
// leaves the index partly built and still marked stale.
void Repository::rebuildProvidesIfDirty() {
    if (!providesDirty) return;
    Log(2) << "Regenerate packages provides cache.\n";
    providesCache.clear();
    for (size_t i = pkgList.size(); i-- > 0;) {
        checkTermination();
        const Package* p = pkgList[i];
        unsigned n = 0;
        while (p->getProvide(n)) ++n;
        while (n-- > 0) providesCache.insert(p->getProvide(n));
    }
    providesDirty = false;
}

std::pair<Repository::ProvidesIndex::const_iterator, Repository::ProvidesIndex::const_iterator>
Repository::providers(const Dependency* dep) {
    rebuildProvidesIfDirty();
    return providesCache.equal_range(dep);
}

std::vector<const Dependency*> Repository::findProviders(const Dependency* dep) {
    auto range = providers(dep);
    return std::vector<const Dependency*>(range.first, range.second);
}

void Repository::indexObsoletes(const Package* pkg) {
    decideSuseRule();
    const bool suse = suseObsoletesRule.load() && pkg->getType() != 'd';
    for (unsigned k = 0; const Dependency* o = pkg->getObsolete(k); ++k) {
        auto range = providers(o);
        for (auto it = range.first; it != range.second; ++it) {
            if (!o->matches(*it)) continue;
            const Package* p = (*it)->getMaster();
            if (p->getName() == pkg->getName()) continue;
            if (suse && internString(o->getName().c_str()) != p->getName()) {
                Log(2) << "Warning: ignore obsolete package " << *p << " by package " << *pkg
                       << " because it not supporting on this system" << std::endl;
                continue;
            }
            addPair(obsoletesOf, obsoletedBy, pkg, p);
        }
        // A removal dummy takes away the packages of the name it obsoletes, also those that
        // list no provide of their own name: installed Debian packages come with none. The
        // pool is walked in order (removers are few); the name index may be stale here.
        if (pkg->getType() != 'd') continue;
        const char* const name = internString(o->getName().c_str());
        for (const Package* p : pkgList)
            if (p->getName() == name && name != pkg->getName() && o->isSatisfiedBy(p))
                addPair(obsoletesOf, obsoletedBy, pkg, p);
    }
}

void Repository::rebuildObsoletesIfDirty() {
    if (!obsoletesDirty) return;
    Log(2) << "(regen obsoletes cache) ";
    obsoletesOf.clear();
    obsoletedBy.clear();
    obsoletesDirty = false;
    for (size_t i = 0; i < pkgList.size(); ++i) indexObsoletes(pkgList[i]);
}

std::vector<Package*> Repository::getObsoletedBy(const Package* pkg) {
    rebuildObsoletesIfDirty();
    return valuesOf(obsoletesOf, pkg);
}

std::vector<Package*> Repository::getObsoleters(const Package* pkg) {
    rebuildObsoletesIfDirty();
    return valuesOf(obsoletedBy, pkg);
}

void Repository::indexConflicts(Package* a) {
    for (unsigned k = 0; const Dependency* c = a->getConflict(k); ++k) {
        auto range = providers(c);
        for (auto it = range.first; it != range.second; ++it)
            if (c->matches(*it)) addPair(conflictsOf, conflictedBy, a, (*it)->getMaster());
    }

    for (unsigned k = 0; const Dependency* provide = a->getProvide(k); ++k) {
        const DependencyFile* f = dynamic_cast<const DependencyFile*>(provide);
        if (!f || f->isDirectory()) continue;
        auto range = providers(f);
        for (auto it = range.first; it != range.second; ++it) {
            const DependencyFile* g = dynamic_cast<const DependencyFile*>(*it);
            if (!g) throw internalError(sourceName, lineNonFileUnderFileKey);
            const Package* b = g->getMaster();
            const bool sameName = b->getName() == a->getName();
            if (sameName && std::strcmp(b->getArch(), a->getArch()) == 0) continue;
            if (sameName && *b->getVersion() == *a->getVersion()) continue;
            if (hasPair(conflictsOf, a, b)) continue;
            if (f->getMd5String() == g->getMd5String() && f->getKeptText() == g->getKeptText()) continue;
            Log(3) << "Warning: packages conflict by files detected: package " << *a << "\n  conflict with package "
                   << *b << "\n  both have file " << printed(*f) << " with different md5 sum." << std::endl;
            addPair(conflictsOf, conflictedBy, a, b);
        }
    }
}

void Repository::rebuildConflictsIfDirty() {
    if (!conflictsDirty) return;
    Log(2) << "(regen conflicts cache) ";
    conflictsOf.clear();
    conflictedBy.clear();
    conflictsDirty = false;
    for (size_t i = 0; i < pkgList.size(); ++i) indexConflicts(pkgList[i]);
}

std::vector<Package*> Repository::getConflictsOf(const Package* pkg) {
    rebuildConflictsIfDirty();
    return valuesOf(conflictsOf, pkg);
}

std::vector<Package*> Repository::getConflictedBy(const Package* pkg) {
    rebuildConflictsIfDirty();
    return valuesOf(conflictedBy, pkg);
}

bool Repository::conflictsWith(const Package* a, const Package* b) {
    rebuildConflictsIfDirty();
    return hasPair(conflictsOf, a, b);
}

std::vector<Package*> Repository::getRequirers(const Package* pkg) {
    if (requiresDirty) resolveRequires();
    return valuesOf(requirersOf, pkg);
}

const std::vector<uint32_t>& Repository::getRequireGroups(const Package* pkg) {
    static const std::vector<uint32_t> none;
    if (requiresDirty) resolveRequires();
    auto found = requireGroupsByProvider.find(pkg);
    return found == requireGroupsByProvider.end() ? none : found->second;
}

void Repository::resolveRequires() {
    Log(3) << "Resolve requires dependencies in repository.\n";
    requiresOf.clear();
    requirersOf.clear();
    resolvedRequires.clear();
    requireGroups.clear();
    requireGroupsByProvider.clear();
    requiresDirty = false;

    // Resolver list -> its group.
    RequireGroupMap groupOf;
    std::vector<const Dependency*> candidates;
    // The providers entered for p so far: requirersOf gets the pairs of p only while p is
    // walked, and a provider of thousands of requirers must not be searched for each.
    std::unordered_set<const Package*> providersOfP;
    for (size_t i = 0; i < pkgList.size(); ++i) {
        checkTermination();
        Package* p = pkgList[i];
        providersOfP.clear();
        unsigned k = 0;
        while (Dependency* r = p->getRequire(k)) {
            r->clearResolvers();
            candidates.clear();
            bool selfProvided = false;
            auto range = providers(r);
            for (auto it = range.first; it != range.second && !selfProvided; ++it) {
                if (!r->matches(*it)) continue;
                const Package* q = (*it)->getMaster();
                if (q == p || isGivenName(q->getName()))
                    selfProvided = true;
                else if (q->getName() != p->getName())
                    candidates.push_back(*it);
            }
            if (selfProvided) {
                // The next require moves into place k.
                p->removeRequire(k);
                continue;
            }

            for (const Dependency* d : candidates) {
                Package* q = d->getMaster();
                r->addResolver(d);
                requiresOf.emplace(p, q);
                if (providersOfP.insert(q).second) requirersOf.emplace(q, p);
            }
            if (!candidates.empty()) groupRequire(*this, p, r, candidates, groupOf);
            if (candidates.empty()) {
                const std::string text = printed(*r);
                if (!Dependency::isIgnoredName(text)) {
                    Log(1) << "Warning: unresolved requires '" << text << "' from " << *p << std::endl;
                    if (p->getType() != 's') unresolvedRequires.emplace(p, r);
                }
            }
            ++k;
        }
    }
}
