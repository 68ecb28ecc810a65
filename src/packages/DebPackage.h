#ifndef VN_PACKAGES_DEBPACKAGE_H
#define VN_PACKAGES_DEBPACKAGE_H

#include <string>

#include "Package.h"

// A package of a ".deb" file, with Debian version rules.
class DebPackage : public Package {
public:
    // The version is a DebVersion read from the text.
    DebPackage(const std::string& name, const std::string& versionText);
    ~DebPackage() override;
};

#endif
