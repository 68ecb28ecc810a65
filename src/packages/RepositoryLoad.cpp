// Packages into the pool from package cache text, and the remover dummies.
#include "Repository.h"

#include <cctype>
#include <ostream>

#include "../common/Log.h"
#include "../common/TerminationState.h"

void Repository::addFromCache(FILE* file, Package::type_t type, dups_mode_t mode, const Source* source) {
    const bool replace = mode == DUPS_REPLACE_SAME_SOURCE;
    std::unordered_map<const Package*, size_t> positions;
    if (replace) {
        // The records replace what the pool holds now; the index must show exactly that.
        namesDirty = true;
        rebuildNamesIfDirty();
        positions.reserve(pkgList.size());
        for (size_t i = 0; i < pkgList.size(); ++i) positions.emplace(pkgList[i], i);
    }

    // Lines are numbered across the whole file, so an error names the line of the file.
    int lineCounter = 0;
    try {
        for (;;) {
            const int c = std::getc(file);
            if (c == EOF) break;
            checkTermination();
            if (std::isspace(c)) continue;
            std::ungetc(c, file);

            Package* pkg = Package::createFromCache(file, &lineCounter);
            pkg->setType(static_cast<char>(type));
            pkg->setSource(source);
            if (replace)
                replaceOrAppend(pkg, source, positions);
            else
                pkgList.push_back(pkg);
        }
    } catch (...) {
        // The records read before the failure are pooled: no index may miss them.
        invalidateCaches();
        throw;
    }
    invalidateCaches();
}

// The package replaced leaves the pool like any other: marked 'z' and kept alive, since
// copies of the repository, indexes and callers may still hold it.
void Repository::replaceOrAppend(Package* replacement, const Source* source,
                                 std::unordered_map<const Package*, size_t>& positions) {
    auto range = namesCache.equal_range(replacement->getName());
    for (auto it = range.first; it != range.second; ++it) {
        Package* old = it->second;
        if (old->getSource() != source) continue;
        if (!(*old->getVersion() == *replacement->getVersion())) continue;
        if (std::strcmp(old->getArch(), replacement->getArch()) != 0) continue;

        const size_t at = positions.at(old);
        pkgList[at] = replacement;
        positions.erase(old);
        positions.emplace(replacement, at);
        it->second = replacement;
        old->setType('z');
        removedPackages.insert(old);
        return;
    }
    positions.emplace(replacement, pkgList.size());
    pkgList.push_back(replacement);
}

Package* Repository::addRemoverFor(const std::string& name) {
    auto known = removers.find(name);
    if (known != removers.end()) return known->second;

    Package* dummy = new Package("dummy_obsoleter_" + name, "0.0");
    dummy->setType('d');
    dummy->setFileName("dummy_remover_for_" + name);
    dummy->addObsolete(name.c_str());
    pkgList.push_back(dummy);
    indexObsoletes(dummy);
    Log(3) << "addRemoverFor: add package for obsolete " << name << std::endl;
    removers.emplace(name, dummy);
    return dummy;
}
