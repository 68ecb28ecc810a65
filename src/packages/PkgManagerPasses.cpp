// The resolver's main loop: attempts over the list, deferred dependencies, the guarded append.
#include <algorithm>
#include <cstring>

#include "../common/FunctionTracer.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/TerminationState.h"
#include "../common/error.h"
#include "PkgManager.h"
#include "PkgManagerHelpers.h"
#include "ReasonClash.h"
#include "Repository.h"

using namespace resolver;

namespace {

// Even a tiny pool gets a few attempts: each restart blacklists at least one more package.
const size_t leastPassLimit = 3;

// The highest resolution level; a require that it cannot decide is never deferred.
const int lastLevel = 5;

}  // namespace

void PkgManager::findNecessaryPackages(bool predictive) {
    FunctionTracer trace("findNecessaryPackages");
    if (necessaryList->empty()) throw error(3, 0, 0, 2) << "start packages list for resolver is empty";
    // The caller may have changed the list in place since the last look.
    listed.reset();
    Log(2) << "PkgManager: start to resolving packages";

    const size_t passLimit = std::max(repository->pkgList.size(), leastPassLimit);
    const Package* predictivePackage = predictive ? necessaryList->back() : nullptr;
    for (size_t passCount = 0; passCount < passLimit; ++passCount) {
        checkTermination();
        Log(2) << "findNecessaryPackages(): start pass " << passCount;
        try {
            size_t index = predictivePackage && passCount == 0 ? necessaryList->size() - 1 : 0;
            for (;;) {
                for (; index < necessaryList->size(); ++index) findRequiredFor((*necessaryList)[index]);
                // One deferred dependency at a time: what it appends may settle the others.
                const size_t walked = necessaryList->size();
                resolveDefferedDependencies();
                while (necessaryList->size() == walked && !defferedList.empty()) resolveDefferedDependencies();
                if (necessaryList->size() == walked) break;
            }
            Log(2) << "=== Package resolving sucessfuly ends ===\n";
            logPackageList(2, *necessaryList);
            return;
        } catch (const unhappy&) {
            Log(1) << "Unhappy caught; try to resolve again.";
            *necessaryList = startList;
            listed.reset();
            if (predictivePackage) addToNecessaryList(predictivePackage);
            defferedList.clear();
            resolvedDependencies.clear();
            if (predictivePackage && isBlack(predictivePackage, false)) {
                Log(2) << "Can't find solution with predictionally for package " << *predictivePackage
                       << ": it was added to blacklist";
                throw error(5, 1, 1, 3) << Messages::getMessage("err_deps_nochance");
            }
        }
    }
    Log(1) << "passCount is reached passLimit";
    throw error(5, 1, 1, 3) << Messages::getMessage("err_bad_deps");
}

void PkgManager::resolveDefferedDependencies() {
    FunctionTracer trace("resolveDefferedDependencies");
    Log(3) << "Resolve deffered dependencies.";
    for (int lvl = 1; lvl <= lastLevel; ++lvl) {
        for (auto it = defferedList.begin(); it != defferedList.end(); ++it) {
            if (selectBestResolvers(*it, lvl, false)) {
                defferedList.erase(it);
                return;
            }
            if (lvl == lastLevel) blackListMasterAndThrowUnhappy(*it);
        }
    }
}

void PkgManager::findRequiredFor(const Package* pkg) {
    FunctionTracer trace("findRequiredFor " + pkg->toString());
    if (pkg->getType() == 's') return;
    Log(2) << "Find directly required packages for " << *pkg;

    for (unsigned k = 0; const Dependency* r = pkg->getRequire(k); ++k) {
        try {
            if (selectBestResolvers(r, level, false)) continue;
            if (level >= lastLevel) blackListMasterAndThrowUnhappy(r);
            Log(3) << "Will try to resolve it later, put to deffered list";
            addDefferedDependency(r);
            Log(3) << "\n";
        } catch (const error&) {
            Log(1) << "Problem occured during searching directly resolved dependencies for '" << *r << "' of package "
                   << *pkg << " ";
            throw;
        }
    }

    // Each step with the line that says where an error came from; `unhappy` passes unsaid.
    struct Step {
        void (PkgManager::*run)(const Package*);
        const char* problem;
        const char* end;
    };
    static const Step steps[] = {
        {&PkgManager::findHardwiredDependencies, "Problem occured during searching indirect dependencies for package ",
         ""},
        {&PkgManager::findObsoletesDependencies,
         "Problem occured during search indirect dependencies produced by obsolete tags for package ", ""},
        {&PkgManager::findConflicts, "Problem occured during searching conflicts for package ", " "},
        {&PkgManager::findReverseConflicts, "Problem occured during searching reverse-conflicts for package ", ""},
        {&PkgManager::findOtherArchDependencies, "Problem occured during searching other arch for package ", ""},
    };
    for (const Step& step : steps) {
        try {
            (this->*step.run)(pkg);
        } catch (const error&) {
            {
                // An empty piece would be logged as "~empty".
                Log line(1);
                line << step.problem << *pkg;
                if (*step.end) line << step.end;
            }
            throw;
        }
    }
}

