#ifndef VN_SOURCES_SOURCE_H
#define VN_SOURCES_SOURCE_H

#include <cstdint>
#include <ostream>

#include "../common/checked_pointer"

class Package;
class Repository;

// An origin of package metadata, bound to one repository: it registers there when built,
// adds its packages with itself as their source, and takes them out again when destroyed.
//
// Reading has two steps that the repository triggers for all its sources: the brief read
// makes the packages known, the full read completes them. Each step runs at most once; a step
// that failed runs again at the next call.
class Source {
public:
    // Registers with `repository`, which must outlive the source.
    explicit Source(Repository* repository);
    // Unregisters, then drops this source's packages from the pool.
    virtual ~Source();
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    // Fetches the file of one package of this source before installation.
    virtual void downloadPackage(Package* pkg) = 0;
    // Whether the packages of this source must be downloaded before installation.
    virtual bool isRemote() const;
    // "Package_source_" and the address, for log lines.
    virtual std::ostream& print(std::ostream& out) const;

    void getBrief();
    // Runs the brief read first when it has not completed.
    void getFull();
    // Marks every pooled package of this source 'z' and has the repository remove the marked
    // packages, which takes out any package that was 'z' already too.
    void dropPackages();

protected:
    virtual void doGetBrief() = 0;
    virtual void doGetFull() = 0;

    checked_pointer<Repository> repository;
    bool briefRead;
    bool fullRead;
    // Every source carries 500; nothing reads or changes it.
    int32_t priority;
};

inline std::ostream& operator<<(std::ostream& out, const Source& source) { return source.print(out); }

#endif
