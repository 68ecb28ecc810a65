#include "ReasonUnresolved.h"

#include "Dependency.h"

std::ostream& ReasonUnresolved::print(std::ostream& out) const {
    out << "dependency '";
    dependency->print(out);
    return out << "' is unresolved";
}
