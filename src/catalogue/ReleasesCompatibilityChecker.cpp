#include "ReleasesCompatibilityChecker.h"

#include <algorithm>

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/checked_pointer"
#include "../common/error.h"

namespace {

const char* const sourceName = "ReleasesCompatibilityChecker";
const int lineSameProduct = 98;

const Product& productOf(const Release& release) { return *checked_pointer<Product>(release.product.get()); }

}  // namespace

ReleasesCompatibilityChecker::ReleasesCompatibilityChecker(const BuildManager* catalogue, Repository* repository)
    : catalogue(catalogue), repository(repository) {
    Log(3) << "DEBUG: Checking selected releases for compatibility with each others.\n";
}

void ReleasesCompatibilityChecker::visitRelease(std::shared_ptr<Release> releasePointer) {
    const Release& a = *checked_pointer<Release>(releasePointer.get());
    if (!a.is_actual()) {
        Log(3) << a << " not actual, skip check\n";
        return;
    }
    if (a.is_installed()) {
        Log(3) << a << " is currently installed, skip check\n";
        return;
    }
    if (!a.selected) {
        Log(3) << a << " not checked, skip check\n";
        return;
    }
    Log(3) << "ReleasesCompatibilityChecker: check " << a << "\n";

    const Product& product = productOf(a);
    for (const std::shared_ptr<Release>& other : checked_pointer<const BuildManager>(catalogue)->getReleases()) {
        const Release& b = *checked_pointer<Release>(other.get());
        // Releases of one product are alternatives, never installed together.
        if (productOf(b).id == product.id) continue;
        if (b.is_installed()) {
            Log(3) << "  secondary " << b << " is current, skip\n";
            continue;
        }
        if (!b.selected) {
            Log(3) << "  secondary " << b << " is not checked for install, skip\n";
            continue;
        }
        Log(3) << "  secondary is " << b << " checked and current, check it\n";
        const std::vector<std::string>& incompatible = product.incompatibleProducts;
        if (std::find(incompatible.begin(), incompatible.end(), productOf(b).id) != incompatible.end())
            addIncompatibility(a, b);
        if (isBestWith(a, b)) reportBest(a, b);
    }
}

void ReleasesCompatibilityChecker::visitAddon(Addon&) {}

void ReleasesCompatibilityChecker::visitBuild(Build&) {}

void ReleasesCompatibilityChecker::addIncompatibility(const Release& a, const Release& b) {
    if (!errors.str().empty()) errors << "\n";
    errors << boost::format(Messages::getMessage("err_incompatible_products")) % productOf(a).name % productOf(b).name;
}

bool ReleasesCompatibilityChecker::isBestWith(const Release& a, const Release& b) const {
    const std::string& productId = productOf(a).id;
    const std::string& otherId = productOf(b).id;
    if (productId == otherId) throw internalError(sourceName, lineSameProduct);
    Log(3) << "  debug: ReleasesCompatibilityChecker::isBestWith: have products " << a << " and " << b
           << " any best with link?... ";
    for (const std::shared_ptr<Release>& release : checked_pointer<const BuildManager>(catalogue)->getReleases()) {
        if (productOf(*release).id != productId) continue;
        if (release->bestWith.count(otherId) != 0) {
            Log(3) << "yes \n";
            return true;
        }
    }
    Log(3) << "no \n";
    return false;
}

void ReleasesCompatibilityChecker::reportBest(const Release& a, const Release& b) {
    Log(3) << "  ReleasesCompatibilityChecker::reportBest: here I need report that " << a << " fit to " << b << "\n";
    Log(3) << "    ReleasesCompatibilityChecker::reportBest: iterate by " << a << " best_with records \n";
    const Product& other = productOf(b);
    const Version none("0.0");
    Version best = none;
    for (const auto& pair : a.bestWith) {
        Log(3) << "   iter: " << pair.first << " - " << pair.second << "\n";
        if (pair.first != other.id) continue;
        const Version current(pair.second);
        Log(3) << "    check: currVersion=" << current.toString() << "\n";
        if (current == b.version) {
            // The selected version is one the release names: nothing to suggest.
            Log(3) << "   currVersion == b->ver() == " << b.version.toString() << " - bestMatch set to true \n";
            return;
        }
        if (best == none) {
            best = current;
            Log(3) << "     bestVersion is None, = currVersion, " << best.toString() << "\n";
        }
        if (current > best) {
            best = current;
            Log(3) << "     currVersion > bestVersion, bestVersion = currVersion, " << best.toString() << "\n";
        }
    }
    if (best == none) return;

    std::ostringstream sentence;
    sentence << a << " works better with " << other.name << " " << best.toString() << ", but " << b
             << " was selected";
    Log(3) << sentence.str() << "\n";
    warnings << "\n" << sentence.str();

    const Product& product = productOf(a);
    auto entry = std::find_if(bestWith.begin(), bestWith.end(),
                              [&product](const BestWithProduct& p) { return p.id == product.id; });
    if (entry == bestWith.end()) {
        BestWithProduct added;
        added.id = product.id;
        added.description = product.name;
        added.version = a.version.getVersion();
        bestWith.push_back(added);
        entry = bestWith.end() - 1;
    }
    BestWithSuggestion suggestion;
    suggestion.id = other.id;
    suggestion.description = other.name;
    suggestion.version = best.getVersion();
    suggestion.instead_of = b.version.getVersion();
    entry->bestwith.push_back(suggestion);
}

bool ReleasesCompatibilityChecker::isError() const { return !errors.str().empty(); }

bool ReleasesCompatibilityChecker::isWarning() const { return !warnings.str().empty(); }

std::string ReleasesCompatibilityChecker::errorText() const { return errors.str(); }

std::string ReleasesCompatibilityChecker::warningText() const { return warnings.str(); }

const std::vector<BestWithProduct>& ReleasesCompatibilityChecker::bestWithInfo() const { return bestWith; }
