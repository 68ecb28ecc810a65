#ifndef VN_SOURCES_SOURCETARNIX_H
#define VN_SOURCES_SOURCETARNIX_H

#include <memory>
#include <string>

#include "FileFetcher.h"
#include "Source.h"

class Build;

// One package directory of a product build on the update source: the build's own packages
// ('b'), its updates ('u') or its additional packages ('t'). The directory's package list, a
// gzip file of package cache records with full metadata, is read in the full read; the package
// files are fetched one by one, with their MD5, when the repository downloads them.
class SourceTarnix : public Source {
public:
    // Points a copy of `fetcher` at the package directory that `kind` selects in the build's
    // description. Another kind, or a section without a directory, is an internal error.
    SourceTarnix(Repository* repository, const FileFetcher& fetcher, const std::shared_ptr<Build>& build,
                 char kind);
    ~SourceTarnix() override;

    // Fetches the file of an rpm or script package with its MD5 into the target directory and
    // makes the local path its file name. Packages of other kinds, and packages of size 0, are
    // left alone; an MD5 of 16 zero bytes means the list gave none, and nothing is checked.
    void downloadPackage(Package* pkg) override;
    bool isRemote() const override;
    // "TarnixSource_" + kind + '_' + release id.
    std::ostream& print(std::ostream& out) const override;

    // Read by the source assembly.
    FileFetcher fetcher;
    std::weak_ptr<Build> build;
    std::string headersFile;
    char kind;
    std::string releaseId;

protected:
    // A product source has no packages before its full read.
    void doGetBrief() override;
    // Every record of the package list becomes a package of type `kind`. A record that cannot
    // be read logs the reason and raises "err_prodpkg_read" (1,1,1,3), keeping the packages read
    // before it; gunzip failing after the whole list was read raises its command error.
    void doGetFull() override;
};

// The hexadecimal digit ('0'-'9', 'a'-'f') of a number up to 15; above that an internal error.
char htos(unsigned number);

#endif
