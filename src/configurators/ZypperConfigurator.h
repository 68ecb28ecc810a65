#ifndef VN_CONFIGURATORS_ZYPPERCONFIGURATOR_H
#define VN_CONFIGURATORS_ZYPPERCONFIGURATOR_H

#include <string>

#include "../common/checked_pointer"
#include "SystemSpecificConfigurator.h"

class Repository;
class SourceManager;

// zypper on SuSE hosts of version 11.0 and later. So far
// only the check that zypper is there; configuring zypper is not there yet.
class ZypperConfigurator : public SystemSpecificConfigurator {
public:
    // `sourceLocation`: the update source as the user gave it. Keeps the three; touches nothing
    // on the host.
    ZypperConfigurator(const std::string& sourceLocation, SourceManager* sources, Repository* repository);
    ~ZypperConfigurator() override;

    // Raises (4,1,1,2) "err_zypper_not_found" when "/usr/bin/zypper" does not exist.
    void checkUsable();

    void reconfigureSources() override;

protected:
    Package* doGetPackage(const std::string& name) override;
    void doConfigure() override;

private:
    std::string sourceLocation;
    checked_pointer<SourceManager> sourceManager;
    checked_pointer<Repository> repository;
};

#endif
