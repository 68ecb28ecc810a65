#ifndef VN_WEBUI_HTTPD_CONNECTION_END_H
#define VN_WEBUI_HTTPD_CONNECTION_END_H

#include "webui/httpd/streams.h"

namespace vnhttpd {

// Ends a connection whose pass found it finished, expired or abandoned by its client. Under
// inetd the process ends with status 0.
void connection_desctructor(connection* c);

}  // namespace vnhttpd

#endif
