#include "webui/httpd/send_error_reply.h"

#include "webui/httpd/page_interface.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/string_routines.h"

namespace vnhttpd {

void send_error_reply(connection* c, int status, const char* reason) {
    page_target page = find_error_page(c->ctx, status);
    if (page.handler) {
        setup_page_stream(c, page.handler, page.user_data);
        return;
    }
    // Whatever answered before goes, with its pending output.
    if (c->loc.cls) stream_close(&c->loc);
    struct io* out = &c->loc.io;
    io_clear(out);
    const int n = bounded_format(out->buf, out->size,
                                 "HTTP/1.1 %d %s\r\nContent-Type: text/plain\r\nContent-Length: 12\r\n\r\nError: %03d\r\n",
                                 status, reason, status);
    // Pending, but not counted: the access log shows 0 bytes for a canned reply.
    out->head = static_cast<size_t>(n);
    c->loc.content_len = static_cast<uint64_t>(n);
    c->status = status;
    stream_close(&c->loc);
}

}  // namespace vnhttpd
