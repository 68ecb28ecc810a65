#include "MUInstalledDB.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "MUPatch.h"
#include "common/Log.h"
#include "common/error.h"
#include "common/fileops.h"
#include "common/tinybind.h"

namespace {

std::unique_ptr<MUInstalledDB> theDatabase;

error systemError(const std::string& text) { return error(4, 2, 2, 2) << text; }

}  // namespace

MUInstalledDB& MUInstalledDB::instance() {
    // Assigned only after a successful read: a failure is seen again on the next call.
    if (!theDatabase) theDatabase.reset(new MUInstalledDB());
    return *theDatabase;
}

std::string MUInstalledDB::dbFileName() { return get_home_dir() + "/.vantrell/microupdates.xml"; }

MUInstalledDB::MUInstalledDB() {
    const std::string path = dbFileName();
    if (fileops::exists(path)) load(path);
}

void MUInstalledDB::load(const std::string& path) {
    tinybind::Document document(path);
    tinybind::Element root(document.rootElement("patches"));
    for (tinybind::Element product : root.children("product")) {
        Entry& entry = prod(product.attribute("id"), product.attribute("version"));
        for (tinybind::Element patch : product.children("patch")) {
            try {
                Version version(patch.attribute("version"));
                entry.patches.emplace(version, patch.attribute("timestamp"));
            } catch (error& e) {
                e.qualify(0, 0, 0, 0) << "Can't read the installed patches database " << path;
                throw;
            }
        }
    }
}

MUInstalledDB::Entry& MUInstalledDB::prod(const std::string& id, const std::string& version) {
    for (Entry& e : entries)
        if (e.id == id && e.version == version) return e;
    Log(3) << "MUInstalledDB::prod new entry\n";
    entries.push_back(Entry{id, version, {}});
    return entries.back();
}

bool MUInstalledDB::isInstalled(const std::weak_ptr<MUPatch>& patch) const {
    std::shared_ptr<MUPatch> p = patch.lock();
    if (!p) throw internalError("MUInstalledDB", 1);
    return isInstalled(*p);
}

bool MUInstalledDB::isInstalled(const MUPatch& patch) const {
    for (const Entry& e : entries) {
        if (e.id != patch.productId || e.version != patch.productVersion) continue;
        for (const auto& recorded : e.patches)
            if (!(recorded.first < patch.version)) return true;
        return false;
    }
    return false;
}

void MUInstalledDB::setInstalled(const MUPatch& patch) {
    Log(3) << "MUInstalledDB::setInstalled: append " << patch.productId << "-" << patch.productVersion << "~patch"
           << patch.version.toString() << "\n";
    Entry& entry = prod(patch.productId, patch.productVersion);
    entry.patches.emplace(patch.version, patch.timestamp);
    keepLatestPatches();
    changed = true;
}

void MUInstalledDB::ensureProduct(const std::string& id, const std::string& version) {
    for (const Entry& e : entries)
        if (e.id == id && e.version == version) return;
    prod(id, version);
    changed = true;
}

void MUInstalledDB::keepLatestPatches() {
    for (Entry& e : entries)
        if (e.patches.size() > 1) e.patches.erase(e.patches.begin(), std::prev(e.patches.end()));
}

void MUInstalledDB::flush() {
    Log(3) << "MUInstalledDB::flush entry\n";
    if (!changed) return;
    save_db_to_file(dbFileName());
    changed = false;
}

void MUInstalledDB::save_db_to_file(const std::string& path) {
    Log(3) << "MUInstalledDB::save_db_to_file entry\n";
    if (entries.empty()) return;

    const std::string dir = fileops::dirname(path);
    // Another process may make the directory meanwhile: what counts is that it is one now.
    if (!fileops::is_directory(dir) && !fileops::exists(dir)) fileops::create_directory(dir);
    if (!fileops::is_directory(dir)) {
        const std::string text = "path " + dir + " exists, but it is not directory";
        Log(0) << "ERROR: " << text << "\n";
        throw systemError(text);
    }

    // The newest release version of each product id; ties keep the entry met first.
    std::map<std::string, const Entry*> newest;
    for (const Entry& e : entries) {
        auto it = newest.find(e.id);
        if (it == newest.end())
            newest.emplace(e.id, &e);
        else if (Version(it->second->version) < Version(e.version))
            it->second = &e;
    }

    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", "yes"));
    TiXmlElement* root = new TiXmlElement("patches");
    document.LinkEndChild(root);
    for (const Entry& e : entries) {
        if (e.patches.empty() || newest[e.id]->version != e.version) continue;
        TiXmlElement* product = new TiXmlElement("product");
        product->SetAttribute("id", e.id);
        product->SetAttribute("version", e.version);
        for (const auto& p : e.patches) {
            TiXmlElement* patch = new TiXmlElement("patch");
            patch->SetAttribute("version", p.first.getVersionString());
            patch->SetAttribute("timestamp", p.second);
            product->LinkEndChild(patch);
        }
        root->LinkEndChild(product);
    }

    std::string tmp = dir + "/mudbXXXXXX";
    int fd = ::mkstemp(&tmp[0]);
    if (fd < 0) {
        int e = errno;
        Log(3) << "DEBUG: mkstemp with template '" << dir + "/mudbXXXXXX" << "' failed.\n";
        throw systemError(std::string("Can't generate unique file name with mkstemp: ") + std::strerror(e));
    }
    // Everything goes through the descriptor and is on disk before the rename: a full disk
    // must never put a truncated file in place of a good one.
    FILE* out = ::fdopen(fd, "w");
    if (!out) {
        ::close(fd);
        throw systemError("Can't store installed patches DB to XML file " + tmp);
    }
    bool written = document.SaveFile(out) && std::fflush(out) == 0 && ::fsync(fileno(out)) == 0;
    if (!written) {
        std::fclose(out);
        throw systemError("Can't store installed patches DB to XML file " + tmp);
    }
    if (std::fclose(out) != 0) {
        int e = errno;
        throw systemError(std::string("Can't close descriptor of tmp file: ") + std::strerror(e));
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        int e = errno;
        throw systemError("Can't overwrite " + path + ": " + std::strerror(e));
    }
}
