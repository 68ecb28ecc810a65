#ifndef VN_WEBUI_HTTPD_PARSE_HTTP_REQUEST_H
#define VN_WEBUI_HTTPD_PARSE_HTTP_REQUEST_H

#include "webui/httpd/streams.h"

namespace vnhttpd {

// The request parser every new context starts with (server_context::parse_request): runs
// while the remote stream lacks STREAM_HEADERS_PARSED.
void parse_http_request(connection* c);

}  // namespace vnhttpd

#endif
