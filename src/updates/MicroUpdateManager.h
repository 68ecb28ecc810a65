#ifndef VN_UPDATES_MICROUPDATEMANAGER_H
#define VN_UPDATES_MICROUPDATEMANAGER_H

#include <list>
#include <memory>
#include <set>
#include <string>

#include "../common/checked_pointer"

class Build;
class BuildManager;
class ComponentManager;
class FileFetcher;
class Installer;
class MUEntityFile;
class MUPatch;
class Repository;
class TiXmlElement;
class VnComponent;

// The patches of a run: read from the patch descriptions of every loaded build, grouped by
// product version, and installed in place of single files of installed products. Every item
// of every accepted patch is prepared (downloaded, owner resolved) before any file is
// replaced; applied patches are recorded in the installed-patches database.
//
// The database is saved by apply(), cleanInstalledMUDB() and finish(). Drivers call finish()
// when they drop the manager, also when an error unwinds; a manager destroyed without it
// saves in its destructor and only logs a failure there.
class MicroUpdateManager {
public:
    // Orders patches by version; two patches of equal versions are one element.
    struct ByVersion {
        bool operator()(const std::shared_ptr<MUPatch>& a, const std::shared_ptr<MUPatch>& b) const;
    };
    typedef std::set<std::shared_ptr<MUPatch>, ByVersion> PatchSet;

    // The patches of one product version.
    struct ProductPatches {
        std::string id;
        // As the patch description writes it.
        std::string version;
        PatchSet patches;

        // "<id>-<version>", as log lines name the entry.
        std::string name() const { return id + "-" + version; }
    };

    // A walk over the accepted patches (see accept()).
    class Visitor {
    public:
        virtual ~Visitor();
        // The patch stays alive during the walk: the manager owns it.
        virtual void visit(const std::weak_ptr<MUPatch>& patch, VnComponent& base) = 0;
    };

    // Neither is owned. With "--reinstall-patch" installed patches are accepted again.
    MicroUpdateManager(FileFetcher* fetcher, ComponentManager* components);
    // Never throws; see finish().
    ~MicroUpdateManager();
    MicroUpdateManager(const MicroUpdateManager&) = delete;
    MicroUpdateManager& operator=(const MicroUpdateManager&) = delete;

    // Saves the installed-patches database; a failure is raised to the caller. Patches applied
    // before a failed apply() are written here too.
    void finish();

    void setForceReinstall();
    bool isForceReinstall() const { return forceReinstall; }

    // Reads the build's patch descriptions, in order (the build must be alive). An XML error
    // of a description (not well-formed, no root, root not "patches") leaves as tinybind::err;
    // every other failure of a description is logged and drops the rest of that file.
    void loadBuildPatches(const std::weak_ptr<Build>& build);
    void parseUrl(const std::weak_ptr<Build>& build, const std::string& path);

    // Hands every patch still to install (every patch, with the force flag) with the base
    // component of its product to the visitor. Products whose components are not loaded, or
    // are loaded for another release version, are skipped.
    void accept(Visitor& visitor) const;
    bool isNeedPatch() const;
    // Flags the base component of each product that has patches to install.
    void markComponentsWithMicroUpdates() const;
    // Prepares every accepted patch, then applies them, saves the database and restarts the
    // control panel's service. A failure leaves at once: after a prepare failure nothing is
    // replaced; after an apply failure the patches applied before stay recorded in memory.
    void apply(const Installer* installer, Repository* repository);
    // Records every selected release of the catalogue in the database and saves it.
    void cleanInstalledMUDB(const BuildManager* buildManager);

    const std::list<ProductPatches>& getProducts() const { return products; }

private:
    bool match_product(TiXmlElement* product, const std::weak_ptr<Build>& build, std::string& id,
                       std::string& version) const;
    void parse_patch(const std::weak_ptr<MUPatch>& patch, TiXmlElement* element, const std::string& basePath) const;
    void parse_file_entity(const std::weak_ptr<MUPatch>& patch, TiXmlElement* element,
                           const std::string& basePath) const;
    static void parse_unix_permissions(MUEntityFile& file, TiXmlElement* permissions);
    ProductPatches& findOrAddProduct(const std::string& id, const std::string& version);
    void keepNewestPatches();
    static void restart_panel_service();

    FileFetcher* fetcher;
    checked_pointer<ComponentManager> components;
    std::list<ProductPatches> products;
    bool forceReinstall;
    bool finished;
};

// " (line L column C)" of an element, as the XML parser counts them (from 1).
std::string element_location(const TiXmlElement* element);

#endif
