#ifndef VN_WEBUI_HTTPD_CGI_H
#define VN_WEBUI_HTTPD_CGI_H

// CGI/1.1 scripts: the script's environment, its start in its own directory with one end of a
// socket pair as standard input and output, and the "cgi" channel that passes a POST body to
// it and turns its header block into the reply head.
#include <sys/types.h>

#include <cstddef>

#include "webui/httpd/streams.h"

namespace vnhttpd {

// Capacity of an environment: characters of all variables with their zero bytes, and entries.
constexpr size_t ENV_BUFFER_SIZE = 4096;
constexpr size_t ENV_TEXT_LIMIT = 4094;
constexpr int ENV_MAX_VARS = 62;

// The environment of one script, built per request.
struct env_block {
    char buf[ENV_BUFFER_SIZE];  // "NAME=value\0NAME=value\0...\0"
    size_t len = 0;             // characters used in buf
    char* vars[64 + 1];         // the variables in buf, then a null entry
    int nvars = 0;
};

// Appends one formatted variable. It is left out, without notice, when it is empty, when it
// does not fit the space left (ENV_TEXT_LIMIT - len, its zero byte included), or when
// ENV_MAX_VARS are registered; the next variable then overwrites the attempt.
void addenv(env_block* block, const char* pattern, ...) __attribute__((format(printf, 2, 3)));

// One variable "HTTP_<NAME>=<value>" for each request header line whose ':' is not its first
// character and has at least two characters behind it: the name upper-cased with '-' as '_',
// the value from two characters after the ':' to the line end. Lines too long for what is left
// are skipped. No header is skipped by name.
void add_http_headers_to_env(env_block* block, connection* c);

// Builds the script's environment, makes the socket pair and starts the script at `path`. 0 when
// it has started (its socket is then the local stream's chan.sock), -1 otherwise.
int prepare_environment(connection* c, const char* path);

// Starts the script in `dir` with `script_sock` as standard input and output and `vars` as its
// whole environment; the parent's copy of the socket is closed on success. 0, or -1 when no
// child could be made ("redirect: fork: %s" is reported). A script that cannot be executed ends
// with status 1 after writing "redirect: exec(...)" to its standard error (the error log when one
// is kept).
int spawn_script(connection* c, const char* path, char* const* vars, int script_sock, const char* dir);

// Makes the local stream the "cgi" channel of a started script.
void do_cgi(connection* c);

// The "cgi" class: read the script's output (its header block first), write the request body
// to it, close the server's end of the pair.
int read_cgi(stream* s, void* buf, size_t len);
int write_cgi(stream* s, const void* buf, size_t len);
void close_cgi(stream* s);
extern const stream_class cgi_class;

// fork() for a child that is to exec a program: in the child (result 0) SIGPIPE and SIGCHLD are
// back to their defaults, which exec would not restore from "ignored", and every signal stays
// blocked until exec_program. -1 with errno set when no child could be made. The child may call
// only async-signal-safe functions and must end with exec_program or _exit.
pid_t fork_for_exec();

// Moves a descriptor to 3 or above (close-on-exec), so that setting up 0, 1 and 2 in a child
// cannot overwrite it. The old descriptor is closed when it moves. -1 when it cannot.
int above_standard_streams(int fd);

// In a child of fork_for_exec: unblocks every signal and executes `path`; returns only when the
// execution failed.
void exec_program(const char* path, char* const* argv, char* const* envp);

}  // namespace vnhttpd

#endif
