#ifndef VN_CATALOGUE_PRODUCTINF3FILEGUARD_H
#define VN_CATALOGUE_PRODUCTINF3FILEGUARD_H

#include <exception>
#include <string>

#include "../sources/FileFetcher.h"

// Watches one downloaded build description for the length of an installation run. It fetches
// the file and remembers its MD5; when an error leaves the scope that owns it, it fetches the
// file again and compares: a description replaced on the server meanwhile is the likely cause
// of the failure, so it warns ("new_build_avail") and raises the process-wide new-build flag,
// which lets the text wizard offer to install again.
//
// Holders keep guards by std::shared_ptr in a list whose life is the run's. The comparison
// exists only for the unwinding path, so it stays in the destructor, which never throws.
class ProductInf3FileGuard {
public:
    // Fetches `name` through a copy of `fetcher` (errors of the fetch pass unchanged) and
    // remembers the copy's digest; an unreadable copy raises (4,1,1,2) "err_md5_pre".
    ProductInf3FileGuard(const FileFetcher& fetcher, const std::string& name);
    // Compares again only while an exception propagates and the run was not terminated. A
    // failure of that comparison is logged; the propagating error goes on unchanged.
    ~ProductInf3FileGuard() noexcept;
    ProductInf3FileGuard(const ProductInf3FileGuard&) = delete;
    ProductInf3FileGuard& operator=(const ProductInf3FileGuard&) = delete;

    // The description's name as the catalogue gives it.
    const std::string& getName() const { return name; }
    // The local copy, which the holder parses.
    const std::string& getPath() const { return path; }

    // Set by a guard that found its description changed; false at start, never reset.
    static bool isNewBuildAvailable();

private:
    void compareAgain();
    void warnNotCompared(std::exception_ptr failure) const noexcept;

    FileFetcher fetcher;
    std::string name;
    std::string path;
    std::string digest;
    int uncaught;
};

#endif
