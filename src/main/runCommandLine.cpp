#include "runCommandLine.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <vector>

#include <boost/format.hpp>

#include "../catalogue/BuildManager.h"
#include "../catalogue/ReleasesCompatibilityChecker.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Progress.h"
#include "../common/checked_pointer"
#include "../common/error.h"
#include "../common/utils.h"
#include "../components/BuildLoader.h"
#include "../components/ComponentManager.h"
#include "../components/LazyAddonProcessor.h"
#include "../components/ParamManager.h"
#include "../components/SourceManager.h"
#include "../components/VnComponent.h"
#include "../configurators/BSDPortsConfigurator.h"
#include "../configurators/SystemSpecificConfigurator.h"
#include "../installers/InstallBXAgent.h"
#include "../installers/InstallDeb.h"
#include "../installers/InstallPkg.h"
#include "../installers/InstallRPM.h"
#include "../installers/InstallStd.h"
#include "../installers/InstallUp2date.h"
#include "../installers/InstallYum.h"
#include "../installers/InstallZypper.h"
#include "../installers/Installer.h"
#include "../packages/Repository.h"
#include "../reporting/ComponentsReporter.h"
#include "../reporting/InstallationTypesReporter.h"
#include "../reporting/OSListReporter.h"
#include "../reporting/PackagesReporter.h"
#include "../reporting/ReleasesReporter.h"
#include "../reporting/ReportSummary.h"
#include "../reporting/StatusServer.h"
#include "../sources/FileFetcher.h"
#include "../sources/SourceUrl.h"
#include "../updates/MicroUpdateManager.h"
#include "../updates/SelfUpgrade.h"
#include "BackendFactories.h"
#include "DriverRoutines.h"
#include "Options.h"
#include "Reporter.h"
#include "finishExecution.h"

namespace {

// Runs one end-of-run step of the release routine: a failure is logged and the routine goes on.
template <class Step>
void releaseStep(const char* what, Step step) noexcept {
    try {
        step();
    } catch (const error& e) {
        Log(0) << what << ": " << e.text() << std::endl;
    } catch (const std::exception& e) {
        Log(0) << what << ": " << e.what() << std::endl;
    } catch (...) {
        Log(0) << what << ": unknown failure" << std::endl;
    }
}

// The objects of one run, made in this order and released in the order of release().
struct RunObjects {
    checked_autoclean_pointer<Repository> repository;
    checked_autoclean_pointer<FileFetcher> fetcher;
    checked_autoclean_pointer<BuildManager> catalogue;
    checked_autoclean_pointer<ReleasesCompatibilityChecker> checker;
    checked_autoclean_pointer<ComponentManager> components;
    checked_autoclean_pointer<SourceManager> sources;
    checked_autoclean_pointer<ParamManager> params;
    checked_autoclean_pointer<MicroUpdateManager> patches;
    BuildLoader::GuardList buildSources;
    checked_autoclean_pointer<PortsSettings> ports;
    checked_autoclean_pointer<SystemSpecificConfigurator> configurator;
    checked_autoclean_pointer<Installer> installer;
    // A listing leaves the user's answers file as it is: its selection is not a choice.
    bool writeAnswers = true;

    RunObjects() = default;
    RunObjects(const RunObjects&) = delete;
    RunObjects& operator=(const RunObjects&) = delete;
    ~RunObjects() { release(); }

