#ifndef VN_WEBUI_HTTPD_PAGE_INTERFACE_H
#define VN_WEBUI_HTTPD_PAGE_INTERFACE_H

#include "webui/httpd/httpd.h"
#include "webui/httpd/streams.h"

namespace vnhttpd {

// A handler with its user data; a null handler when nothing matched.
struct page_target {
    page_handler handler;
    void* user_data;
};

// The pattern against a decoded, normalised path: '*' matches any run of characters ('/'
// included), every other character itself (case-sensitive).
bool match_uri_pattern(const char* pattern, const char* uri);

// The first registered page whose pattern matches `uri`.
page_target find_registered_page(server_context* ctx, const char* uri);
// The first error page registered for `status`.
page_target find_error_page(server_context* ctx, int status);

// Appends a page without taking the context's configuration lock: for a setter, which runs
// under it or at start-up. False when memory ran out.
bool register_page_locked(server_context* ctx, const char* pattern, page_handler handler, void* user_data);

// The request goes to a page: one whose body cannot fit the input buffer is answered 413
// before any handler call (the handler would wait for it for ever); otherwise the local stream
// becomes the page stream.
void serve_page(connection* c, page_handler handler, void* user_data);

// Makes the local stream a page stream of `handler` with null state, dropping the channel and
// output it had.
void setup_page_stream(connection* c, page_handler handler, void* user_data);

// One handler call with the connection's buffers; `req` carries the user data and the flags
// the caller sets. The output and input the handler reports move the buffers, its state is kept,
// PAGE_LAST finishes the page stream and PAGE_SUSPEND suspends it.
void call_page_handler(connection* c, page_request* req, page_handler handler);

// Read and write operation of the page stream: one call, 0 bytes transferred.
int page_stream_io(stream* s);
// Close operation: an unfinished page gets one PAGE_CLOSING call, whose output is dropped.
void page_stream_close(stream* s);

// The "embedded" class of page streams.
extern const stream_class embedded_class;

}  // namespace vnhttpd

#endif
