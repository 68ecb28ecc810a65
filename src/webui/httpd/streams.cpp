#include "webui/httpd/streams.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "webui/httpd/connection_end.h"
#include "webui/httpd/server_context.h"

namespace vnhttpd {

namespace {

[[noreturn]] void brokenBuffer(const char* what, const struct io* io, size_t n) {
    std::fprintf(stderr, "io: %s %zu breaks tail %zu <= head %zu <= size %zu\n", what, n, io->tail, io->head,
                 io->size);
    std::abort();
}

}  // namespace

void io_clear(struct io* io) {
    io->head = 0;
    io->tail = 0;
    io->total = 0;
}

char* io_space(struct io* io) { return io->buf + io->head; }

size_t io_space_len(const struct io* io) { return io->size - io->head; }

char* io_data(struct io* io) { return io->buf + io->tail; }

size_t io_data_len(const struct io* io) { return io->head - io->tail; }

void io_inc_head(struct io* io, size_t n) {
    if (n > io->size - io->head) brokenBuffer("head +", io, n);
    io->head += n;
    io->total += n;
}

void io_inc_tail(struct io* io, size_t n) {
    if (n > io->head - io->tail) brokenBuffer("tail +", io, n);
    io->tail += n;
    if (io->tail == io->head) io->head = io->tail = 0;
}

void describe_peer(const sockaddr* addr, socklen_t len, client_address* out) {
    std::memset(out, 0, sizeof *out);
    if (len > sizeof out->peer) len = sizeof out->peer;
    std::memcpy(&out->peer, addr, len);
    if (addr->sa_family == AF_INET && len >= sizeof(sockaddr_in)) {
        const sockaddr_in* in = reinterpret_cast<const sockaddr_in*>(addr);
        out->ipv4 = true;
        out->ipv4_address = ntohl(in->sin_addr.s_addr);
        out->port = ntohs(in->sin_port);
    } else if (addr->sa_family == AF_INET6 && len >= sizeof(sockaddr_in6)) {
        const sockaddr_in6* in6 = reinterpret_cast<const sockaddr_in6*>(addr);
        out->port = ntohs(in6->sin6_port);
        if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr)) {
            out->ipv4 = true;
            uint32_t a;
            std::memcpy(&a, in6->sin6_addr.s6_addr + 12, 4);
            out->ipv4_address = ntohl(a);
        } else {
            ::inet_ntop(AF_INET6, &in6->sin6_addr, out->text, sizeof out->text);
            return;
        }
    } else {
        std::snprintf(out->text, sizeof out->text, "0.0.0.0");
        return;
    }
    uint32_t a = out->ipv4_address;
    std::snprintf(out->text, sizeof out->text, "%u.%u.%u.%u", a >> 24, (a >> 16) & 255, (a >> 8) & 255, a & 255);
}

namespace {

bool retryLater(int r) { return r == -1 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK); }

void renewExpiry(connection* c) { c->expire_time = current_time() + c->ctx->limits.idle_timeout; }

}  // namespace

void read_stream(stream* s) {
    if (!s->cls || !s->cls->read) return;
    size_t n = io_space_len(&s->io);
    if (s->content_len > 0 && s->io.total + n > s->content_len)
        n = s->io.total >= s->content_len ? 0 : static_cast<size_t>(s->content_len - s->io.total);
    int r = s->cls->read(s, io_space(&s->io), n);
    if (r > 0) {
        io_inc_head(&s->io, static_cast<size_t>(r));
        renewExpiry(s->conn);
    } else if (!retryLater(r) && !(s->flags & STREAM_KEEP_OPEN)) {
        stream_close(s);
    }
    // A response of known length ends by itself.
    if (s->content_len > 0 && s == &s->conn->loc && s->io.total >= s->content_len && !(s->flags & STREAM_CLOSED))
        stream_close(s);
}

void write_stream(stream* from, stream* to) {
    int r = to->cls->write(to, io_data(&from->io), io_data_len(&from->io));
    if (r > 0) {
        io_inc_tail(&from->io, static_cast<size_t>(r));
        renewExpiry(to->conn);
    } else if (!retryLater(r) && !(to->flags & STREAM_KEEP_OPEN)) {
        stream_close(to);
    }
}

void stream_close(stream* s) {
    if (s->cls && s->cls->close) s->cls->close(s);
    s->cls = nullptr;
    s->flags &= ~(STREAM_READABLE | STREAM_WRITABLE | STREAM_ALWAYS_READY);
    s->flags |= STREAM_CLOSED;
}

void serve_connection(connection* c, bool remote_ready, bool local_ready) {
    if (remote_ready && io_space_len(&c->rem.io) > 0) read_stream(&c->rem);
    if (!(c->rem.flags & STREAM_HEADERS_PARSED)) c->ctx->parse_request(c);
    if ((c->loc.flags & STREAM_READABLE) && local_ready && io_space_len(&c->loc.io) > 0) read_stream(&c->loc);
    if (io_data_len(&c->rem.io) > 0 && (c->loc.flags & STREAM_WRITABLE) && c->loc.cls && c->loc.cls->write)
        write_stream(&c->rem, &c->loc);
    if (io_data_len(&c->loc.io) > 0 && c->rem.cls) write_stream(&c->loc, &c->rem);

    const time_t now = current_time();
    // A header block (or TLS handshake) that has not arrived in time ends the connection, so
    // silent clients cannot hold connections for the whole idle limit.
    const bool headerOverdue =
        !(c->rem.flags & STREAM_HEADERS_PARSED) && now - c->birth_time > c->ctx->limits.header_timeout;
    if (c->expire_time < now || headerOverdue || (c->rem.flags & STREAM_CLOSED) ||
        ((c->loc.flags & STREAM_CLOSED) && io_data_len(&c->loc.io) == 0))
        connection_desctructor(c);
}

namespace {

int socketRead(stream* s, void* buf, size_t len) {
    return static_cast<int>(::recv(s->chan.sock, buf, len, 0));
}

int socketWrite(stream* s, const void* buf, size_t len) {
    return static_cast<int>(::send(s->chan.sock, buf, len, 0));
}

void socketClose(stream* s) {
    ::close(s->chan.sock);
    s->chan.sock = -1;
}

}  // namespace

const stream_class socket_class = {"socket", socketRead, socketWrite, socketClose, false};

}  // namespace vnhttpd
