#include "BuildManager.h"

#include <algorithm>
#include <set>

#include <tinyxml.h>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/checked_pointer"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../common/tinybind.h"
#include "../sources/FileFetcher.h"
#include "../updates/SelfUpgrade.h"
#include "BuildInfFile.h"

namespace {

const std::string& productIdOf(const Release& release) {
    return checked_pointer<Product>(release.product.get())->id;
}

std::string attributeOf(const TiXmlElement* element, const char* name) {
    const char* value = element->Attribute(name);
    return value ? value : "";
}

// The releases to drop because their product conflicts with an installed one. Only the first
// release of each product starts a search: all releases of a product share its installed
// version.
class to_remove : public BuildManager::Visitor {
public:
    typedef std::shared_ptr<Release> argument_type;
    typedef bool result_type;

    explicit to_remove(const BuildManager& catalogue) : catalogue(catalogue) {}

    void visitRelease(std::shared_ptr<Release> release) override {
        const std::string& productId = productIdOf(*release);
        if (!examined.insert(productId).second) return;
        const std::string installed = catalogue.getInstalledVersion(productId);
        if (installed.empty()) return;
        for (const std::shared_ptr<Release>& other : catalogue.getReleases()) {
            if (productIdOf(*other) == productId) continue;
            if (!release->is_incompatible_with(*other) && !other->is_incompatible_with(*release)) continue;
            if (marked.insert(other).second)
                Log(3) << "DEBUG: drop " << other->id << " because version " << installed << " of conflicting product '"
                       << productId << "' is allready installed.\n";
        }
    }
    void visitAddon(Addon&) override {}
    void visitBuild(Build&) override {}

    bool operator()(const std::shared_ptr<Release>& release) const { return marked.count(release) != 0; }

private:
    const BuildManager& catalogue;
    std::set<std::shared_ptr<Release>> marked;
    std::set<std::string> examined;
};

}  // namespace

void BuildManager::Visitor::leaveRelease(std::shared_ptr<Release>) {}

BuildManager::Visitor::~Visitor() {}

BuildManager::BuildManager(FileFetcher* fetcherPointer, const std::string& sourceFileName) {
    checked_pointer<FileFetcher> fetcher(fetcherPointer);
    Log(3) << "BuildManager::BuildManager: source_filename=" << sourceFileName << "\n";

    std::vector<std::string> candidates;
    if (sourceFileName.empty())
        candidates = {"products.inf3", "versions.inf3"};
    else
        candidates = {sourceFileName};
    std::string listPath;
    std::string failures;
    bool fetched = false;
    for (const std::string& candidate : candidates) {
        try {
            listPath = fetcher->getFile(candidate, "");
            fetched = true;
            break;
        } catch (const error& e) {
            failures += "Can't process " + candidate + ": " + e.text() + "\n";
        }
    }
    if (!fetched) throw error(1, 1, 1, 2) << Messages::getMessage("err_read_prodsinfo") << ": " << failures;

    try {
        std::vector<VendorEntry> products;
        std::vector<VendorEntry> addonEntries;
        {
            tinybind::Document list(listPath);
            TiXmlElement* root = list.rootElement("");
            const std::string& kind = root->ValueStr();
            if (kind == "vendors") {
                SelfUpgrade::check_required_VN_version(*root);
                products = parseVendors(root, addonEntries);
            } else if (kind == "product") {
                SelfUpgrade::check_required_VN_version(*root);
                // The list is itself a description: it is fetched again under its own name.
                VendorEntry entry;
                entry.id = attributeOf(root, "id");
                entry.name = attributeOf(root, "name");
                entry.reference = fileops::basename(listPath);
                products.push_back(entry);
            } else if (kind == "build") {
                loadSingleBuild(listPath);
            } else {
                throw error(1, 1, 1, 3) << "Unsupported config file";
            }
        }
        for (const VendorEntry& entry : products) parseProduct(entry, fetcher->getFile(entry.reference, ""));
        for (const VendorEntry& entry : addonEntries) parseAddon(entry, fetcher->getFile(entry.reference, ""));
    } catch (const tinybind::err& e) {
        // Also for an XML fault inside a product description: the list is what the user named.
        throw error(1, 1, 1, 2) << "Can't parse " << listPath << ": " << e.message;
    }
}

BuildManager::~BuildManager() {}

std::vector<BuildManager::VendorEntry> BuildManager::parseVendors(TiXmlElement* root,
                                                                  std::vector<VendorEntry>& addonEntries) {
    std::vector<VendorEntry> products;
    for (tinybind::Element vendor : tinybind::Element(root).children("vendor")) {
        for (tinybind::Element child : vendor.requiredChild("products").children("")) {
            const std::string& kind = child.element->ValueStr();
            if (kind != "product" && kind != "addon" && kind != "lazy_addon") continue;
            VendorEntry entry;
            entry.id = child.attribute("id");
            entry.name = child.attribute("name");
            entry.reference = child.attribute("reference");
            if (kind == "product") {
                parseIncompatibleWith(child.element, entry);
                products.push_back(entry);
            } else {
                entry.lazy = kind == "lazy_addon";
                addonEntries.push_back(entry);
            }
        }
    }
    return products;
}

