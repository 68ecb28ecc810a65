#include "StdPackage.h"

StdPackage::StdPackage(const std::string& name, const std::string& versionText) : Package(name, versionText) {}

StdPackage::~StdPackage() = default;
