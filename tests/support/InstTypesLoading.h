#ifndef VN_TESTS_SUPPORT_INSTTYPESLOADING_H
#define VN_TESTS_SUPPORT_INSTTYPESLOADING_H

#include <memory>

#include "catalogue/Build.h"
#include "catalogue/BuildInfFile.h"
#include "catalogue/InstTypes.h"

namespace testutil {

// What the build loader adds for a build installed for the first time: the types that its
// description declares, then "Full" and "Custom".
inline void addTypesAsLoaderDoes(InstTypes& table, const std::shared_ptr<Build>& build,
                                 const BuildInfFile& description) {
    table.addLoadedBuildTypes(build, description);
}

}  // namespace testutil

#endif
