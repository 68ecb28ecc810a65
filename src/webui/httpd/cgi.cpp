#include "webui/httpd/cgi.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "webui/httpd/parse_http_request.h"
#include "webui/httpd/send_error_reply.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/serving_loop.h"
#include "webui/httpd/string_routines.h"

namespace vnhttpd {

namespace {

// The provisional status line; characters 9 to 11 take the status code once the script's
// header block is read, the reason stays "OK".
const char PROVISIONAL_STATUS[] = "HTTP/1.1     OK\r\n";
constexpr size_t PROVISIONAL_LEN = sizeof PROVISIONAL_STATUS - 1;
constexpr size_t STATUS_CODE_AT = 9;

// Headers longer than this (less the characters used) are not passed.
constexpr size_t HEADER_LINE_LIMIT = 4089;

constexpr size_t DIRECTORY_BUFFER = 4096;

const char* fileNameOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string formatText(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    char* text = nullptr;
    const int n = ::vasprintf(&text, format, ap);
    va_end(ap);
    if (n < 0) return std::string();
    std::string result(text, static_cast<size_t>(n));
    std::free(text);
    return result;
}

// The directory the script runs in: the path up to its last '/', "/" for a path whose only '/'
// is its first character, "." for a bare name. False when it does not fit.
bool scriptDirectory(const char* path, char* dir, size_t size) {
    const char* slash = std::strrchr(path, '/');
    if (!slash) {
        bounded_copy(dir, size, ".");
        return true;
    }
    const size_t len = slash == path ? 1 : static_cast<size_t>(slash - path);
    if (len >= size) return false;
    std::memcpy(dir, path, len);
    dir[len] = '\0';
    return true;
}

// The script's answer is replaced by a 500 reply. The stream that now answers (the canned reply,
// or an error page that has yet to run) must not be closed as the end of the script's output.
int answerInstead(connection* c, const char* reason) {
    send_error_reply(c, 500, reason);
    errno = EAGAIN;
    return -1;
}

}  // namespace

int above_standard_streams(int fd) {
    if (fd > 2) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

void addenv(env_block* block, const char* pattern, ...) {
    if (block->len >= ENV_TEXT_LIMIT) return;
    const size_t space = ENV_TEXT_LIMIT - block->len;
    va_list ap;
    va_start(ap, pattern);
    const int n = std::vsnprintf(block->buf + block->len, space, pattern, ap);
    va_end(ap);
    if (n <= 0 || static_cast<size_t>(n) >= space || block->nvars >= ENV_MAX_VARS) return;
    block->vars[block->nvars++] = block->buf + block->len;
    block->len += static_cast<size_t>(n) + 1;
}

void add_http_headers_to_env(env_block* block, connection* c) {
    if (!c->headers || !c->request) return;
    const char* const end = c->request + c->request_len;
    for (const char* line = c->headers; line < end;) {
        const char* newline = static_cast<const char*>(std::memchr(line, '\n', static_cast<size_t>(end - line)));
        const char* lineEnd = newline ? newline : end;
        const char* next = newline ? newline + 1 : end;
        const char* colon = static_cast<const char*>(std::memchr(line, ':', static_cast<size_t>(lineEnd - line)));
        const size_t lineLen = static_cast<size_t>(next - line);
        if (!colon || colon == line || lineEnd - colon - 1 < 2 || block->len + lineLen >= HEADER_LINE_LIMIT) {
            line = next;
            continue;
        }
        const char* value = colon + 2;
        const char* valueEnd = lineEnd;
        if (valueEnd > value && valueEnd[-1] == '\r') --valueEnd;
        if (valueEnd < value) valueEnd = value;
        const int nameLen = static_cast<int>(colon - line);
        const int before = block->nvars;
        addenv(block, "HTTP_%.*s=%.*s", nameLen, line, static_cast<int>(valueEnd - value), value);
        if (block->nvars > before) {
            char* name = block->vars[block->nvars - 1] + 5;
            for (int i = 0; i < nameLen; ++i)
                name[i] = name[i] == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
        }
        line = next;
    }
}

pid_t fork_for_exec() {
    sigset_t all, old;
    sigfillset(&all);
    // Blocked across fork, so that no handler of the server runs in the child.
    pthread_sigmask(SIG_SETMASK, &all, &old);
    const pid_t pid = ::fork();
    if (pid == 0) {
        struct sigaction byDefault;
        std::memset(&byDefault, 0, sizeof byDefault);
        byDefault.sa_handler = SIG_DFL;
        sigemptyset(&byDefault.sa_mask);
        ::sigaction(SIGPIPE, &byDefault, nullptr);
        ::sigaction(SIGCHLD, &byDefault, nullptr);
        return 0;
    }
    const int saved = errno;
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = saved;
    return pid;
}

void exec_program(const char* path, char* const* argv, char* const* envp) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(path, argv, envp);
}

int spawn_script(connection* c, const char* path, char* const* vars, int script_sock, const char* dir) {
    server_context* ctx = c->ctx;
    const char* interp = option_value(ctx, OPT_CGI_INTERP);
    char* program = const_cast<char*>(fileNameOf(path));
    char* interpArgv[] = {const_cast<char*>(interp), program, nullptr};
    char* scriptArgv[] = {program, nullptr};

    // Everything the child needs is made here: between fork and exec it only sets up
    // descriptors and signals, and on failure writes this text to its standard error.
    const std::string failure =
        interp ? formatText("redirect: exec(%s %s)", interp, path) : formatText("redirect: exec(%s)", path);
    int logFd = -1;
    {
        std::lock_guard<std::mutex> guard(ctx->log_lock);
        if (ctx->error_log) logFd = ::fcntl(::fileno(ctx->error_log), F_DUPFD_CLOEXEC, 3);
    }
    std::string text;
    if (logFd >= 0)
        text = error_log_line(c, failure);
    else if (!option_is_true(option_value(ctx, OPT_INETD)))
        text = failure + "\n";

    // The script's own end blocks: a script's plain reads and writes must not fail with EAGAIN.
    // It is an open file description of its own, so the server's end stays non-blocking.
    const int flags = ::fcntl(script_sock, F_GETFL);
    if (flags >= 0) ::fcntl(script_sock, F_SETFL, flags & ~O_NONBLOCK);

    const pid_t pid = fork_for_exec();
    if (pid == 0) {
        if (logFd >= 0) ::dup2(logFd, 2);
        if (::chdir(dir) == 0 && ::dup2(script_sock, 0) == 0 && ::dup2(script_sock, 1) == 1) {
            ::close(script_sock);
            if (interp)
                exec_program(interp, interpArgv, vars);
            else
                exec_program(program, scriptArgv, vars);
        }
        if (!text.empty()) {
            ssize_t w = ::write(2, text.data(), text.size());
            (void)w;
        }
        ::_exit(1);
    }
    const int forkError = errno;
    if (logFd >= 0) ::close(logFd);
    if (pid < 0) {
        report_error(REPORT_LOG, c, "redirect: fork: %s", std::strerror(forkError));
        return -1;
    }
    ::close(script_sock);
    return 0;
}

int prepare_environment(connection* c, const char* path) {
    server_context* ctx = c->ctx;
    const char* root = option_value(ctx, OPT_ROOT);
    if (!root) root = "";
    const char* realm = option_value(ctx, OPT_AUTH_REALM);
    env_block env;

    addenv(&env, "GATEWAY_INTERFACE=CGI/1.1");
    addenv(&env, "SERVER_PROTOCOL=HTTP/1.1");
    addenv(&env, "REDIRECT_STATUS=200");
    addenv(&env, "SERVER_PORT=%d", c->local_port);
    addenv(&env, "SERVER_NAME=%s", realm ? realm : "");
    addenv(&env, "SERVER_ROOT=%s", root);
    addenv(&env, "DOCUMENT_ROOT=%s", root);
    addenv(&env, "REQUEST_METHOD=%s", c->method >= 0 && c->method < METHOD_COUNT ? method_names[c->method] : "");
    addenv(&env, "REMOTE_ADDR=%s", c->client.text);
    addenv(&env, "REMOTE_PORT=%hu", static_cast<unsigned short>(c->client.port));
    addenv(&env, "REQUEST_URI=%s", c->uri ? c->uri : "");
    const size_t rootLen = std::strlen(root);
    addenv(&env, "SCRIPT_NAME=%s", std::strlen(path) >= rootLen ? path + rootLen : "");
    addenv(&env, "SCRIPT_FILENAME=%s", fileNameOf(path));
    addenv(&env, "PATH_TRANSLATED=%s", path);
    if (c->hdr.content_type.ptr)
        addenv(&env, "CONTENT_TYPE=%.*s", static_cast<int>(c->hdr.content_type.len), c->hdr.content_type.ptr);
    if (c->query) addenv(&env, "QUERY_STRING=%s", c->query);
    if (c->path_info) addenv(&env, "PATH_INFO=/%s", c->path_info);
    if (c->rem.content_len != 0)
        addenv(&env, "CONTENT_LENGTH=%lu", static_cast<unsigned long>(c->rem.content_len));
    for (const char* name : {"PATH", "LD_LIBRARY_PATH", "PERLLIB"})
        if (const char* value = std::getenv(name)) addenv(&env, "%s=%s", name, value);
    if (c->hdr.remote_user.ptr) {
        addenv(&env, "REMOTE_USER=%.*s", static_cast<int>(c->hdr.remote_user.len), c->hdr.remote_user.ptr);
        addenv(&env, "AUTH_TYPE=Digest");
    }
    const char* cursor = option_value(ctx, OPT_CGI_ENV);
    const char* entry;
    size_t entryLen;
    while (next_list_entry(&cursor, &entry, &entryLen)) addenv(&env, "%.*s", static_cast<int>(entryLen), entry);
    add_http_headers_to_env(&env, c);
    env.buf[env.len] = '\0';
    env.vars[env.nvars] = nullptr;

    // A cut directory would start the script somewhere else.
    char dir[DIRECTORY_BUFFER];
    if (!scriptDirectory(path, dir, sizeof dir)) return -1;

    int pair[2];
    if (make_control_pair(pair) != 0) return -1;
    pair[1] = above_standard_streams(pair[1]);
    if (pair[1] < 0 || spawn_script(c, path, env.vars, pair[1], dir) != 0) {
        ::close(pair[0]);
        if (pair[1] >= 0) ::close(pair[1]);
        return -1;
    }
    c->loc.chan.sock = pair[0];
    return 0;
}

void do_cgi(connection* c) {
    stream* s = &c->loc;
    std::memcpy(s->io.buf, PROVISIONAL_STATUS, PROVISIONAL_LEN);
    s->io.head = s->io.tail = PROVISIONAL_LEN;
    s->io.total = PROVISIONAL_LEN;
    s->cls = &cgi_class;
    s->flags = STREAM_READABLE | (c->method == METHOD_POST ? STREAM_WRITABLE : 0u);
}

int read_cgi(stream* s, void* buf, size_t len) {
    connection* c = s->conn;
    s->flags &= ~STREAM_KEEP_OPEN;
    const ssize_t r = ::recv(s->chan.sock, buf, len, 0);
    if (s->flags & STREAM_HEADERS_PARSED) return static_cast<int>(r);
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        s->flags |= STREAM_KEEP_OPEN;
        return 0;
    }
    if (r <= 0) return answerInstead(c, "Error running CGI");
    s->flags |= STREAM_KEEP_OPEN;
    struct io* io = &s->io;
    io_inc_head(io, static_cast<size_t>(r));
    const int h = header_block_length(io->buf, io->head);
    if (h < 0) {
        s->flags &= ~STREAM_KEEP_OPEN;
        report_error(REPORT_LOG, c, "CGI script sent invalid headers: [%.*s]", static_cast<int>(io->head - PROVISIONAL_LEN),
                     io->buf + PROVISIONAL_LEN);
        return answerInstead(c, "Bad headers sent");
    }
    if (h == 0) {
        // Nothing is sent before the whole block is there.
        io->tail = io->head;
        return 0;
    }
    request_headers fields;
    parse_known_headers(io->buf, static_cast<size_t>(h), &fields);
    s->content_len = fields.content_length;
    uint64_t status = fields.status;
    if (status == 0 && fields.location.ptr) status = 302;
    if (status == 0) status = 200;
    char code[32];
    std::snprintf(code, sizeof code, "%3llu", static_cast<unsigned long long>(status));
    std::memcpy(io->buf + STATUS_CODE_AT, code, 3);
    code[3] = '\0';
    c->status = std::atoi(code);
    s->flags |= STREAM_HEADERS_PARSED;
    s->headers_len = static_cast<size_t>(h);
    io->total -= static_cast<uint64_t>(h);
    // Bytes beyond the script's own Content-Length would be read by the client as the start of
    // its next answer.
    if (s->content_len > 0 && io->total > s->content_len) {
        io->head -= static_cast<size_t>(io->total - s->content_len);
        io->total = s->content_len;
    }
    io->tail = 0;
    return 0;
}

int write_cgi(stream* s, const void* buf, size_t len) {
    return static_cast<int>(::send(s->chan.sock, buf, len, MSG_NOSIGNAL));
}

void close_cgi(stream* s) {
    if (s->chan.sock >= 0) ::close(s->chan.sock);
    s->chan.sock = -1;
}

const stream_class cgi_class = {"cgi", read_cgi, write_cgi, close_cgi, true};

}  // namespace vnhttpd
