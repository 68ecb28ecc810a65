#include "BSDPortsConfigurator.h"

#include "../main/mainRoutines.h"

BSDPortsConfigurator::BSDPortsConfigurator(Repository* repository, ComponentManager* components,
                                           const PortsSettings& settings, SourceManager* sources,
                                           const FileFetcher& fetcher)
    : repository(repository), componentManager(components), ports(settings), sourceManager(sources), fetcher(fetcher) {}

BSDPortsConfigurator::~BSDPortsConfigurator() = default;

void BSDPortsConfigurator::reconfigureSources() { throwNotImplemented(); }

Package* BSDPortsConfigurator::doGetPackage(const std::string&) { throwNotImplemented(); }

void BSDPortsConfigurator::doConfigure() { throwNotImplemented(); }
