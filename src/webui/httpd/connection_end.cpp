#include "webui/httpd/connection_end.h"

#include "webui/httpd/server_context.h"
#include "webui/httpd/serving_loop.h"

namespace vnhttpd {

void connection_desctructor(connection* c) {
    if (option_is_true(option_value(c->ctx, OPT_INETD))) server_exit(0);
    close_connection(c);
}

}  // namespace vnhttpd
