#ifndef VN_REPORTING_PRODUCTSPROGRESS_H
#define VN_REPORTING_PRODUCTSPROGRESS_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class Release;

// How far the installation of each selected release has come, package by package. One lives
// per run: the installer makes it and destroys it, everyone else reaches it through
// instance(). Several threads use it (the web engine asks for progress while the installation
// thread writes), so every operation on the registry and the packages holds one mutex.
class ProductsProgress {
public:
    struct PackageEntry {
        // The release whose installation the package belongs to.
        std::shared_ptr<Release> release;
        // 0 registered, 1 downloaded, 3 installed.
        int32_t stage = 0;
    };

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
    // The package tool has been started on the install list; stays set.
    void set_started();
    bool is_started() const;

private:
    std::map<std::string, PackageEntry> packages;
    bool started = false;
    int uncaughtAtConstruction;
};

#endif
