#ifndef VN_PACKAGES_FINDPACKAGEBYNAME_H
#define VN_PACKAGES_FINDPACKAGEBYNAME_H

#include <cstring>

#include "Package.h"

// The first position in [first, last) whose package has the name `name` (compared byte by
// byte, so a name that is not interned is found too), or `last`. The range holds package
// pointers of any constness.
template <class It>
It findPackageByName(It first, It last, const char* name) {
    for (; first != last; ++first)
        if (std::strcmp((*first)->getName(), name) == 0) return first;
    return last;
}

#endif
