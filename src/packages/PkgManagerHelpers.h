#ifndef VN_PACKAGES_PKGMANAGERHELPERS_H
#define VN_PACKAGES_PKGMANAGERHELPERS_H

// Small pieces shared by the implementation files of the resolver; not for other callers.

#include <cstring>
#include <initializer_list>
#include <sstream>
#include <string>

#include <boost/format.hpp>

#include "../common/Messages.h"
#include "Dependency.h"
#include "Package.h"
#include "Reason.h"

namespace resolver {

// The same name, an equal version and the same arch text: one package from two sources.
inline bool isCopyOf(const Package* a, const Package* b) {
    return a->getName() == b->getName() && *a->getVersion() == *b->getVersion() &&
           std::strcmp(a->getArch(), b->getArch()) == 0;
}

// Pooled packages are never const objects; the file name is filled on first use.
inline const std::string& fileNameOf(const Package* p) { return const_cast<Package*>(p)->getFileName(); }

inline std::string textOf(const Dependency* d) {
    std::ostringstream s;
    d->print(s);
    return s.str();
}

inline std::string textOf(const Reason* r) {
    std::ostringstream s;
    if (r) r->print(s);
    return s.str();
}

// The catalogue text of `key` filled by position.
inline std::string catalogueText(const char* key) { return Messages::getMessage(key); }

template <class... Args>
std::string catalogueText(const char* key, const Args&... args) {
    boost::format f(Messages::getMessage(key));
    (void)std::initializer_list<int>{((void)(f % args), 0)...};
    return f.str();
}

}  // namespace resolver

#endif
