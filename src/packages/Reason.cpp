#include "Reason.h"

Reason::~Reason() = default;

std::ostream& operator<<(std::ostream& out, const Reason& reason) { return reason.print(out); }
