#ifndef VN_CATALOGUE_BUILDLIST_H
#define VN_CATALOGUE_BUILDLIST_H

#include <memory>
#include <vector>

#include "Build.h"

class Opsys;

// The builds of a release or add-on, in catalogue order.
class BuildList : public std::vector<std::shared_ptr<Build>> {
public:
    // The build that suits `os` best, null when none fits: the first fitting build, replaced
    // by a later fitting one only when that one names exactly the host's version and
    // environment (the last such wins).
    std::shared_ptr<Build> getBestBuild(const Opsys& os) const;
};

#endif
