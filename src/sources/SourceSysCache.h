#ifndef VN_SOURCES_SOURCESYSCACHE_H
#define VN_SOURCES_SOURCESYSCACHE_H

#include <string>

#include "Source.h"

// The installed packages, read from a file in the package cache text format instead of
// asking the host's package tool. The file holds full records, so the full read has nothing
// left to do.
class SourceSysCache : public Source {
public:
    SourceSysCache(Repository* repository, const std::string& path);
    ~SourceSysCache() override;

    void downloadPackage(Package* pkg) override;

protected:
    // Every record becomes an installed package ('s'). Failures: (4,1,1,2) "err_syscache_open"
    // or "err_syscache_read" with the path; records read before a bad one stay pooled.
    void doGetBrief() override;
    void doGetFull() override;

    std::string cacheFile;
};

#endif
