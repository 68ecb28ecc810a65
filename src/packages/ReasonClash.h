#ifndef VN_PACKAGES_REASONCLASH_H
#define VN_PACKAGES_REASONCLASH_H

#include "Reason.h"

class Package;

// Two packages that cannot be installed together. Once a reason has been copied for the
// copies of a package, `first` is the blacklisted one.
class ReasonClash : public Reason {
public:
    ReasonClash(const Package* first, const Package* second) : first(first), second(second) {}

    std::ostream& print(std::ostream& out) const override;

    // Not owned: pooled packages live as long as the process.
    const Package* const first;
    const Package* const second;
};

#endif
