#include "BxErrors.h"

#include <cstring>

namespace bx {

EnvironmentError::EnvironmentError(const std::string& operation, int number)
    : message(operation), errorNumber(number) {
    if (number != 0) message += std::string(": ") + std::strerror(number);
}

const char* EnvironmentError::what() const noexcept { return message.c_str(); }

}  // namespace bx
