#include "SourceSysRPM.h"

SourceSysRPM::SourceSysRPM(Repository* repository) : Source(repository) {}

SourceSysRPM::~SourceSysRPM() = default;

void SourceSysRPM::downloadPackage(Package*) {}

std::string SourceSysRPM::getPkgVersionFromSystemDirectly(const std::string&) { return ""; }

void SourceSysRPM::doGetBrief() {}

void SourceSysRPM::doGetFull() {}
