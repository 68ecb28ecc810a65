#ifndef VN_PACKAGES_REASON_H
#define VN_PACKAGES_REASON_H

#include <ostream>

// Why a package is on the resolver's blacklist. Held by boost::shared_ptr: the copies of a
// package (same name, version and arch from other sources) may share one reason object.
class Reason {
public:
    Reason() = default;
    Reason(const Reason&) = delete;
    Reason& operator=(const Reason&) = delete;
    virtual ~Reason();

    // The reason's text, as the log and the requested-package line show it.
    virtual std::ostream& print(std::ostream& out) const = 0;
};

std::ostream& operator<<(std::ostream& out, const Reason& reason);

#endif
