// Reading patch descriptions into the patch manager.
#include <memory>
#include <sstream>
#include <string>

#include <boost/format.hpp>
#include <tinyxml.h>

#include "MUEntityFile.h"
#include "MUPatch.h"
#include "MicroUpdateManager.h"
#include "catalogue/Build.h"
#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "common/Log.h"
#include "common/Messages.h"
#include "common/error.h"
#include "common/fileops.h"
#include "common/tinybind.h"
#include "sources/FileFetcher.h"
#include "sources/SourceUrl.h"

namespace {

const char* const sourceName = "MicroUpdateManager";
const int lineNoPackage = 262;
const int lineNoBuild = 231;

// The directory of a description path with its "/"; "/" for a path without one.
std::string basePathOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return "/";
    return path.substr(0, slash + 1);
}

std::string attribute(const TiXmlElement* element, const char* name) {
    const char* value = element->Attribute(name);
    return value ? value : std::string();
}

// Only the exact text "true" sets a permission bit.
int bit(const TiXmlElement* element, const char* name, int value) {
    return attribute(element, name) == "true" ? value : 0;
}

}  // namespace

std::string element_location(const TiXmlElement* element) {
    return " (line " + std::to_string(element->Row()) + " column " + std::to_string(element->Column()) + ")";
}

void MicroUpdateManager::loadBuildPatches(const std::weak_ptr<Build>& build) {
    const std::shared_ptr<Build> alive = build.lock();
    if (!alive) throw internalError(sourceName, lineNoBuild);
    for (const std::string& path : alive->patches) parseUrl(build, path);
}

void MicroUpdateManager::parseUrl(const std::weak_ptr<Build>& build, const std::string& path) {
    Log(3) << "MicroUpdateManager::parseUrl: " << path << "\n";
    try {
        // No MD5 is known for a description: it is fetched anew on every call.
        const std::string local = checked_pointer<FileFetcher>(fetcher)->getFile(path, "");
        // XML errors (tinybind::err) are not `error`s: they leave for the build loader.
        tinybind::Document document(local);
        TiXmlElement* root = document.rootElement("patches");
        for (TiXmlElement* product = root->FirstChildElement("product"); product;
             product = product->NextSiblingElement("product")) {
            std::string id;
            std::string version;
            if (!match_product(product, build, id, version)) {
                std::ostringstream buildText;
                buildText << *build.lock();
                Log(2) << "Skipping the patch " << path << " because it is incompatible with " << buildText.str()
                       << "\n";
                // The rest of the file is foreign too; what earlier elements added stays as read.
                return;
            }
            for (TiXmlElement* element = product->FirstChildElement("patch"); element;
                 element = element->NextSiblingElement("patch")) {
                auto patch = std::make_shared<MUPatch>(id, version, attribute(element, "version"),
                                                       attribute(element, "timestamp"));
                parse_patch(patch, element, basePathOf(path));
                // A patch of a version already there leaves the entry as it is.
                findOrAddProduct(id, version).patches.insert(patch);
            }
        }
    } catch (const error& e) {
        Log(0) << "Unable to process patch config: " << path << ": " << e.text() << "\n";
    }
    keepNewestPatches();
}

bool MicroUpdateManager::match_product(TiXmlElement* product, const std::weak_ptr<Build>& build, std::string& id,
                                       std::string& version) const {
    id = attribute(product, "id");
    version = attribute(product, "version");
    const std::shared_ptr<Build> alive = build.lock();
    const std::shared_ptr<Release> release = alive ? alive->getParent() : nullptr;
    if (!release || !release->product) throw internalError(sourceName, lineNoBuild);
    if (id != release->product->id) return false;
    return Version(version) == release->version;
}

