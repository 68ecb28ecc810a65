#ifndef VN_WEBUI_HTTPD_SERVER_CONTEXT_H
#define VN_WEBUI_HTTPD_SERVER_CONTEXT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "webui/httpd/httpd.h"

struct ssl_ctx_st;

namespace vnhttpd {

struct connection;
struct worker;

// Option slots. 21 and 22 are not used.
enum option_slot {
    OPT_ROOT = 0,
    OPT_INDEX_FILES = 1,
    OPT_PORTS = 2,
    OPT_DIR_LIST = 3,
    OPT_CGI_EXT = 4,
    OPT_CGI_INTERP = 5,
    OPT_CGI_ENV = 6,
    OPT_SSI_EXT = 7,
    OPT_AUTH_REALM = 8,
    OPT_AUTH_GPASS = 9,
    OPT_AUTH_PUT = 10,
    OPT_ACCESS_LOG = 11,
    OPT_ERROR_LOG = 12,
    OPT_MIME_TYPES = 13,
    OPT_SSL_CERT = 14,
    OPT_ALIASES = 15,
    OPT_ACL = 16,
    OPT_INETD = 17,
    OPT_UID = 18,
    OPT_CFG_URI = 19,
    OPT_PROTECT = 20,
    OPT_THREADS = 23,
    NUM_OPTION_SLOTS = 24
};

using option_setter = void (*)(server_context* ctx, const char* value);

struct option_def {
    const char* name;
    int slot;
    const char* default_value;  // null: none
    const char* description;
    option_setter setter;       // null: the value is only read where it is used
};

// The option table, in the order in which setters run, the usage text lists the options and
// the configuration page shows them.
extern const option_def option_table[];
extern const size_t option_count;

struct listener {
    server_context* ctx;
    int sock;
    bool tls;
};

struct acl_entry {
    uint32_t address;  // host order
    uint32_t mask;
    char flag;         // '+' allow, '-' deny
};

// Limits against resource exhaustion. Not options: a test shortens them with set_test_limits.
struct server_limits {
    int max_connections = 256;   // per worker
    time_t header_timeout = 60;  // seconds from accept or keep-alive reset to a complete header block
    time_t idle_timeout = 3600;  // seconds without a transferred byte
};

// A page registration; see server_register_page.
struct registered_page {
    std::string pattern;
    page_handler handler;
    void* user_data;
};

struct registered_error_page {
    int status;
    page_handler handler;
    void* user_data;
};

// A function that include documents call by name; see server_register_ssi_function.
struct ssi_function {
    std::string name;
    page_handler handler;
    void* user_data;
};

// Runs while the remote stream of a connection lacks its parsed header block.
using request_parser = void (*)(connection* c);

struct server_context {
    server_context();
    ~server_context();
    server_context(const server_context&) = delete;
    server_context& operator=(const server_context&) = delete;

    ssl_ctx_st* tls_context = nullptr;
    std::vector<acl_entry> acl;
    std::vector<listener> listeners;
    std::vector<worker*> workers;
    // The workers have threads of their own (option "threads" above 1 at start-up); otherwise
    // the single worker is served inside server_poll.
    bool threaded = false;
    FILE* access_log = nullptr;
    FILE* error_log = nullptr;
    // In registration order; guarded by config_lock (the configuration page replaces them).
    std::vector<registered_page> pages;
    std::vector<registered_error_page> error_pages;
    // In registration order; guarded by config_lock.
    std::vector<ssi_function> ssi_functions;

    // Option values: null or the context's own copy. Worker threads read them while the
    // configuration page may replace them, so a replaced value stays alive until server_free.
    std::atomic<const char*> options[NUM_OPTION_SLOTS];
    std::vector<std::unique_ptr<char[]>> option_texts;

    // Guards the option texts, the listeners and the ACL against a change made from a worker
    // thread; log_lock guards the two log files.
    std::mutex config_lock;
    std::mutex log_lock;
    // Bumped whenever the listeners are replaced, so a wait that began before sees the change.
    unsigned listener_generation = 0;
    // Monotonic milliseconds until which the listeners stay out of the wait (descriptors ran out).
    int64_t accept_paused_until = 0;

    server_limits limits;
    request_parser parse_request;
};

// Severity bits of report_error.
enum { REPORT_FATAL = 1, REPORT_LOG = 2 };

// Standard error (unless the connection's server runs under inetd), then the error log for a
// connection with severity bits; bit REPORT_FATAL ends the process with status 1.
void report_error(int severity, connection* c, const char* format, ...) __attribute__((format(printf, 3, 4)));

// The error-log line of `message` for the connection, as report_error writes it: date, client,
// request line, message, line feed.
std::string error_log_line(connection* c, const std::string& message);

// report_error with REPORT_FATAL and no connection.
[[noreturn]] void report_fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints the usage text to standard error and ends the process with status 1.
[[noreturn]] void server_usage(const char* program);

// Ends the process without running exit handlers: the server lives in a forked child of the
// program, whose exit-time work belongs to the parent. Standard streams and logs are flushed.
[[noreturn]] void server_exit(int status);

// The table row named exactly `name` (case-sensitive), or null.
const option_def* find_option(const char* name);
// The table row named exactly `name`; fatal "no such option: [%s]" otherwise.
const option_def* lookup_option(const char* name);
// Replaces the slot's value with a copy of `value` (or null), without running the setter.
void store_option(server_context* ctx, const char* name, const char* value);
// Runs the option's setter with the new value, then stores it.
void change_option(server_context* ctx, const char* name, const char* value);
// change_option for a value that comes from a request: an unknown name or a value the setter
// refuses changes nothing and gives false with the reason in `message`; the process goes on.
bool try_change_option(server_context* ctx, const char* name, const char* value, std::string* message);
const char* option_value(const server_context* ctx, int slot);
// Exactly "1", "yes", "true" or "jawohl"; anything else, and null, is false.
bool option_is_true(const char* value);

// The setters of the option table.
void set_ports(server_context* ctx, const char* value);
void set_acl(server_context* ctx, const char* value);
void set_access_log(server_context* ctx, const char* path);
void set_error_log(server_context* ctx, const char* path);
void set_uid(server_context* ctx, const char* name);
void set_threads(server_context* ctx, const char* value);
void set_inetd(server_context* ctx, const char* value);

// Changes the limits of a running context; meant for tests.
void set_test_limits(server_context* ctx, const server_limits& limits);

// The process-wide cached time, refreshed at the start of every server_poll; worker threads
// read it.
time_t current_time();
void refresh_current_time();
// Milliseconds of the monotonic clock.
int64_t monotonic_ms();

}  // namespace vnhttpd

#endif