    // The end of the run: every object goes, each one's closing work done at its place.
    // Never throws; a second call finds nothing left.
    void release() noexcept {
        releaseStep("Can't release the ports settings", [&] { ports.reset(); });
        releaseStep("Can't release the compatibility checker", [&] { checker.reset(); });
        if (patches.get()) releaseStep("Can't save the installed patches database", [&] { patches->finish(); });
        releaseStep("Can't release the patch manager", [&] { patches.reset(); });
        releaseStep("Can't release the installer", [&] { installer.reset(); });
        releaseStep("Can't release the build sources", [&] { buildSources.clear(); });
        if (configurator.get())
            releaseStep("Can't restore the package tool configuration", [&] { configurator->restore(); });
        releaseStep("Can't release the configurator", [&] { configurator.reset(); });
        if (params.get()) releaseStep("Can't finish the settings", [&] { params->finish(writeAnswers); });
        releaseStep("Can't release the settings", [&] { params.reset(); });
        releaseStep("Can't release the source manager", [&] { sources.reset(); });
        releaseStep("Can't release the components", [&] { components.reset(); });
        releaseStep("Can't release the catalogue", [&] { catalogue.reset(); });
        releaseStep("Can't release the file fetcher", [&] { fetcher.reset(); });
        releaseStep("Can't release the repository", [&] { repository.reset(); });
    }
};

// A listing: the report on standard output, the run's objects released, then the process ends.
[[noreturn]] void list(Reporter&& reporter, RunObjects& run) {
    reporter.put(std::cout);
    std::cout.flush();
    run.release();
    exitWithSuccess();
}

// A description asks for a newer installer: fetch it and run it with the start arguments.
[[noreturn]] void upgradeSelf(const std::string& source) {
    SelfUpgrade::download(source);
    std::vector<char*> arguments;
    for (int i = 0; i < commandLineArgs.argc && commandLineArgs.argv && commandLineArgs.argv[i]; ++i)
        arguments.push_back(commandLineArgs.argv[i]);
    if (arguments.empty()) arguments.push_back(nullptr);
    arguments.push_back(nullptr);
    SelfUpgrade::restart(arguments.data());
}

// The name the run summary gives the installer's kind.
const char* installerKindName(const Installer& installer) {
    if (dynamic_cast<const InstallDeb*>(&installer)) return "InstallDeb";
    if (dynamic_cast<const InstallYum*>(&installer)) return "InstallYum";
    if (dynamic_cast<const InstallZypper*>(&installer)) return "InstallZypper";
    if (dynamic_cast<const InstallUp2date*>(&installer)) return "InstallUp2date";
    if (dynamic_cast<const InstallRPM*>(&installer)) return "InstallRPM";
    if (dynamic_cast<const InstallStd*>(&installer)) return "InstallStd";
    if (dynamic_cast<const InstallPkg*>(&installer)) return "InstallPkg";
    if (dynamic_cast<const InstallBXAgent*>(&installer)) return "InstallBXAgent";
    return "Installer";
}

void applyComponentPresets(const Options& options, ComponentManager& components) {
    for (const auto& entry : options.componentPresets) {
        const std::string& productId = entry.first;
        const ComponentPreset& preset = entry.second;
        Log(3) << "Component selection from command line: product '" << productId << "' ";
        switch (preset.kind) {
            case ComponentPreset::Everything:
                Log(3) << "all components selected\n";
                ComponentManager::selectAll(components.nodes.begin(), components.nodes.end(), true, "");
                break;
            case ComponentPreset::UpgradeInstalled: {
                Log(3) << "select upgradable components\n";
                ComponentManager::MarkComponentsForUpgrade upgrade;
                components.visit(upgrade);
                break;
            }
            case ComponentPreset::InstallationType: {
                Log(3) << "mark component by preset '" << preset.installationType << "'\n";
                std::string typeName = preset.installationType;
                components.selectInstallationType(typeName, productId);
                break;
            }
            case ComponentPreset::ComponentList: {
                {
                    Log line(3);
                    line << "specified list: ";
                    for (const std::string& name : preset.components) line << " '" << name << "'";
                    line << "\n";
                }
                ComponentManager::MarkSpecifiedNamesComponents mark(&components, productId, preset.components, 0);
                components.visit(mark);
                mark.finish();
                break;
            }
            default: throw error(2, 1, 1, 2) << Messages::getMessage("err_no_command");
        }
    }
}

}  // namespace

void checkDownloadSpace(bool enabled, const std::string& source, const std::string& target, uint64_t requiredKib,
                        const std::function<void()>& installerCheck, const FreeSpaceQuery& freeSpace) {
    if (!enabled) return;
    uint64_t freeKib = 0;
    // A local source is read in place: nothing is downloaded into the target.
    if (!isAbsolutePath(source) && freeSpace(target, freeKib) && requiredKib > freeKib) {
        Log(1) << "There is no space in " << target << " for downloading (required " << requiredKib
               << " Kb, available " << freeKib << " KB)." << std::endl;
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_no_space")) % target;
    }
    installerCheck();
}

