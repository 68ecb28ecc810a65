#ifndef VN_SOURCES_SOURCEREPODATA_H
#define VN_SOURCES_SOURCEREPODATA_H

#include <functional>
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
    // One "package" element of a metadata file, and the path of the file read.
    using PackageHandler = std::function<void(const tinybind::Element&, const std::string&)>;
    // Fetches `href` and reads it as a stream (unpacked on the way when its path holds ".gz"
    // anywhere), handing each "package" child of the root to `handler` as soon as it has been
    // read; memory holds one package element at a time. An empty `href` raises "err_misfile"
    // (4,2,1,1) with the base URL before any request; a file that does not unpack (corrupt,
    // cut short, or unpacking to more than 64 times its size and at least 64 MiB) raises
    // "err_ungzip_repodata_primary" (4,1,1,2) or "err_ungzip_repodata_filelist" (1,1,1,2);
    // the XML layer's errors (wrong root, malformed text with its line) and the handler's
    // pass unchanged. Packages handled before a failure stay handled.
    void readMetadata(const std::string& href, bool primary, const PackageHandler& handler);
    // The brief read of one primary "package" element.
    void addPackageOf(const tinybind::Element& element, const std::string& parsedPath,
                      const Opsys& os);
};

#endif
