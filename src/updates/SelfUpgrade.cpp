#include "SelfUpgrade.h"

#include "../common/BuildInfo.h"
#include "../common/Log.h"

void SelfUpgrade::runCachedIfNewer() {
    Log(3) << "DEBUG: SelfUpgrade: current version VN is " << buildinfo::version << std::endl;
    // Nothing downloads newer executables yet, so the cache never holds one to run.
}
