#ifndef VN_CATALOGUE_BUILDINFFILE_H
#define VN_CATALOGUE_BUILDINFFILE_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class Package;
class TiXmlElement;

// A parsed build description (".inf3", root element "build"): the operating system of one
// build, where its packages lie, its product and release, its components, groups and
// installation types, the disk space it needs, its update and "thirdparty" package sets,
// three lists of package names and, on FreeBSD, its ports archives.
//
// The constructor reads one local file completely and either fills every field or throws;
// afterwards the record does not change. It is shared through std::shared_ptr.
//
// Packages: every Package in update_packages, thirdparty_packages and the components'
// package lists is made here, and handed on: the description never deletes them (the
// package pool that the sources fill keeps them). Only the packages of a load that fails, and
// those of a component that is dropped, are deleted here, since nobody else can reach them.
class BuildInfFile {
public:
    // Port name to (option name to value); also update package name to its options.
    typedef std::map<std::string, std::map<std::string, std::string>> options_t;

    // One "component" (or "component_1") element, or an "include" entry standing for the
    // components of another description: name includeName, description the included file.
    struct component_t {
        std::string name;
        std::string description;
        std::string environment;
        std::vector<std::string> requires;
        std::vector<std::string> hardwired_with;
        // One list per "keypackages" child, never an empty one.
        std::vector<std::vector<std::string>> keypackages;
        std::vector<std::string> expackages;
        std::vector<std::string> rmpackages;
        std::vector<std::string> kvtemplates;
        bool legacy = false;
        bool component_1 = false;
        options_t ports_options;
        // Type 'b'.
        std::vector<Package*> bootstrapper_packages;
        // The record's own copy of the "bootstrapper" element (its "action" children are the
        // bootstrap actions); null when the component has none.
        std::shared_ptr<TiXmlElement> bootstrapper;
        // Type 'b'.
        std::vector<Package*> packages;
        // The record's own copy of the last "settings" element found under a package; null
        // when none.
        std::shared_ptr<TiXmlElement> settings;
    };

    // One declared installation type: components is never empty.
    struct insttype_t {
        std::string name;
        std::string description;
        std::vector<std::string> components;
    };

    // A component group; a radio group when `radio`, else an ordinary sub-group. Copies are
    // deep (subgroups by value).
    struct group_t {
        std::string name;
        std::string description;
        bool radio = false;
        // The last member marked default="true"; empty when none.
        std::string default_component;
        std::vector<std::string> components;
        std::vector<group_t> subgroups;
        bool has_switch_rules = false;
        // (from, to) pairs of the "allow" rules.
        std::vector<std::pair<std::string, std::string>> allowed_switches;
    };

    // The name that marks an "include" entry in `components`.
    static const char* const includeName;
    // Groups nested deeper than this are refused, so that reading stays within the stack.
    static constexpr int maxGroupDepth = 64;

    // An empty record; tests of the package sources fill one by hand.
    BuildInfFile();
    // Reads the description in the local file `path`. `config` names it in messages (the
    // build's "config" in the catalogue, a file's base name or a release id) and is kept.
    // Raises `error`, the XML access errors and SelfUpgrade::NeedSelfUpgrade.
    BuildInfFile(const std::string& path, const std::string& config);
    ~BuildInfFile();

    std::vector<group_t> groups;
    std::vector<insttype_t> installation_types;
    std::string config;
    std::string product_id;
    std::vector<std::vector<std::string>> product_keypackages;
    std::vector<std::string> upgrade_codes;
    std::vector<std::string> product_codes;
    // The "id" of the description's release.
    std::string release_id;
    std::string release_name;
    std::string release_version;
    std::string upgrade_allowed_from;
    std::string parameters_file;
    std::string os_name;
    std::string os_vendor;
    std::string os_version;
    std::string os_release_name;
    std::string os_arch;
    std::string environment;
    std::string kv_template_prefix;
    std::string kv_template_suffix;
    std::string apt_repository;
    std::string apt_source;
    // "repodata" is exactly "yes".
    bool repodata = false;
    std::string deprecated;
    // The build's own packages and their package list ("build" element). Names from the
    // description are kept as written; the fetcher refuses ".." where they are used.
    std::string build_dir;
    std::string headers_file;
    // The "updates" section.
    std::string updates_dir;
    std::string updates_headers_file;
    // The "thirdparty" section.
    std::string thirdparty_dir;
    std::string thirdparty_headers_file;
    // Type 'u', in description order.
    std::vector<Package*> update_packages;
    // Type 't', in description order.
    std::vector<Package*> thirdparty_packages;
    std::string ports_date;
    // FreeBSD ports archive files below build_dir, in description order.
    std::vector<std::string> ports_archives;
    options_t update_package_options;
    // Components and include entries in description order.
    std::vector<std::shared_ptr<component_t>> components;
    std::vector<std::string> preferred_packages;
    std::vector<std::string> force_remove_packages;
    std::vector<std::string> removable_packages;
    // Directory path to the space the build needs there, in KiB.
    std::map<std::string, int64_t> diskspace;
};

#endif
