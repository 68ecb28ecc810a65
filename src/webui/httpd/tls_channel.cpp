#include "webui/httpd/tls_channel.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace vnhttpd {

void make_tls_context(server_context* ctx, const char* path) {
    if (!path) return;
    OPENSSL_init_ssl(0, nullptr);
    ERR_clear_error();
    SSL_CTX* tls = SSL_CTX_new(TLS_server_method());
    if (!tls) report_fatal("SSL_CTX_new error");
    if (SSL_CTX_use_certificate_file(tls, path, SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(tls, path, SSL_FILETYPE_PEM) != 1) {
        // A refused change from the configuration page goes on without this context.
        SSL_CTX_free(tls);
        report_fatal("cannot open %s", path);
    }
    // The socket is non-blocking and the buffer's pending bytes move between retries: a write
    // may take part of the data, and a retry may come from another address.
    SSL_CTX_set_mode(tls, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (ctx->tls_context) SSL_CTX_free(ctx->tls_context);  // live connections hold their own reference
    ctx->tls_context = tls;
}

namespace {

// Maps the outcome of a failed TLS read or write onto the stream result convention.
int tlsFailure(stream* s, int r) {
    switch (SSL_get_error(s->chan.tls.ssl, r)) {
    case SSL_ERROR_WANT_READ:
        s->tls_wants_write = false;
        errno = EAGAIN;
        return -1;
    case SSL_ERROR_WANT_WRITE:
        s->tls_wants_write = true;
        errno = EAGAIN;
        return -1;
    case SSL_ERROR_ZERO_RETURN:
        return 0;
    case SSL_ERROR_SYSCALL:
        if (ERR_peek_error() == 0 && r == 0) return 0;  // end of file without close_notify
        errno = EIO;
        return -1;
    default:
        errno = EIO;
        return -1;
    }
}

bool handshakeDone(stream* s) {
    if (!(s->flags & STREAM_TLS_ACCEPTED)) tls_accept(s);
    if (s->flags & STREAM_TLS_ACCEPTED) return true;
    errno = EAGAIN;
    return false;
}

// One TLS read or write of at most `len` bytes, after the handshake.
template <typename Transfer>
int tlsTransfer(stream* s, size_t len, Transfer transfer) {
    if (!handshakeDone(s)) return -1;
    if (len == 0) return 0;
    ERR_clear_error();
    int r = transfer(s->chan.tls.ssl, len > INT_MAX ? INT_MAX : static_cast<int>(len));
    if (r > 0) {
        s->tls_wants_write = false;
        return r;
    }
    return tlsFailure(s, r);
}

int tlsRead(stream* s, void* buf, size_t len) {
    return tlsTransfer(s, len, [buf](SSL* ssl, int n) { return SSL_read(ssl, buf, n); });
}

int tlsWrite(stream* s, const void* buf, size_t len) {
    return tlsTransfer(s, len, [buf](SSL* ssl, int n) { return SSL_write(ssl, buf, n); });
}

void tlsClose(stream* s) {
    ::close(s->chan.tls.sock);
    s->chan.tls.sock = -1;
    SSL_free(s->chan.tls.ssl);
    s->chan.tls.ssl = nullptr;
}

}  // namespace

void tls_accept(stream* s) {
    ERR_clear_error();
    int r = SSL_accept(s->chan.tls.ssl);
    if (r == 1) {
        s->flags |= STREAM_TLS_ACCEPTED;
        s->tls_wants_write = false;
        return;
    }
    switch (SSL_get_error(s->chan.tls.ssl, r)) {
    case SSL_ERROR_WANT_READ:
        s->tls_wants_write = false;
        return;
    case SSL_ERROR_WANT_WRITE:
        s->tls_wants_write = true;
        return;
    default:
        s->flags |= STREAM_CLOSED;
    }
}

bool tls_has_pending(const stream* s) {
    return s->cls == &tls_class && (s->flags & STREAM_TLS_ACCEPTED) && SSL_pending(s->chan.tls.ssl) > 0;
}

const stream_class tls_class = {"ssl", tlsRead, tlsWrite, tlsClose, false};

}  // namespace vnhttpd