void MicroUpdateManager::parse_patch(const std::weak_ptr<MUPatch>& patch, TiXmlElement* element,
                                     const std::string& basePath) const {
    TiXmlElement* package = element->FirstChildElement("package");
    if (!package) throw internalError(sourceName, lineNoPackage);
    for (TiXmlElement* item = package->FirstChildElement(); item; item = item->NextSiblingElement()) {
        const std::string location = element_location(item);
        try {
            const std::string type = item->ValueStr();
            if (type == "file") {
                parse_file_entity(patch, item, basePath);
            } else if (type == "action" || type == "script" || type == "set_permissions") {
                throw error(1, 1, 1, 3) << "stub: not implemented";
            } else {
                throw error(1, 1, 1, 3) << "Unsupported item type: " << type << " " << location;
            }
        } catch (error& e) {
            e.qualify(1, 1, 1, 3) << "Failed to parse the patch file at " << location;
            throw;
        } catch (...) {
            throw error(1, 1, 1, 3) << "Failed to parse the patch file at " << location;
        }
    }
}

void MicroUpdateManager::parse_file_entity(const std::weak_ptr<MUPatch>& patch, TiXmlElement* element,
                                           const std::string& basePath) const {
    const std::string md5 = attribute(element, "md5");
    if (md5.empty())
        throw error(1, 1, 1, 3) << "parse error: attribute 'md5' is empty at " << element_location(element);
    const std::string name = attribute(element, "name");
    const std::string target = attribute(element, "target");
    // Both names come from the network and the file is replaced as root: the replacement must
    // come from the source's directory, and the target must be the very file it names.
    if (fileops::hasParentComponent(name))
        throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_misfile")) % (basePath + name);
    if (!isAbsolutePath(target) || fileops::hasParentComponent(target))
        throw error(1, 1, 1, 3) << "parse error: attribute 'target' is not an absolute path without '..' at "
                                << element_location(element);
    auto file = std::make_shared<MUEntityFile>(fetcher, basePath + name, target, md5);
    Log(3) << "DEBUG: parse_file_entity: " << name << "\n";
    if (TiXmlElement* permissions = element->FirstChildElement("permissions"))
        parse_unix_permissions(*file, permissions);
    std::shared_ptr<MUPatch> owner = patch.lock();
    if (!owner) throw internalError(sourceName, lineNoPackage);
    owner->addItem(file);
}

void MicroUpdateManager::parse_unix_permissions(MUEntityFile& file, TiXmlElement* permissions) {
    int mode = bit(permissions, "sticky", 01000);
    const TiXmlElement* user = permissions->FirstChildElement("user");
    if (!user)
        throw error(1, 1, 1, 3) << "incorrect access permissions are defined for the file: no user is specified at "
                                << element_location(permissions);
    const std::string owner = attribute(user, "name");
    mode |= bit(user, "read", 0400) | bit(user, "write", 0200) | bit(user, "exec", 0100) | bit(user, "suid", 04000);
    const TiXmlElement* group = permissions->FirstChildElement("group");
    if (!group)
        throw error(1, 1, 1, 3) << "incorrect access permissions are defined for the file: "
                                << "no group is specified at " << element_location(permissions);
    const std::string groupName = attribute(group, "name");
    mode |= bit(group, "read", 040) | bit(group, "write", 020) | bit(group, "exec", 010) | bit(group, "suid", 02000);
    const TiXmlElement* others = permissions->FirstChildElement("others");
    if (!others)
        throw error(1, 1, 1, 3) << "incorrect file access permissions for all other users at "
                                << element_location(permissions);
    mode |= bit(others, "read", 04) | bit(others, "write", 02) | bit(others, "exec", 01);
    std::ostringstream octal;
    octal << std::oct << mode;
    Log(3) << "DEBUG: parse_unix_permissions: mode=" << octal.str() << "\n";
    file.setPermissions(owner, groupName, mode);
}

MicroUpdateManager::ProductPatches& MicroUpdateManager::findOrAddProduct(const std::string& id,
                                                                         const std::string& version) {
    for (ProductPatches& entry : products)
        if (entry.id == id && entry.version == version) return entry;
    products.push_back(ProductPatches{id, version, PatchSet()});
    return products.back();
}

void MicroUpdateManager::keepNewestPatches() {
    for (ProductPatches& entry : products)
        if (entry.patches.size() > 1) entry.patches.erase(entry.patches.begin(), std::prev(entry.patches.end()));
}
