#include "HttpError.h"

http_error::http_error(const std::string& u, long c) : error(1, 2, 1, 2), url(u), code(c) {}

http_error::~http_error() = default;