bool PkgManager::appendNecessaryPackage(const Package* pkg) {
    FunctionTracer trace("appendNecessaryPackage: " + pkg->toString() + " ~" + static_cast<char>(pkg->getType()));
    // Only the listed packages of pkg's name and those in conflict with pkg have something to
    // say, in list order; the others are passed over. Nothing they do changes the list: a
    // blacklisting either restarts the attempt or finds its package blacklisted already, and
    // trials work on lists of their own.
    //
    // The list begins with packages of pkg's name up to `firstOther`, the first package of
    // another name. Only there does the conflicts index come in, so a stale one is rebuilt (and
    // says so) at the point where a walk of the list would first have asked it.
    std::vector<size_t> speakers = listed.positionsOfName(pkg->getName());
    size_t firstOther = 0;
    while (firstOther < speakers.size() && speakers[firstOther] == firstOther) ++firstOther;
    for (size_t i = 0; i < firstOther; ++i)
        if (!mayJoin(pkg, (*necessaryList)[i])) return false;
    if (firstOther == necessaryList->size()) return admit(pkg);

    speakers.erase(speakers.begin(), speakers.begin() + static_cast<std::ptrdiff_t>(firstOther));
    std::vector<Package*> others = repository->getConflictsOf(pkg);
    const std::vector<Package*> reverse = repository->getConflictedBy(pkg);
    others.insert(others.end(), reverse.begin(), reverse.end());
    for (const Package* q : others) {
        // One of the name speaks as such.
        if (q->getName() == pkg->getName()) continue;
        const std::vector<size_t>& at = listed.positionsOf(q);
        speakers.insert(speakers.end(), at.begin(), at.end());
    }
    std::sort(speakers.begin(), speakers.end());
    speakers.erase(std::unique(speakers.begin(), speakers.end()), speakers.end());
    for (size_t i : speakers)
        if (!mayJoin(pkg, (*necessaryList)[i])) return false;
    return admit(pkg);
}

bool PkgManager::admit(const Package* pkg) {
    Log(3) << " added.";
    addToNecessaryList(pkg);
    return true;
}

bool PkgManager::mayJoin(const Package* pkg, const Package* listedPkg) {
    if (listedPkg == pkg) {
        Log(3) << " is already in list, skip.";
        return false;
    }
    if (listedPkg->getName() == pkg->getName()) {
        const bool equalVersions = *listedPkg->getVersion() == *pkg->getVersion();
        if (equalVersions && std::strcmp(listedPkg->getArch(), pkg->getArch()) == 0) {
            Log(3) << " skipped, same name-ver-arch is already in list.";
            return false;
        }
        // The same version in another arch: both may be installed.
        if (equalVersions) return true;
        const boost::shared_ptr<Reason> reason(new ReasonClash(pkg, listedPkg));
        Log(2) << " - there is another package '" << *listedPkg << "'" << " with same name in necessaryList";
        appendBlackPackage(*pkg->getVersion() < *listedPkg->getVersion() ? pkg : listedPkg, reason);
        return true;
    }

    Log(2) << " - conflicts with " << *listedPkg << " which is already in necessaryList";
    const boost::shared_ptr<Reason> reason(new ReasonClash(listedPkg, pkg));
    try {
        switch (selectBlackPackage(listedPkg, pkg, reason)) {
        case 0:
            Log(2) << "appendNecessaryPackage(): add to black list " << *listedPkg << " by selectBlackPackage().";
            appendBlackPackage(listedPkg, reason);
            break;
        case 1:
            Log(2) << "appendNecessaryPackage(): add to black list " << *pkg << " by selectBlackPackage().";
            appendBlackPackage(pkg, reason);
            break;
        default:
            Log(1) << "Can't select which of conflicting packages add to blacklist: " << *listedPkg << " or " << *pkg
                   << ": adding them both.";
            appendBlackPackage(listedPkg, reason);
            appendBlackPackage(pkg, reason);
            break;
        }
    } catch (const error&) {
        Log(1) << "Unable to install the both " << *listedPkg << " and " << *pkg
               << " because they are conflict with each other.";
        throw;
    }
    return true;
}

void PkgManager::removeModeSolution(const Package* pkg) {
    throw error(5, 1, 1, 2) << catalogueText("err_deps_badpkg", pkg->toString());
}
