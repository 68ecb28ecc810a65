#ifndef VN_UPDATES_MUINSTALLEDDB_H
#define VN_UPDATES_MUINSTALLEDDB_H

#include <list>
#include <map>
#include <memory>
#include <string>

#include "packages/Version.h"

class MUPatch;

// Which patches are applied to which installed product version: one XML file in the home
// directory of the user running the program, read on first use and written back on flush.
class MUInstalledDB {
public:
    struct Entry {
        std::string id;
        std::string version;
        // Patch version (rpm rules; equal versions are one key) to the patch's timestamp.
        std::map<Version, std::string> patches;
    };

    // The process-wide database, read on the first call. A read that fails leaves no object,
    // so the next call reads the file again.
    static MUInstalledDB& instance();

    // True when the patch's product entry records a version >= the patch's.
    bool isInstalled(const std::weak_ptr<MUPatch>& patch) const;
    bool isInstalled(const MUPatch& patch) const;
    void setInstalled(const MUPatch& patch);
    // Creates the entry when missing (and only then marks the database changed).
    void ensureProduct(const std::string& id, const std::string& version);
    // The entry of that product id and release version; a new empty one when none matches.
    Entry& prod(const std::string& id, const std::string& version);
    // Writes the file when something changed. The flag stays set when the write fails.
    void flush();
    void save_db_to_file(const std::string& path);

    static std::string dbFileName();

    bool isChanged() const { return changed; }
    const std::list<Entry>& getEntries() const { return entries; }

private:
    MUInstalledDB();
    MUInstalledDB(const MUInstalledDB&) = delete;
    MUInstalledDB& operator=(const MUInstalledDB&) = delete;

    void load(const std::string& path);
    void keepLatestPatches();

    std::list<Entry> entries;
    bool changed = false;
};

#endif
