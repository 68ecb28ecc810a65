#ifndef VN_PACKAGES_PKGMANAGER_H
#define VN_PACKAGES_PKGMANAGER_H

// The dependency resolver.
class PkgManager {
public:
    // The blacklist has grown: the running resolution must start again from its start list.
    class unhappy {};
};

#endif
