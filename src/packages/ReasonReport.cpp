#include "ReasonReport.h"

std::ostream& ReasonReport::print(std::ostream& out) const {
    for (const std::string& line : lines) out << line << ";";
    return out;
}
