// Explanations of a failed resolution: why each blacklisted package could not be installed.
#include <algorithm>
#include <sstream>
#include <utility>
#include <unordered_set>

#include "../common/FunctionTracer.h"
#include "../common/Log.h"
#include "DependencyFile.h"
#include "PkgManager.h"
#include "PkgManagerHelpers.h"
#include "ReasonClash.h"
#include "ReasonReport.h"
#include "ReasonUnresolved.h"
#include "Repository.h"

using namespace resolver;

namespace {

// How many explanations the report shows; the log has them all.
const size_t reportedExplanations = 3;

const DependencyFile* packagedFile(const Dependency* provide) {
    const DependencyFile* f = dynamic_cast<const DependencyFile*>(provide);
    return f && !f->isDirectory() ? f : nullptr;
}

struct FileKeyHash {
    size_t operator()(const DependencyFile* f) const { return f->hash(); }
};
struct FileSameKey {
    bool operator()(const DependencyFile* a, const DependencyFile* b) const { return a->sameKey(b); }
};

// The first of first's packaged files (in its order) that second packages too. A set of
// second's paths keeps this linear: packages carry thousands of files.
const DependencyFile* sharedFile(const Package* first, const Package* second) {
    std::unordered_set<const DependencyFile*, FileKeyHash, FileSameKey> secondFiles;
    for (unsigned k = 0; const Dependency* d = second->getProvide(k); ++k)
        if (const DependencyFile* f = packagedFile(d)) secondFiles.insert(f);
    for (unsigned k = 0; const Dependency* d = first->getProvide(k); ++k)
        if (const DependencyFile* f = packagedFile(d))
            if (secondFiles.count(f)) return f;
    return nullptr;
}

// The first conflicts entry of `who` that `other` provides.
const Dependency* declaredConflict(const Package* who, const Package* other) {
    for (unsigned k = 0; const Dependency* c = who->getConflict(k); ++k)
        if (other->provides(c)) return c;
    return nullptr;
}

}  // namespace

void PkgManager::explainProblem(const Package* p, std::set<const Package*>& visited) {
    FunctionTracer trace("explainProblem for " + p->toString());
    const auto entry = blackList.find(p);
    const Reason* reason = entry == blackList.end() ? nullptr : entry->second.get();
    visited.insert(p);
    Log(1) << "Searching problems for the \"" << p->getName() << "\" package." << std::endl;

    if (const ReasonUnresolved* unresolved = dynamic_cast<const ReasonUnresolved*>(reason)) {
        const Dependency* d = unresolved->dependency;
        if (d->getResolver(0)) {
            const std::string text = catalogueText("err_dep_from_pkg_unresolved", p->toString(), textOf(d));
            Log(1) << "    " << text;
            explanations.push_back(text);
            for (unsigned i = 0; const Dependency* resolverEntry = d->getResolver(i); ++i) {
                const Package* r = resolverEntry->getMaster();
                Log(1) << "    The \"" << *r << "\" package resolves \"" << *d << "\"." << std::endl;
                if (!visited.count(r)) explainProblem(r, visited);
            }
        } else {
            const std::string text = catalogueText("err_deps_install_build", textOf(d), p->toString());
            Log(1) << text;
            explanations.push_back(text + "\n");
        }
    } else if (const ReasonClash* clash = dynamic_cast<const ReasonClash*>(reason)) {
        explainClash(clash->first, clash->second);
    } else if (const ReasonReport* report = dynamic_cast<const ReasonReport*>(reason)) {
        explanations.insert(explanations.end(), report->lines.begin(), report->lines.end());
    } else {
        Log(1) << "Unknown reason type encountered." << std::endl;
    }
}

void PkgManager::explainClash(const Package* first, const Package* second) {
    std::ostringstream text;
    if (first->getName() == second->getName() && *first->getVersion() < *second->getVersion()) {
        text << catalogueText("err_pkg_downgrade", std::string(first->getName()), first->getVersion()->toString(),
                              second->getVersion()->toString())
             << "\n";
    } else {
        text << catalogueText("err_pkg_clash", first->toString(), second->toString()) << "\n";
        const Dependency* conflict = nullptr;
        const Package* conflicting = nullptr;
        if (const DependencyFile* file = sharedFile(first, second)) {
            text << catalogueText("err_pkg_fileconfl", textOf(file)) << "\n";
        } else if ((conflict = declaredConflict(first, second))) {
            conflicting = first;
        } else if ((conflict = declaredConflict(second, first))) {
            conflicting = second;
        } else {
            text << "." << "\n";
        }

        if (conflict) {
            text << catalogueText("err_pkg_depconfl", conflicting->toString(), textOf(conflict)) << "\n";
            // Why each of the two is in the solution: the listed packages that need it.
            for (const auto& pair : {std::make_pair(first, second), std::make_pair(second, first)}) {
                const Package* x = pair.first;
                const Package* y = pair.second;
                bool headWritten = false;
                for (const Package* q : repository->getRequirers(x)) {
                    if (!isListed(q)) continue;
                    for (unsigned k = 0; const Dependency* r = q->getRequire(k); ++k) {
                        if (!x->provides(r) || y->provides(r)) continue;
                        if (!headWritten) text << catalogueText("pkg_select_reason", x->toString()) << "\n";
                        headWritten = true;
                        text << catalogueText("pkg_select_depend", textOf(r), q->toString()) << "\n";
                    }
                }
            }
        }
    }
    Log(1) << text.str();
    explanations.push_back(text.str());
}

std::string PkgManager::getReport() {
    std::string report = "\n\n" + Messages::getMessage("deps_report_head") + "\n";
    Log(1) << report;
    const size_t n = explanations.size();
    size_t i = 0;
    for (const std::string& entry : explanations) {
        ++i;
        {
            Log line(1);
            if (n > 1) line << i << ")";
            line << entry << "\n";
        }
        if (i > reportedExplanations) continue;
        if (n > 1) report += std::to_string(i) + ") ";
        report += entry + "\n";
    }
    if (n > reportedExplanations) report += catalogueText("deps_long_report", Log::fileName()) + "\n";
    return report;
}
