#ifndef VN_WEBUI_HTTPD_SEND_ERROR_REPLY_H
#define VN_WEBUI_HTTPD_SEND_ERROR_REPLY_H

#include "webui/httpd/streams.h"

namespace vnhttpd {

// Answers the request with the canned plain-text reply "Error: <status>" (or hands it to the
// error page registered for the status). `reason` follows the status on the status line and may
// carry further header lines ("Moved Permanently\r\nLocation: /x/"). The reply has a known
// length, and its bytes are not counted as produced by the answer.
void send_error_reply(connection* c, int status, const char* reason);

}  // namespace vnhttpd

#endif
