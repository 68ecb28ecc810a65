#include "webui/httpd/page_interface.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "webui/httpd/parse_http_request.h"
#include "webui/httpd/send_error_reply.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/serving_loop.h"
#include "webui/httpd/string_routines.h"

namespace vnhttpd {

bool match_uri_pattern(const char* pattern, const char* uri) {
    // The last '*' seen and the path position it was tried from: on a mismatch the star takes
    // one character more.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*uri) {
        if (*pattern == '*') {
            star = pattern++;
            resume = uri;
        } else if (*pattern && *pattern == *uri) {
            ++pattern;
            ++uri;
        } else if (star) {
            pattern = star + 1;
            uri = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

bool register_page_locked(server_context* ctx, const char* pattern, page_handler handler, void* user_data) {
    try {
        ctx->pages.push_back(registered_page{pattern, handler, user_data});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void server_register_page(server_context* ctx, const char* pattern, page_handler handler, void* user_data) {
    std::lock_guard<std::mutex> guard(ctx->config_lock);
    register_page_locked(ctx, pattern, handler, user_data);
}

void server_register_error_page(server_context* ctx, int status, page_handler handler, void* user_data) {
    std::lock_guard<std::mutex> guard(ctx->config_lock);
    try {
        ctx->error_pages.push_back(registered_error_page{status, handler, user_data});
    } catch (const std::bad_alloc&) {
    }
}

page_target find_registered_page(server_context* ctx, const char* uri) {
    std::lock_guard<std::mutex> guard(ctx->config_lock);
    for (const registered_page& p : ctx->pages)
        if (match_uri_pattern(p.pattern.c_str(), uri)) return page_target{p.handler, p.user_data};
    return page_target{nullptr, nullptr};
}

page_target find_error_page(server_context* ctx, int status) {
    std::lock_guard<std::mutex> guard(ctx->config_lock);
    for (const registered_error_page& p : ctx->error_pages)
        if (p.status == status) return page_target{p.handler, p.user_data};
    return page_target{nullptr, nullptr};
}

namespace {

int embeddedRead(stream* s, void*, size_t) { return page_stream_io(s); }
int embeddedWrite(stream* s, const void*, size_t) { return page_stream_io(s); }

int clampCount(int n, int limit) { return n < 0 ? 0 : n > limit ? limit : n; }

}  // namespace

const stream_class embedded_class = {"embedded", embeddedRead, embeddedWrite, page_stream_close, false};

void setup_page_stream(connection* c, page_handler handler, void* user_data) {
    if (c->loc.cls) stream_close(&c->loc);
    io_clear(&c->loc.io);
    c->loc.cls = &embedded_class;
    c->loc.chan.page.handler = handler;
    c->loc.chan.page.user_data = user_data;
    c->loc.chan.page.state = nullptr;
    c->loc.content_len = 0;
    c->loc.flags = STREAM_READABLE | STREAM_WRITABLE | STREAM_ALWAYS_READY;
}

void serve_page(connection* c, page_handler handler, void* user_data) {
    if (c->rem.content_len > IO_BUFFER_SIZE) {
        send_error_reply(c, 413, "Request Entity Too Large");
        return;
    }
    setup_page_stream(c, handler, user_data);
}

void call_page_handler(connection* c, page_request* req, page_handler handler) {
    const bool closing = (req->flags & PAGE_CLOSING) != 0;
    req->conn = c;
    req->state = c->loc.chan.page.state;
    req->out_buf = io_space(&c->loc.io);
    req->out_len = static_cast<int>(io_space_len(&c->loc.io));
    req->out_used = 0;
    req->in_buf = io_data(&c->rem.io);
    req->in_len = static_cast<int>(io_data_len(&c->rem.io));
    req->in_used = 0;
    if (io_data_len(&c->rem.io) == c->rem.io.size) req->flags |= PAGE_INPUT_FULL;
    if (c->rem.content_len > 0 && c->rem.io.total < c->rem.content_len) req->flags |= PAGE_MORE_INPUT;

    handler(req);

    // What a closing call writes goes with the connection.
    if (!closing) io_inc_head(&c->loc.io, static_cast<size_t>(clampCount(req->out_used, req->out_len)));
    const int consumed = clampCount(req->in_used, req->in_len);
    if (consumed > 0) io_inc_tail(&c->rem.io, static_cast<size_t>(consumed));
    c->loc.chan.page.state = req->state;
    if (req->flags & PAGE_LAST)
        c->loc.flags &= ~STREAM_KEEP_OPEN;
    else
        c->loc.flags |= STREAM_KEEP_OPEN;
    if (req->flags & PAGE_SUSPEND) c->loc.flags |= STREAM_SUSPENDED;
}

int page_stream_io(stream* s) {
    page_request req{};
    req.user_data = s->chan.page.user_data;
    req.flags = 0;
    call_page_handler(s->conn, &req, s->chan.page.handler);
    return 0;
}

void page_stream_close(stream* s) {
    // Only an unfinished page (keep-open) hears of it, once.
    if (!(s->flags & STREAM_KEEP_OPEN)) return;
    page_request req{};
    req.user_data = s->chan.page.user_data;
    req.flags = PAGE_CLOSING;
    call_page_handler(s->conn, &req, s->chan.page.handler);
    s->flags &= ~STREAM_KEEP_OPEN;
    s->chan.page.state = nullptr;
}

int page_get_var(const char* name, const char* buf, int buf_len, char* dst, int dst_len) {
    const int n = static_cast<int>(std::strlen(name));
    for (int p = 0; p + n < buf_len; ++p) {
        if ((p > 0 && buf[p - 1] != '&') || buf[p + n] != '=') continue;
        if (compare_nocase(buf + p, name, static_cast<size_t>(n)) != 0) continue;
        const char* value = buf + p + n + 1;
        const char* end = buf + buf_len;
        const char* amp = static_cast<const char*>(std::memchr(value, '&', static_cast<size_t>(end - value)));
        return percent_decode(value, static_cast<int>((amp ? amp : end) - value), dst, dst_len);
    }
    return -1;
}

const char* page_get_env(page_request* req, const char* name) {
    connection* c = req->conn;
    if (std::strcmp(name, "REQUEST_METHOD") == 0) return c->method >= 0 ? method_names[c->method] : nullptr;
    if (std::strcmp(name, "REQUEST_URI") == 0) return c->uri;
    if (std::strcmp(name, "QUERY_STRING") == 0) return c->query;
    if (std::strcmp(name, "REMOTE_USER") == 0) {
        header_text& user = c->hdr.remote_user;
        if (!user.ptr) return nullptr;
        user.ptr[user.len] = '\0';
        return user.ptr;
    }
    if (std::strcmp(name, "REMOTE_ADDR") == 0) {
        static thread_local char address[sizeof c->client.text];
        bounded_copy(address, sizeof address, c->client.text);
        return address;
    }
    return nullptr;
}

const char* page_get_header(page_request* req, const char* name) {
    connection* c = req->conn;
    if (!c->request || !c->headers) return nullptr;
    char* const end = c->request + c->request_len;  // the copy has a zero byte there
    const size_t n = std::strlen(name);
    for (char* line = c->headers; line < end;) {
        char* stop = line;
        while (stop < end && *stop != '\r' && *stop != '\n' && *stop != '\0') ++stop;
        *stop = '\0';
        if (compare_nocase(line, name, n) == 0) {
            // Behind the ": " that follows a header name; a line too short for it gives the
            // empty text instead of bytes beyond the line.
            return static_cast<size_t>(stop - line) >= n + 2 ? line + n + 2 : stop;
        }
        line = stop + 1;
    }
    return nullptr;
}

int page_printf(page_request* req, const char* format, ...) {
    const int space = req->out_len - req->out_used;
    if (space <= 0) return 0;
    va_list ap;
    va_start(ap, format);
    const int n = std::vsnprintf(req->out_buf + req->out_used, static_cast<size_t>(space), format, ap);
    va_end(ap);
    // A failed format leaves nothing worth sending.
    const int added = n < 0 ? 0 : n >= space ? space - 1 : n;
    req->out_used += added;
    return added;
}

void server_wake_connection(page_request* req) {
    connection* c = req->conn;
    struct __attribute__((packed)) {
        uint32_t command;
        uint64_t id;
    } message{CTL_WAKE, c->id};
    send_control(c->worker, &message, sizeof message);
}

void page_get_http_version(page_request* req, int* major, int* minor) {
    *major = req->conn->http_major;
    *minor = req->conn->http_minor;
}

}  // namespace vnhttpd
