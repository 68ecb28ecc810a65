#ifndef VN_WEBUI_HTTPD_PARSE_HTTP_REQUEST_H
#define VN_WEBUI_HTTPD_PARSE_HTTP_REQUEST_H

#include <cstddef>

#include "webui/httpd/streams.h"

namespace vnhttpd {

// The request parser every new context starts with (server_context::parse_request): runs
// while the remote stream lacks STREAM_HEADERS_PARSED. Waits for more bytes, answers with a
// canned error reply, or hands the parsed request to dispatch_request.
void parse_http_request(connection* c);

// Length of the header block at the front of b[0..n), its final empty line included; 0 while it
// is incomplete; -1 when it holds a control byte other than '\r' and '\n' (a tab, a zero byte).
int header_block_length(const char* b, size_t n);

// Reads the known header lines of p[0..n) into `fields`.
void parse_known_headers(char* p, size_t n, request_headers* fields);

// Decodes "%xx" and '+' of src[0..src_len) into dst, at most dst_size - 1 bytes and a zero byte;
// the decoded length. May decode in place (dst == src).
int percent_decode(const char* src, int src_len, char* dst, int dst_size);

// "Jan" .. "Dec", as dates of HTTP and log lines write them.
extern const char* const month_names[12];

// A date of an HTTP header as UTC calendar time; 0 when no known form fits.
time_t parse_http_date(const char* text, size_t len);

}  // namespace vnhttpd

#endif
