#ifndef VN_WEBUI_HTTPD_DISPATCH_REQUEST_H
#define VN_WEBUI_HTTPD_DISPATCH_REQUEST_H

#include "webui/httpd/streams.h"

namespace vnhttpd {

// Decides what answers a parsed request (uri, query, file_path and the headers are set): the
// first registered page whose pattern matches the path, else 404 "Not Found".
void dispatch_request(connection* c);

}  // namespace vnhttpd

#endif
