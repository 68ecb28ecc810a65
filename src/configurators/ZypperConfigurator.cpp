#include "ZypperConfigurator.h"

#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../main/mainRoutines.h"

ZypperConfigurator::ZypperConfigurator(const std::string& sourceLocation, SourceManager* sources, Repository* repository)
    : sourceLocation(sourceLocation), sourceManager(sources), repository(repository) {}

ZypperConfigurator::~ZypperConfigurator() = default;

void ZypperConfigurator::checkUsable() {
    if (!fileops::exists("/usr/bin/zypper")) throw error(4, 1, 1, 2) << Messages::getMessage("err_zypper_not_found");
}

void ZypperConfigurator::reconfigureSources() { throwNotImplemented(); }

Package* ZypperConfigurator::doGetPackage(const std::string&) { throwNotImplemented(); }

void ZypperConfigurator::doConfigure() { throwNotImplemented(); }
