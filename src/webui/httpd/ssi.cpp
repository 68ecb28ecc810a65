#include "webui/httpd/ssi.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "webui/httpd/cgi.h"
#include "webui/httpd/parse_http_request.h"
#include "webui/httpd/send_error_reply.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/static_files.h"
#include "webui/httpd/string_routines.h"

extern char** environ;

namespace vnhttpd {

namespace {

const char DIRECTIVE_START[] = "<!--#";
constexpr size_t DIRECTIVE_START_LEN = sizeof DIRECTIVE_START - 1;
// Buffers of an included file's name and of an #exec command, zero byte included.
constexpr size_t INCLUDE_NAME_SIZE = 4096;
constexpr size_t EXEC_COMMAND_SIZE = 512;

using directive_handler = void (*)(ssi_state* st, ssi_level* level, char* out, size_t space, size_t* n);

void resetLevel(ssi_level* level) {
    level->state = SSI_TEXT;
    level->skip = 0;
    level->doc = nullptr;
    level->nbuf = 0;
    level->pipe = nullptr;
    level->pid = -1;
}

// The tag is sent as text (unless the level skips its text) and the level goes back to text.
void flush_tag(ssi_level* level, char* out, size_t* n) {
    if (!level->skip) {
        std::memcpy(out + *n, level->tag, level->nbuf);
        *n += level->nbuf;
    }
    level->nbuf = 0;
    level->state = SSI_TEXT;
}

bool isBlank(char ch) { return std::isspace(static_cast<unsigned char>(ch)) != 0; }

// The directive's arguments: the tag without its final "--" and the white space before it,
// behind the directive word and the white space after that.
std::string directive_argument(const ssi_level* level) {
    size_t end = level->nbuf;
    if (end >= 2 && level->tag[end - 2] == '-' && level->tag[end - 1] == '-') end -= 2;
    while (end > DIRECTIVE_START_LEN && isBlank(level->tag[end - 1])) --end;
    size_t i = DIRECTIVE_START_LEN;
    while (i < end && !isBlank(level->tag[i])) ++i;
    while (i < end && isBlank(level->tag[i])) ++i;
    return std::string(level->tag + i, end - i);
}

// Calls the first registered function named by `argument` up to its first blank, with the rest
// of it as input. The record stays empty (flags 0) when no function has that name.
page_request call_ssi_function(connection* c, const char* argument, char* out, int out_len) {
    page_request req{};
    char text[SSI_TAG_SIZE];
    bounded_copy(text, sizeof text, argument);
    char* input = nullptr;
    if (char* blank = std::strchr(text, ' ')) {
        *blank = '\0';
        input = blank + 1;
    }
    page_handler handler = nullptr;
    void* userData = nullptr;
    {
        std::lock_guard<std::mutex> guard(c->ctx->config_lock);
        for (const ssi_function& f : c->ctx->ssi_functions) {
            if (f.name == text) {
                handler = f.handler;
                userData = f.user_data;
                break;
            }
        }
    }
    if (!handler) return req;
    req.conn = c;
    req.user_data = userData;
    req.in_buf = input;
    req.in_len = input ? static_cast<int>(std::strlen(input)) : 0;
    req.out_buf = out;
    req.out_len = out_len;
    handler(&req);
    return req;
}

bool eval_ssi_function(connection* c, const std::string& argument) {
    return (call_ssi_function(c, argument.c_str(), nullptr, 0).flags & PAGE_SSI_TRUE) != 0;
}

// Ends a command: closes its output and waits for it. The server's handler of exited children
// may have collected it first.
void closeCommand(ssi_level* level) {
    if (level->pipe) std::fclose(level->pipe);
    level->pipe = nullptr;
    if (level->pid > 0) {
        while (::waitpid(level->pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    level->pid = -1;
}

// Runs `command` with "/bin/sh -c" and gives its standard output as the level's pipe. Unlike
// popen, the shell starts with SIGPIPE and SIGCHLD at their defaults whatever the server ignores.
bool startCommand(ssi_level* level, char* command) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    for (int& fd : fds) fd = above_standard_streams(fd);
    if (fds[0] < 0 || fds[1] < 0) {
        if (fds[0] >= 0) ::close(fds[0]);
        if (fds[1] >= 0) ::close(fds[1]);
        return false;
    }
    char shell[] = "sh";
    char option[] = "-c";
    char* argv[] = {shell, option, command, nullptr};
    const pid_t pid = fork_for_exec();
    if (pid == 0) {
        if (::dup2(fds[1], 1) == 1) exec_program("/bin/sh", argv, environ);
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return false;
    }
    level->pid = pid;
    level->pipe = ::fdopen(fds[0], "r");
    if (!level->pipe) {
        ::close(fds[0]);
        closeCommand(level);
        return false;
    }
    return true;
}

// Copies the command's output into the space; at its end the command is waited for and the
// level goes back to text. When the space runs out first, the copy goes on at the next read.
void read_exec_output(ssi_level* level, char* out, size_t space, size_t* n) {
    while (*n < space) {
        const int ch = std::getc(level->pipe);
        if (ch == EOF) {
            if (std::ferror(level->pipe) && errno == EINTR) {
                std::clearerr(level->pipe);
                continue;
            }
            closeCommand(level);
            level->state = SSI_TEXT;
            return;
        }
        out[(*n)++] = static_cast<char>(ch);
    }
}

void run_ssi_call(ssi_state* st, ssi_level* level, char* out, size_t space, size_t* n) {
    const size_t room = space - *n;
    const int outLen = room > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(room);
    const page_request req = call_ssi_function(st->conn, level->tag, out + *n, outLen);
    if (req.out_used > 0) *n += static_cast<size_t>(req.out_used < outLen ? req.out_used : outLen);
    if (req.flags & PAGE_LAST) level->state = SSI_TEXT;
}

void do_include(ssi_state* st, ssi_level* level, char*, size_t, size_t*) {
    if (level->skip) return;
    connection* c = st->conn;
    if (st->level >= SSI_MAX_LEVEL) {
        report_error(REPORT_LOG, c, "ssi: #include: maximum nested level reached");
        return;
    }
    static const size_t afterWord = DIRECTIVE_START_LEN + std::strlen("include ");
    const char* text = level->tag + afterWord;
    const size_t len = level->nbuf - afterWord;
    enum { PLAIN, FILE_FORM, VIRTUAL_FORM } kind = PLAIN;
    static const char* const forms[] = {"\"", "file=\"", "virtual=\""};
    size_t formLen = 0;
    bool found = false;
    for (int k = 0; k < 3 && !found; ++k) {
        formLen = std::strlen(forms[k]);
        if (len > formLen && std::memcmp(text, forms[k], formLen) == 0) {
            kind = k == 0 ? PLAIN : k == 1 ? FILE_FORM : VIRTUAL_FORM;
            found = true;
        }
    }
    const char* name = text + formLen;
    const char* quote =
        found ? static_cast<const char*>(std::memchr(name, '"', len - formLen)) : nullptr;
    const int tagLen = static_cast<int>(level->nbuf);
    if (!quote) {
        report_error(REPORT_LOG, c, "ssi: bad #include: [%.*s]", tagLen, level->tag);
        return;
    }

    const char* root = option_value(c->ctx, OPT_ROOT);
    if (!root) root = "";
    char path[INCLUDE_NAME_SIZE];
    int prefixLen = 0;
    if (kind == FILE_FORM) {
        prefixLen = std::snprintf(path, sizeof path, "%s%c%s", root, '/', c->uri ? c->uri : "");
        if (prefixLen >= 0 && static_cast<size_t>(prefixLen) < sizeof path) {
            char* slash = std::strrchr(path, '/');
            slash[1] = '\0';
            prefixLen = static_cast<int>(slash + 1 - path);
        }
    } else if (kind == VIRTUAL_FORM) {
        prefixLen = std::snprintf(path, sizeof path, "%s%c", root, '/');
    }
    // Decoding never lengthens a name: this buffer holds it whole, so a name that does not fit
    // is seen as such instead of being cut into the name of some other file.
    char decoded[SSI_TAG_SIZE];
    const int decodedLen = percent_decode(name, static_cast<int>(quote - name), decoded, sizeof decoded);
    if (prefixLen < 0 || static_cast<size_t>(prefixLen) + static_cast<size_t>(decodedLen) >= sizeof path) {
        report_error(REPORT_LOG, c, "ssi: bad #include: [%.*s]", tagLen, level->tag);
        return;
    }
    std::memcpy(path + prefixLen, decoded, static_cast<size_t>(decodedLen) + 1);

    // Non-blocking, so that a FIFO cannot stop the server in open().
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    FILE* doc = fd >= 0 ? ::fdopen(fd, "r") : nullptr;
    if (!doc) {
        const int e = errno;
        if (fd >= 0) ::close(fd);
        report_error(REPORT_LOG, c, "ssi: fopen(%s): %s", path, std::strerror(e));
        return;
    }
    ++st->level;
    ssi_level* next = &st->levels[st->level];
    resetLevel(next);
    next->doc = doc;
}

void ssi_exec(ssi_state* st, ssi_level* level, char* out, size_t space, size_t* n) {
    const std::string argument = directive_argument(level);
    if (level->skip) return;
    connection* c = st->conn;
    const size_t close = argument.size() > 1 && argument[0] == '"' ? argument.find('"', 1) : std::string::npos;
    if (close == std::string::npos) {
        report_error(REPORT_LOG, c, "ssi: bad exec(%s)", argument.c_str());
        return;
    }
    // Decoded into room for the whole text, so a command too long for its buffer is refused
    // rather than run cut short.
    std::string decoded(close, '\0');
    const int len = percent_decode(argument.data() + 1, static_cast<int>(close - 1), &decoded[0],
                                   static_cast<int>(decoded.size()));
    if (static_cast<size_t>(len) >= EXEC_COMMAND_SIZE) {
        report_error(REPORT_LOG, c, "ssi: bad exec(%s)", argument.c_str());
        return;
    }
    if (len == 0) {
        report_error(REPORT_LOG, c, "ssi: cannot url_decode: exec(%s)", argument.c_str());
        return;
    }
    char command[EXEC_COMMAND_SIZE];
    std::memcpy(command, decoded.data(), static_cast<size_t>(len) + 1);
    if (!startCommand(level, command)) {
        report_error(REPORT_LOG, c, "ssi: popen(%s)", command);
        return;
    }
    level->state = SSI_EXEC;
    read_exec_output(level, out, space, n);
}

void ssi_if(ssi_state* st, ssi_level* level, char*, size_t, size_t*) {
    level->skip = eval_ssi_function(st->conn, directive_argument(level)) ? 0 : 1;
}

void ssi_elif(ssi_state* st, ssi_level* level, char*, size_t, size_t*) {
    if (level->skip)
        level->skip = eval_ssi_function(st->conn, directive_argument(level)) ? 0 : 1;
    else
        level->skip = 1;
}

void ssi_else(ssi_state*, ssi_level* level, char*, size_t, size_t*) { level->skip = level->skip ? 0 : 1; }

void ssi_endif(ssi_state*, ssi_level* level, char*, size_t, size_t*) { level->skip = 0; }

// The argument moves to the front of the tag buffer, where it stays while the function has not
// finished: it is called again at the start of every read of the stream.
void ssi_call(ssi_state* st, ssi_level* level, char* out, size_t space, size_t* n) {
    const std::string argument = directive_argument(level);
    if (level->skip) return;
    bounded_copy(level->tag, sizeof level->tag, argument.c_str());
    level->state = SSI_CALL;
    run_ssi_call(st, level, out, space, n);
}

struct directive {
    const char* word;
    directive_handler run;
};

// Tried in this order, each word compared exactly with the text right after "<!--#".
const directive directives[] = {
    {"include ", do_include}, {"if ", ssi_if},     {"elif ", ssi_elif}, {"else", ssi_else},
    {"endif", ssi_endif},     {"call ", ssi_call}, {"exec ", ssi_exec},
};

// A complete tag: the first directive that applies runs, else the tag is sent as text (without
// the final '>', which never entered the buffer).
void runTag(ssi_state* st, ssi_level* level, char* out, size_t space, size_t* n) {
    level->state = SSI_TEXT;
    for (const directive& d : directives) {
        const size_t wordLen = std::strlen(d.word);
        if (level->nbuf <= wordLen + DIRECTIVE_START_LEN) continue;
        if (std::memcmp(level->tag + DIRECTIVE_START_LEN, d.word, wordLen) != 0) continue;
        d.run(st, level, out, space, n);
        level->nbuf = 0;
        return;
    }
    flush_tag(level, out, n);
}

}  // namespace

void server_register_ssi_function(server_context* ctx, const char* name, page_handler handler, void* user_data) {
    std::lock_guard<std::mutex> guard(ctx->config_lock);
    try {
        ctx->ssi_functions.push_back(ssi_function{name, handler, user_data});
    } catch (const std::bad_alloc&) {
        // Nothing is registered.
    }
}

void send_ssi_head(connection* c) {
    stream* s = &c->loc;
    char date[64];
    format_http_date(date, sizeof date, current_time());
    io_clear(&s->io);
    const int n = bounded_format(s->io.buf, s->io.size,
                                 "HTTP/1.1 200 OK\r\nDate: %s\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n",
                                 date);
    io_inc_head(&s->io, static_cast<size_t>(n));
    s->headers_len = static_cast<size_t>(n);
    s->flags |= STREAM_READABLE | STREAM_ALWAYS_READY;
    s->cls = &ssi_class;
    c->status = 200;
    if (c->method == METHOD_HEAD) return stream_close(s);

    ssi_state* st = new (std::nothrow) ssi_state();
    FILE* doc = st ? ::fdopen(s->chan.fd, "r") : nullptr;
    if (!doc) {
        delete st;
        // Closes the document.
        stream_close(s);
        return send_error_reply(c, 500, "Cannot allocate SSI descriptor");
    }
    s->chan.fd = -1;
    st->conn = c;
    st->levels[0].doc = doc;
    s->chan.ssi = st;
}

int do_command(stream* s, void* buf, size_t space) {
    ssi_state* st = s->chan.ssi;
    if (!st) return 0;
    char* out = static_cast<char*>(buf);
    size_t n = 0;
    bool finished = false;
    for (;;) {
        ssi_level* level = &st->levels[st->level];
        if (level->state == SSI_CALL)
            run_ssi_call(st, level, out, space, &n);
        else if (level->state == SSI_EXEC)
            read_exec_output(level, out, space, &n);

        bool ended = false;
        while (level->nbuf + n < space) {
            const int ch = std::getc(level->doc);
            if (ch == EOF) {
                ended = true;
                break;
            }
            if (level->state == SSI_TEXT) {
                if (ch == '<') {
                    level->tag[0] = '<';
                    level->nbuf = 1;
                    level->state = SSI_IN_TAG;
                } else if (!level->skip) {
                    out[n++] = static_cast<char>(ch);
                }
            } else if (level->state == SSI_IN_TAG) {
                if (level->nbuf >= SSI_TAG_SIZE - 1) {
                    flush_tag(level, out, &n);
                } else if (ch == '>' && level->nbuf >= 2 && level->tag[level->nbuf - 1] == '-' &&
                           level->tag[level->nbuf - 2] == '-') {
                    runTag(st, level, out, space, &n);
                    level = &st->levels[st->level];
                } else {
                    level->tag[level->nbuf++] = static_cast<char>(ch);
                    if (level->nbuf <= DIRECTIVE_START_LEN && std::memcmp(level->tag, DIRECTIVE_START, level->nbuf) != 0)
                        flush_tag(level, out, &n);
                }
            }
            // A running command or an unfinished call: the document's characters are dropped.
        }
        if (ended && st->level == 0) finished = true;
        if (!ended || st->level == 0 || level->nbuf + n >= space) break;
        // The included document has ended (an unfinished tag in it is dropped): back to the
        // including one, right after its #include.
        std::fclose(level->doc);
        resetLevel(level);
        --st->level;
    }
    if (n == 0 && !finished) {
        // Too little room for what is held (a long tag): a result of 0 would end the reply.
        errno = EAGAIN;
        return -1;
    }
    return static_cast<int>(n);
}

void close_ssi(stream* s) {
    if (ssi_state* st = s->chan.ssi) {
        for (ssi_level& level : st->levels) {
            if (level.doc) std::fclose(level.doc);
            level.doc = nullptr;
            closeCommand(&level);
        }
        delete st;
        s->chan.ssi = nullptr;
    }
    if (s->chan.fd >= 0) ::close(s->chan.fd);
    s->chan.fd = -1;
}

const stream_class ssi_class = {"ssi", do_command, nullptr, close_ssi, false};

}  // namespace vnhttpd
