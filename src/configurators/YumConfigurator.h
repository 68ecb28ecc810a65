#ifndef VN_CONFIGURATORS_YUMCONFIGURATOR_H
#define VN_CONFIGURATORS_YUMCONFIGURATOR_H

#include <string>
#include <vector>

#include "../common/checked_pointer"
#include "SystemSpecificConfigurator.h"

class Repository;
class SourceManager;

// yum on Red Hat Enterprise (release 5 and later), Fedora, CentOS and CloudLinux hosts. The
// run's product sources become disabled sections of one repository file of ours, which the
// installer enables by id on yum's command line; restore() (or the destructor) removes it.
class YumConfigurator : public SystemSpecificConfigurator {
public:
    // `sourceLocation`: the update source as the user gave it. Keeps the three; touches nothing
    // on the host.
    YumConfigurator(const std::string& sourceLocation, SourceManager* sources, Repository* repository);
    ~YumConfigurator() override;

    // Raises (4,1,1,2) "err_yum_not_found" when "/usr/bin/yum" does not exist. On CentOS 5 an
    // installed yum older than 3.2.22 is updated, and raises "err_yum_version_unsupported"
    // (4,1,1,2) when it stays older.
    void checkUsable();
    // "yum -y install yum"; a non-zero status is only warned of.
    void updateYum();

    // The repository file written anew for the sources as they are now.
    void reconfigureSources() override;
    // Removes the repository file when it exists (also one a former run left).
    void restore() override;

    // The section ids of the repository file, in file order; empty before the first
    // configuration.
    const std::vector<std::string>& repoIds() const { return ids; }

    static const char* const repoFile;

protected:
    Package* doGetPackage(const std::string& name) override;
    // Writes the repository file whole (through a temporary file renamed over it). A failure
    // raises (4,1,1,2) and leaves the ids as they were.
    void doConfigure() override;

private:
    std::string sourceLocation;
    checked_pointer<SourceManager> sourceManager;
    checked_pointer<Repository> repository;
    std::vector<std::string> ids;
    bool restored;
};

#endif
