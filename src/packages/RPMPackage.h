#ifndef VN_PACKAGES_RPMPACKAGE_H
#define VN_PACKAGES_RPMPACKAGE_H

#include <string>

#include "Package.h"

// A package of an ".rpm" file, with rpm version rules.
class RPMPackage : public Package {
public:
    RPMPackage(const std::string& name, const std::string& versionText);
    ~RPMPackage() override;
};

#endif
