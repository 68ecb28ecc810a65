#ifndef VN_REPORTING_STATUSREPORTER_H
#define VN_REPORTING_STATUSREPORTER_H

#include "../main/Reporter.h"

// The state of the shared progress record for the status query and for a busy service mode.
// A record that shows the installation finished also ends the status service.
class StatusReporter : public Reporter {
public:
    StatusReporter(int status, const std::string& message, const std::string& errorClass);
    ~StatusReporter() override;

    std::ostream& put(std::ostream& out) override;
};

#endif
