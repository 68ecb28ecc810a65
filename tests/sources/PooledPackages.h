#ifndef VN_TESTS_SOURCES_POOLEDPACKAGES_H
#define VN_TESTS_SOURCES_POOLEDPACKAGES_H

#include <sstream>
#include <string>
#include <vector>

#include "packages/Dependency.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/Source.h"

namespace testutil {

// The packages that `source` added to `pool`, in pool order.
inline std::vector<Package*> packagesOf(const Repository& pool, const Source* source) {
    std::vector<Package*> out;
    for (Package* p : pool.pkgList)
        if (p->getSource() == source) out.push_back(p);
    return out;
}

// The pool frees no package: a test hands over the packages its sources made, and they are
// freed after the pool and the sources are gone (declare the owner before the repository).
struct PackageOwner {
    std::vector<Package*> packages;
    PackageOwner() = default;
    PackageOwner(const PackageOwner&) = delete;
    PackageOwner& operator=(const PackageOwner&) = delete;
    ~PackageOwner() {
        for (Package* p : packages) delete p;
    }
};

// A dependency as the log shows it; "" for none.
inline std::string dependencyText(const Dependency* dep) {
    std::ostringstream s;
    if (dep) s << *dep;
    return s.str();
}

// Every entry of one list of a package, e.g. dependencyTexts(p, &Package::getProvide).
inline std::vector<std::string> dependencyTexts(const Package* p, Dependency* (Package::*get)(unsigned) const) {
    std::vector<std::string> out;
    for (unsigned i = 0; (p->*get)(i); ++i) out.push_back(dependencyText((p->*get)(i)));
    return out;
}

}  // namespace testutil

#endif
