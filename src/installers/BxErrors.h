#ifndef VN_INSTALLERS_BXERRORS_H
#define VN_INSTALLERS_BXERRORS_H

#include <exception>
#include <string>

// Failures of the container-agent link. They derive from std::exception, not from the
// program's `error`: the agent client turns them into its own errors and log lines.
namespace bx {

class EnvironmentError : public std::exception {
public:
    // The message is the operation, then ": " and the system's text of `number` unless it
    // is 0; the number is kept as given.
    EnvironmentError(const std::string& operation, int number);
    const char* what() const noexcept override;

    std::string message;
    int errorNumber;
};

// The device cannot be opened or a pipe cannot be made.
class OSError : public EnvironmentError {
public:
    using EnvironmentError::EnvironmentError;
};

// The ioctl, a write or a read failed.
class IOError : public EnvironmentError {
public:
    using EnvironmentError::EnvironmentError;
};

}  // namespace bx

#endif
