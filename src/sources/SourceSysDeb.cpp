#include "SourceSysDeb.h"

SourceSysDeb::SourceSysDeb(Repository* repository) : Source(repository) {}

SourceSysDeb::~SourceSysDeb() = default;

void SourceSysDeb::downloadPackage(Package*) {}

std::string SourceSysDeb::getPkgVersionFromSystemDirectly(const std::string&) { return ""; }

void SourceSysDeb::doGetBrief() {}

void SourceSysDeb::doGetFull() {}