void BuildManager::parseIncompatibleWith(TiXmlElement* product, VendorEntry& entry) {
    for (tinybind::Element other : tinybind::Element(product).children("incompatible_with"))
        entry.incompatible.push_back(other.requiredAttribute("prod_id"));
}

void BuildManager::loadSingleBuild(const std::string& path) {
    const BuildInfFile description(path, fileops::basename(path));

    std::string name = description.product_id;
    if (name == "tarnix")
        name = "Tarnix";
    else if (name == "mardell")
        name = "Mardell";
    else if (name == "vemdo")
        name = "VEMDO";

    auto product = std::make_shared<Product>(description.product_id, name, description.product_keypackages);
    product->upgradeCodes = description.upgrade_codes;
    product->productCodes = description.product_codes;
    auto release = std::make_shared<Release>(product, description.release_id, description.release_name,
                                             description.release_version, description.upgrade_allowed_from);
    release->addBuild(std::make_shared<Build>(release, description.os_name, description.os_vendor,
                                              description.os_version, description.os_arch,
                                              description.os_release_name, description.environment,
                                              fileops::basename(path), description.deprecated));
    releases.push_back(release);
}

void BuildManager::visit(Visitor& visitor) const {
    for (const std::shared_ptr<Release>& release : releases) {
        visitor.visitRelease(release);
        for (const std::shared_ptr<Build>& build : release->builds) visitor.visitBuild(*build);
        visitor.leaveRelease(release);
    }
    for (const std::shared_ptr<Addon>& addon : addons) visitor.visitAddon(*addon);
}

void BuildManager::checkInstallationState(Repository* rep) {
    for (const std::shared_ptr<Release>& release : releases) release->check_installation_state(rep);
}

void BuildManager::removeNotActualReleases() {
    Log(3) << "DEBUG: Removing not actual releases...\n";
    releases.erase(std::remove_if(releases.begin(), releases.end(),
                                  [](const std::shared_ptr<Release>& r) { return !r->is_actual(); }),
                   releases.end());
    to_remove conflicting(*this);
    visit(conflicting);
    releases.erase(std::remove_if(releases.begin(), releases.end(), std::cref(conflicting)), releases.end());
    Log(3) << "DEBUG: Removing not actual releases: done\n";
}

std::string BuildManager::getInstalledVersion(const std::string& productId) const {
    for (const std::shared_ptr<Release>& release : releases)
        if (productIdOf(*release) == productId && release->is_actual() && !release->getInstalledVersion().empty())
            return release->getInstalledVersion();
    return std::string();
}

std::string BuildManager::getInstalledReleaseId(const std::string& productId) const {
    for (const std::shared_ptr<Release>& release : releases)
        if (productIdOf(*release) == productId && release->is_installed()) return release->id;
    return std::string();
}

std::string BuildManager::getInstalledReleaseVersion(const std::string& productId) const {
    const std::string id = getInstalledReleaseId(productId);
    if (id.empty()) return std::string();
    for (const std::shared_ptr<Release>& release : releases)
        if (productIdOf(*release) == productId && release->id == id) return release->version.getVersion();
    return std::string();
}

std::string BuildManager::getLatestReleaseId(const std::string& productId) const {
    Version best("0");
    std::string latest;
    for (const std::shared_ptr<Release>& release : releases) {
        if (productIdOf(*release) != productId) continue;
        if (best.getVersion().empty() || release->version > best) {
            latest = release->id;
            best = release->version;
        }
    }
    return latest;
}

std::shared_ptr<Product> BuildManager::getProduct(const std::string& productId) const {
    for (const std::shared_ptr<Release>& release : releases)
        if (productIdOf(*release) == productId) return release->product;
    return nullptr;
}

bool BuildManager::hasProduct(const std::string& productId) const {
    for (const std::shared_ptr<Release>& release : releases)
        if (productIdOf(*release) == productId && release->selected) return true;
    return false;
}

std::shared_ptr<Release> BuildManager::findRelease(const std::string& releaseId) const {
    for (const std::shared_ptr<Release>& release : releases)
        if (release->id == releaseId) return release;
    return nullptr;
}

void BuildManager::selectRelease(const std::string& productId, const std::string& releaseId) {
    bool productFound = false;
    bool releaseFound = false;
    for (const std::shared_ptr<Release>& release : releases) {
        if (!productId.empty() && productIdOf(*release) != productId) continue;
        productFound = true;
        release->selected = release->id == releaseId;
        releaseFound = releaseFound || release->selected;
    }
    if (!productFound) throw error(2, 1, 1, 2) << "There is no product with ID " << productId;
    if (!releaseFound) throw error(2, 1, 1, 2) << "There is no release with ID " << releaseId << " in " << productId;
}

void BuildManager::deselectAll() {
    for (const std::shared_ptr<Release>& release : releases) release->selected = false;
}

void BuildManager::deselectProduct(const std::string& productId) {
    for (const std::shared_ptr<Release>& release : releases)
        if (productIdOf(*release) == productId) release->selected = false;
}

std::vector<std::string> BuildManager::getSelectedReleaseIds() const {
    std::vector<std::string> ids;
    for (const std::shared_ptr<Release>& release : releases)
        if (release->selected) ids.push_back(release->id);
    return ids;
}
