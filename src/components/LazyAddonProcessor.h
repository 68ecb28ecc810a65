#ifndef VN_COMPONENTS_LAZYADDONPROCESSOR_H
#define VN_COMPONENTS_LAZYADDONPROCESSOR_H

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "../common/checked_pointer"
#include "ComponentManager.h"

class Build;
class FileFetcher;
class Repository;
class SourceManager;
class SystemSpecificConfigurator;

// Brings the sources of on-demand add-on builds in line with the selection: the walk learns
// which of those builds have a selected component, apply() switches on the sources of the
// needed builds that are not active and switches off those of the active builds no longer
// needed, then has the configurator (when there is one) configure the package tool again,
// once, if anything changed. The drivers run it whenever the selection is final.
//
//     LazyAddonProcessor lazy(&repository, &fetcher, &sources, configurator);
//     components.visit(lazy);
//     lazy.apply();
class LazyAddonProcessor : public ComponentManager::Visitor {
public:
    // The configurator may hold null.
    LazyAddonProcessor(Repository* repository, const FileFetcher* fetcher, SourceManager* sourceManager,
                       checked_pointer<SystemSpecificConfigurator> configurator);
    // Runs apply() when nobody did and no exception is leaving; its failure is then only
    // logged (level 0). Never throws.
    ~LazyAddonProcessor() override;

    // Records the component's add-on build, needed once one of its components is selected.
    void visit(VnComponent* component) override;
    // The switching, in the order the builds were first met in the walk. Failures of adding,
    // dropping and reconfiguring reach the caller. A second call does nothing.
    void apply();

private:
    typedef std::map<std::weak_ptr<Build>, size_t, std::owner_less<std::weak_ptr<Build>>> BuildIndex;

    checked_pointer<Repository> repository;
    checked_pointer<const FileFetcher> fetcher;
    checked_pointer<SourceManager> sourceManager;
    checked_pointer<SystemSpecificConfigurator> configurator;
    // Each add-on build met (once, by identity) and whether it is needed, in walk order.
    std::vector<std::pair<std::weak_ptr<Build>, bool>> neededBuilds;
    BuildIndex positions;
    bool applied;
    int uncaught;
};

#endif
