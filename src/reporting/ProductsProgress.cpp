#include "ProductsProgress.h"

#include <exception>
#include <mutex>
#include <ostream>
#include <set>

#include "../catalogue/Release.h"
#include "../common/Log.h"
#include "../common/checked_pointer"
#include "../common/error.h"

namespace {

// Names of this file and its lines in internal errors; they stay fixed from build to build.
const char* const sourceName = "ProductsProgress";
const int lineUnregistered = 63;
const int lineSeveralLive = 72;

std::mutex& registryMutex() {
    static std::mutex* const m = new std::mutex;
    return *m;
}

// The live objects. A set, not one pointer, so that a second live object is seen as the
// broken invariant it is instead of silently taking the place of the first.
std::set<ProductsProgress*>& registry() {
    static std::set<ProductsProgress*>* const live = new std::set<ProductsProgress*>;
    return *live;
}

}  // namespace

ProductsProgress::ProductsProgress() : uncaughtAtConstruction(std::uncaught_exceptions()) {
    std::lock_guard<std::mutex> hold(registryMutex());
    registry().insert(this);
    Log(3) << "ProductsProgress::ProductsProgress(): _instance=" << static_cast<const void*>(this) << std::endl;
}

ProductsProgress::~ProductsProgress() noexcept(false) {
    bool registered;
    {
        std::lock_guard<std::mutex> hold(registryMutex());
        registered = registry().erase(this) != 0;
        Log(3) << "ProductsProgress::~ProductsProgress(): this=" << static_cast<const void*>(this) << std::endl;
    }
    if (registered) return;
    error broken = internalError(sourceName, lineUnregistered);
    if (std::uncaught_exceptions() > uncaughtAtConstruction) {
        Log(0) << broken.text();
        return;
    }
    throw broken;
}

// Under the mutex too, although an object is made and destroyed by the installing thread
// only: the web engine asks from another thread, and the set must not change under a reader.
ProductsProgress* ProductsProgress::instance() {
    std::lock_guard<std::mutex> hold(registryMutex());
    const std::set<ProductsProgress*>& live = registry();
    if (live.empty()) return nullptr;
    if (live.size() > 1) throw internalError(sourceName, lineSeveralLive);
    return *live.begin();
}

void ProductsProgress::set_progress(int32_t stage, const std::string& packageName) {
    Log(3) << "ProductsProgress::set_progress: " << packageName << " stage " << stage << std::endl;
    std::lock_guard<std::mutex> hold(registryMutex());
    auto it = packages.find(packageName);
    if (it != packages.end()) it->second.stage = stage;
}

void ProductsProgress::add_product_package(const std::shared_ptr<Release>& release, const std::string& packageName) {
    const checked_pointer<Release> owner(release.get());
    Log(3) << "ProductsProgress::add_product_package: '" << owner->name << "': " << packageName << std::endl;
    std::lock_guard<std::mutex> hold(registryMutex());
    PackageEntry& entry = packages[packageName];
    entry.release = release;
    entry.stage = 0;
}

std::map<std::string, ProductsProgress::PackageEntry> ProductsProgress::packagesSnapshot() const {
    std::lock_guard<std::mutex> hold(registryMutex());
    return packages;
}

void ProductsProgress::set_started() {
    Log(3) << "ProductsProgress::set_started" << std::endl;
    std::lock_guard<std::mutex> hold(registryMutex());
    started = true;
}

bool ProductsProgress::is_started() const {
    std::lock_guard<std::mutex> hold(registryMutex());
    return started;
}
