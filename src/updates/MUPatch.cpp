#include "MUPatch.h"

#include "MUInstalledDB.h"
#include "catalogue/Build.h"
#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "common/Log.h"
#include "common/error.h"
#include "components/VnComponent.h"
#include "installers/InstallBXAgent.h"

MUPatch::MUPatch(const std::string& productId, const std::string& productVersion, const std::string& version,
                 const std::string& timestamp)
    : productId(productId), productVersion(productVersion), version(version), timestamp(timestamp) {}

void MUPatch::addItem(const std::shared_ptr<MUEntity>& item) { items.push_back(item); }

std::string MUPatch::name() const { return productId + "-" + productVersion + "~patch" + version.toString(); }

Log& operator<<(Log& log, const MUPatch& patch) { return log << patch.name(); }

error& operator<<(error& e, const MUPatch& patch) { return e << patch.name(); }

void MUPatch::prepare() {
    for (const std::shared_ptr<MUEntity>& item : items) {
        try {
            item->prepare();
        } catch (error& e) {
            e.qualify(0, 0, 0, 0) << "error during prepare patch " << *this;
            throw;
        }
    }
}

void MUPatch::apply(const VnComponent& base, const Installer* installer, Repository* repository) {
    if (installer && dynamic_cast<const InstallBXAgent*>(installer)) {
        std::shared_ptr<Build> build = base.getBuild();
        if (!build) throw internalError("MUPatch", 1);
        std::shared_ptr<Release> release = build->getParent();
        if (!release || !release->product) throw internalError("MUPatch", 2);
        // A product without key packages finds nothing and is skipped like one not installed.
        std::string installed =
            release->product->detectInstalledVersion(Product::GetPkgVerDirectlyFromSystem(repository));
        if (installed != productVersion) {
            // One piece: an empty version must leave nothing after "version " in the line.
            Log(2) << "INFO: skip applying patch " + name() + " because currently in system" +
                          " installed product version " + installed + "\n";
            return;
        }
        Log(3) << "DEBUG: MUPatch::apply: version of patch and installed into system product"
               << " is match (" << installed << "), apply patch.\n";
    }
    for (const std::shared_ptr<MUEntity>& item : items) {
        try {
            item->apply();
        } catch (error& e) {
            e.qualify(0, 0, 0, 0) << "can't apply patch " << *this;
            throw;
        }
    }
    MUInstalledDB::instance().setInstalled(*this);
}
