#include "webui/httpd/server_context.h"

#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "webui/httpd/config_page.h"
#include "webui/httpd/parse_http_request.h"
#include "webui/httpd/serving_loop.h"
#include "webui/httpd/string_routines.h"
#include "webui/httpd/tls_channel.h"

namespace vnhttpd {

namespace {
const char* const VERSION = "1.41";
std::atomic<time_t> cachedNow{0};

// While a setter runs for a request (try_change_option), what would end the process is thrown
// as this instead, so that the change can be undone and the request refused.
struct refused_value {
    std::string message;
};
thread_local bool fatalThrows = false;

class ThrowingFatals {
public:
    ThrowingFatals() { fatalThrows = true; }
    ~ThrowingFatals() { fatalThrows = false; }
    ThrowingFatals(const ThrowingFatals&) = delete;
    ThrowingFatals& operator=(const ThrowingFatals&) = delete;
};
}  // namespace

const option_def option_table[] = {
    {"root", OPT_ROOT, ".", "\tWeb root directory", nullptr},
    {"index_files", OPT_INDEX_FILES, "index.html,index.htm,index.php,index.cgi", "Index files", nullptr},
    {"ssl_cert", OPT_SSL_CERT, nullptr, "SSL certificate file", make_tls_context},
    {"ports", OPT_PORTS, "80", "Listening ports", set_ports},
    {"dir_list", OPT_DIR_LIST, "yes", "Directory listing", nullptr},
    {"cfg_uri", OPT_CFG_URI, nullptr, "Config uri", set_cfg_uri},
    {"protect", OPT_PROTECT, nullptr, "URI to htpasswd mapping", nullptr},
    {"cgi_ext", OPT_CGI_EXT, "cgi,pl,php", "CGI extensions", nullptr},
    {"cgi_interp", OPT_CGI_INTERP, nullptr, "CGI interpreter", nullptr},
    {"cgi_env", OPT_CGI_ENV, nullptr, "Additional CGI env vars", nullptr},
    {"ssi_ext", OPT_SSI_EXT, "shtml,shtm", "SSI extensions", nullptr},
    {"auth_realm", OPT_AUTH_REALM, "localhost", "Authentication domain name", nullptr},
    {"auth_gpass", OPT_AUTH_GPASS, nullptr, "Global passwords file", nullptr},
    {"auth_PUT", OPT_AUTH_PUT, nullptr, "PUT,DELETE auth file", nullptr},
    {"inetd", OPT_INETD, "no", "Inetd mode", set_inetd},
    {"uid", OPT_UID, nullptr, "\tRun as user", set_uid},
    {"access_log", OPT_ACCESS_LOG, nullptr, "Access log file", set_access_log},
    {"error_log", OPT_ERROR_LOG, nullptr, "Error log file", set_error_log},
    {"mime_types", OPT_MIME_TYPES, nullptr, "Additional mime types list", nullptr},
    {"aliases", OPT_ALIASES, nullptr, "Path=URI mappings", nullptr},
    {"acl", OPT_ACL, nullptr, "\tAllow/deny IP addresses/subnets", set_acl},
    {"threads", OPT_THREADS, "1", "Number of worker threads", set_threads},
};
const size_t option_count = sizeof option_table / sizeof option_table[0];

server_context::server_context() : parse_request(parse_http_request) {
    for (auto& o : options) o.store(nullptr);
}

server_context::~server_context() = default;

time_t current_time() { return cachedNow.load(); }

void refresh_current_time() { cachedNow.store(::time(nullptr)); }

int64_t monotonic_ms() {
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

const char* server_version() { return VERSION; }

void server_exit(int status) {
    std::fflush(nullptr);
    ::_exit(status);
}

namespace {

// The message formatted in full, as one text.
std::string formatMessage(const char* format, va_list ap) {
    va_list copy;
    va_copy(copy, ap);
    char small[512];
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, ap);
    text.resize(static_cast<size_t>(n));
    return text;
}

// Longest error-log line, without its line feed.
constexpr size_t LOG_LINE_LIMIT = 1048575;

void writeErrorLogLine(connection* c, const std::string& message) {
    server_context* ctx = c->ctx;
    std::lock_guard<std::mutex> guard(ctx->log_lock);
    if (!ctx->error_log) return;
    const std::string line = error_log_line(c, message);
    std::fwrite(line.data(), 1, line.size(), ctx->error_log);
    std::fflush(ctx->error_log);
}

}  // namespace

std::string error_log_line(connection* c, const std::string& message) {
    time_t now = current_time();
    struct tm tm;
    ::localtime_r(&now, &tm);
    char date[64];
    std::strftime(date, sizeof date, "%a %b %d %H:%M:%S %Y", &tm);
    std::string line = std::string("[") + date + "] [error] [client " + c->client.text + "] \"" +
                       (c->request ? c->request : "-") + "\" " + message;
    if (line.size() > LOG_LINE_LIMIT) line.resize(LOG_LINE_LIMIT);
    line += '\n';
    return line;
}

void report_error(int severity, connection* c, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string message = formatMessage(format, ap);
    va_end(ap);
    if (!c || !option_is_true(option_value(c->ctx, OPT_INETD))) std::fprintf(stderr, "%s\n", message.c_str());
    if (c && (severity & (REPORT_FATAL | REPORT_LOG))) writeErrorLogLine(c, message);
    if (severity & REPORT_FATAL) {
        if (fatalThrows) throw refused_value{message};
        server_exit(1);
    }
}

void report_fatal(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string message = formatMessage(format, ap);
    va_end(ap);
    std::fprintf(stderr, "%s\n", message.c_str());
    if (fatalThrows) throw refused_value{message};
    server_exit(1);
}

void server_usage(const char* program) {
    std::fprintf(stderr, "VNHTTPD version %s\n", VERSION);
    std::fprintf(stderr, "usage: %s [options] [config_file]\n", program);
    std::fprintf(stderr, "  -A <htpasswd_file> <realm> <user> <passwd>\n");
    for (size_t i = 0; i < option_count; ++i) {
        const option_def& o = option_table[i];
        std::fprintf(stderr, "  -%s\t%s", o.name, o.description);
        if (o.default_value) std::fprintf(stderr, " (default: %s)", o.default_value);
        std::fputc('\n', stderr);
    }
    server_exit(1);
}

bool option_is_true(const char* value) {
    if (!value) return false;
    for (const char* word : {"1", "yes", "true", "jawohl"})
        if (std::strcmp(value, word) == 0) return true;
    return false;
}

const option_def* find_option(const char* name) {
    for (size_t i = 0; i < option_count; ++i)
        if (std::strcmp(option_table[i].name, name) == 0) return &option_table[i];
    return nullptr;
}

const option_def* lookup_option(const char* name) {
    const option_def* o = find_option(name);
    if (!o) report_fatal("no such option: [%s]", name);
    return o;
}

const char* option_value(const server_context* ctx, int slot) { return ctx->options[slot].load(); }

void store_option(server_context* ctx, const char* name, const char* value) {
    const option_def* o = lookup_option(name);
    const char* copy = nullptr;
    if (value) {
        size_t n = std::strlen(value) + 1;
        std::unique_ptr<char[]> text(new char[n]);
        std::memcpy(text.get(), value, n);
        copy = text.get();
        ctx->option_texts.push_back(std::move(text));
    }
    ctx->options[o->slot].store(copy);
}

void change_option(server_context* ctx, const char* name, const char* value) {
    std::lock_guard<std::mutex> guard(ctx->config_lock);
    const option_def* o = lookup_option(name);
    if (o->setter) o->setter(ctx, value);
    store_option(ctx, name, value);
}

bool try_change_option(server_context* ctx, const char* name, const char* value, std::string* message) {
    std::lock_guard<std::mutex> guard(ctx->config_lock);
    const option_def* o = find_option(name);
    if (!o) {
        *message = std::string("no such option: [") + name + "]";
        return false;
    }
    if (o->setter) {
        // Replaced values stay alive until server_free, so the old one can be set again.
        const char* old = option_value(ctx, o->slot);
        ThrowingFatals throwing;
        try {
            o->setter(ctx, value);
        } catch (const refused_value& refused) {
            *message = refused.message;
            try {
                o->setter(ctx, old);
            } catch (const refused_value&) {
                // What stood before cannot be set again either; the report is on standard error.
            }
            return false;
        }
    }
    store_option(ctx, name, value);
    return true;
}

void set_test_limits(server_context* ctx, const server_limits& limits) {
    std::lock_guard<std::mutex> guard(ctx->config_lock);
    ctx->limits = limits;
}

namespace {

void closeListeners(server_context* ctx) {
    for (const listener& l : ctx->listeners) ::close(l.sock);
    ctx->listeners.clear();
    ++ctx->listener_generation;
}

// The leading decimal number of `text`, 0 without digits; large numbers stop growing at 10^8.
long leadingNumber(const char* text, size_t length) {
    long n = 0;
    for (size_t i = 0; i < length && text[i] >= '0' && text[i] <= '9' && n < 100000000; ++i) n = n * 10 + (text[i] - '0');
    return n;
}

int leadingPort(const char* text, size_t length) { return static_cast<int>(leadingNumber(text, length)); }

// A listening socket on the wildcard address: dual-stack IPv6 where the system has IPv6, else
// IPv4. -1 with errno set.
int openListeningSocket(int port) {
    if (port < 0 || port > 65535) {
        errno = EINVAL;
        return -1;
    }
    int sock = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_storage address{};
    socklen_t length;
    if (sock >= 0) {
        int off = 0;
        // The system default may be IPv6 only; IPv4 clients must reach the port too.
        if (::setsockopt(sock, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) != 0) {
            int e = errno;
            ::close(sock);
            errno = e;
            return -1;
        }
        sockaddr_in6* a = reinterpret_cast<sockaddr_in6*>(&address);
        a->sin6_family = AF_INET6;
        a->sin6_addr = in6addr_any;
        a->sin6_port = htons(static_cast<uint16_t>(port));
        length = sizeof *a;
    } else {
        sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (sock < 0) return -1;
        sockaddr_in* a = reinterpret_cast<sockaddr_in*>(&address);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(INADDR_ANY);
        a->sin_port = htons(static_cast<uint16_t>(port));
        length = sizeof *a;
    }
    int on = 1;
    if (set_non_blocking(sock) != 0 || ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(sock, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(sock, 128) != 0) {
        int e = errno;
        ::close(sock);
        errno = e;
        return -1;
    }
    return sock;
}

}  // namespace

void set_ports(server_context* ctx, const char* value) {
    closeListeners(ctx);
    const char* cursor = value;
    const char* entry;
    size_t length;
    while (next_list_entry(&cursor, &entry, &length)) {
        const int port = leadingPort(entry, length);
        const bool tls = entry[length - 1] == 's';
        int sock = openListeningSocket(port);
        if (sock < 0) {
            report_error(REPORT_LOG, nullptr, "open_listening_port(%d): %s", port, std::strerror(errno));
            report_fatal("cannot open port %d", port);
        }
        set_close_on_exec(sock);
        if (tls && !ctx->tls_context) {
            ::close(sock);
            report_fatal("cannot add SSL socket, please specify certificate file");
        }
        try {
            ctx->listeners.push_back(listener{ctx, sock, tls});
        } catch (const std::bad_alloc&) {
            ::close(sock);
            report_fatal("cannot allocate listener");
        }
    }
}

void set_acl(server_context* ctx, const char* value) {
    ctx->acl.clear();
    const char* cursor = value;
    const char* entry;
    size_t length;
    while (next_list_entry(&cursor, &entry, &length)) {
        // The entry alone, so the scan cannot run into the next one.
        std::string text(entry, length);
        char flag;
        int a, b, c, d, n = 0;
        if (std::sscanf(text.c_str(), "%c%d.%d.%d.%d%n", &flag, &a, &b, &c, &d, &n) != 5)
            report_fatal("[%s]: subnet must be [+|-]x.x.x.x[/x]", entry);
        if (flag != '+' && flag != '-') report_fatal("flag must be + or -: [%s]", entry);
        for (int part : {a, b, c, d})
            if (static_cast<unsigned>(part) > 255) report_fatal("bad ip address: [%s]", entry);
        int bits = 32;
        if (text[static_cast<size_t>(n)] == '/' && std::sscanf(text.c_str() + n, "/%d", &bits) == 1 &&
            static_cast<unsigned>(bits) > 32)
            report_fatal("bad subnet mask: %d [%s]", bits, entry);
        acl_entry e;
        e.flag = flag;
        e.address = static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(b) << 16 | static_cast<uint32_t>(c) << 8 |
                    static_cast<uint32_t>(d);
        e.mask = bits == 0 ? 0 : 0xffffffffu << (32 - bits);
        try {
            ctx->acl.push_back(e);
        } catch (const std::bad_alloc&) {
            report_fatal("cannot malloc subnet");
        }
    }
}

namespace {

void reopen_log(server_context* ctx, FILE** file, const char* path) {
    std::lock_guard<std::mutex> guard(ctx->log_lock);
    if (*file) std::fclose(*file);
    *file = nullptr;
    if (!path) return;
    // "e": the log must not leak into scripts the server starts.
    *file = std::fopen(path, "ae");
    if (!*file) report_fatal("cannot open log file %s: %s", path, std::strerror(errno));
}

}  // namespace

void set_access_log(server_context* ctx, const char* path) { reopen_log(ctx, &ctx->access_log, path); }

void set_error_log(server_context* ctx, const char* path) { reopen_log(ctx, &ctx->error_log, path); }

void set_uid(server_context* ctx, const char* name) {
    (void)ctx;
    if (!name) return;
    struct passwd* pw = ::getpwnam(name);
    if (!pw) report_fatal("%s: unknown user [%s]", "set_uid", name);
    // The account's own groups replace root's supplementary groups.
    if (::initgroups(name, pw->pw_gid) != 0 || ::setgid(pw->pw_gid) != 0)
        report_fatal("%s: setgid(%s): %s", "set_uid", name, std::strerror(errno));
    if (::setuid(pw->pw_uid) != 0) report_fatal("%s: setuid(%s): %s", "set_uid", name, std::strerror(errno));
}

void set_threads(server_context* ctx, const char* value) {
    // Workers are made once, at start-up; a later change of the value has no effect on them.
    if (!ctx->workers.empty() || !value) return;
    long n = leadingNumber(value, std::strlen(value));
    if (option_is_true(option_value(ctx, OPT_INETD))) n = 1;
    if (n <= 1) {
        new_worker(ctx, false);
        return;
    }
    ctx->threaded = true;
    for (long i = 0; i < n; ++i) new_worker(ctx, true);
}

void set_inetd(server_context* ctx, const char* value) {
    if (!option_is_true(value)) return;
    if (ctx->workers.empty()) new_worker(ctx, false);
    closeListeners(ctx);
    ctx->options[OPT_PORTS].store(nullptr);
    int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, 2);
        ::close(null);
    }
    add_socket(ctx->workers.front(), 0, false);
}

