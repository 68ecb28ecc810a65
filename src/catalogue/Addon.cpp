#include "Addon.h"

#include "../common/Log.h"
#include "../common/checked_pointer"
#include "../common/error.h"
#include "Product.h"
#include "Release.h"

namespace {

const char* const sourceName = "Addon";
const int lineNoCompatibility = 77;

}  // namespace

Addon::Addon(const std::string& id, const std::string& name, const std::string& version, bool lazy)
    : id(id), name(name), version(version), lazy(lazy) {}

void Addon::addCompatible(const std::string& productId, const std::string& from, const std::string& to) {
    Log(3) << "DEBUG: Addon::addCompatible: prod_id=" << productId << ", from=" << from << ", to=" << to << "\n";
    try {
        compatibility.push_back(Compatibility{productId, Version(from), Version(to)});
    } catch (error& e) {
        e.qualify(0, 0, 0, 0) << "Wrong addon's compat info: " << productId << "  from " << from << " to " << to;
        throw;
    }
}

bool Addon::applicableTo(const Release& release) const {
    if (compatibility.empty()) throw internalError(sourceName, lineNoCompatibility);
    const std::string& productId = checked_pointer<Product>(release.product.get())->id;
    for (const Compatibility& entry : compatibility) {
        if (entry.productId != productId) continue;
        Log(3) << "Addon::applicableTo: release " << release.version.toString() << ", addon applicable from "
               << entry.from << " to " << entry.to << "\n";
        if (release.version < entry.from) {
            Log(3) << "DEBUG: Addon::applicableTo: version too low for " << *this << "\n";
            continue;
        }
        if (release.version > entry.to) {
            Log(3) << "DEBUG: Addon::applicableTo: version too high for " << *this << "\n";
            continue;
        }
        Log(3) << "DEBUG: Addon::applicableTo: merge addon " << *this << " because it fit for release " << release
               << "\n";
        return true;
    }
    return false;
}

std::ostream& operator<<(std::ostream& out, const Addon& addon) { return out << addon.id; }
