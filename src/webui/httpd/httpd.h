#ifndef VN_WEBUI_HTTPD_HTTPD_H
#define VN_WEBUI_HTTPD_HTTPD_H

// The embedded HTTP server, VNHTTPD, as its users see it: build it from an argument vector,
// register the pages, serve with repeated polls, release it.
namespace vnhttpd {

struct server_context;
struct connection;

// Builds the server from the built-in option defaults, the configuration file and the option
// pairs of argv ("-name value"). argv[0] is the program name; a first argument without '-' names
// the configuration file. Every failure is fatal: a message on standard error and exit status 1.
server_context* server_init(int argc, const char* const* argv);

// One wait of at most `milliseconds` and one pass of work: accepts new clients and, with a single
// worker, serves every connection once. Negative when the wait itself failed.
int server_poll(server_context* ctx, int milliseconds);

// Ends every connection and worker and releases the server.
void server_free(server_context* ctx);

// "1.41"
const char* server_version();

// Bits of page_request::flags.
enum page_flag : unsigned {
    PAGE_LAST = 0x01,        // handler: the answer is complete; no further call for this request
    PAGE_CLOSING = 0x02,     // server: the connection goes before PAGE_LAST; last call, free `state`
    PAGE_MORE_INPUT = 0x04,  // server: fewer body bytes than the announced length have arrived
    PAGE_INPUT_FULL = 0x08,  // server: the unconsumed body fills the whole input buffer
    PAGE_SSI_TRUE = 0x10,    // include functions only
    PAGE_SUSPEND = 0x20      // handler: pending output does not wake the server until
                             // server_wake_connection
};

// What a page handler receives on each call. The server fills it before the call and reads it
// back after; the handler writes its whole answer, status line included.
struct page_request {
    connection* conn;  // for the page_* functions only
    void* state;       // the handler's own pointer for this request: null on the first call
    void* user_data;   // as given at registration
    char* in_buf;      // first request-body byte not yet consumed
    int in_len;        // received, unconsumed body bytes at in_buf
    int in_used;       // set by the handler: bytes of in_buf it consumed
    char* out_buf;     // free space of the output buffer
    int out_len;       // its size (may be 0)
    int out_used;      // set by the handler (or page_printf): bytes written at out_buf
    unsigned flags;    // page_flag bits
};

using page_handler = void (*)(page_request* req);

// Appends a page for the URI pattern ('*' matches any run of characters); the first
// registration whose pattern matches a request's path takes it. The pattern is copied. Nothing
// is registered when memory runs out.
void server_register_page(server_context* ctx, const char* pattern, page_handler handler, void* user_data);

// The handler takes, instead of the built-in error reply, every request that would get that
// status (the first registration for a status wins).
void server_register_error_page(server_context* ctx, int status, page_handler handler, void* user_data);

// Appends a function that include documents reach by name, with "#call name args" (its output
// is inserted) and in the conditions of "#if name args" and "#elif name args" (true when it sets
// PAGE_SSI_TRUE). It gets a page_request with the text after the name as in_buf (null when
// none), the free output space (none for a condition), null state and flags 0; it sets out_used
// and PAGE_LAST once its output is complete, otherwise it is called again on the next pass. The
// first registration of a name wins; the name is copied. Nothing is registered when memory runs
// out.
void server_register_ssi_function(server_context* ctx, const char* name, page_handler handler, void* user_data);

// The value of `name` (case-insensitive) in a query or form text "a=1&b=2", decoded ('+' is a
// blank, "%xx" a byte) into dst, at most dst_len - 1 bytes and a zero byte. Its length, or -1
// when the name does not occur (dst is then untouched).
int page_get_var(const char* name, const char* buf, int buf_len, char* dst, int dst_len);

// "REQUEST_METHOD", "REQUEST_URI" (decoded path), "QUERY_STRING" (raw; null without '?'),
// "REMOTE_USER" (null unless authenticated), "REMOTE_ADDR" (in a buffer of the calling thread
// that the next call overwrites); any other name (names are case-sensitive) gives null.
const char* page_get_env(page_request* req, const char* name);

// The value of the first request header line that begins with `name` (case-insensitive; a
// prefix match), that is the text 2 bytes behind the name; null when none. Cuts the header lines
// in place.
const char* page_get_header(page_request* req, const char* name);

// Formats into the free output space and adds what fits to out_used: a text that does not fit
// is cut to the space less one byte. The count added.
int page_printf(page_request* req, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Ends PAGE_SUSPEND of the request's connection; may be called from any thread.
void server_wake_connection(page_request* req);

// The HTTP version of the request line.
void page_get_http_version(page_request* req, int* major, int* minor);

}  // namespace vnhttpd

#endif
