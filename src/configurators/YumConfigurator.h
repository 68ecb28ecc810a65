#ifndef VN_CONFIGURATORS_YUMCONFIGURATOR_H
#define VN_CONFIGURATORS_YUMCONFIGURATOR_H

#include <string>

#include "../common/checked_pointer"
#include "SystemSpecificConfigurator.h"

class Repository;
class SourceManager;

// yum on Red Hat Enterprise (release 5 and later), Fedora, CentOS and CloudLinux hosts. So far
// only the check that yum is there; configuring yum is not there yet.
class YumConfigurator : public SystemSpecificConfigurator {
public:
    // `sourceLocation`: the update source as the user gave it. Keeps the three; touches nothing
    // on the host.
    YumConfigurator(const std::string& sourceLocation, SourceManager* sources, Repository* repository);
    ~YumConfigurator() override;

    // Raises (4,1,1,2) "err_yum_not_found" when "/usr/bin/yum" does not exist.
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
