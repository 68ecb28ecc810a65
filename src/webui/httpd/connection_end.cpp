#include "webui/httpd/connection_end.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "webui/httpd/parse_http_request.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/serving_loop.h"
#include "webui/httpd/string_routines.h"

namespace vnhttpd {

namespace {

// Longest access-log line, without its line feed.
constexpr size_t ACCESS_LINE_LIMIT = 1048575;

// A header value for the log: in double quotes, or "-" without them when absent.
struct quoted {
    const char* open;
    int len;
    const char* text;
    const char* close;
};

quoted quote(const header_text& value) {
    if (!value.ptr) return quoted{"-", 0, "", ""};
    return quoted{"\"", static_cast<int>(value.len), value.ptr, "\""};
}

// Connections whose buffered next request is processed by the loop in process_buffered below
// rather than by a nested call, so that a long run of pipelined requests cannot deepen the stack.
thread_local bool processingBuffered = false;
thread_local connection* bufferedAgain = nullptr;

void process_buffered(connection* c) {
    if (processingBuffered) {
        bufferedAgain = c;
        return;
    }
    processingBuffered = true;
    while (c) {
        bufferedAgain = nullptr;
        serve_connection(c, false, false);
        c = bufferedAgain;
    }
    processingBuffered = false;
}

bool closeRequested(const header_text& connection) {
    return connection.ptr && connection.len > 4 && compare_nocase(connection.ptr, "close", 5) == 0;
}

// Keep-alive: a finished HTTP/1.1 answer of known length, over a client socket that is still
// open, without "Connection: close" or a transfer coding, whose announced body was taken whole
// (an unread body must never be parsed as the next request).
bool keepAlive(const connection* c, bool answered) {
    if (!c->request || !answered || c->worker->stop.load()) return false;
    if (c->http_major == 0 || c->http_minor == 0) return false;
    if (closeRequested(c->hdr.connection) || c->hdr.transfer_encoding.ptr) return false;
    if (c->loc.content_len == 0) return false;
    const uint64_t consumed = c->rem.io.total - io_data_len(&c->rem.io);
    return c->rem.content_len == 0 || consumed == c->rem.content_len;
}

}  // namespace

void release_request(connection* c) {
    std::free(c->request);
    std::free(c->uri);
    c->request = nullptr;
    c->request_len = 0;
    c->headers = nullptr;
    c->uri = nullptr;
    c->target = nullptr;
    c->target_len = 0;
    c->query = nullptr;
    c->status = 0;
    c->method = -1;
    c->http_major = 0;
    c->http_minor = 0;
    if (c->file_path) c->file_path[0] = '\0';
    c->path_info = nullptr;
    c->mime_type = nullptr;
    c->mime_type_len = 0;
    c->hdr = request_headers();
}

void write_access_line(FILE* file, connection* c) {
    struct tm tm;
    const time_t birth = c->birth_time;
    ::localtime_r(&birth, &tm);
    char date[64];
    bounded_format(date, sizeof date, "%02d/%s/%04d:%02d:%02d:%02d", tm.tm_mday, month_names[tm.tm_mon % 12],
                   tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    // The zone's real offset as +hhmm.
    const long offsetMinutes = tm.tm_gmtoff / 60;
    const int offset = static_cast<int>(offsetMinutes / 60 * 100 + offsetMinutes % 60);
    const header_text& user = c->hdr.remote_user;
    const quoted referer = quote(c->hdr.referer);
    const quoted agent = quote(c->hdr.user_agent);
    const char* format = "%s - %.*s [%s %+05d] \"%s\" %d %lu %s%.*s%s %s%.*s%s";
    const int userLen = user.ptr ? static_cast<int>(user.len) : 1;
    const char* userText = user.ptr ? user.ptr : "-";
    const unsigned long bytes = static_cast<unsigned long>(c->loc.io.total);
    const char* requestLine = c->request ? c->request : "-";
    const int needed = std::snprintf(nullptr, 0, format, c->client.text, userLen, userText, date, offset, requestLine,
                                     c->status, bytes, referer.open, referer.len, referer.text, referer.close,
                                     agent.open, agent.len, agent.text, agent.close);
    if (needed < 0) return;
    std::vector<char> line(std::min(static_cast<size_t>(needed), ACCESS_LINE_LIMIT) + 1);
    bounded_format(line.data(), line.size(), format, c->client.text, userLen, userText, date, offset, requestLine,
                   c->status, bytes, referer.open, referer.len, referer.text, referer.close, agent.open, agent.len,
                   agent.text, agent.close);
    std::fprintf(file, "%s\n", line.data());
    std::fflush(file);
}

void connection_desctructor(connection* c) {
    server_context* ctx = c->ctx;
    if (c->request) {
        std::lock_guard<std::mutex> guard(ctx->log_lock);
        if (ctx->access_log) write_access_line(ctx->access_log, c);
    }
    if (option_is_true(option_value(ctx, OPT_INETD))) server_exit(0);

    // Finished: the answer is complete and sent, the client is still there, and time is left.
    const bool answered = (c->loc.flags & STREAM_CLOSED) && io_data_len(&c->loc.io) == 0 && c->rem.cls &&
                          !(c->rem.flags & STREAM_CLOSED) && c->expire_time >= current_time();
    if (c->loc.cls) stream_close(&c->loc);
    const bool keep = keepAlive(c, answered);
    release_request(c);
    if (!keep) {
        close_connection(c);
        return;
    }

    c->loc.cls = nullptr;
    c->loc.flags = 0;
    c->loc.content_len = 0;
    io_clear(&c->loc.io);
    c->rem.flags = STREAM_READABLE | STREAM_WRITABLE | (c->rem.flags & STREAM_TLS_ACCEPTED);
    // The next request starts afresh: what is buffered behind this one moves to the front, the
    // counts start again.
    struct io* in = &c->rem.io;
    const size_t pending = io_data_len(in);
    if (in->tail > 0) std::memmove(in->buf, in->buf + in->tail, pending);
    in->tail = 0;
    in->head = pending;
    in->total = pending;
    c->rem.content_len = 0;
    c->rem.headers_len = 0;
    c->birth_time = current_time();
    if (pending > 0) process_buffered(c);
}

}  // namespace vnhttpd
