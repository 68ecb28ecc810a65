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

    // Name, version and architecture from the control data of the package file (through
    // "dpkg -I"), then its time, size and MD5. Any failure is qualified (4,1,1,2) with
    // "err_pkgread" naming the file; a failing dpkg raises after the record is filled.
    void readInfo() override;
};

#endif
