#ifndef VN_COMPONENTS_SOURCEMANAGER_H
#define VN_COMPONENTS_SOURCEMANAGER_H

#include <map>
#include <memory>
#include <string>
#include <vector>

class AdditionalSource;
class Build;
class ComponentManager;
class FileFetcher;
class Repository;
class Source;

// The package sources of one run, and what the loaded build descriptions contribute to the
// whole run (FreeBSD ports data, forced removals, the container OS template name). Every
// source registers with the run's repository while it lives; the list here is what keeps it
// alive, so a source dropped from the list leaves the repository and its packages leave the
// pool.
class SourceManager {
public:
    // Port name -> (option name -> value).
    typedef std::map<std::string, std::map<std::string, std::string>> PortOptions;

    class BuildData {
    public:
        // Packages the FreeBSD configurator removes before it prepares the ports: unique, in
        // order of first addition (addUniqueName).
        std::vector<std::string> forceRemovePackages;
        // The first options recorded for each port (mergePortOptions).
        PortOptions portOptions;
        // The container OS template name; empty until a build sets it.
        std::string osTemplateName;
    };

    // What the APT configurator writes for one distribution source.
    struct AptSource {
        std::string aptRepository;
        std::string aptSource;
        std::string osReleaseName;
        // The directory of the catalogue file that lists the build.
        std::string baseDir;
    };

    // `repository` must outlive the manager.
    explicit SourceManager(Repository& repository);
    // Releases the sources first, so they leave the repository while it is sure to exist.
    ~SourceManager();
    SourceManager(const SourceManager&) = delete;
    SourceManager& operator=(const SourceManager&) = delete;

    // Appends the source of the installed standard products, which reads `components`.
    void addSystemSource(ComponentManager& components);
    // One source per record, in order: "repodata" and "repomd" are yum repositories kept in
    // targetDir/<the URL with every byte outside [A-Za-z0-9_-] made '_'>, "directory" a local
    // directory of package files. Another type logs and raises "err_malfrm_src" (2,1,1,2); the
    // sources of the records before it stay. The priority is not used.
    void addAdditionalSources(const std::vector<AdditionalSource>& records, const std::string& targetDir);
    // The build's distribution source ('b'), its updates ('u', when the description has an
    // updates directory and the product system updates are on) and its third-party packages
    // ('t', when it has such a directory). A build without a description is an internal error.
    void addBuildSources(const FileFetcher& fetcher, const std::shared_ptr<Build>& build);
    // Removes every product source whose build is `build` as both are now (so two vanished
    // builds count as the same); the other sources keep their order.
    void dropBuildSources(const std::weak_ptr<Build>& build);
    // Reads the installed FreeBSD packages again through the repository's first such source;
    // nothing when it has none.
    void refreshSysPkgSource();

    // Takes location and date unless the date held is not empty and greater (byte-wise); an
    // equal date takes the new location.
    void setPortsArchive(const std::string& location, const std::string& date);
    // The stored name; else one made from the running system, with a warning, not stored.
    std::string getOsTemplateName() const;
    // A different second name raises (1,1,1,2) and the first one stays.
    void setOsTemplateName(const std::string& name);
    // Records the port's options the first time; later different ones are only warned of.
    void mergePortOptions(const std::string& port, const std::map<std::string, std::string>& options);

    // Locations (base URL + directory) of the product sources of kind 'b', respectively 'u',
    // in list order; none is an internal error.
    std::vector<std::string> getBuildSourceUrls() const;
    std::vector<std::string> getUpdatesSourceUrls() const;
    // The ports archives of the distribution sources, each path once at its first place; none
    // is an internal error.
    std::vector<std::string> getDistFiles() const;
    // One record per distribution source, in list order; none, or a source whose build or
    // description is gone, is an internal error.
    std::vector<AptSource> getAptSources() const;

    Repository& repository;
    std::unique_ptr<BuildData> buildData;
    // The ports archive of the build with the greatest ports date, and that date.
    std::string portsArchive;
    std::string portsDate;
    // Set by build loading when a release build's description allows the host's own package
    // manager ("repodata" is "yes").
    bool nativePackageManagersAllowed;
    // The run's sources in the order they were added; an entry may be empty.
    std::vector<std::shared_ptr<Source>> sources;
    // The source of the packages that build descriptions name directly (build loading sets
    // it). Kept apart from `sources`, so dropping a build's sources never takes it; released
    // with them, while the repository is sure to exist.
    std::shared_ptr<Source> configSource;

private:
    std::vector<std::string> productSourceUrls(char kind, int line) const;
};

// Appends `text` unless `list` holds it already.
void addUniqueName(std::vector<std::string>& list, const std::string& text);

#endif
