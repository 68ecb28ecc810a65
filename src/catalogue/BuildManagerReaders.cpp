// The readers of product and add-on descriptions, run while a BuildManager is constructed.
// Product descriptions are strict: any fault ends the construction. Add-on descriptions are
// tolerant: a fault ends the reading of that one file, and what was read before it stays.
#include "BuildManager.h"

#include <sstream>

#include <boost/format.hpp>
#include <tinyxml.h>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../common/tinybind.h"
#include "../updates/SelfUpgrade.h"

namespace {

// (1,1,1,3) with the catalogue text of `key` filled with the arguments in order.
template <class... Args>
error descriptionError(const char* key, const Args&... args) {
    boost::format text(Messages::getMessage(key));
    (void)std::initializer_list<int>{((void)(text % args), 0)...};
    error e(1, 1, 1, 3);
    e << text.str();
    return e;
}

// The value of a required attribute; its absence raises `key` with the file and location.
std::string required(const TiXmlElement* element, const char* name, const char* key, const std::string& file,
                     const std::string& location) {
    const char* value = element->Attribute(name);
    if (!value) throw descriptionError(key, file, location);
    return value;
}

std::string optional(const TiXmlElement* element, const char* name) {
    const char* value = element->Attribute(name);
    return value ? value : "";
}

// The "src" of the first `name` child; "" without one.
std::string firstSource(const TiXmlElement* product, const char* name) {
    const TiXmlElement* element = product->FirstChildElement(name);
    return element ? optional(element, "src") : std::string();
}

}  // namespace

void BuildManager::parseProduct(const VendorEntry& entry, const std::string& path) {
    currentFile = path;
    Log(3) << "Try to read and parse " << path << "\n";
    TiXmlDocument document;
    if (!document.LoadFile(path.c_str())) throw descriptionError("err_inf3_parse", path, document.ErrorDesc());
    TiXmlElement* root = document.RootElement();
    if (!root) throw descriptionError("err_inf3_root", path);
    if (root->ValueStr() != "product") throw descriptionError("err_inf3_nonprod", path);
    if (optional(root, "id").empty()) throw descriptionError("err_inf3_noid", path);
    SelfUpgrade::check_required_VN_version(*root);

    std::vector<std::vector<std::string>> keyPackages;
    std::vector<std::string> upgradeCodes;
    std::vector<std::string> productCodes;
    for (tinybind::Element group : tinybind::Element(root).children("keypackages")) {
        std::vector<std::string> names;
        for (tinybind::Element name : group.children("keypackage")) names.push_back(name.text());
        for (tinybind::Element code : group.children("upgrade_code")) upgradeCodes.push_back(code.text());
        for (tinybind::Element code : group.children("product_code")) productCodes.push_back(code.text());
        keyPackages.push_back(names);
    }
    // The installed version is searched from the first group on; an empty one finds nothing.
    if (keyPackages.empty() || keyPackages.front().empty()) throw descriptionError("err_prod_keypkg", path);

    auto product = std::make_shared<Product>(entry.id, entry.name, keyPackages);
    product->upgradeCodes = upgradeCodes;
    product->productCodes = productCodes;
    product->incompatibleProducts = entry.incompatible;
    product->activeIcon = firstSource(root, "active_icon");
    product->disabledIcon = firstSource(root, "disabled_icon");
    product->productSite = firstSource(root, "product_site");

    if (!root->FirstChildElement("release")) throw descriptionError("err_inf3_norel", path);
    const std::string baseDir = fileops::dirname(entry.reference);
    for (TiXmlElement* release = root->FirstChildElement("release"); release;
         release = release->NextSiblingElement("release"))
        parseRelease(release, product, baseDir);
}

