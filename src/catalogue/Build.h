#ifndef VN_CATALOGUE_BUILD_H
#define VN_CATALOGUE_BUILD_H

#include <memory>
#include <ostream>
#include <string>
#include <vector>

class BuildInfFile;
class Opsys;
class Release;

// One build of a release or add-on for one operating system, as the catalogue lists it.
//
// The release holds its builds; a build only refers back to its release without keeping it
// alive, so a catalogue is no reference cycle and goes away with its last holder. A reader of
// the parent keeps the catalogue (or the release) alive meanwhile.
class Build {
public:
    // An empty record; the package sources' tests make builds by hand.
    Build();
    // `parent` may be null (an add-on build until build loading attaches it). Deprecated
    // only for the text "true" exactly.
    Build(const std::shared_ptr<Release>& parent, const std::string& os_name, const std::string& os_vendor,
          const std::string& os_version, const std::string& os_arch, const std::string& os_release_name,
          const std::string& environment, const std::string& config, const std::string& deprecated);
    ~Build();

    // Whether the build fits `os`: vendor, name, version family and arch, in that order.
    bool isCompatible(const Opsys& os) const;

    // Moves the build under `parent` (not null), logging the move when it had a parent.
    void changeParent(const std::shared_ptr<Release>& parent);
    // The release; null for a build not attached yet, or once its release is gone.
    std::shared_ptr<Release> getParent() const { return parent.lock(); }

    std::string os_name;
    std::string os_vendor;
    std::string os_version;
    std::string os_arch;
    // As the build description gives it; empty until build loading copies it in.
    std::string os_release_name;
    // The release's parameters file from the loaded description; empty before.
    std::string parameters_file;
    // A preference when the best build is chosen, never a condition of fitting.
    std::string environment;
    // Location of the build description, relative to the update source.
    std::string config;
    // Directory, relative to the update source, of the description that listed the build;
    // empty for a build read from a single build file.
    std::string base_dir;
    bool deprecated;
    // Locations of the build's patch descriptions, in catalogue order.
    std::vector<std::string> patches;
    // The loaded description; null until build loading sets it.
    std::shared_ptr<BuildInfFile> description;

private:
    std::weak_ptr<Release> parent;
};

// "build for <name> <vendor> <version> <arch>[ under <environment>][ (<config>)]"
std::ostream& operator<<(std::ostream& out, const Build& build);

#endif
