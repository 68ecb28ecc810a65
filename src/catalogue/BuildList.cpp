#include "BuildList.h"

#include "../common/Log.h"
#include "../common/Opsys.h"

std::shared_ptr<Build> BuildList::getBestBuild(const Opsys& os) const {
    Log(3) << "DEBUG: BuildList::getBestBuild for " << os << "\n";
    std::shared_ptr<Build> best;
    for (const std::shared_ptr<Build>& build : *this) {
        if (!build->isCompatible(os)) {
            Log(3) << "DEBUG: " << *build << " is not compatible\n";
            continue;
        }
        if (!best || (build->os_version == os.version() && build->environment == os.environment())) best = build;
    }
    return best;
}
