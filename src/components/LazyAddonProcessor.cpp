#include "LazyAddonProcessor.h"

#include <exception>
#include <set>

#include "../catalogue/Build.h"
#include "../common/Log.h"
#include "../common/error.h"
#include "../configurators/SystemSpecificConfigurator.h"
#include "../sources/SourceDistTarnix.h"
#include "SourceManager.h"
#include "VnComponent.h"

LazyAddonProcessor::LazyAddonProcessor(Repository* repository, const FileFetcher* fetcher,
                                       SourceManager* sourceManager,
                                       checked_pointer<SystemSpecificConfigurator> configurator)
    : repository(repository),
      fetcher(fetcher),
      sourceManager(sourceManager),
      configurator(configurator),
      applied(false),
      uncaught(std::uncaught_exceptions()) {
    Log(3) << "DEBUG: Determining components that need to be obtained from additional repositories...\n";
}

LazyAddonProcessor::~LazyAddonProcessor() {
    if (applied || std::uncaught_exceptions() > uncaught) return;
    try {
        apply();
    } catch (const error& e) {
        Log(0) << e.text();
    } catch (const std::exception& e) {
        Log(0) << "Error: " << e.what() << "\n";
    } catch (...) {
        Log(0) << "Error: switching the add-on sources failed\n";
    }
}

void LazyAddonProcessor::visit(VnComponent* component) {
    const std::shared_ptr<Build> build = component->getAddonBuild();
    if (!build) return;
    auto found = positions.find(build);
    if (found == positions.end()) {
        found = positions.emplace(build, neededBuilds.size()).first;
        neededBuilds.emplace_back(build, false);
    }
    if (component->isSelected()) neededBuilds[found->second].second = true;
}

void LazyAddonProcessor::apply() {
    if (applied) return;
    applied = true;

    std::set<std::weak_ptr<Build>, std::owner_less<std::weak_ptr<Build>>> active;
    for (const std::shared_ptr<Source>& source : sourceManager->sources)
        if (const SourceDistTarnix* dist = dynamic_cast<const SourceDistTarnix*>(source.get()))
            active.insert(dist->build);

    bool changed = false;
    for (const auto& entry : neededBuilds) {
        // The catalogue owns the builds for the whole run; one gone meanwhile has nothing to
        // switch.
        const std::shared_ptr<Build> build = entry.first.lock();
        if (!build) continue;
        const bool isActive = active.count(entry.first) != 0;
        if (entry.second && !isActive) {
            Log(3) << "DEBUG: activating repositories from " << *build << ".\n";
            sourceManager->addBuildSources(*fetcher, build);
            changed = true;
        } else if (!entry.second && isActive) {
            Log(3) << "DEBUG: deactivating repositories from " << *build << ".\n";
            sourceManager->dropBuildSources(build);
            changed = true;
        }
    }
    neededBuilds.clear();
    positions.clear();

    if (changed && configurator.get()) {
        Log(2) << "Info: dynamic components selection was changed, reconfiguring sources.\n";
        configurator->reconfigureSources();
    }
}
