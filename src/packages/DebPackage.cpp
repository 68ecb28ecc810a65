#include "DebPackage.h"

#include "DebVersion.h"

DebPackage::DebPackage(const std::string& name, const std::string& versionText)
    : Package(name, new DebVersion(versionText)) {}

DebPackage::~DebPackage() = default;
