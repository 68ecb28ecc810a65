#ifndef VN_COMPONENTS_BUILDLOADER_H
#define VN_COMPONENTS_BUILDLOADER_H

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../catalogue/BuildInfFile.h"
#include "../catalogue/BuildManager.h"
#include "../common/error.h"

class ComponentManager;
class FileFetcher;
class MicroUpdateManager;
class ParamManager;
class ProductInf3FileGuard;
class Repository;
class SourceConfig;
class SourceManager;
class VnComponent;
class VnGroup;

// Turns the selected part of the catalogue into the material of a run: for every selected
// release and every add-on that fits one, it fetches the description of the build chosen for
// this host under a change guard, parses it and makes the components, their settings and
// bootstrap actions, the build's sources and lists and the installation types. commit() then
// hands the tree to the component manager.
//
// Drivers: construct; set mardellInCatalogue; BuildManager::visit; commit; destroy. The guard
// list stays with the caller for the whole run.
//
// Ownership: every component made here goes at once into the component manager's arena, so
// nothing made by a load dangles, whether it is kept, replaced or dropped, and whether commit
// runs or not. The group nodes are held here until commit. The source of the packages that
// descriptions name directly is kept by the source manager (SourceManager::configSource).
class BuildLoader : public BuildManager::Visitor {
public:
    typedef std::vector<std::shared_ptr<ProductInf3FileGuard>> GuardList;

    // 0 the build of a selected release, 1 of an add-on, 2 of a lazy add-on.
    enum LoadMode { modeRelease = 0, modeAddon = 1, modeLazyAddon = 2 };

    // A failure to load the build of a release (or of an add-on attached to it): a copy of
    // the error that caused it, naming the release.
    class ErrLoadRelease : public error {
    public:
        ErrLoadRelease(const error& cause, const std::weak_ptr<Release>& release);
        ~ErrLoadRelease() override;
        std::weak_ptr<Release> release;
    };

    struct LoadedComponent {
        // The arena's owner.
        std::shared_ptr<VnComponent> component;
        bool grouped = false;
    };
    typedef std::vector<LoadedComponent> LoadedComponents;

    // None of the pointers is owned; all must outlive the loader. `sourceManager` receives
    // the configuration source (its configSource), unless it holds one already.
    BuildLoader(Repository* repository, ComponentManager* componentManager, FileFetcher* fileFetcher,
                SourceManager* sourceManager, ParamManager* paramManager, MicroUpdateManager* microUpdateManager,
                GuardList* guards);
    ~BuildLoader() override;
    BuildLoader(const BuildLoader&) = delete;
    BuildLoader& operator=(const BuildLoader&) = delete;

    void visitRelease(std::shared_ptr<Release> release) override;
    void visitAddon(Addon& addon) override;
    void visitBuild(Build& build) override;
    // Builds the groups and places the tree in the component manager. Once, after the walk.
    void commit();

    // The first entry whose component has that name and product id; null when none.
    static LoadedComponent* findLoadedComponent(LoadedComponents& components, const std::string& name,
                                                const std::string& productId);
    // Makes the radio group or sub-group of `record` and takes the named components into it.
    // A component already in a group stays there.
    static std::shared_ptr<VnGroup> makeGroupNode(const BuildInfFile::group_t& record, LoadedComponents& components,
                                                  const std::shared_ptr<Release>& release);

    void loadComponents(const std::shared_ptr<Build>& build, LoadMode mode);
    void loadBuildLists(const std::shared_ptr<Build>& build, LoadMode mode);
    void setKVTemplateNames(VnComponent* component, std::vector<std::string> names, const std::string& prefix);
    void addInstallationTypes(const std::shared_ptr<Build>& build);

    const LoadedComponents& loadedComponents() const { return components; }
    const std::vector<std::shared_ptr<Release>>& visitedReleases() const { return releases; }
    const std::vector<std::shared_ptr<Build>>& loadedBuilds() const { return builds; }
    const std::set<std::string>& getRemovablePackages() const { return removablePackages; }

    Repository* repository;
    ComponentManager* componentManager;
    FileFetcher* fileFetcher;
    SourceManager* sourceManager;
    ParamManager* paramManager;
    MicroUpdateManager* microUpdateManager;
    GuardList* guards;
    bool mardellInCatalogue;
    // Owned by the source manager.
    SourceConfig* configSource;
    bool committed;

private:
    void loadBuild(const std::shared_ptr<Build>& build, LoadMode mode);
    std::shared_ptr<BuildInfFile> fetchDescription(const std::shared_ptr<Build>& build);

    LoadedComponents components;
    std::vector<std::shared_ptr<VnGroup>> groupNodes;
    std::set<std::string> removablePackages;
    std::vector<std::shared_ptr<Release>> releases;
    std::vector<std::shared_ptr<Build>> builds;
};

#endif