namespace {

struct option_pair {
    const char* name;
    const char* value;
};

// The configuration file: "name value" lines; '#' lines and empty lines are skipped.
void readConfigFile(server_context* ctx, const char* path, bool named) {
    FILE* file = std::fopen(path, "re");
    if (!file) {
        if (named) report_fatal("cannot open config file %s: %s", path, std::strerror(errno));
        return;
    }
    report_error(REPORT_LOG, nullptr, "Loading config file %s", path);
    static const size_t LINE = 8192;
    std::unique_ptr<char[]> line(new char[LINE]), name(new char[LINE]), value(new char[LINE]);
    for (int number = 1; std::fgets(line.get(), LINE, file); ++number) {
        if (line[0] == '#' || line[0] == '\0' || line[0] == '\n') continue;
        if (std::sscanf(line.get(), "%8191s %8191[^\n#]", name.get(), value.get()) != 2) {
            std::fclose(file);
            report_fatal("line %d in %s is invalid", number, path);
        }
        store_option(ctx, name.get(), value.get());
    }
    std::fclose(file);
}

}  // namespace

server_context* server_init(int argc, const char* const* argv) {
    refresh_current_time();
    server_context* ctx = new (std::nothrow) server_context();
    if (!ctx) report_fatal("cannot allocate vnhttpd context");
    for (size_t i = 0; i < option_count; ++i)
        store_option(ctx, option_table[i].name, option_table[i].default_value);

    if (argc > 0 && argv) {
        std::vector<option_pair> pairs;
        const char* configFile = nullptr;
        for (int i = 1; i < argc; ++i) {
            if (configFile) server_usage(argv[0]);
            if (argv[i][0] == '-') {
                if (i + 1 >= argc) server_usage(argv[0]);
                pairs.push_back({argv[i] + 1, argv[i + 1]});
                ++i;
            } else {
                configFile = argv[i];
            }
        }
        if (configFile) {
            readConfigFile(ctx, configFile, true);
        } else {
            // Beside the program when it was started by a path, else in the working directory.
            char path[4096];
            const char* slash = std::strrchr(argv[0], '/');
            if (slash)
                bounded_format(path, sizeof path, "%.*svnhttpd.conf", static_cast<int>(slash - argv[0] + 1), argv[0]);
            else
                bounded_copy(path, sizeof path, "vnhttpd.conf");
            readConfigFile(ctx, path, false);
        }
        for (const option_pair& p : pairs) store_option(ctx, p.name, p.value);
    }

    for (size_t i = 0; i < option_count; ++i) {
        const option_def& o = option_table[i];
        const char* value = option_value(ctx, o.slot);
        if (o.setter && value) o.setter(ctx, value);
    }
    if (ctx->workers.empty()) new_worker(ctx, false);
    refresh_current_time();
    return ctx;
}

void server_free(server_context* ctx) {
    for (worker* w : ctx->workers) {
        // A stopping worker keeps no connection alive for a next request.
        w->stop.store(true);
        if (w->thread.joinable()) {
            // The end of the control channel wakes the worker's wait.
            ::shutdown(w->ctl[1], SHUT_WR);
            w->thread.join();
        } else {
            end_connections(w);
        }
        ::close(w->ctl[0]);
        ::close(w->ctl[1]);
        delete w;
    }
    ctx->workers.clear();
    closeListeners(ctx);
    if (ctx->tls_context) SSL_CTX_free(ctx->tls_context);
    if (ctx->access_log) std::fclose(ctx->access_log);
    if (ctx->error_log) std::fclose(ctx->error_log);
    delete ctx;
}

}  // namespace vnhttpd
