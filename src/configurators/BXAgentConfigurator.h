#ifndef VN_CONFIGURATORS_BXAGENTCONFIGURATOR_H
#define VN_CONFIGURATORS_BXAGENTCONFIGURATOR_H

#include "../common/checked_pointer"
#include "SystemSpecificConfigurator.h"

class ComponentManager;
class Repository;
class SourceManager;

// Installation inside a container through the container agent, as container templates. So far
// it never finds the agent usable, so the configurator factory always goes on to the other
// kinds; talking to the agent is not there yet.
class BXAgentConfigurator : public SystemSpecificConfigurator {
public:
    // Keeps the three; touches nothing.
    BXAgentConfigurator(Repository* repository, ComponentManager* components, SourceManager* sources);
    ~BXAgentConfigurator() override;

    // Whether the agent can install the run's products as templates: false for now.
    bool isUsable();

    void reconfigureSources() override;

protected:
    Package* doGetPackage(const std::string& name) override;
    void doConfigure() override;

private:
    checked_pointer<Repository> repository;
    checked_pointer<ComponentManager> componentManager;
    checked_pointer<SourceManager> sourceManager;
};

#endif
