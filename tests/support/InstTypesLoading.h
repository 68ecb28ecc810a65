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
    for (const BuildInfFile::insttype_t& declared : description.installation_types) {
        InstTypes::Type type;
        type.name = declared.name;
        type.description = declared.description;
        type.kind = InstTypes::kind_declared;
        type.components = declared.components;
        table.addBuildTypes(build, type);
    }
    InstTypes::Type full;
    full.name = InstTypes::fullName;
    full.description = InstTypes::fullDescription;
    full.kind = InstTypes::kind_full;
    table.addBuildTypes(build, full);
    InstTypes::Type custom;
    custom.name = InstTypes::customName;
    custom.description = InstTypes::customDescription;
    custom.kind = InstTypes::kind_custom;
    table.addBuildTypes(build, custom);
}

}  // namespace testutil

#endif
