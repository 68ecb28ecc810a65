#ifndef VN_UPDATES_MUPATCH_H
#define VN_UPDATES_MUPATCH_H

#include <memory>
#include <string>
#include <vector>

#include "MUEntity.h"
#include "packages/Version.h"

class Installer;
class Log;
class Repository;
class VnComponent;
class error;

// One patch of one product version: its items, applied all or up to the first failing one.
class MUPatch {
public:
    // An empty version text raises "err_empty_version".
    MUPatch(const std::string& productId, const std::string& productVersion, const std::string& version,
            const std::string& timestamp);

    void addItem(const std::shared_ptr<MUEntity>& item);
    void prepare();
    // Applies the items and records the patch as installed. Under the container-agent
    // installer a patch for another product version than the one installed is skipped.
    void apply(const VnComponent& base, const Installer* installer, Repository* repository);

    // "p1-2.0~patch3"
    std::string name() const;

    std::string productId;
    std::string productVersion;
    Version version;
    std::string timestamp;
    std::vector<std::shared_ptr<MUEntity>> items;
};

Log& operator<<(Log& log, const MUPatch& patch);
// Appends the name to the error's newest line.
error& operator<<(error& e, const MUPatch& patch);

#endif
