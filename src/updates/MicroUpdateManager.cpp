#include "MicroUpdateManager.h"

MicroUpdateManager::MicroUpdateManager() {}

MicroUpdateManager::~MicroUpdateManager() {}

void MicroUpdateManager::loadBuildPatches(const std::weak_ptr<Build>&) {}
