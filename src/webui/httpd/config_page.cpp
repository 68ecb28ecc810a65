#include "webui/httpd/config_page.h"

#include <cstring>
#include <string>

#include "webui/httpd/page_interface.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/string_routines.h"

namespace vnhttpd {

void set_cfg_uri(server_context* ctx, const char* uri) {
    ctx->pages.clear();
    if (uri && *uri) register_page_locked(ctx, uri, config_page, ctx);
}


void config_page(page_request* req) {
    if (req->flags & PAGE_CLOSING) return;
    server_context* ctx = static_cast<server_context*>(req->user_data);
    const char* method = page_get_env(req, "REQUEST_METHOD");
    char name[20] = "";
    char value[8192] = "";
    bool saved = false;
    bool refused = false;
    std::string refusal;
    if (method && std::strcmp(method, "POST") == 0) {
        if (req->flags & PAGE_MORE_INPUT) return;
        page_get_var("o", req->in_buf, req->in_len, name, sizeof name);
        page_get_var("v", req->in_buf, req->in_len, value, sizeof value);
        refused = !try_change_option(ctx, name, value[0] ? value : nullptr, &refusal);
        saved = !refused && name[0] && value[0];
    }

    page_printf(req, "%s\r\nContent-Type: text/html\r\n\r\n<html><body><h1>VNHTTPD v. %s</h1>",
                refused ? "HTTP/1.1 400 Bad Request" : "HTTP/1.1 200 OK", server_version());
    page_printf(req, "<table border=1<tr><th>Option</th><th>Description</th><th colspan=2>Value</th></tr>");
    if (saved)
        page_printf(req, "<p style='color: green'>Saved: %s=%s</p>", escape_html(name).c_str(),
                    escape_html(value).c_str());
    if (refused) page_printf(req, "<p style='color: red'>%s</p>", escape_html(refusal).c_str());
    for (size_t i = 0; i < option_count; ++i) {
        const option_def& o = option_table[i];
        const char* current = option_value(ctx, o.slot);
        page_printf(req,
                    "<form method=post><tr><td>%s</td><td>%s</td><input type=hidden name=o value='%s'><td><input "
                    "type=text name=v value='%s'></td><td><input type=submit value=save></td></form></tr>",
                    o.name, o.description, o.name, escape_html(current ? current : "").c_str());
    }
    page_printf(req, "</table></body></html>");
    req->flags |= PAGE_LAST;
}

}  // namespace vnhttpd
