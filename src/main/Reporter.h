#ifndef VN_MAIN_REPORTER_H
#define VN_MAIN_REPORTER_H

#include <string>

// The final report of every run. The option parser fills the two process-wide report
// settings while the settings are built; nothing changes them afterwards.
class Reporter {
public:
    // Every report and listing is written as XML.
    static bool xmlOutput;
    // Put in front of the status word of the XML report ("query_", "install_").
    static std::string statusPrefix;
};

#endif
