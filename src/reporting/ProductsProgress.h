#ifndef VN_REPORTING_PRODUCTSPROGRESS_H
#define VN_REPORTING_PRODUCTSPROGRESS_H

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class Release;

// How far the installation of each selected release has come, package by package. One lives
// per run: the installer makes it and destroys it, everyone else reaches it through
// instance(). Several threads use it (the web engine asks for progress while the installation
// thread writes), so every operation on the registry and the packages holds one mutex.
class ProductsProgress {
public:
    // A stage that takes the package out of the count and marks its release.
    static constexpr int32_t NOT_COUNTED = -10000;

    struct PackageEntry {
        // The release whose installation the package belongs to.
        std::shared_ptr<Release> release;
        // 0 registered, 1 downloaded, 3 installed, or NOT_COUNTED.
        int32_t stage = 0;
    };

    // One release of the summary. State: NOT_COUNTED when a package of the release is not
    // counted; else 0 (nothing done, not started), 1 (nothing done, started) or 2 (some done).
    // Percent: 0 to 100.
    struct ReleaseProgress {
        std::shared_ptr<Release> release;
        int32_t state = 0;
        int32_t percent = 0;
    };
    typedef std::vector<ReleaseProgress> ReleaseProgressList;

    ProductsProgress();
    // Raises the internal error when this object is not registered (and no other exception
    // is in flight; then it only logs).
    ~ProductsProgress() noexcept(false);
    ProductsProgress(const ProductsProgress&) = delete;
    ProductsProgress& operator=(const ProductsProgress&) = delete;

    // The live object, null when none lives; several live ones are an internal error.
    static ProductsProgress* instance();

    // Registers a package of `release` at stage 0; registering it again binds it to the
    // release given last and starts it over. A null release is the null-pointer error, and
    // nothing is registered then.
    void add_product_package(const std::shared_ptr<Release>& release, const std::string& packageName);
    // The stage of a registered package; a package never registered stays unknown.
    void set_progress(int32_t stage, const std::string& packageName);
    // A copy of the registered packages, taken under the mutex, for readers of the table.
    std::map<std::string, PackageEntry> packagesSnapshot() const;
    // The package tool has been started on the install list; stays set. Written by the
    // installing thread without the mutex, read under it by get_progress: hence atomic.
    void set_started();
    bool is_started() const;

    // Brings the entries of `list` up to date, one per release that has registered packages:
    // an entry is matched by the release object itself and appended when missing; entries of
    // other releases keep their values. Without any package the list stays as it is. Each
    // package counts 3 units; the percent is the share of units done, clipped to 0..100.
    void get_progress(ReleaseProgressList& list) const;

private:
    std::map<std::string, PackageEntry> packages;
    std::atomic<bool> started{false};
    int uncaughtAtConstruction;
};

#endif
