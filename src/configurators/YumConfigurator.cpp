#include "YumConfigurator.h"

#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../main/mainRoutines.h"

YumConfigurator::YumConfigurator(const std::string& sourceLocation, SourceManager* sources, Repository* repository)
    : sourceLocation(sourceLocation), sourceManager(sources), repository(repository) {}

YumConfigurator::~YumConfigurator() = default;

void YumConfigurator::checkUsable() {
    if (!fileops::exists("/usr/bin/yum")) throw error(4, 1, 1, 2) << Messages::getMessage("err_yum_not_found");
}

void YumConfigurator::reconfigureSources() { throwNotImplemented(); }

Package* YumConfigurator::doGetPackage(const std::string&) { throwNotImplemented(); }

void YumConfigurator::doConfigure() { throwNotImplemented(); }
