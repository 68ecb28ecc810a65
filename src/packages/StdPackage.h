#ifndef VN_PACKAGES_STDPACKAGE_H
#define VN_PACKAGES_STDPACKAGE_H

#include <string>

#include "Package.h"

// A product installed by a shell script (".sh"), with rpm version rules.
class StdPackage : public Package {
public:
    StdPackage(const std::string& name, const std::string& versionText);
    ~StdPackage() override;
};

#endif
