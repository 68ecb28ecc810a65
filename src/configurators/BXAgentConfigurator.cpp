#include "BXAgentConfigurator.h"

#include "../main/mainRoutines.h"

BXAgentConfigurator::BXAgentConfigurator(Repository* repository, ComponentManager* components,
                                         SourceManager* sources)
    : repository(repository), componentManager(components), sourceManager(sources) {}

BXAgentConfigurator::~BXAgentConfigurator() = default;

bool BXAgentConfigurator::isUsable() { return false; }

void BXAgentConfigurator::reconfigureSources() { throwNotImplemented(); }

Package* BXAgentConfigurator::doGetPackage(const std::string&) { throwNotImplemented(); }

void BXAgentConfigurator::doConfigure() { throwNotImplemented(); }
