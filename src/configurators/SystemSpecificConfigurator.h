#ifndef VN_CONFIGURATORS_SYSTEMSPECIFICCONFIGURATOR_H
#define VN_CONFIGURATORS_SYSTEMSPECIFICCONFIGURATOR_H

#include <string>

class Package;

// The host's package tool as the run prepares and asks it. A run has at most one; it is passed
// around in a checked_pointer that may hold null, and its users test it before they use it.
class SystemSpecificConfigurator {
public:
    SystemSpecificConfigurator();
    SystemSpecificConfigurator(const SystemSpecificConfigurator&) = delete;
    SystemSpecificConfigurator& operator=(const SystemSpecificConfigurator&) = delete;
    virtual ~SystemSpecificConfigurator();

    // The package that the host's package tool offers under `name` (which may carry a "/"
    // part), of type 'u'; null when it offers none. Asking before the configurator is set up
    // is "err_sysconf_init" (3,1,1,3).
    virtual Package* getPackage(const std::string& name) = 0;

    // Restores the package tool's source configuration from its backup and configures it again
    // for the run's sources as they are now (add-on sources come and go with the selection).
    virtual void reconfigureSources() = 0;
};

#endif
