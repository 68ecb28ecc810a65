#include "Repository.h"

#include <algorithm>
#include <ostream>

#include "../common/Log.h"
#include "../sources/Source.h"
#include "../sources/SourceSysDeb.h"
#include "../sources/SourceSysRPM.h"

namespace {

// Room the two hash indexes start with; their tables round up to the prime ladder.
const uint32_t namesRoom = 100;
const uint32_t providesRoom = 0x40000;

}  // namespace

Repository::Repository()
    : requiresDirty(true),
      conflictsDirty(true),
      obsoletesDirty(true),
      namesCache(primeTableSize(namesRoom)),
      namesDirty(true),
      providesCache(primeTableSize(providesRoom)),
      providesDirty(true) {}

Repository::Repository(const Repository& other) = default;

Repository::~Repository() {
    // Each source unregisters and drops its packages while the pool is still whole.
    while (!adopted.list.empty()) {
        Source* source = adopted.list.back();
        adopted.list.pop_back();
        delete source;
    }
}

void Repository::addPackage(Package* pkg, const Source* source) {
    const std::string& file = pkg->getFileName();
    if (matchAny(ignorePatterns, file)) {
        Log(1) << "Repository::addPackage: " << file << " is match with ignore pattern, skip." << std::endl;
        return;
    }
    if (std::find(pkgList.begin(), pkgList.end(), pkg) != pkgList.end()) return;
    pkgList.push_back(pkg);
    pkg->setSource(source);
    invalidateCaches();
}

void Repository::invalidateCaches() {
    requiresDirty = true;
    conflictsDirty = true;
    obsoletesDirty = true;
    namesDirty = true;
    providesDirty = true;
}

void Repository::removeMarkedPackages() {
    auto firstKept = std::stable_partition(pkgList.begin(), pkgList.end(),
                                           [](const Package* p) { return p->getType() == 'z'; });
    removedPackages.insert(pkgList.begin(), firstKept);
    pkgList.erase(pkgList.begin(), firstKept);
}

// By index, with the size read anew: a source may register another while it reads.
void Repository::getBriefInfo() {
    Log(1) << "repository: Get brief packages info for all sources" << std::endl;
    for (size_t i = 0; i < sources.size(); ++i) sources[i]->getBrief();
}

void Repository::getFullInfo() {
    Log(1) << "repository: Get full packages info for all sources" << std::endl;
    for (size_t i = 0; i < sources.size(); ++i) sources[i]->getFull();
}

std::string Repository::getPkgVersionFromSystemDirectly(const std::string& name) {
    for (Source* s : sources) {
        if (SourceSysRPM* rpm = dynamic_cast<SourceSysRPM*>(s)) return rpm->getPkgVersionFromSystemDirectly(name);
        if (SourceSysDeb* deb = dynamic_cast<SourceSysDeb*>(s)) return deb->getPkgVersionFromSystemDirectly(name);
    }
    return "";
}

void Repository::rebuildNamesIfDirty() {
    if (!namesDirty) return;
    Log(2) << " (update package names cache) ";
    namesCache.clear();
    for (Package* p : pkgList) namesCache.emplace(p->getName(), p);
    namesDirty = false;
}

std::vector<Package*> Repository::getPackagesByName(const char* name) {
    rebuildNamesIfDirty();
    std::vector<Package*> found;
    auto range = namesCache.equal_range(name);
    for (auto it = range.first; it != range.second; ++it) found.push_back(it->second);
    return found;
}

Package* Repository::getInstalledPackage(const char* name) {
    std::vector<Package*> installed;
    for (Package* p : getPackagesByName(name))
        if (p->getType() == 's') installed.push_back(p);
    if (installed.empty()) return nullptr;
    sortVersions(installed.begin(), installed.end(), [](const Package* p) -> const Version& { return *p->getVersion(); });
    return installed.back();
}

Package* Repository::getNewestPackage(const std::string& name) {
    Package* newest = nullptr;
    for (Package* p : getPackagesByName(internString(name.c_str())))
        if (!newest || *p->getVersion() > *newest->getVersion()) newest = p;
    return newest;
}

Package* Repository::findPackage(const char* name, const Version& version, const std::string& arch) {
    for (Package* p : getPackagesByName(name))
        if (p->getName() == name && *p->getVersion() == version && arch == p->getArch()) return p;
    return nullptr;
}

void Repository::registerSource(Source* source) {
    if (std::find(sources.begin(), sources.end(), source) == sources.end()) sources.push_back(source);
}

void Repository::adoptSource(std::unique_ptr<Source> source) {
    if (!source) return;
    adopted.list.reserve(adopted.list.size() + 1);
    adopted.list.push_back(source.release());
}

void Repository::unregisterSource(Source* source) {
    auto it = std::find(sources.begin(), sources.end(), source);
    if (it != sources.end()) sources.erase(it);
}
