#ifndef VN_PACKAGES_PACKAGE_H
#define VN_PACKAGES_PACKAGE_H

#include <cstdint>
#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "../common/Log.h"
#include "../common/checked_pointer"
#include "Dependency.h"
#include "DependencyFile.h"
#include "Version.h"

class Source;
class TiXmlElement;

// The record of one package: identity, origin, file facts and its four dependency lists.
// The repository owns every package; packages are never copied.
class Package {
public:
    // Origin letters: 'n' none, 's' installed, 'b' build package, 't' a build's "thirdparty"
    // package, 'u' update or system-repository package, 'd' dummy, 'z' marked for removal
    // ('r' is ranked by the resolver's orders but never assigned).
    typedef int32_t type_t;

    // Takes `version` (any kind, null for none).
    Package(const std::string& name, Version* version);
    // A Version by the rpm rules; its parse errors pass through.
    Package(const std::string& name, const std::string& versionText);
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;
    virtual ~Package();

    // The kind that the end of `fileName` selects (".rpm", ".deb", ".sh", tested in that
    // order), with that file name stored.
    static Package* create(const std::string& name, const std::string& versionText, const std::string& fileName);

    // The package cache text format: one "T:value" line per field, single tags first, then
    // the dependency lines, ended by "X:".
    //
    // Reads one record from the current position of `file` (the caller has skipped the white
    // space before it) and returns the new package, which the caller owns. `*lineCounter`
    // grows by one for every line read. A bad record raises (1,1,1,3) with a last line naming
    // the line number and the line; nothing is returned then.
    static Package* createFromCache(FILE* file, int* lineCounter);
    // The package of the single tags of one record (tag letter to value; absent tags count as
    // empty). No version is "err_cache_pkgvers".
    static Package* createFromFields(const std::map<char, std::string>& fields);
    // The package of a build description's `package` element; its type letter is 'n'. A
    // missing attribute is "err_bad_pkgtag".
    static Package* createFromXml(const TiXmlElement& element);
    // Writes the package as one record, with `fileNameOverride` (when not null) as its file
    // name, and flushes. A package without name or file name, or of type 'n', is only logged.
    void writeToCache(FILE* file, const char* fileNameOverride) const;

    // Raises the null-pointer error for a package without a version.
    virtual Version* getVersion() const;
    // Some provide, in list order, satisfies `dep`; the package's own name is not consulted.
    virtual bool provides(const Dependency* dep) const;
    // Fills the record from the package file; the kinds that can read theirs override it.
    virtual void readInfo();
    // A file dependency (mode 0, no digest) for a text beginning with '/', else a logical one;
    // this package is its master.
    virtual Dependency* createDependency(const std::string& text);

    // A null or empty text adds nothing; addRequire also drops rpm's internal "rpmlib(" needs.
    void addRequire(const char* text);
    void addProvide(const char* text);
    void addConflict(const char* text);
    void addObsolete(const char* text);
    // Take ownership.
    void addProvideDependency(Dependency* dep);
    void addObsoleteDependency(Dependency* dep);

    // Null at and past the end.
    Dependency* getRequire(unsigned i) const;
    Dependency* getProvide(unsigned i) const;
    Dependency* getConflict(unsigned i) const;
    Dependency* getObsolete(unsigned i) const;

    // The rest move up; past the end nothing happens. The removed object stays alive with the
    // package until the package goes: the repository's indexes may still point at it.
    void removeRequire(unsigned i);

    // Some require has a resolver whose master is `p`.
    bool dependsOn(const Package* p) const;

    // "name = [epoch:]version[-release]", made through createDependency on first use.
    Dependency* getSelfDependency() const;
    // Satisfies a versionless "kernel" by a provide or by its own name.
    bool isKernel() const;

    // name[-[epoch:]version[-release]][.arch]
    std::ostream& print(std::ostream& out) const;
    std::string toString() const;

    // The file name; without one, name + "-" + the version without release (or
    // "-(no version)"), which is then kept.
    const std::string& getFileName();
    void setFileName(const std::string& name) { fileName = name; }

    const char* getName() const { return name; }
    const char* getArch() const { return arch; }
    // "" stores "noarch".
    void setArch(const std::string& text);
    type_t getType() const { return type; }
    void setType(char letter) { type = letter; }
    const Source* getSource() const { return source; }
    void setSource(const Source* s) { source = s; }

    uint32_t buildTime() const { return build_time; }
    void setBuildTime(int seconds) { build_time = static_cast<uint32_t>(seconds); }
    // Strict decimal text; "err_non_digit" otherwise.
    void setBuildTime(const char* text);
    void setSize(const char* text);

    const DependencyFile::md5rep_t& getMd5() const { return md5; }
    // "" (or null) for none, else 32 or 64 hexadecimal digits.
    void setMd5(const char* text);

    // File time, MD5 and size of the file at getFileName(): the common end of readInfo.
    void readFileFacts();
    // The file's MD5 equals the recorded one; false when the file cannot be read.
    bool checkMd5() const;

    // Process-wide creation order: the last tie-break of orders that would otherwise fall
    // back to addresses and change from run to run (PackageCreationLess).
    uint64_t creationSequence() const { return sequence; }

protected:
    // For the kinds' readInfo, which take identity from the package file.
    void setName(const std::string& text);
    // Takes `v` and frees the version held so far.
    void setVersion(Version* v);
    bool hasVersion() const { return version.get() != nullptr; }
    // The file name as set, without the made-up one of getFileName().
    const std::string& givenFileName() const { return fileName; }
    // Interned exactly as given: "" stays "".
    void setArchAsGiven(const std::string& text);

private:
    const char* name;
    checked_autoclean_pointer<Version> version;
    type_t type;
    const char* arch;
    uint32_t build_time;
    DependencyFile::md5rep_t md5;
    std::string fileName;

public:
    // Written directly by the package readers.
    int32_t fileTime;
    int64_t size;

private:
    void addTo(std::vector<Dependency*>& list, const char* text);

    std::vector<Dependency*> requireList;
    std::vector<Dependency*> provideList;
    std::vector<Dependency*> conflictList;
    std::vector<Dependency*> obsoleteList;
    std::vector<Dependency*> removedRequires;
    const Source* source;
    mutable Dependency* selfDependency;
    const uint64_t sequence;
};

// Orders packages by creation: maps and sets of packages that someone walks use it, so that
// the walk, and what it decides, is the same from run to run (addresses are not).
struct PackageCreationLess {
    bool operator()(const Package* a, const Package* b) const {
        return a->creationSequence() < b->creationSequence();
    }
};

// The text of print(), at the statement's level.
Log& operator<<(Log& log, const Package& p);
inline Log& operator<<(Log&& log, const Package& p) { return log << p; }

#endif
