#ifndef VN_WEBUI_HTTPD_SSI_H
#define VN_WEBUI_HTTPD_SSI_H

// Server-side includes: a document is sent as HTML while the directives written as comments
// "<!--#word arguments -->" insert other files (#include), the output of shell commands (#exec)
// or of registered functions (#call), and select text by conditions (#if, #elif, #else,
// #endif). Included documents are expanded in turn, five levels deep at most.
#include <sys/types.h>

#include <cstddef>
#include <cstdio>

#include "webui/httpd/streams.h"

namespace vnhttpd {

// Deepest level of includes (the requested document is level 0) and the tag buffer's size.
constexpr int SSI_MAX_LEVEL = 5;
constexpr size_t SSI_TAG_SIZE = 512;

enum ssi_parser_state {
    SSI_TEXT = 0,     // copying text
    SSI_IN_TAG = 1,   // inside a possible directive
    SSI_EXEC = 2,     // copying the output of a running #exec command
    SSI_CALL = 3      // a #call whose function has not finished
};

// One document being expanded.
struct ssi_level {
    int state = SSI_TEXT;
    int skip = 0;            // 1: text of this level is not sent (a false condition)
    FILE* doc = nullptr;     // null when the level is not in use
    char tag[SSI_TAG_SIZE];  // the directive read so far; the argument of a running #call
    size_t nbuf = 0;
    FILE* pipe = nullptr;    // output of a running #exec command
    pid_t pid = -1;          // that command's shell
};

// The expansion of one reply, owned by the local stream (chan.ssi) until close_ssi.
struct ssi_state {
    connection* conn = nullptr;
    int level = 0;  // the document being read
    ssi_level levels[SSI_MAX_LEVEL + 1];
};

// Answers with the include document open on the local stream's chan.fd (taken over): the reply
// head at the start of the local buffer, then the expansion through the "ssi" channel. HEAD
// gets the head alone. 500 "Cannot allocate SSI descriptor" when the expansion cannot be made.
void send_ssi_head(connection* c);

// The "ssi" class: reading expands the document into the buffer; closing closes every level's
// document and command.
int do_command(stream* s, void* buf, size_t len);
void close_ssi(stream* s);
extern const stream_class ssi_class;

}  // namespace vnhttpd

#endif
