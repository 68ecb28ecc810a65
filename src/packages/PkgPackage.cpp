#include "PkgPackage.h"

PkgPackage::PkgPackage(const std::string& name, const std::string& versionText) : Package(name, versionText) {}

PkgPackage::~PkgPackage() = default;