void runCommandLine() {
    // 1. Status service first, for listings too.
    const Options& options = Options::instance();
    Progress progress;
    startStatusServer();

    // 2. A host name that does not resolve is the administrator's business: warn and go on,
    // and tell every later child the same.
    try {
        checkHostname();
    } catch (const error& e) {
        Log(0) << boost::format(Messages::getMessage("ignored_hostname_chk")) % e.text() << std::endl;
        ::setenv("TARNIX_DISABLE_HOSTNAME_CHECKING", "1", 1);
    }

    const int command = options.command;
    RunObjects run;
    run.writeAnswers = command == Options::Install;

    // 3-5. Repository, fetcher, catalogue.
    run.repository.reset(new Repository);
    createSystemSource(run.repository.get(), true);
    const std::string source = options.source;
    const std::string& target = options.target;
    run.fetcher.reset(new FileFetcher(SourceUrl(urlDirname(source)), target));
    try {
        run.catalogue.reset(new BuildManager(run.fetcher.get(), urlBasename(source)));
    } catch (const SelfUpgrade::NeedSelfUpgrade&) {
        upgradeSelf(source);
    }

    // 6. The whole catalogue, before anything installed is read.
    if (command == Options::ShowAllReleases)
        list(ReleasesReporter(reportOk, "", "", run.catalogue.get(), ReleasesReporter::mode_list), run);

    // 7.
    if (command != Options::ShowOsList) {
        run.repository->getBriefInfo();
        run.catalogue->checkInstallationState(run.repository.get());
        run.catalogue->removeNotActualReleases();
    }

    // 8-9. Release selection.
    if (options.releaseSelections.empty())
        throw error(2, 1, 1, 2) << Messages::getMessage("releases_no_selected");
    try {
        applyReleaseSelections(run.catalogue.get());
    } catch (const error&) {
        if (command != Options::ShowReleases) throw;
        list(ReleasesReporter(reportOk, "", "", run.catalogue.get(), ReleasesReporter::mode_list), run);
    }

    // 10.
    if (command == Options::ShowOsList) list(OSListReporter(reportOk, "", "", run.catalogue.get()), run);

    // 11. Compatibility of the selected releases.
    run.checker.reset(new ReleasesCompatibilityChecker(run.catalogue.get(), run.repository.get()));
    run.catalogue->visit(*run.checker);
    if (!run.checker->warningText().empty()) Log(0) << "Warning: " << run.checker->warningText() << std::endl;
    if (!run.checker->errorText().empty()) throw error(2, 1, 1, 1) << run.checker->errorText();

    // 12. Managers.
    run.components.reset(new ComponentManager);
    run.sources.reset(new SourceManager(*run.repository));
    run.params.reset(new ParamManager);
    run.patches.reset(new MicroUpdateManager(run.fetcher.get(), run.components.get()));

    // 13. Build loading.
    try {
        BuildLoader loader(run.repository.get(), run.components.get(), run.fetcher.get(), run.sources.get(),
                           run.params.get(), run.patches.get(), &run.buildSources);
        loader.mardellInCatalogue = run.catalogue->hasProduct("mardell");
        run.catalogue->visit(loader);
        loader.commit();
    } catch (const SelfUpgrade::NeedSelfUpgrade&) {
        upgradeSelf(source);
    }

    // 14.
    if (command == Options::ShowInstallationTypes)
        list(InstallationTypesReporter(reportOk, "", "", &run.components->instTypes), run);

    // 15-17. Sources and the host's package tool.
    if (run.components->getBaseComponent("")->isStd()) run.sources->addSystemSource(*run.components);
    run.sources->addAdditionalSources(options.additionalSources, target);
    run.ports.reset(new PortsSettings);
    run.configurator.reset(createSystemConfigurator(run.repository.get(), run.fetcher.get(), source,
                                                    run.components.get(), *run.ports, run.sources.get())
                               .release());
    if (run.configurator.get()) run.configurator->configure();

    // 18-22. Component status.
    run.repository->getBriefInfo();
    const std::string& checking = Messages::getMessage("checking_comps_status");
    progress.step("checking_comps_status", checking);
    Log(0) << checking << std::endl;
    {
        ComponentManager::CheckInstalled check(run.repository.get(), run.configurator.get());
        run.components->visit(check);
    }
    {
        ComponentManager::ShriveledRadioGroupsRemover remover(run.components.get());
        run.components->visit(remover);
        remover.apply();
    }
    run.patches->markComponentsWithMicroUpdates();
    if (oldFreeBsdPanel) run.components->markAllAsRequired("tarnix");

    // 23-24.
    if (command == Options::ShowComponents) {
        if (options.showOptions) run.params->loadFromOptions(options.componentOptions);
        list(ComponentsReporter(run.catalogue.get(), run.components.get(), run.params.get()), run);
    }
    if (command == Options::ShowReleases)
        list(ReleasesReporter(reportOk, "", "", run.catalogue.get(), ReleasesReporter::mode_list), run);
    if (command == Options::CheckUpdates)
        list(ReleasesReporter(reportOk, "", "", run.catalogue.get(), ReleasesReporter::mode_updates), run);

    // 25-26. Selection.
    applyComponentPresets(options, *run.components);
    if (!run.components->isAnySelected()) {
        Log(0) << Messages::getMessage("components_allready_installed") << std::endl;
        return;
    }

    // 27-29.
    {
        ComponentManager::MarkNeedForChecked need(run.components.get());
        run.components->visit(need);
        LazyAddonProcessor lazy(run.repository.get(), run.fetcher.get(), run.sources.get(), run.configurator.get());
        run.components->visit(lazy);
        lazy.apply();
    }
    run.params->investigateComponentsStatus(*run.components);
    run.params->loadFromOptions(options.componentOptions);
    progress.stage(2, 3);

    // 30-31. What to install.
    run.installer.reset(
        createInstaller(run.repository.get(), run.components.get(), run.configurator.get(), run.sources.get())
            .release());
    const cpkgs_t installList = run.installer->resolveAll();
    if (!installList.empty()) run.patches->setForceReinstall();
    if (command == Options::ShowPackages) list(PackagesReporter(&installList, run.repository.get()), run);

    // 32-33.
    if (installList.empty()) {
        if (run.patches->isNeedPatch()) {
            run.patches->apply(run.installer.get(), run.repository.get());
            ReportSummary::setOk();
        } else {
            Log(0) << Messages::getMessage("components_allready_installed") << std::endl;
        }
        return;
    }
    if (options.disableMajorUpdates) {
        Log(0) << Messages::getMessage("major_updates_skipped") << std::endl;
        ReportSummary::setOk();
        return;
    }

    // 34-37. Checks before anything changes.
    run.installer->checkPackageSet(options.holdPackages);
    const std::vector<std::string> added = run.components->needAlso(installList);
    if (!added.empty()) {
        Log line(0);
        line << Messages::getMessage("added_comps_by_deps");
        for (const std::string& name : added) line << " '" << name << "'";
        line << std::endl;
    }
    if (run.installer->hasKernelPackages() && !options.allowKernelInstall)
        throw error(5, 1, 1, 2) << Messages::getMessage("err_kern_inst");
    checkDownloadSpace(options.checkDiskSpace, source, target,
                       static_cast<uint32_t>(run.installer->getDownloadSize()),
                       [&] { run.installer->checkDiskSpace(); }, queryFreeSpace);

    // 38-40. Installation.
    ReportSummary::setBackend(installerKindName(*run.installer));
    run.params->exportToFiles();
    ReportSummary::fill(*run.catalogue);
    try {
        run.installer->install(options.installSystemOnly);
        run.patches->cleanInstalledMUDB(run.catalogue.get());
    } catch (const error& e) {
        ReportSummary::setFailed(e.text());
        throw;
    }
    if (run.patches->isNeedPatch()) run.patches->apply(run.installer.get(), run.repository.get());
    Log(0) << Messages::getMessage("install_ok") << std::endl;
    ReportSummary::setOk();
}
