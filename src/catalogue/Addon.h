#ifndef VN_CATALOGUE_ADDON_H
#define VN_CATALOGUE_ADDON_H

#include <ostream>
#include <string>
#include <vector>

#include "../packages/Version.h"
#include "BuildList.h"

class Release;

// An add-on product: its builds and the product versions it fits.
class Addon {
public:
    // Product versions the add-on fits, both bounds included.
    struct Compatibility {
        std::string productId;
        Version from;
        Version to;
    };

    Addon(const std::string& id, const std::string& name, const std::string& version, bool lazy);

    // Parses both bounds and appends the entry. A parse error gets the line "Wrong addon's
    // compat info: ..." and passes on; nothing is appended then.
    void addCompatible(const std::string& productId, const std::string& from, const std::string& to);
    bool hasCompatibilityInfo() const { return !compatibility.empty(); }
    const std::vector<Compatibility>& getCompatibility() const { return compatibility; }

    // Whether some entry of the release's product takes the release's version. Without any
    // entry, an internal error: the readers never make such an add-on.
    bool applicableTo(const Release& release) const;

    std::string id;
    std::string name;
    // As the catalogue writes it; never compared.
    std::string version;
    // Listed as a lazy add-on: build loading treats its builds apart.
    bool lazy;
    BuildList builds;

private:
    std::vector<Compatibility> compatibility;
};

// The add-on's id.
std::ostream& operator<<(std::ostream& out, const Addon& addon);

#endif
