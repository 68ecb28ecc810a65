#include "DebVersion.h"

DebVersion::DebVersion(const std::string& text) : Version(text) {}

DebVersion::~DebVersion() = default;
