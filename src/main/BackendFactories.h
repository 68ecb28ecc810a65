#ifndef VN_MAIN_BACKENDFACTORIES_H
#define VN_MAIN_BACKENDFACTORIES_H

#include <memory>
#include <string>

class ComponentManager;
class FileFetcher;
class Installer;
class Repository;
class Source;
class SourceManager;
class SystemSpecificConfigurator;
struct PortsSettings;

// The host-specific back ends of a run, chosen once per run by every driver in this order:
// the installed-packages source first, the configurator after the build descriptions are
// loaded, the installer just before resolving.

// The installed-packages source that createSystemSource made last; null at start, after a
// call on an Apple host, and once that source is destroyed (with its repository).
extern Source* systemPackagesSource;
// Set by createSystemConfigurator on a FreeBSD host whose control panel is older than 8.1:
// the drivers then make every component of the panel's product required.
extern bool oldFreeBsdPanel;

// Makes the installed-packages source for `repository`, which owns it, and remembers it.
// With `warnIfPresent` and a remembered source, only a level-0 warning: the source stays.
// Otherwise the cache file of the settings when one is set, else by the host's vendor: none
// on "Apple", the pkg_info reader on "FreeBSD", dpkg on "Debian" and "Ubuntu", rpm elsewhere.
void createSystemSource(Repository* repository, bool warnIfPresent);

// The configurator of the host's package tool, or null when the host needs none. Decided by
// the settings, the host, the Red Hat Network probe, whether the loaded builds allow the host's
// own package managers and the kind of the base component's packages; a package tool that is
// missing raises (see the rules in the source). `source`: the update source as the user gave it.
std::unique_ptr<SystemSpecificConfigurator> createSystemConfigurator(Repository* repository, FileFetcher* fetcher,
                                                                     const std::string& source,
                                                                     ComponentManager* components,
                                                                     const PortsSettings& ports,
                                                                     SourceManager* sources);

// The installer that goes with `configurator` (null allowed); without a configurator of its
// own kind, by the base component's packages: shell scripts or rpm. Any other package kind is
// "err_unkn_pkgsys" (3,1,1,3). Never null.
std::unique_ptr<Installer> createInstaller(Repository* repository, ComponentManager* components,
                                           SystemSpecificConfigurator* configurator, SourceManager* sources);

#endif
