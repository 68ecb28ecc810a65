#include "SystemSpecificConfigurator.h"

#include <memory>
#include <mutex>
#include <vector>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../packages/Package.h"

namespace {

const int lineConfiguredTwice = 25;
const int lineBeforeInstallTwice = 32;

// Every package a configurator handed out. Callers keep them for the run and never free
// them; they go with the process.
struct HandedOut {
    std::mutex lock;
    std::vector<std::unique_ptr<Package>> packages;
};

HandedOut& handedOut() {
    static HandedOut list;
    return list;
}

void keep(Package* pkg) {
    HandedOut& list = handedOut();
    std::lock_guard<std::mutex> guard(list.lock);
    for (const std::unique_ptr<Package>& kept : list.packages)
        if (kept.get() == pkg) return;
    list.packages.emplace_back(pkg);
}

}  // namespace

SystemSpecificConfigurator::SystemSpecificConfigurator() : configured(false), beforeInstallDone(false) {}

SystemSpecificConfigurator::~SystemSpecificConfigurator() = default;

void SystemSpecificConfigurator::configure() {
    if (configured) throw internalError("SystemSpecificConfigurator", lineConfiguredTwice);
    doConfigure();
    configured = true;
}

void SystemSpecificConfigurator::beforeInstall() {
    if (beforeInstallDone) throw internalError("SystemSpecificConfigurator", lineBeforeInstallTwice);
    doBeforeInstall();
    beforeInstallDone = true;
}

Package* SystemSpecificConfigurator::getPackage(const std::string& name) {
    if (!configured) throw error(3, 1, 1, 3) << Messages::getMessage("err_sysconf_init");
    Package* pkg = doGetPackage(name);
    if (pkg) keep(pkg);
    return pkg;
}

void SystemSpecificConfigurator::restore() {}

void SystemSpecificConfigurator::doBeforeInstall() {}

void SystemSpecificConfigurator::restoreQuietly() noexcept {
    try {
        restore();
    } catch (const error& e) {
        Log(0) << e.text();
    } catch (const std::exception& e) {
        Log(0) << "Error: " << e.what() << "\n";
    } catch (...) {
        Log(0) << "Error: restoring the package tool's configuration failed\n";
    }
}

std::string sourceKindName(char kind) {
    switch (kind) {
    case 'b': return "dist";
    case 'u': return "updates";
    case 't': return "thirdparty";
    default: return "unkn";
    }
}
