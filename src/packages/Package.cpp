#include "Package.h"

#include <atomic>
#include <cstring>
#include <sstream>

#include <boost/filesystem.hpp>
#include <boost/format.hpp>

#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../common/hostinfo.h"
#include "../common/utils.h"
#include "DebPackage.h"
#include "DependencyLogical.h"
#include "RPMPackage.h"
#include "StdPackage.h"
#include "internString.h"

namespace {

std::atomic<uint64_t> packagesMade{0};

Dependency* entry(const std::vector<Dependency*>& list, unsigned i) { return i < list.size() ? list[i] : nullptr; }

void destroyAll(std::vector<Dependency*>& list) {
    for (Dependency* d : list) delete d;
    list.clear();
}

}  // namespace

Package::Package(const std::string& name, Version* version)
    : name(internString(name.c_str())),
      version(version),
      type('n'),
      arch(internString("")),
      build_time(0),
      md5(),
      fileTime(0),
      size(0),
      source(nullptr),
      selfDependency(nullptr),
      sequence(++packagesMade) {}

Package::Package(const std::string& name, const std::string& versionText)
    : Package(name, new Version(versionText)) {}

Package::~Package() {
    destroyAll(requireList);
    destroyAll(provideList);
    destroyAll(conflictList);
    destroyAll(obsoleteList);
    destroyAll(removedRequires);
    delete selfDependency;
}

Package* Package::create(const std::string& name, const std::string& versionText, const std::string& fileName) {
    Package* p;
    if (endsWith(fileName, ".rpm"))
        p = new RPMPackage(name, versionText);
    else if (endsWith(fileName, ".deb"))
        p = new DebPackage(name, versionText);
    else if (endsWith(fileName, ".sh"))
        p = new StdPackage(name, versionText);
    else
        throw error() << "Unable to create package object from file " << fileName;
    p->setFileName(fileName);
    return p;
}

Version* Package::getVersion() const { return version.checked(); }

bool Package::provides(const Dependency* dep) const {
    for (const Dependency* p : provideList)
        if (dep->matches(p)) return true;
    return false;
}

void Package::readInfo() { throw error(0, 1, 1, 3) << Messages::getMessage("err_basepkg_noread"); }

Dependency* Package::createDependency(const std::string& text) {
    if (!text.empty() && text[0] == '/') return new DependencyFile(text, 0, "", this);
    return new DependencyLogical(text, this);
}

void Package::addTo(std::vector<Dependency*>& list, const char* text) {
    if (!text || !*text) return;
    Dependency* dep = createDependency(text);
    list.push_back(dep);
}

void Package::addRequire(const char* text) {
    if (text && std::strncmp(text, "rpmlib(", 7) == 0) return;
    addTo(requireList, text);
}

void Package::addProvide(const char* text) { addTo(provideList, text); }
void Package::addConflict(const char* text) { addTo(conflictList, text); }
void Package::addObsolete(const char* text) { addTo(obsoleteList, text); }
void Package::addProvideDependency(Dependency* dep) { provideList.push_back(dep); }
void Package::addObsoleteDependency(Dependency* dep) { obsoleteList.push_back(dep); }

Dependency* Package::getRequire(unsigned i) const { return entry(requireList, i); }
Dependency* Package::getProvide(unsigned i) const { return entry(provideList, i); }
Dependency* Package::getConflict(unsigned i) const { return entry(conflictList, i); }
Dependency* Package::getObsolete(unsigned i) const { return entry(obsoleteList, i); }

void Package::removeRequire(unsigned i) {
    if (i >= requireList.size()) return;
    removedRequires.push_back(requireList[i]);
    requireList.erase(requireList.begin() + i);
}

bool Package::dependsOn(const Package* p) const {
    for (const Dependency* r : requireList)
        for (unsigned i = 0; const Dependency* resolver = r->getResolver(i); ++i)
            if (resolver->getMaster() == p) return true;
    return false;
}

Dependency* Package::getSelfDependency() const {
    if (!selfDependency) {
        const std::string text = std::string(name) + " = " + version->toString();
        // The cache is filled on a const package; the dependency's master is this package.
        selfDependency = const_cast<Package*>(this)->createDependency(text);
    }
    return selfDependency;
}

bool Package::isKernel() const {
    static const Dependency* const kernel = new DependencyLogical("kernel", nullptr);
    return kernel->isSatisfiedBy(this);
}

std::ostream& Package::print(std::ostream& out) const {
    out << name;
    if (version.get()) out << "-" << version->toString();
    if (*arch) out << "." << arch;
    return out;
}

std::string Package::toString() const {
    std::ostringstream s;
    print(s);
    return s.str();
}

const std::string& Package::getFileName() {
    if (fileName.empty())
        fileName = std::string(name) + "-" + (version.get() ? version->getVersionString() : std::string("(no version)"));
    return fileName;
}

void Package::setArch(const std::string& text) { arch = internString(text.empty() ? "noarch" : text.c_str()); }

void Package::setArchAsGiven(const std::string& text) { arch = internString(text.c_str()); }

void Package::setName(const std::string& text) { name = internString(text.c_str()); }

void Package::setVersion(Version* v) { version.reset(v); }

void Package::setBuildTime(const char* text) { setBuildTime(stringToInt(text ? text : "")); }

void Package::setSize(const char* text) { size = stringToInt64(text ? text : ""); }

void Package::setMd5(const char* text) { parseMd5Text(md5, text ? text : ""); }

void Package::readFileFacts() {
    try {
        fileTime = static_cast<int32_t>(fileops::last_write_time(fileName));
    } catch (const boost::filesystem::filesystem_error&) {
        // A file that cannot be asked is reported by the digest below, which fails for it too.
    }

    char digestText[33];
    if (!md5File(fileName.c_str(), digestText))
        throw error(3, 1, 1, 3) << boost::format("Unable to get MD5 checksum of %s file.") % fileName;
    parseMd5Text(md5, digestText);

    int64_t bytes = 0;
    try {
        bytes = static_cast<int64_t>(fileops::file_size(fileName));
    } catch (const boost::filesystem::filesystem_error&) {
        bytes = 0;
    }
    size = bytes;
    if (size == 0) Log(0) << "ERROR: Can't get size for " << fileName << "\n";
}

bool Package::checkMd5() const {
    char digestText[33];
    if (!md5File(fileName.c_str(), digestText)) return false;
    return md5Text(md5) == digestText;
}

Log& operator<<(Log& log, const Package& p) { return log.taken() ? log << p.toString() : log; }
