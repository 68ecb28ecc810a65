#ifndef VN_SOURCES_SOURCESYSPKG_H
#define VN_SOURCES_SOURCESYSPKG_H

#include <cstdint>

#include "Source.h"

// The packages installed on a FreeBSD host, as pkg_info lists them, pooled with type 's'.
// Only the brief read exists. Ports are built and installed during a run, so the list can be
// read again (refresh).
class SourceSysPkg : public Source {
public:
    explicit SourceSysPkg(Repository* repository);
    ~SourceSysPkg() override;

    // Installed packages have no file to fetch.
    void downloadPackage(Package* pkg) override;

    // Takes this source's packages out of the pool and reads pkg_info again.
    void refresh();
    // One package of type 's' per line of "pkg_info" (the text before the first blank, split
    // by split_version). Errors get (4,1,1,2) where no codes are set and the line
    // "err_pkg_info_brief"; packages read before stay.
    void readPackages();

    // The version part of a FreeBSD package name name-version[_revision][,epoch]: the text
    // after the last '-' (the whole name without one). `end` receives where the version proper
    // ends (at '_', else at ',', else at the end); `revision` the number after the last '_',
    // `epoch` the number after the last ',' (looked for after the '_' when there is one); 0 when
    // absent. Each out pointer may be null.
    static const char* split_version(const char* name, const char** end, unsigned long* epoch,
                                     uint64_t* revision);

protected:
    void doGetBrief() override;
    void doGetFull() override;
};

#endif
