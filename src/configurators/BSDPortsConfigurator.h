#ifndef VN_CONFIGURATORS_BSDPORTSCONFIGURATOR_H
#define VN_CONFIGURATORS_BSDPORTSCONFIGURATOR_H

#include <string>

#include "../common/checked_pointer"
#include "SystemSpecificConfigurator.h"

class ComponentManager;
class FileFetcher;
class Repository;
class SourceManager;

// The FreeBSD ports preferences that the drivers keep and hand to the ports configurator:
// empty in command-line runs, filled by the wizard's ports page in console runs.
struct PortsSettings {
    enum { SNAPSHOT_PRODUCT = 0, SNAPSHOT_CUSTOM = 1, SNAPSHOT_SYSTEM = 2 };

    int snapshot = SNAPSHOT_PRODUCT;
    std::string ports_tarball;  // custom ports archive URL or path
    std::string distfiles;      // MASTER_SITE_OVERRIDE value
    std::string cvsup_host;
    std::string portsdir;
};

// The ports collection and packages of FreeBSD hosts. So far it only keeps what it is given;
// building ports is not there yet.
class BSDPortsConfigurator : public SystemSpecificConfigurator {
public:
    // Keeps the pointers and a copy of the settings; touches nothing on the host.
    BSDPortsConfigurator(Repository* repository, ComponentManager* components, const PortsSettings& settings,
                         SourceManager* sources, const FileFetcher& fetcher);
    ~BSDPortsConfigurator() override;

    void reconfigureSources() override;

    const PortsSettings& settings() const { return ports; }

protected:
    Package* doGetPackage(const std::string& name) override;
    void doConfigure() override;

private:
    checked_pointer<Repository> repository;
    checked_pointer<ComponentManager> componentManager;
    PortsSettings ports;
    checked_pointer<SourceManager> sourceManager;
    const FileFetcher& fetcher;
};

#endif
