#ifndef VN_SOURCES_SOURCESYSDEB_H
#define VN_SOURCES_SOURCESYSDEB_H

#include <string>

#include "Source.h"

// The packages installed on a Debian or Ubuntu host, as dpkg-query lists them, pooled with
// type 's' as Debian packages. Only the brief read exists: dpkg's dependency data is not
// loaded.
class SourceSysDeb : public Source {
public:
    explicit SourceSysDeb(Repository* repository);
    ~SourceSysDeb() override;

    // Installed packages have no file to fetch.
    void downloadPackage(Package* pkg) override;

    // The upstream version of `name` (epoch kept, revision dropped) when dpkg reports it
    // "install ok installed"; "" otherwise and whenever dpkg-query fails. Raises nothing.
    std::string getPkgVersionFromSystemDirectly(const std::string& name);

protected:
    void doGetBrief() override;
    void doGetFull() override;
};

#endif
