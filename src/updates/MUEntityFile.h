#ifndef VN_UPDATES_MUENTITYFILE_H
#define VN_UPDATES_MUENTITYFILE_H

#include <sys/types.h>

#include <string>

#include "MUEntity.h"

class FileFetcher;

// A patch item that replaces an existing file of an installed product. The new content is
// written beside the target, given its owner and mode, and moved over the target in one
// rename, so the target never shows a half-written file.
class MUEntityFile : public MUEntity {
public:
    // The fetcher is the patch source's and is not owned.
    MUEntityFile(FileFetcher* fetcher, const std::string& name, const std::string& target, const std::string& md5);

    void setPermissions(const std::string& owner, const std::string& group, int mode);

    // Downloads the replacement and resolves owner and group; a missing target is skipped.
    void prepare() override;
    // Replaces the target with the prepared file; nothing for a skipped item.
    void apply() override;

    static uid_t lookupUser(const std::string& name);
    static gid_t lookupGroup(const std::string& name);
    static void replaceFile(const MUEntityFile& item, const std::string& source);

    FileFetcher* fetcher;
    std::string name;
    std::string localPath;
    std::string target;
    std::string md5;
    int mode = 0;
    std::string owner;
    std::string group;
    uid_t uid = 0;
    gid_t gid = 0;
};

#endif
