#ifndef VN_WEBUI_HTTPD_CONNECTION_END_H
#define VN_WEBUI_HTTPD_CONNECTION_END_H

#include <cstdio>

#include "webui/httpd/streams.h"

namespace vnhttpd {

// Ends a connection whose pass found it finished, expired or abandoned by its client: writes
// the access-log line, and either frees the connection or, for a finished HTTP/1.1 answer of
// known length, readies it for the next request (processed at once when already buffered).
// Under inetd the process ends with status 0.
void connection_desctructor(connection* c);

// One access-log line for the connection's current request, written and flushed.
void write_access_line(FILE* file, connection* c);

// Frees the current request's texts and zeroes its fields.
void release_request(connection* c);

}  // namespace vnhttpd

#endif
