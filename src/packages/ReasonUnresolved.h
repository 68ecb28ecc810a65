#ifndef VN_PACKAGES_REASONUNRESOLVED_H
#define VN_PACKAGES_REASONUNRESOLVED_H

#include "Reason.h"

class Dependency;

// A require of the package that no acceptable provider is left for.
class ReasonUnresolved : public Reason {
public:
    explicit ReasonUnresolved(const Dependency* dependency) : dependency(dependency) {}

    std::ostream& print(std::ostream& out) const override;

    // Not owned: it belongs to its master package (or to the resolver that made it).
    const Dependency* const dependency;
};

#endif
