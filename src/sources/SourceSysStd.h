#ifndef VN_SOURCES_SOURCESYSSTD_H
#define VN_SOURCES_SOURCESYSSTD_H

#include <string>

#include "Source.h"

class ComponentManager;

// The installed control panel and site builder, which keep their versions in files of their
// own rather than in the package database. The brief read walks the run's component tree and
// pools, for every component of those two products, an installed copy (type 's') of each
// component package not newer than the installed product version.
class SourceSysStd : public Source {
public:
    // `componentManager` is not owned; a null one makes the brief read fail.
    SourceSysStd(Repository* repository, ComponentManager* componentManager);
    ~SourceSysStd() override;

    void downloadPackage(Package* pkg) override;

    // The control panel's "<first value>-<fourth value>" from the first line of the file
    // "version" in its root directory (PRODUCT_ROOT_D of its configuration file); "" when the
    // file cannot be opened. Fewer than four values: (4,1,1,3) "err_bad_prodverfile".
    static std::string readTarnixVersion();
    // The first word of "/opt/mardell/.version"; "" when there is none.
    static std::string readMardellVersion();
    // The installed version of product `id` on a host named `osName`, cut before its first
    // '-'; "" when none is installed. "tarnix" and any id beginning "TARNIX" read the control
    // panel's file, "mardell" the site builder's. A control panel newer than 8.2.0 on FreeBSD
    // counts as not installed here.
    static std::string productVersion(const std::string& id, const std::string& osName);

protected:
    void doGetBrief() override;
    void doGetFull() override;

private:
    ComponentManager* componentManager;
};

#endif
