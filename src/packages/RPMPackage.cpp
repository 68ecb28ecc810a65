#include "RPMPackage.h"

RPMPackage::RPMPackage(const std::string& name, const std::string& versionText) : Package(name, versionText) {}

RPMPackage::~RPMPackage() = default;
