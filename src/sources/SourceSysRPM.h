#ifndef VN_SOURCES_SOURCESYSRPM_H
#define VN_SOURCES_SOURCESYSRPM_H

#include <string>

#include "Source.h"

// The packages installed on an rpm-based host, as rpm lists them, pooled with type 's'. The
// brief read lists name, version, architecture and times; the full read replaces each brief
// package in place with a complete record (requires, provides, files, conflicts, obsoletes)
// that rpm writes into "/tmp/vantrell_system_packages.cache" first. The cache file stays after
// the read: the console wizard removes it by name.
class SourceSysRPM : public Source {
public:
    explicit SourceSysRPM(Repository* repository);
    ~SourceSysRPM() override;

    // Installed packages have no file to fetch.
    void downloadPackage(Package* pkg) override;

    // The version of `name` that the rpm database holds; "" when the package is not installed
    // or installed in more than one version, and whenever rpm fails. Raises nothing.
    std::string getPkgVersionFromSystemDirectly(const std::string& name);

protected:
    void doGetBrief() override;
    void doGetFull() override;
};

#endif
