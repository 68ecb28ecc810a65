#ifndef VN_PACKAGES_PKGPACKAGE_H
#define VN_PACKAGES_PKGPACKAGE_H

#include <string>

#include "Package.h"

// A FreeBSD port package, with rpm version rules. Made by the ports configurator, never by the
// ending of a file name.
class PkgPackage : public Package {
public:
    PkgPackage(const std::string& name, const std::string& versionText);
    ~PkgPackage() override;
};

#endif
