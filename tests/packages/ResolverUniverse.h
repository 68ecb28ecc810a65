#ifndef VN_TESTS_PACKAGES_RESOLVERUNIVERSE_H
#define VN_TESTS_PACKAGES_RESOLVERUNIVERSE_H

#include <cctype>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "packages/Package.h"
#include "packages/PkgManager.h"
#include "packages/Repository.h"

namespace testutil {

// The packages of a cache text file that are not pooled (none when there is no file), of
// origin `type`; the caller owns them.
inline std::vector<Package*> readLoosePackages(const std::string& path, char type) {
    std::vector<Package*> out;
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return out;
    int lines = 0;
    for (int c; (c = std::getc(file)) != EOF;) {
        if (std::isspace(c)) continue;
        std::ungetc(c, file);
        out.push_back(Package::createFromCache(file, &lines));
        out.back()->setType(type);
    }
    std::fclose(file);
    return out;
}

// A package pool read from the package cache text of one folder of tests/fixtures/resolver/:
// one file per origin, "s.cache" (installed), "b.cache" (build), "t.cache" (third-party) and
// "u.cache" (updates), whichever are there, read in that order, then resolved. Packages are
// created in the order of the records, so the creation order of a universe is its file order.
//
// A "loose.cache" holds packages that are read but not pooled (a start package that the
// repository does not know). A folder given as an absolute path is read from there.
//
// The repository frees no package; the universe frees them all when it goes, so resolvers
// over it must go first.
class ResolverUniverse {
public:
    explicit ResolverUniverse(const std::string& folder) {
        const std::string dir =
            !folder.empty() && folder[0] == '/' ? folder : std::string(VN_FIXTURES_DIR) + "/resolver/" + folder;
        for (char type : std::string("sbtu")) {
            FILE* file = std::fopen((dir + "/" + type + ".cache").c_str(), "r");
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
        loose = readLoosePackages(dir + "/loose.cache", 'b');
        repo.resolveRequires();
    }
    ~ResolverUniverse() {
        for (Package* p : repo.pkgList) delete p;
        for (Package* p : repo.removedPackages) delete p;
        for (Package* p : loose) delete p;
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
    // A package of "loose.cache" is named "loose:" + its print form.
    std::vector<const Package*> list(const std::vector<std::string>& texts) const {
        std::vector<const Package*> out;
        for (const std::string& t : texts) out.push_back(t.compare(0, 6, "loose:") == 0 ? loosePkg(t.substr(6)) : pkg(t));
        return out;
    }
    const Package* loosePkg(const std::string& text) const {
        for (const Package* p : loose)
            if (p->toString() == text) return p;
        throw std::invalid_argument("no loose package " + text + " in the universe");
    }

    Repository repo;
    std::vector<Package*> loose;
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
