#ifndef VN_SOURCES_FILEFETCHER_H
#define VN_SOURCES_FILEFETCHER_H

#include <cstdint>
#include <string>
#include <vector>

// The fetch context of one source location: where files come from, where downloaded copies
// go, the sub-directory the caller has descended into, and the credentials. Copy it to
// descend elsewhere; it owns nothing beyond one getFile call.
class FileFetcher {
public:
    // The fetch base is the directory of `mainSourceUrl`; the target directory gets a '/'.
    FileFetcher(const std::string& mainSourceUrl, const std::string& targetDir);
    FileFetcher(const FileFetcher&) = default;
    FileFetcher& operator=(const FileFetcher&) = default;

    // Accumulates: "a", then "b" gives "a/b/". "" changes nothing.
    void setSubdirsOffset(const std::string& dir);

    // Local path of offset + name. A network source downloads it into the target directory
    // (":*?<>|" in the stored name become '_'), unless a copy with this exact md5 is there
    // already; a local source (main URL beginning with '/') hands out the file where it lies.
    // Then the file must exist ("err_misfile", 4,2,1,1) and match a non-empty md5
    // ("err_mk5check", 4,1,1,2). A name with a ".." component is refused before anything is
    // touched ("err_misfile", 1,1,1,3). Transfer errors pass unchanged. A `listedSize` above
    // 0 is the size a list gives for the file: a download that brings more fails.
    std::string getFile(const std::string& name, const std::string& md5, int64_t listedSize = 0);

    std::vector<std::string> sourceUrls;
    std::string mainSourceUrl;
    std::string targetDir;
    std::string subdirsOffset;
    bool quiet;
    std::string user;
    std::string password;
};

#endif
