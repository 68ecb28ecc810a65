#ifndef VN_WEBUI_HTTPD_TLS_CHANNEL_H
#define VN_WEBUI_HTTPD_TLS_CHANNEL_H

#include "webui/httpd/server_context.h"
#include "webui/httpd/streams.h"

namespace vnhttpd {

// Setter of "ssl_cert": a server TLS context with the certificate and then the private key
// read from the one PEM file `path`. Fatal "SSL_CTX_new error" or "cannot open %s".
void make_tls_context(server_context* ctx, const char* path);

// One step of the server side of the handshake on a remote stream of class "ssl": completion
// sets STREAM_TLS_ACCEPTED, a wanted read or write leaves the stream as it is, anything else
// sets STREAM_CLOSED.
void tls_accept(stream* s);

// Decrypted bytes wait inside the TLS layer: the stream counts as readable without the socket.
bool tls_has_pending(const stream* s);

// The TLS channel over an accepted socket (chan.tls). Close closes the socket, then frees the
// TLS object, without a shutdown exchange.
extern const stream_class tls_class;

}  // namespace vnhttpd

#endif
