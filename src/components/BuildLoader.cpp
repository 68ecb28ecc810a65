#include "BuildLoader.h"

#include <boost/format.hpp>

#include "../catalogue/Addon.h"
#include "../catalogue/Build.h"
#include "../catalogue/InstTypes.h"
#include "../catalogue/ProductInf3FileGuard.h"
#include "../catalogue/Release.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/checked_pointer"
#include "../common/tinybind.h"
#include "../packages/Package.h"
#include "../packages/PkgManager.h"
#include "../packages/Repository.h"
#include "../sources/FileFetcher.h"
#include "../sources/SourceConfig.h"
#include "../updates/Bootstrapper.h"
#include "../updates/MicroUpdateManager.h"
#include "ComponentManager.h"
#include "ParamManager.h"
#include "SourceManager.h"
#include "VnComponent.h"
#include "VnRadioGroup.h"
#include "VnSubGroup.h"

namespace {

// The packages of a record that is skipped reach no pool: nobody else can free them.
void discardPackages(BuildInfFile::component_t& record) {
    for (Package* package : record.packages) delete package;
    for (Package* package : record.bootstrapper_packages) delete package;
    record.packages.clear();
    record.bootstrapper_packages.clear();
}

std::string parentDirectory(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string joinUrl(const std::string& base, const std::string& rest) {
    if (base.empty()) return rest;
    if (rest.empty()) return base;
    if (base.back() == '/' || rest.front() == '/') return base + rest;
    return base + "/" + rest;
}

}  // namespace

BuildLoader::ErrLoadRelease::ErrLoadRelease(const error& cause, const std::weak_ptr<Release>& failed)
    : error(cause), release(failed) {}

BuildLoader::ErrLoadRelease::~ErrLoadRelease() {}

BuildLoader::BuildLoader(Repository* repository_, ComponentManager* componentManager_, FileFetcher* fileFetcher_,
                         SourceManager* sourceManager_, ParamManager* paramManager_,
                         MicroUpdateManager* microUpdateManager_, GuardList* guards_)
    : repository(repository_),
      componentManager(componentManager_),
      fileFetcher(fileFetcher_),
      sourceManager(sourceManager_),
      paramManager(paramManager_),
      microUpdateManager(microUpdateManager_),
      guards(guards_),
      mardellInCatalogue(false),
      configSource(nullptr),
      committed(false) {
    checked_pointer<SourceManager> sources(sourceManager);
    if (!sources->configSource) sources->configSource = std::make_shared<SourceConfig>(repository);
    configSource = dynamic_cast<SourceConfig*>(sources->configSource.get());
    if (paramManager && componentManager) paramManager->keepComponents(componentManager->arena());
    Log(3) << "DEBUG: BuildLoader::BuildLoader() entry\n";
}

BuildLoader::~BuildLoader() {
    if (!committed) Log(2) << "Warning: BuildLoader finish with unsuccess.\n";
}

void BuildLoader::visitBuild(Build&) {}

std::shared_ptr<BuildInfFile> BuildLoader::fetchDescription(const std::shared_ptr<Build>& build) {
    checked_pointer<FileFetcher> fetcher(fileFetcher);
    auto guard = std::make_shared<ProductInf3FileGuard>(*fetcher, build->config);
    checked_pointer<GuardList>(guards)->push_back(guard);
    auto description = std::make_shared<BuildInfFile>(guard->getPath(), build->config);
    build->description = description;
    return description;
}

void BuildLoader::visitRelease(std::shared_ptr<Release> release) {
    if (!release->selected) return;
    try {
        Log(3) << "DEBUG: BuildLoader: visit release " << release->id << "\n";
        releases.push_back(release);
        const Opsys os;
        const std::shared_ptr<Build> build = release->SelectBestBuild(os);
        if (!build) {
            Log(1) << "unable to find suitable to installation build from release " << release->id << "\n";
            throw error(2, 1, 1, 2) << Messages::getMessage("err_rel_notsupp");
        }
        if (!build->isCompatible(os)) {
            Log(1) << "This build is not compatible with current OS: Current OS is " << os
                   << "\n but this build for " << *build << "\n";
            throw error(2, 1, 1, 1) << Messages::getMessage("err_build_incomp");
        }
        Log(3) << "BuildLoader: load " << *build << "\n";
        const std::shared_ptr<BuildInfFile> description = fetchDescription(build);
        build->os_release_name = description->os_release_name;
        build->parameters_file = description->parameters_file;
        if (release->update_kind() == Release::kind_install) addInstallationTypes(build);
        loadBuild(build, modeRelease);
        checked_pointer<MicroUpdateManager>(microUpdateManager)->loadBuildPatches(build);
    } catch (const ErrLoadRelease&) {
        throw;
    } catch (const error& e) {
        throw ErrLoadRelease(e, release);
    } catch (...) {
        Log(3) << "DEBUG: BuildLoader: release visit failed (throwing an exception).\n";
        throw;
    }
}

void BuildLoader::visitAddon(Addon& addon) {
    std::shared_ptr<Release> release;
    try {
        Log(3) << "DEBUG: BuildLoader: visit addon " << addon << "\n";
        for (const std::shared_ptr<Release>& candidate : releases) {
            if (addon.applicableTo(*candidate)) {
                release = candidate;
                break;
            }
        }
        if (!release) return;
        const std::shared_ptr<Build> build = addon.builds.getBestBuild(Opsys());
        if (!build) {
            Log(2) << "Addon " << addon << " have no build for current OS\n";
            return;
        }
        Log(2) << "Attach addon " << addon << " to release " << (release->name.empty() ? release->id : release->name)
               << "\n";
        build->changeParent(release);
        fetchDescription(build);
        loadBuild(build, addon.lazy ? modeLazyAddon : modeAddon);
    } catch (const ErrLoadRelease&) {
        throw;
    } catch (const error& e) {
        throw ErrLoadRelease(e, release);
    } catch (...) {
        Log(3) << "DEBUG: BuildLoader: addon visit failed (throwing an exception).\n";
        throw;
    }
}

void BuildLoader::loadBuild(const std::shared_ptr<Build>& build, LoadMode mode) {
    loadComponents(build, mode);
    if (mode != modeLazyAddon) checked_pointer<SourceManager>(sourceManager)->addBuildSources(*fileFetcher, build);
    loadBuildLists(build, mode);
    checked_pointer<SourceConfig> config(configSource);
    for (Package* package : build->description->update_packages) config->addPackage(package);
    for (Package* package : build->description->thirdparty_packages) config->addPackage(package);
}

void BuildLoader::loadComponents(const std::shared_ptr<Build>& build, LoadMode mode) {
    BuildInfFile& description = *build->description;
    Log(3) << "Load components from build " << build->config << "\n";
    Log(3) << "Debug: from inf " << description.components.size() << " components\n";
    for (const std::shared_ptr<BuildInfFile::component_t>& record : description.components)
        Log(3) << record->name << " ";
    Log(3) << "\n";

    checked_pointer<ComponentManager> manager(componentManager);
    checked_pointer<SourceConfig> config(configSource);
    for (const std::shared_ptr<BuildInfFile::component_t>& record : description.components) {
        const std::string& name = record->name;
        if (name == BuildInfFile::includeName) {
            checked_pointer<FileFetcher>(fileFetcher)->getFile(record->description, "");
            throw error(0, 0, 0, 0) << "  included components inside .build.inf3 temporary not supported";
        }
        if (mardellInCatalogue && description.product_id == "tarnix" && name == "mardell") {
            Log(3) << "Skip component " << name << " by some hack\n";
            discardPackages(*record);
            continue;
        }
        LoadedComponent* existing = nullptr;
        for (LoadedComponent& entry : components) {
            if (entry.component->name == name) {
                existing = &entry;
                break;
            }
        }
        if (mode == modeRelease && existing) {
            Log(2) << "Skip component " << name << " - it is already come from <include> product\n";
            discardPackages(*record);
            continue;
        }
        const std::shared_ptr<VnComponent> component =
            manager->arena()->make(build, name, record->description, record->environment, record->keypackages);
        if (mode == modeLazyAddon) component->setAddonBuild(build);
        if (!component->isEnvironmentSuitable()) {
            Log(2) << "Skip component " << name << " because incompatible environment\n";
            discardPackages(*record);
            continue;
        }
        component->requires = record->requires;
        component->hardwiredWith = record->hardwired_with;
        component->legacy = record->legacy;
        component->component1 = record->component_1;
        setKVTemplateNames(component.get(), record->kvtemplates, description.kv_template_prefix);
        component->setPortOptions(record->ports_options);
        component->packages = record->packages;
        component->expackages = record->expackages;
        component->rmpackages = record->rmpackages;
        for (Package* package : record->packages) config->addPackage(package);
        component->bootstrapperPackages = record->bootstrapper_packages;
        for (Package* package : record->bootstrapper_packages) config->addPackage(package);
        if (record->bootstrapper)
            Bootstrapper::parseActions(component->actions, tinybind::Element(record->bootstrapper.get()));
        if (record->settings) checked_pointer<ParamManager>(paramManager)->createFromElements(component.get(),
                                                                                              record->settings.get());
        if (existing) {
            Log(2) << "Overwrite component " << name << " with component from <include>\n";
            existing->component = component;
        } else {
            LoadedComponent entry;
            entry.component = component;
            components.push_back(entry);
        }
    }
    Log(3) << "Debug: after create VnComponent objects: " << components.size() << " components\n";
    for (const LoadedComponent& entry : components) Log(3) << entry.component->name << " ";
    Log(3) << "\n";
    builds.push_back(build);
}

BuildLoader::LoadedComponent* BuildLoader::findLoadedComponent(LoadedComponents& list, const std::string& name,
                                                               const std::string& productId) {
    for (LoadedComponent& entry : list)
        if (entry.component->name == name && entry.component->getProductId() == productId) return &entry;
    return nullptr;
}

std::shared_ptr<VnGroup> BuildLoader::makeGroupNode(const BuildInfFile::group_t& record, LoadedComponents& list,
                                                    const std::shared_ptr<Release>& release) {
    const std::string productId = checked_pointer<Release>(release.get())->product->id;
    if (record.radio) {
        auto group = std::make_shared<VnRadioGroup>(record.name, record.description, release);
        group->defaultMemberName = record.default_component;
        if (record.has_switch_rules) {
            group->hasSwitchRules = true;
            for (const auto& rule : record.allowed_switches) group->addAllowedSwitch(rule.first, rule.second);
        }
        for (const std::string& name : record.components) {
            LoadedComponent* entry = findLoadedComponent(list, name, productId);
            if (!entry) {
                Log(3) << "components group warning: unable to find specified component " << name << " for group "
                       << record.name << ", ignore\n";
            } else if (entry->grouped) {
                Log(3) << "components group warning: component " << name << " is already in a group, ignore for group "
                       << record.name << "\n";
            } else {
                group->addMember(entry->component.get());
                entry->grouped = true;
            }
        }
        return group;
    }
    auto group = std::make_shared<VnSubGroup>(record.name, record.description, release);
    for (const std::string& name : record.components) {
        LoadedComponent* entry = findLoadedComponent(list, name, productId);
        if (!entry) {
            Log(3) << "Components grouping warning: unable to find component with name " << name << " for group '"
                   << record.name << "'\n";
        } else if (entry->grouped) {
            Log(3) << "components group warning: component " << name << " is already in a group, ignore for group "
                   << record.name << "\n";
        } else {
            group->children.push_back(entry->component);
            entry->grouped = true;
        }
    }
    for (const BuildInfFile::group_t& nested : record.subgroups) {
        const BuildInfFile::group_t copy = nested;
        group->children.push_back(makeGroupNode(copy, list, release));
    }
    return group;
}

void BuildLoader::commit() {
    Log(3) << "DEBUG: BuildLoader::commit() entry\n";
    checked_pointer<ComponentManager> manager(componentManager);
    for (const std::shared_ptr<Build>& build : builds) {
        for (const BuildInfFile::group_t& record : build->description->groups) {
            const BuildInfFile::group_t copy = record;
            groupNodes.push_back(makeGroupNode(copy, components, build->getParent()));
        }
    }
    for (const LoadedComponent& entry : components)
        if (!entry.grouped) manager->nodes.push_back(entry.component);
    for (const std::shared_ptr<VnGroup>& group : groupNodes)
        if (!group->isEmpty()) manager->nodes.push_back(group);
    for (const std::string& name : removablePackages) checked_pointer<Repository>(repository)->addRemoverFor(name);
    if (releases.empty()) Log(0) << "Warning: no any release selected!\n";
    Log(2) << "BuildLoader: " << releases.size() << " releases processed\n";
    committed = true;
}

void BuildLoader::loadBuildLists(const std::shared_ptr<Build>& build, LoadMode mode) {
    const BuildInfFile& description = *build->description;
    checked_pointer<SourceManager> sources(sourceManager);
    for (const std::string& name : description.preferred_packages) PkgManager::preferredPackages.insert(name);
    for (const std::string& name : description.removable_packages) removablePackages.insert(name);
    for (const std::string& name : description.force_remove_packages)
        addUniqueName(sources->buildData->forceRemovePackages, name);
    const checked_pointer<FileFetcher> fetcher(fileFetcher);
    const std::string firstUrl = fetcher->sourceUrls.empty() ? fetcher->mainSourceUrl : fetcher->sourceUrls.front();
    sources->setPortsArchive(
        joinUrl(firstUrl, parentDirectory(build->config)) + "/" + description.updates_dir + "/ports.tgz",
        description.ports_date);
    for (const auto& port : description.update_package_options) sources->mergePortOptions(port.first, port.second);
    if (mode == modeRelease && !sources->nativePackageManagersAllowed)
        sources->nativePackageManagersAllowed = description.repodata;
    if (!description.kv_template_suffix.empty())
        sources->setOsTemplateName(description.kv_template_suffix);
    else
        Log(2) << "Warning: kv_template_suffix is NOT defined in  " << build->config << "\n";
    for (const auto& need : description.diskspace) checked_pointer<ComponentManager>(componentManager)->addDiskUsage(
        need.first, need.second);
}

void BuildLoader::setKVTemplateNames(VnComponent* component, std::vector<std::string> names,
                                     const std::string& prefix) {
    const std::string base = prefix.empty() ? std::string("tarnix8") : prefix;
    if (names.empty()) {
        const std::string generated = component->name == "base" ? base : base + "-" + component->name;
        names.push_back(generated);
        Log(3) << "KV template name for component " << component->name << " was generated: " << generated << "\n";
    }
    const Opsys os;
    if (os.os_vendor() == "SuSE" && os.version().compare(0, 2, "10") == 0 && component->name == "md-publish") {
        names.clear();
        checked_pointer<Repository> pool(repository);
        std::string corrected = base + "-php4-md-publish";
        if (pool->getInstalledPackage(internString("apache2-mod_php5"))) corrected = base + "-php5-md-publish";
        names.push_back(corrected);
        Log log(2);
        log << "Info: KV templates for component " << component->name << " was corrected:";
        for (const std::string& name : names) log << " '" << name << "'";
        log << "\n";
    }
    component->templates = names;
}

void BuildLoader::addInstallationTypes(const std::shared_ptr<Build>& build) {
    checked_pointer<ComponentManager>(componentManager)->instTypes.addLoadedBuildTypes(build, *build->description);
}
