#include "MicroUpdateManager.h"

#include <exception>

#include "MUInstalledDB.h"
#include "MUPatch.h"
#include "catalogue/Build.h"
#include "catalogue/BuildManager.h"
#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "common/Log.h"
#include "common/Messages.h"
#include "common/error.h"
#include "common/exec_cmd.h"
#include "common/fileops.h"
#include "components/ComponentManager.h"
#include "components/VnComponent.h"
#include "main/Options.h"
#include "reporting/ProductsProgress.h"

namespace {

const char* const sourceName = "MicroUpdateManager";
// Fixed numbers keep the internal-error texts the same from build to build.
const int lineNoPatches = 171;
const int lineForeignPatch = 190;
const int lineNoRelease = 148;

const char* const panelServiceScripts[] = {"/etc/init.d/nvo", "/usr/local/etc/rc.d/nvo.sh"};

// The release of the component's build; a component always comes from a loaded build.
std::shared_ptr<Release> releaseOf(const VnComponent& component) {
    const std::shared_ptr<Build>& build = component.getBuild();
    std::shared_ptr<Release> release = build ? build->getParent() : nullptr;
    if (!release) throw internalError(sourceName, lineNoRelease);
    return release;
}

}  // namespace

bool MicroUpdateManager::ByVersion::operator()(const std::shared_ptr<MUPatch>& a,
                                               const std::shared_ptr<MUPatch>& b) const {
    // The strict form of the version order: a set must never see a pair that is less both ways.
    return versionSortLess(a->version, b->version);
}

MicroUpdateManager::Visitor::~Visitor() {}

MicroUpdateManager::MicroUpdateManager(FileFetcher* fetcher, ComponentManager* components)
    : fetcher(fetcher), components(components), forceReinstall(false), finished(false) {
    if (Options::instance().reinstallPatches) setForceReinstall();
}

MicroUpdateManager::~MicroUpdateManager() {
    Log(3) << "MicroUpdateManager::~MicroUpdateManager entry\n";
    if (finished) return;
    // The driver did not call finish() (an early return or an exception on its way): save
    // what was applied, but a destructor reports a failure only in the log.
    try {
        MUInstalledDB::instance().flush();
    } catch (const error& e) {
        Log(1) << "Can't save the installed patches database: " << e.text();
    } catch (...) {
        Log(1) << "Can't save the installed patches database.\n";
    }
}

void MicroUpdateManager::finish() {
    Log(3) << "DEBUG: MicroUpdateManager::finish entry\n";
    // A failing save is the caller's to report; the destructor does not try it again.
    finished = true;
    MUInstalledDB::instance().flush();
}

void MicroUpdateManager::setForceReinstall() {
    Log(3) << "DEBUG: set force reinstall patches flag\n";
    forceReinstall = true;
}

void MicroUpdateManager::accept(Visitor& visitor) const {
    // Taken first, so that a database that cannot be read fails every walk, even an empty one.
    MUInstalledDB& db = MUInstalledDB::instance();
    Log(3) << "DEBUG: MicroUpdateManager::accept entry: iterate patches\n";
    for (const ProductPatches& entry : products) {
        VnComponent* base = components->findBaseComponent(entry.id);
        if (!base) {
            Log(3) << "Skipping installation of patches for the product " << entry.name()
                   << "because components for this product is not loaded.\n";
            continue;
        }
        const std::shared_ptr<Release> release = releaseOf(*base);
        if (!(Version(entry.version) == release->version)) {
            Log(2) << "Skip patches for product " << entry.name() << "because loaded components for release version "
                   << release->version.toString() << "\n";
            continue;
        }
        Log(3) << "DEBUG: MicroUpdateManager::accept: iterate patches for " << entry.name() << "\n";
        if (entry.patches.empty()) throw internalError(sourceName, lineNoPatches);
        if (entry.patches.size() > 1)
            Log(3) << "DEBUG: Warning: product " << entry.name() << " containst " << entry.patches.size()
                   << " patches, must be only one.\n";
        for (const std::shared_ptr<MUPatch>& patch : entry.patches) {
            if (patch->productId != entry.id || patch->productVersion != entry.version)
                throw internalError(sourceName, lineForeignPatch);
            if (db.isInstalled(*patch)) {
                if (!forceReinstall) {
                    Log(3) << "DEBUG: patch " << *patch << " is allready installed, skip it.\n";
                    continue;
                }
                Log(3) << "DEBUG: accept patch " << *patch << " because force_reinstall flag.\n";
            } else {
                Log(3) << "DEBUG: patch " << *patch << " not installed, accept.\n";
            }
            visitor.visit(patch, *base);
        }
    }
}

