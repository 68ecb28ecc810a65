#include "SourceConfig.h"

#include "../packages/Repository.h"

SourceConfig::SourceConfig(Repository* repository) : Source(repository) {}

SourceConfig::~SourceConfig() = default;

void SourceConfig::downloadPackage(Package*) {}

void SourceConfig::addPackage(Package* pkg) { repository->addPackage(pkg, this); }

void SourceConfig::doGetBrief() {}

void SourceConfig::doGetFull() { dropPackages(); }
