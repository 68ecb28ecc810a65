#ifndef VN_CONFIGURATORS_DEBIANAPTCONFIGURATOR_H
#define VN_CONFIGURATORS_DEBIANAPTCONFIGURATOR_H

#include <string>

#include "SystemSpecificConfigurator.h"

class ComponentManager;
class SourceManager;

// APT on Debian and Ubuntu hosts. Makes the run's distribution sources known to APT as "deb"
// lines (appended to /etc/apt/sources.list after a backup of it, or, where that file does not
// exist, written into a list file of its own), updates APT's index, checks that APT also
// serves the host's own release, and asks "apt-cache policy" for packages. restore() (or the
// destructor) puts sources.list back from its backup and updates APT again, or deletes the
// list file.
//
// Process-wide and never reset: "http_proxy" (set by the configuration) and LC_ALL=LANG=C
// (set by the first package query), so every later child process sees them.
class DebianAPTConfigurator : public SystemSpecificConfigurator {
public:
    // `sourceLocation`: the update source as the user gave it (a URL or an absolute path,
    // possibly naming a file). The component manager is not kept; the source manager must
    // outlive the configurator. Nothing on the host is touched here.
    DebianAPTConfigurator(const std::string& sourceLocation, ComponentManager& components, SourceManager& sources);
    ~DebianAPTConfigurator() override;

    // sources.list back from its backup, the lines written anew, APT's index updated.
    void reconfigureSources() override;
    // Once: the log line, then the list file deleted (list-file mode), or sources.list
    // restored and APT updated without echo (append mode, when lines were appended).
    void restore() override;

    // The "deb" line of one source record; changes nothing.
    std::string getSourceLine(const std::string& aptRepository, const std::string& aptSource,
                              const std::string& baseDir) const;
    // Raises (0,0,0,0) when no release line of "apt-cache policy" is the host's release;
    // warns of sections the host's distribution normally has that APT lacks.
    void checkSourceForCurrentRelease();
    // "apt-get update"; a non-zero status is only warned of.
    void aptGetUpdate(bool echo);
    // "http_proxy" from the downloader's proxy, when it has a host.
    void setHttpProxyVariable();
    // The backup put back over sources.list, when there is one.
    void restoreSourcesList();
    // One line per distribution source of the run, appended or in the list file.
    void writeSourceLines();

    // A line of "apt-cache policy" named a CD or DVD source; stays set.
    bool cdrom_in_sources;

    static const char* const sourcesList;
    static const char* const sourcesListBackup;
    static const char* const sourcesListDir;
    static const char* const listFile;

protected:
    Package* doGetPackage(const std::string& name) override;
    void doConfigure() override;

private:
    SourceManager& sourceManager;
    std::string sourceLocation;
    // Lines were appended to sources.list and its backup exists.
    bool sources_list_changed;
    // The lines went into the list file.
    bool apt_conf_d_used;
    // restore() ran since the last change.
    bool restored;
};

#endif
