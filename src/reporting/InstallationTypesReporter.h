#ifndef VN_REPORTING_INSTALLATIONTYPESREPORTER_H
#define VN_REPORTING_INSTALLATIONTYPESREPORTER_H

#include "../common/checked_pointer"
#include "../main/Reporter.h"

class InstTypes;

// The installation types that "--installation-type" can choose from, per product installed
// afresh ("--show-installation-types").
class InstallationTypesReporter : public Reporter {
public:
    // `types` is not owned; a null one is reported when put() reads it.
    InstallationTypesReporter(int status, const std::string& message, const std::string& errorClass,
                              const InstTypes* types);
    ~InstallationTypesReporter() override;

    // An empty table (every selected product is installed already) is a user error, and
    // nothing is written.
    std::ostream& put(std::ostream& out) override;

private:
    checked_pointer<const InstTypes> types;
};

#endif
