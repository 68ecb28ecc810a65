#ifndef VN_REPORTING_ADDSOURCESREPORTER_H
#define VN_REPORTING_ADDSOURCESREPORTER_H

#include <vector>

#include "../common/checked_pointer"
#include "../main/Options.h"
#include "../main/Reporter.h"

// The additional package sources of the settings ("--show-additional-sources"). Neither user
// nor password is shown.
class AddSourcesReporter : public Reporter {
public:
    AddSourcesReporter(int status, const std::string& message, const std::string& errorClass,
                       const std::vector<AdditionalSource>& sources);
    ~AddSourcesReporter() override;

    std::ostream& put(std::ostream& out) override;

private:
    checked_pointer<const std::vector<AdditionalSource>> sources;
};

#endif
