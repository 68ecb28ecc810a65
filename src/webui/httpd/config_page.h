#ifndef VN_WEBUI_HTTPD_CONFIG_PAGE_H
#define VN_WEBUI_HTTPD_CONFIG_PAGE_H

#include "webui/httpd/httpd.h"

namespace vnhttpd {

// Setter of "cfg_uri": every registered page goes; then, for a URI, the configuration page is
// registered at it with the context as user data.
void set_cfg_uri(server_context* ctx, const char* uri);

// The configuration page: a table of every option with a form to change it. A POST of "o"
// (the name) and "v" (the value; empty for none) changes the option through its setter; an
// unknown name or a value the setter refuses is answered 400 with nothing changed.
void config_page(page_request* req);

}  // namespace vnhttpd

#endif
