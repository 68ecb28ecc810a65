#ifndef VN_CONFIGURATORS_UP2DATECONFIGURATOR_H
#define VN_CONFIGURATORS_UP2DATECONFIGURATOR_H

#include <string>

#include "../common/checked_pointer"
#include "SystemSpecificConfigurator.h"

class SourceManager;

// up2date on Red Hat Enterprise hosts before release 5 that are registered with the Red Hat
// Network. Chosen without a check; configuring up2date is not there yet.
class Up2dateConfigurator : public SystemSpecificConfigurator {
public:
    // `sourceLocation`: the update source as the user gave it. Keeps both; touches nothing on
    // the host.
    Up2dateConfigurator(const std::string& sourceLocation, SourceManager* sources);
    ~Up2dateConfigurator() override;

    void reconfigureSources() override;

protected:
    Package* doGetPackage(const std::string& name) override;
    void doConfigure() override;

private:
    std::string sourceLocation;
    checked_pointer<SourceManager> sourceManager;
};

#endif
