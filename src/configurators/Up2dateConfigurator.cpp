#include "Up2dateConfigurator.h"

#include "../main/mainRoutines.h"

Up2dateConfigurator::Up2dateConfigurator(const std::string& sourceLocation, SourceManager* sources)
    : sourceLocation(sourceLocation), sourceManager(sources) {}

Up2dateConfigurator::~Up2dateConfigurator() = default;

void Up2dateConfigurator::reconfigureSources() { throwNotImplemented(); }

Package* Up2dateConfigurator::doGetPackage(const std::string&) { throwNotImplemented(); }

void Up2dateConfigurator::doConfigure() { throwNotImplemented(); }
