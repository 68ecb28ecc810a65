#include "DlgDiskSpace.h"

#include "../common/utils.h"

DlgDiskSpace::DlgDiskSpace(const std::string& directory_, uint64_t required_)
    : required(required_), available(getFreeSpace(directory_)), directory(directory_) {}

DlgDiskSpace::~DlgDiskSpace() = default;
