#include "ProductsProgress.h"

#include <algorithm>
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

void ProductsProgress::set_started() { started.store(true); }

bool ProductsProgress::is_started() const { return started.load(); }

void ProductsProgress::get_progress(ReleaseProgressList& list) const {
    struct Sum {
        std::shared_ptr<Release> release;
        // 64 bits: stages are whatever the writers set, and nothing may wrap here.
        int64_t done = 0;
        int64_t total = 0;
        bool notCounted = false;
    };

    std::lock_guard<std::mutex> hold(registryMutex());
    if (packages.empty()) {
        Log(3) << "ProductsProgress::get_progress: no data for now \n";
        return;
    }

    std::map<const Release*, Sum> sums;
    for (const auto& named : packages) {
        const PackageEntry& entry = named.second;
        Sum& sum = sums[entry.release.get()];
        sum.release = entry.release;
        sum.total += 3;
        if (entry.stage == NOT_COUNTED)
            sum.notCounted = true;
        else
            sum.done += entry.stage;
    }

    const bool isStarted = started.load();
    for (const auto& keyed : sums) {
        const Sum& sum = keyed.second;
        auto item = std::find_if(list.begin(), list.end(),
                                 [&](const ReleaseProgress& p) { return p.release.get() == keyed.first; });
        if (item == list.end()) {
            list.push_back(ReleaseProgress());
            item = list.end() - 1;
            item->release = sum.release;
        }

        if (sum.notCounted)
            item->state = NOT_COUNTED;
        else if (sum.done == 0)
            item->state = isStarted ? 1 : 0;
        else
            item->state = 2;

        if (sum.done < 0) {
            Log(1) << "WARNING: Internal error in ProductsProgress::get_progress(): " << "num_done[rel]=" << sum.done
                   << " - percent is negative, droped\n";
            item->percent = 0;
            continue;
        }
        const int64_t percent = sum.done * 100 / sum.total;
        if (percent > 100) {
            Log(3) << "DEBUG: ProductsProgress::get_progress(): percents too big- " << percent << ", strip to 100\n";
            item->percent = 100;
        } else {
            item->percent = static_cast<int32_t>(percent);
        }
    }
}