void BuildManager::parseRelease(TiXmlElement* element, const std::shared_ptr<Product>& product,
                                const std::string& baseDir) {
    std::ostringstream location;
    location << " (row " << element->Row() << ", col " << element->Column() << ")";
    const std::string id = required(element, "id", "err_inf3_relid", currentFile, location.str());
    const std::string name = required(element, "name", "err_inf3_relname", currentFile, location.str());
    const std::string version = required(element, "version", "err_inf3_relver", currentFile, location.str());
    const std::string from = required(element, "upgrade_allowed_from", "err_inf3_upgalw", currentFile, location.str());

    auto release = std::make_shared<Release>(product, id, name, version, from);
    if (const char* url = element->Attribute("details_url")) release->detailsUrl = url;
    for (TiXmlElement* build = element->FirstChildElement("build"); build; build = build->NextSiblingElement("build"))
        release->addBuild(parseBuild(release, build, baseDir));
    if (release->builds.empty()) {
        Log(1) << "In release " << id << " no builds\n";
        return;
    }
    parseBestWith(element, *release);
    releases.push_back(release);
}

std::shared_ptr<Build> BuildManager::parseBuild(const std::shared_ptr<Release>& parent, TiXmlElement* element,
                                                const std::string& baseDir) {
    std::ostringstream where;
    where << " (" << currentFile << ": row " << element->Row() << ", col " << element->Column() << ")";
    const std::string location = where.str();
    const std::string osName = required(element, "os_name", "err_inf3_osname", currentFile, location);
    const std::string osVendor = required(element, "os_vendor", "err_inf3_vndr", currentFile, location);
    const std::string osVersion = required(element, "os_version", "err_inf3_osver", currentFile, location);
    const std::string osArch = required(element, "os_arch", "err_inf3_osarch", currentFile, location);
    const std::string environment = optional(element, "environment");
    std::string config = required(element, "config", "err_inf3_bcfg", currentFile, location);
    if (!baseDir.empty()) config = baseDir + "/" + config;

    auto build = std::make_shared<Build>(parent, osName, osVendor, osVersion, osArch, "", environment, config,
                                         optional(element, "deprecated"));
    build->base_dir = baseDir;
    if (const char* patches = element->Attribute("patches")) build->patches.push_back(patches);
    return build;
}

void BuildManager::parseBestWith(TiXmlElement* element, Release& release) {
    TiXmlElement* info = element->FirstChildElement("compatibility_info");
    if (!info) {
        Log(3) << "parseBestWith: no compatibility info in " << release.name << "\n";
        return;
    }
    for (tinybind::Element bestWith : tinybind::Element(info).children("best_with")) {
        const std::string productId = bestWith.attribute("product_id");
        if (productId.empty()) throw error() << "Empty prod_id in best_with";
        for (tinybind::Element version : bestWith.children("version")) {
            const std::string text = version.text();
            if (text.empty()) throw error() << "Empty version in prod_id=" << productId << " in best_with";
            Log(3) << "parseBestWith: product " << release.name << " best with " << productId << " " << text << "\n";
            release.addBestWith(productId, text);
        }
    }
}

void BuildManager::parseAddon(const VendorEntry& entry, const std::string& path) {
    currentFile = path;
    Log(3) << "DEBUG: BuildManager::parseAddon: " << path << "\n";
    try {
        tinybind::Document document(path);
        tinybind::Element root(document.rootElement("addon"));
        const std::string baseDir = fileops::dirname(entry.reference);
        for (tinybind::Element release : root.children("release")) {
            auto addon = std::make_shared<Addon>(release.attribute("id"), release.attribute("name"),
                                                 release.attribute("version"), entry.lazy);
            TiXmlElement* info = release.element->FirstChildElement("compatibility_info");
            if (!info) throw error(1, 1, 1, 3) << "Absent compatibility_info in addon";
            for (tinybind::Element compatible : tinybind::Element(info).children("compatible"))
                addon->addCompatible(compatible.attribute("product_id"), compatible.attribute("from_version"),
                                     compatible.attribute("to_version"));
            if (!addon->hasCompatibilityInfo())
                throw error(1, 1, 1, 3) << "Absent compatible info in addon " << release.attribute("id");
            addons.push_back(addon);
            for (tinybind::Element build : release.children("build")) {
                addon->builds.push_back(parseBuild(nullptr, build.element, baseDir));
                Log(3) << "Addon add build " << *addon->builds.back() << "\n";
            }
            if (addon->builds.empty()) Log(1) << "In Addon " << addon->id << " no builds\n";
        }
    } catch (const error& e) {
        Log(2) << "Error in parse " << path << ": " << e.text();
    } catch (const tinybind::err& e) {
        Log(2) << "Error in parse " << path << ": " << e.message << "\n";
    }
}
