#ifndef VN_SOURCES_SOURCEDIRECTORY_H
#define VN_SOURCES_SOURCEDIRECTORY_H

#include <string>

#include "Source.h"

// A local directory tree of rpm files that the user names as an additional source. The
// package files stay where they are: each package's file name is its local path, and nothing
// is downloaded.
class SourceDirectory : public Source {
public:
    SourceDirectory(Repository* repository, const std::string& directory);
    ~SourceDirectory() override;

    // The files are local already.
    void downloadPackage(Package* pkg) override;

protected:
    // One 'u' package per regular ".rpm" file below the directory, with what rpm tells of its
    // name, version, arch and build time. A missing directory raises "err_open_missingdir"; a
    // file that cannot be queried raises "err_pkgread" with its path, after the packages of
    // the files before it were added.
    void doGetBrief() override;
    // Each package of this source reads its file's header (dependencies and file list).
    void doGetFull() override;

private:
    // The brief read of one file.
    void addPackageOf(const std::string& path);

    std::string directory;
};

#endif
