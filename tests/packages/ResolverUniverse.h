#ifndef VN_TESTS_PACKAGES_RESOLVERUNIVERSE_H
#define VN_TESTS_PACKAGES_RESOLVERUNIVERSE_H

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "packages/Package.h"
#include "packages/PkgManager.h"
#include "packages/Repository.h"

namespace testutil {

// A package pool read from the package cache text of one folder of tests/fixtures/resolver/:
// one file per origin, "s.cache" (installed), "b.cache" (build), "t.cache" (third-party) and
// "u.cache" (updates), whichever are there, read in that order, then resolved. Packages are
// created in the order of the records, so the creation order of a universe is its file order.
//
// The repository frees no package; the universe frees them all when it goes, so resolvers
// over it must go first.
class ResolverUniverse {
public:
    explicit ResolverUniverse(const std::string& folder) {
        for (char type : std::string("sbtu")) {
            const std::string path = std::string(VN_FIXTURES_DIR) + "/resolver/" + folder + "/" + type + ".cache";
            FILE* file = std::fopen(path.c_str(), "r");
            if (!file) continue;
            try {
                repo.addFromCache(file, type, Repository::DUPS_KEEP_ALL, nullptr);
            } catch (...) {
                std::fclose(file);
                throw;
            }
            std::fclose(file);
        }
        if (repo.pkgList.empty()) throw std::invalid_argument("no packages in resolver fixture " + folder);
        repo.resolveRequires();
    }
    ~ResolverUniverse() {
        for (Package* p : repo.pkgList) delete p;
        for (Package* p : repo.removedPackages) delete p;
    }
    ResolverUniverse(const ResolverUniverse&) = delete;
    ResolverUniverse& operator=(const ResolverUniverse&) = delete;

    // The pooled package that prints as `text` ("a-1.0-1.noarch"), of origin `type` when it
    // is not 0.
    const Package* pkg(const std::string& text, char type = 0) const {
        for (const Package* p : repo.pkgList)
            if (p->toString() == text && (type == 0 || p->getType() == type)) return p;
        throw std::invalid_argument("no package " + text + " in the universe");
    }
    std::vector<const Package*> list(const std::vector<std::string>& texts) const {
        std::vector<const Package*> out;
        for (const std::string& t : texts) out.push_back(pkg(t));
        return out;
    }

    Repository repo;
};

// Print forms of packages, for comparing lists in one expectation.
inline std::vector<std::string> printed(const std::vector<const Package*>& list) {
    std::vector<std::string> out;
    for (const Package* p : list) out.push_back(p->toString());
    return out;
}

// The blacklist's packages in the resolver's order, as print forms.
inline std::vector<std::string> blacklisted(const PkgManager& pm) {
    std::vector<std::string> out;
    for (const auto& entry : pm.blackList) out.push_back(entry.first->toString());
    return out;
}

// The text a reason prints.
inline std::string reasonText(const Reason* r) {
    std::ostringstream s;
    if (r) r->print(s);
    return s.str();
}

}  // namespace testutil

#endif
