#ifndef VN_PACKAGES_DEBVERSION_H
#define VN_PACKAGES_DEBVERSION_H

#include <string>

#include "Version.h"

// The version of a Debian package. The fields are read as a Version reads them.
class DebVersion : public Version {
public:
    explicit DebVersion(const std::string& text);
    ~DebVersion() override;
};

#endif
