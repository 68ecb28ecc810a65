#ifndef VN_REPORTING_ADDSOURCETYPESREPORTER_H
#define VN_REPORTING_ADDSOURCETYPESREPORTER_H

#include "../main/Reporter.h"

// The kinds of additional package source that this host can use ("--show-additional-source-types").
class AddSourceTypesReporter : public Reporter {
public:
    AddSourceTypesReporter(int status, const std::string& message, const std::string& errorClass);
    ~AddSourceTypesReporter() override;

    std::ostream& put(std::ostream& out) override;
};

#endif
