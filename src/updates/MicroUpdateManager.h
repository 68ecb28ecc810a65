#ifndef VN_UPDATES_MICROUPDATEMANAGER_H
#define VN_UPDATES_MICROUPDATEMANAGER_H

#include <memory>

class Build;

// The patches of a run. Build loading hands it every release build it loads; for now it
// reads no patch descriptions (the patch manager completes it).
class MicroUpdateManager {
public:
    MicroUpdateManager();
    ~MicroUpdateManager();
    MicroUpdateManager(const MicroUpdateManager&) = delete;
    MicroUpdateManager& operator=(const MicroUpdateManager&) = delete;

    // Reads the patch descriptions listed for the build; at present nothing is loaded.
    void loadBuildPatches(const std::weak_ptr<Build>& build);
};

#endif