bool MicroUpdateManager::isNeedPatch() const {
    class Check : public Visitor {
    public:
        void visit(const std::weak_ptr<MUPatch>&, VnComponent&) override { found = true; }
        bool found = false;
    };
    Log(3) << "DEBUG: MicroUpdateManager::isNeedPatch entry\n";
    Check check;
    accept(check);
    Log(3) << "DEBUG: MicroUpdateManager::isNeedPatch: exited with " << (check.found ? "true" : "false") << "\n";
    return check.found;
}

void MicroUpdateManager::markComponentsWithMicroUpdates() const {
    class Mark : public Visitor {
    public:
        void visit(const std::weak_ptr<MUPatch>&, VnComponent& base) override {
            Log(3) << "DEBUG: MicroUpdateManager::markComponentsWithMicroUpdates: mark " << base.name << " "
                   << base.description << "\n";
            base.setMicroUpdateAvailable();
        }
    };
    Log(3) << "DEBUG: MicroUpdateManager::markComponentsWithMicroUpdates entry\n";
    if (products.empty()) Log(3) << "No any patches\n";
    Mark mark;
    accept(mark);
    Log(3) << "DEBUG: MicroUpdateManager::markComponentsWithMicroUpdates exit\n";
}

void MicroUpdateManager::apply(const Installer* installer, Repository* repository) {
    class Prepare : public Visitor {
    public:
        void visit(const std::weak_ptr<MUPatch>& patch, VnComponent&) override { patch.lock()->prepare(); }
    };
    class Apply : public Visitor {
    public:
        Apply(const Installer* installer, Repository* repository) : installer(installer), repository(repository) {}
        void visit(const std::weak_ptr<MUPatch>& patch, VnComponent& base) override {
            ProductsProgress* progress = ProductsProgress::instance();
            const std::string package = base.name + " patches";
            if (progress) progress->add_product_package(releaseOf(base), package);
            patch.lock()->apply(base, installer, repository);
            if (progress) progress->set_progress(3, package);
        }

    private:
        const Installer* installer;
        Repository* repository;
    };

    Log(0) << Messages::getMessage("process_install_patches") << "\n";
    // Every item of every patch is downloaded and checked before the first file is replaced.
    Prepare prepare;
    accept(prepare);
    Apply applying(installer, repository);
    accept(applying);
    MUInstalledDB::instance().flush();
    restart_panel_service();
    Log(0) << Messages::getMessage("process_patches_installed") << "\n";
}

void MicroUpdateManager::restart_panel_service() {
    for (const char* script : panelServiceScripts) {
        if (!fileops::exists(script)) continue;
        // The script's own status tells nothing about the patches: it is not checked.
        executeCommand((std::string(script) + " restart").c_str(), false, false);
        return;
    }
}

void MicroUpdateManager::cleanInstalledMUDB(const BuildManager* buildManager) {
    class V : public BuildManager::Visitor {
    public:
        void visitRelease(std::shared_ptr<Release> release) override {
            if (!release->selected) return;
            // The database keys an installed product by its version without epoch and release.
            MUInstalledDB::instance().ensureProduct(checked_pointer<Product>(release->product.get())->id,
                                                    release->version.getVersion());
        }
        void visitAddon(Addon&) override {}
        void visitBuild(Build&) override {}
    };
    V v;
    checked_pointer<const BuildManager>(buildManager)->visit(v);
    MUInstalledDB::instance().flush();
}
