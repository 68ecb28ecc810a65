#include "ReasonClash.h"

#include "Package.h"

std::ostream& ReasonClash::print(std::ostream& out) const {
    first->print(out) << " is conflicting with newly installed ";
    return second->print(out);
}
