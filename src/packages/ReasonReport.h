#ifndef VN_PACKAGES_REASONREPORT_H
#define VN_PACKAGES_REASONREPORT_H

#include <list>
#include <string>

#include "Reason.h"

// A reason given as finished lines of text; each line becomes an explanation of its own.
class ReasonReport : public Reason {
public:
    ReasonReport() = default;
    explicit ReasonReport(const std::list<std::string>& lines) : lines(lines) {}

    std::ostream& print(std::ostream& out) const override;

    std::list<std::string> lines;
};

#endif
