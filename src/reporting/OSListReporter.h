#ifndef VN_REPORTING_OSLISTREPORTER_H
#define VN_REPORTING_OSLISTREPORTER_H

#include "../common/checked_pointer"
#include "../main/Reporter.h"

class BuildManager;

// The operating systems that the selected releases have builds for ("--show-os-list"), one
// line per build with the name of its description file. Text only.
class OSListReporter : public Reporter {
public:
    // `catalogue` is not owned; a null one is reported when put() reads it.
    OSListReporter(int status, const std::string& message, const std::string& errorClass,
                   const BuildManager* catalogue);
    ~OSListReporter() override;

    // In XML mode a user error, and nothing is written.
    std::ostream& put(std::ostream& out) override;

private:
    checked_pointer<const BuildManager> catalogue;
};

#endif
