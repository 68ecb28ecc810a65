#ifndef VN_SOURCES_HTTPERROR_H
#define VN_SOURCES_HTTPERROR_H

#include <string>

#include "../common/error.h"

// A failed transfer with the server's response code (0 when no server answered), so that a
// caller can react to one code, such as a 404 from the default update source.
class http_error : public error {
public:
    // Codes (1,2,1,2): repository, try again, system stable, support may help.
    http_error(const std::string& url, long code);
    ~http_error() override;

    // Keeps the static type, so that `throw http_error(...) << text` does not slice.
    template <class T>
    http_error& operator<<(const T& value) {
        error::operator<<(value);
        return *this;
    }

    std::string url;
    long code;
};

#endif
