#ifndef VN_WEBUI_HTTPD_STREAMS_H
#define VN_WEBUI_HTTPD_STREAMS_H

#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "webui/httpd/httpd.h"

struct ssl_st;

namespace vnhttpd {

struct connection;
struct server_context;
struct stream;
struct worker;

// Capacity of each of a connection's two buffers.
constexpr size_t IO_BUFFER_SIZE = 1048576;

// A stream's buffer. Pending bytes lie from tail to head, free space from head to size; the
// buffer is not circular: it rewinds to its front when everything pending has been taken.
struct io {
    char* buf;
    size_t size;
    size_t head;
    size_t tail;
    uint64_t total;  // bytes put in since the last clear
};

void io_clear(struct io* io);
char* io_space(struct io* io);
size_t io_space_len(const struct io* io);
char* io_data(struct io* io);
size_t io_data_len(const struct io* io);
// n bytes put in / taken out. A violated invariant (0 <= tail <= head <= size) stops the process.
void io_inc_head(struct io* io, size_t n);
void io_inc_tail(struct io* io, size_t n);

enum stream_flag : unsigned {
    STREAM_HEADERS_PARSED = 0x01,  // remote: the request's header block has been parsed
    STREAM_TLS_ACCEPTED = 0x02,    // remote, TLS: the handshake has completed
    STREAM_READABLE = 0x04,        // the channel delivers data
    STREAM_WRITABLE = 0x08,        // the channel accepts data (the request body is passed on)
    STREAM_CLOSED = 0x10,          // the channel is closed
    STREAM_KEEP_OPEN = 0x20,       // a transfer of nothing does not close the stream
    STREAM_ALWAYS_READY = 0x40,    // read on every pass, without readiness from the wait
    STREAM_SUSPENDED = 0x80        // local: pending output does not make the client socket watched
};

// Operations of one kind of channel. read and write return the bytes transferred, 0 for end of
// data or nothing taken, -1 with errno set for an error; either may be absent.
struct stream_class {
    const char* name;
    int (*read)(stream* s, void* buf, size_t len);
    int (*write)(stream* s, const void* buf, size_t len);
    void (*close)(stream* s);
    // The channel is the socket chan.sock, whose readiness the serving loop waits for (script
    // output); every other local channel is always ready or never read.
    bool waits_on_socket;
};

struct channel {
    int sock = -1;  // "socket"; a script's socket
    int fd = -1;    // a file
    struct {
        ssl_st* ssl = nullptr;
        int sock = -1;
    } tls;          // "ssl"
    struct {
        page_handler handler = nullptr;
        void* user_data = nullptr;
        void* state = nullptr;  // the handler's own, kept between its calls
    } page;         // "embedded"
    struct {
        DIR* handle = nullptr;
        char* path = nullptr;  // the directory, ending with '/' (malloc)
    } dir;          // "dir"
    struct ssi_state* ssi = nullptr;  // "ssi"; the requested document is `fd` until it is made
};

struct stream {
    connection* conn = nullptr;
    channel chan;
    struct io io {};
    const stream_class* cls = nullptr;  // null: no channel
    size_t headers_len = 0;             // remote: length of the request's header block
    uint64_t content_len = 0;           // cap of reads; local: length of a known-length response
    unsigned flags = 0;
    // The TLS layer waits until the socket takes data (the client socket is then watched for
    // writability whatever the buffers hold).
    bool tls_wants_write = false;
};

// The client as the access control, the logs and the request environment see it. A client
// connected to a dual-stack socket with an IPv4-mapped address is that IPv4 client.
struct client_address {
    sockaddr_storage peer;
    bool ipv4;
    uint32_t ipv4_address;  // host order; 0 for an IPv6 client
    char text[64];          // dotted decimal, or the IPv6 text
    int port;
};

// Fills `out` from an address as accept or getpeername gave it.
void describe_peer(const sockaddr* addr, socklen_t len, client_address* out);

// A text inside the request's own copy: pointer and length; a null pointer when absent.
struct header_text {
    char* ptr = nullptr;
    size_t len = 0;
};

// The request headers the server knows, all zero for a new request. A header that occurs twice
// keeps its later value.
struct request_headers {
    uint64_t content_length = 0;
    header_text content_type;
    header_text user_agent;
    time_t if_modified_since = 0;  // 0: absent or unreadable
    header_text authorization;
    header_text referer;
    header_text cookie;
    header_text location;
    uint64_t status = 0;
    header_text range;
    header_text connection;
    header_text transfer_encoding;
    header_text remote_user;  // set by a successful authentication, not by a header
};

// Indexes of the method table, in matching order.
enum request_method { METHOD_GET = 0, METHOD_POST, METHOD_PUT, METHOD_DELETE, METHOD_HEAD, METHOD_COUNT };
extern const char* const method_names[METHOD_COUNT];

// One client connection. A single zeroed allocation holds this record, then the local buffer,
// then the remote buffer.
struct connection {
    connection* prev = nullptr;
    connection* next = nullptr;
    uint64_t id = 0;  // names the connection in control messages; unique within the process
    struct worker* worker = nullptr;
    server_context* ctx = nullptr;
    client_address client{};
    int sock = -1;    // the client socket (owned by the remote stream's channel)
    time_t birth_time = 0;   // accept, or the start of the current keep-alive request
    time_t expire_time = 0;  // renewed by every transfer of at least one byte
    int local_port = 0;
    stream loc;  // the channel that answers the request
    stream rem;  // the client socket, plain or TLS

    // The current request; reset for every request of a kept-alive connection.
    int status = 0;           // status of the answer, for the access log (0 until set)
    int method = -1;          // index into method_names
    char* request = nullptr;  // own copy of the header block (malloc); as a text, the request line
    size_t request_len = 0;   // length of the header block
    char* headers = nullptr;  // first header line, inside `request`
    char* uri = nullptr;      // decoded, normalised path without the query (malloc)
    // The request target as the request line carries it (path and query, undecoded), inside
    // `request`; not zero-terminated.
    const char* target = nullptr;
    size_t target_len = 0;
    char* query = nullptr;    // raw text after the first '?', inside `uri`; null without '?'
    int http_major = 0;
    int http_minor = 0;
    // The file-system path of the request: IO_BUFFER_SIZE bytes (malloc), kept while the
    // connection lives; null until the first request needs it.
    char* file_path = nullptr;
    char* path_info = nullptr;
    const char* mime_type = nullptr;
    size_t mime_type_len = 0;
    request_headers hdr;

    // Positions of the client socket and of a local socket in the current wait's descriptor
    // array; -1 when not watched.
    int rem_wait = -1;
    int loc_wait = -1;
};

// Fills the stream's buffer from its channel; called only when the buffer has free space.
void read_stream(stream* s);
// Writes pending bytes of `from` into `to`'s channel; called only when `from` has pending bytes
// and `to` has a class.
void write_stream(stream* from, stream* to);
// Closes the channel; the buffer and the other flags stay, so pending output is still sent.
void stream_close(stream* s);

// One processing pass over a connection, with the readiness the wait found before it. May end
// and free the connection.
void serve_connection(connection* c, bool remote_ready, bool local_ready);

// The plain client socket.
extern const stream_class socket_class;

}  // namespace vnhttpd

#endif
