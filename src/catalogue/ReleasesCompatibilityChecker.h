#ifndef VN_CATALOGUE_RELEASESCOMPATIBILITYCHECKER_H
#define VN_CATALOGUE_RELEASESCOMPATIBILITYCHECKER_H

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BuildManager.h"

class Repository;

// A product version that a selected release prefers over the one the user selected.
struct BestWithSuggestion {
    // The other selected release's product.
    std::string id;
    std::string description;
    // Version part (no epoch, no release) of the preferred version.
    std::string version;
    // Version part of the other selected release's version.
    std::string instead_of;
};

// The preferences of one examined product; the web back end sends these to the browser.
struct BestWithProduct {
    std::string id;
    std::string description;
    // Version part of the examined release's version.
    std::string version;
    // In the order they were found.
    std::vector<BestWithSuggestion> bestwith;
};

// Compares every selected release with every other selected release of another product:
// products the catalogue declares incompatible give an error line, and a release that names
// a preferred version of another selected product, other than the selected one, gives a
// warning line and a best-with entry. The catalogue and the selection are left as they are;
// the caller decides what the texts mean. Run it once with BuildManager::visit, then read it.
//
// The installation state of every release must have been checked before the walk.
class ReleasesCompatibilityChecker : public BuildManager::Visitor {
public:
    // Neither pointer is owned. The repository is only kept.
    ReleasesCompatibilityChecker(const BuildManager* catalogue, Repository* repository);
    ReleasesCompatibilityChecker(const ReleasesCompatibilityChecker&) = delete;
    ReleasesCompatibilityChecker& operator=(const ReleasesCompatibilityChecker&) = delete;

    // The whole check happens here; each direction of a pair is examined on its own visit.
    void visitRelease(std::shared_ptr<Release> release) override;
    void visitAddon(Addon& addon) override;
    void visitBuild(Build& build) override;

    bool isError() const;
    bool isWarning() const;
    // One line per incompatible (examined, other) pair, joined by "\n".
    std::string errorText() const;
    // Every entry begins with "\n".
    std::string warningText() const;
    // At most one entry per examined product, in the order of their first suggestion.
    const std::vector<BestWithProduct>& bestWithInfo() const;

    // Whether any release of a's product (not only a) names a preferred version of b's
    // product. Two releases of one product are the internal error.
    bool isBestWith(const Release& a, const Release& b) const;

private:
    // Warns when a's own pairs prefer another version of b's product than b's, unless one of
    // them names exactly b's version.
    void reportBest(const Release& a, const Release& b);
    void addIncompatibility(const Release& a, const Release& b);

    std::ostringstream warnings;
    std::vector<BestWithProduct> bestWith;
    std::ostringstream errors;
    const BuildManager* catalogue;
    // Kept for the checker's life; no rule consults it.
    Repository* repository;
};

#endif
