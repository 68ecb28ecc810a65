#ifndef VN_REPORTING_RELEASESREPORTER_H
#define VN_REPORTING_RELEASESREPORTER_H

#include "../common/checked_pointer"
#include "../main/Reporter.h"

class BuildManager;

// The releases of the catalogue ("--show-all-releases", "--show-releases", "--check-updates").
// Text lists every release; XML lists those of the selected products, with how installing each
// would act, and in the update check only what would change something.
class ReleasesReporter : public Reporter {
public:
    enum { mode_list = 0, mode_updates = 1 };

    // `catalogue` is not owned; a null one is reported when put() reads it.
    ReleasesReporter(int status, const std::string& message, const std::string& errorClass,
                     const BuildManager* catalogue, int mode);
    ~ReleasesReporter() override;

    // XML is built whole before anything is written: a failing release leaves the stream untouched.
    std::ostream& put(std::ostream& out) override;

private:
    checked_pointer<const BuildManager> catalogue;
    int mode;
};

#endif
