#ifndef VN_SOURCES_SOURCEREPODATA_H
#define VN_SOURCES_SOURCEREPODATA_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../common/tinybind.h"
#include "FileFetcher.h"
#include "Source.h"

// A yum repository: "repodata/repomd.xml" under a base URL names the primary file (packages,
// versions, dependencies) and the filelists file (the files of each package). The brief read
// makes one 'u' rpm package per primary entry, the full read adds the listed files to them as
// file provides, and the package files are fetched when the repository downloads them. The
// repository's checksums are not used to check anything.
class Opsys;

class SourceRepodata : public Source {
public:
    // Reads the index at once; its fetch and XML errors leave the constructor. `targetDir`
    // receives the downloaded metadata and packages.
    SourceRepodata(Repository* repository, const std::string& url, const std::string& user,
                   const std::string& password, const std::string& targetDir);
    ~SourceRepodata() override;

    // Fetches the file at the package's location (in place for a local base) and makes the
    // local path its file name.
    void downloadPackage(Package* pkg) override;
    bool isRemote() const override;

    // The dependency text of one "rpm:entry": the name alone without flags, else name,
    // relation, [epoch:]ver-rel; an entry epoch of "0" is written. No name raises
    // "err_repodata_depname", flags other than EQ, LT, LE, GE, GT "err_repodata_badcond", both
    // (1,1,1,2) with the base URL.
    std::string entryText(const tinybind::Element& entry) const;
    // The version text of a primary "version" element: [epoch:]ver-rel, the dash written also
    // without a release. An epoch of "0" is left out, except for the packages whose metadata on
    // CentOS 3, 4 and 5 (as `os` says) lacks the epoch 0 that their installed copies carry.
    static std::string versionText(const tinybind::Element& version, const std::string& name, const Opsys& os);

    FileFetcher fetcher;
    // Locations of the two metadata files relative to the base URL; "" when the index names
    // none.
    std::string primaryHref;
    std::string filelistsHref;
    // The primary file's package checksum -> the package made for it (owned by the pool). A
    // later package with the same checksum takes the entry; both stay pooled.
    std::map<std::string, Package*> packagesByPkgid;
    // Packages the pool's ignore patterns refused: owned here, for the pool has none of them.
    std::vector<std::unique_ptr<Package>> refused;

protected:
    void doGetBrief() override;
    // Relies on the brief read: a filelists entry whose pkgid or name the primary file did not
    // give raises "err_repodata_sync" or "err_repodata_sync2" (1,1,1,2).
    void doGetFull() override;

private:
    // A loaded metadata file and the path it was parsed from (the temporary file when it was
    // compressed), which the messages name.
    struct Metadata {
        std::unique_ptr<tinybind::Document> document;
        std::string parsedPath;
    };
    // Fetches `href`, unpacks it when its path holds ".gz" anywhere, loads it and checks the
    // root element. An empty `href` raises "err_misfile" (4,2,1,1) with the base URL before
    // any request.
    Metadata loadMetadata(const std::string& href, bool primary);
    // The brief read of one primary "package" element.
    void addPackageOf(const tinybind::Element& element, const std::string& parsedPath,
                      const Opsys& os);
};

#endif
