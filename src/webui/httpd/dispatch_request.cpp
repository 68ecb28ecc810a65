#include "webui/httpd/dispatch_request.h"

#include "webui/httpd/page_interface.h"
#include "webui/httpd/send_error_reply.h"

namespace vnhttpd {

void dispatch_request(connection* c) {
    const page_target page = find_registered_page(c->ctx, c->uri);
    if (page.handler) {
        serve_page(c, page.handler, page.user_data);
        return;
    }
    send_error_reply(c, 404, "Not Found");
}

}  // namespace vnhttpd
