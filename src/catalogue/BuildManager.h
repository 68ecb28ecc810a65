#ifndef VN_CATALOGUE_BUILDMANAGER_H
#define VN_CATALOGUE_BUILDMANAGER_H

#include <memory>
#include <string>
#include <vector>

#include <boost/smart_ptr/bad_weak_ptr.hpp>

#include "Addon.h"
#include "Build.h"
#include "Product.h"
#include "Release.h"

class FileFetcher;
class Repository;
class TiXmlElement;

// The product catalogue of one update source: every release of every product with its builds,
// and the add-ons. It is read once, while it is constructed, from the product list and the
// descriptions the list names; afterwards the drivers check it against the host, prune it,
// look releases up and keep the user's selection in it.
//
// Releases and add-ons are held by shared pointers in the order they were read; a product
// lives as long as one of its releases. Nothing here takes a lock: one thread at a time uses a
// catalogue, and a walk needs the lists unchanged until it ends.
class BuildManager {
public:
    typedef std::vector<std::shared_ptr<Release>> releases_t;
    typedef std::vector<std::shared_ptr<Addon>> addons_t;

    // A walk over the catalogue (see visit()).
    class Visitor {
    public:
        virtual void visitRelease(std::shared_ptr<Release> release) = 0;
        virtual void leaveRelease(std::shared_ptr<Release> release);
        virtual void visitAddon(Addon& addon) = 0;
        virtual void visitBuild(Build& build) = 0;
        virtual ~Visitor();
    };

    // One entry of the product list; lives only while the catalogue is read.
    struct VendorEntry {
        std::string id;
        std::string name;
        // The description's path relative to the update source; passed to the fetcher as
        // written, also when empty.
        std::string reference;
        bool lazy = false;
        // Product ids this product must not be installed with (product entries only).
        std::vector<std::string> incompatible;
    };

    // Reads the catalogue through `fetcher`, which is used only here. `sourceFileName` names
    // the product list; when empty, "products.inf3" is tried, then "versions.inf3". Raises
    // `error` or SelfUpgrade::NeedSelfUpgrade; nothing is handed out then.
    BuildManager(FileFetcher* fetcher, const std::string& sourceFileName);
    ~BuildManager();
    BuildManager(const BuildManager&) = delete;
    BuildManager& operator=(const BuildManager&) = delete;

    // Per release in order: visitRelease, visitBuild for each of its builds, leaveRelease;
    // then visitAddon for each add-on. An exception from the visitor ends the walk.
    void visit(Visitor& visitor) const;

    // The installation-state check of every release against the installed packages of `rep`.
    void checkInstallationState(Repository* rep);
    // Drops the releases that are not actual, then those of products that conflict with an
    // installed product (in either direction); the order of the rest stays.
    void removeNotActualReleases();

    // Lookups: a linear scan in catalogue order; "" / null / false when nothing matches. The
    // first three raise the "not checked" error of a release of that product never checked.
    std::string getInstalledVersion(const std::string& productId) const;
    std::string getInstalledReleaseId(const std::string& productId) const;
    // The installed release's version without epoch and release part.
    std::string getInstalledReleaseVersion(const std::string& productId) const;
    // The release with the highest version (the earlier one on a tie); never one of version 0.
    std::string getLatestReleaseId(const std::string& productId) const;
    std::shared_ptr<Product> getProduct(const std::string& productId) const;
    // Some release of the product is selected.
    bool hasProduct(const std::string& productId) const;
    // The first release with that id, of any product.
    std::shared_ptr<Release> findRelease(const std::string& releaseId) const;

    // Selects the release `releaseId` of `productId` and deselects the product's other
    // releases; with an empty product id, every release of any product with that id. Raises
    // (2,1,1,2) "There is no product with ID ..." or "There is no release with ID ... in ...".
    void selectRelease(const std::string& productId, const std::string& releaseId);
    void deselectAll();
    void deselectProduct(const std::string& productId);
    std::vector<std::string> getSelectedReleaseIds() const;

    // The release list itself: the web driver drops a release from it (removeWeakPtr).
    releases_t& getReleases() { return releases; }
    const releases_t& getReleases() const { return releases; }
    const addons_t& getAddons() const { return addons; }

private:
    std::vector<VendorEntry> parseVendors(TiXmlElement* root, std::vector<VendorEntry>& addonEntries);
    void parseIncompatibleWith(TiXmlElement* product, VendorEntry& entry);
    void loadSingleBuild(const std::string& path);
    void parseProduct(const VendorEntry& entry, const std::string& path);
    void parseRelease(TiXmlElement* element, const std::shared_ptr<Product>& product, const std::string& baseDir);
    std::shared_ptr<Build> parseBuild(const std::shared_ptr<Release>& parent, TiXmlElement* element,
                                      const std::string& baseDir);
    void parseBestWith(TiXmlElement* element, Release& release);
    void parseAddon(const VendorEntry& entry, const std::string& path);

    releases_t releases;
    addons_t addons;
    // The description being read; the release and build errors name it.
    std::string currentFile;
};

// Removes the element `item` points to from `list` (the first entry holding that object); no
// such entry leaves the list as it is. An empty list returns at once; otherwise an expired
// `item` raises boost::bad_weak_ptr.
template <class T>
void removeWeakPtr(std::vector<std::shared_ptr<T>>& list, const std::weak_ptr<T>& item) {
    for (auto it = list.begin(); it != list.end(); ++it) {
        const std::shared_ptr<T> target = item.lock();
        if (!target) throw boost::bad_weak_ptr();
        if (*it == target) {
            list.erase(it);
            return;
        }
    }
}

#endif
