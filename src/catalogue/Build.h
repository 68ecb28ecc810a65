#ifndef VN_CATALOGUE_BUILD_H
#define VN_CATALOGUE_BUILD_H

#include <memory>
#include <string>

class BuildInfFile;

// One build of a release or add-on for one operating system, as the product list names it.
// So far only what the package sources read: where its description lies and the description
// once it is loaded. The catalogue reader fills the rest of the record.
class Build {
public:
    Build();
    ~Build();

    // Location of the build description, relative to the update source.
    std::string config;
    // The loaded description; null until build loading sets it.
    std::shared_ptr<BuildInfFile> description;
};

#endif
