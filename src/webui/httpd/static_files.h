#ifndef VN_WEBUI_HTTPD_STATIC_FILES_H
#define VN_WEBUI_HTTPD_STATIC_FILES_H

// Static files: MIME types, the reply head with byte ranges, the "file" channel that sends a
// file or stores the body of a PUT request, and the PUT rule itself.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "webui/httpd/server_context.h"
#include "webui/httpd/streams.h"

namespace vnhttpd {

// The MIME type of the name's `n` characters: the first "ext=type" entry of "mime_types" whose
// extension ends the name (after a '.', ignoring case), else the first such row of the built-in
// table ("tar.gz" before "gz"), else "text/plain". `type` points into the option or the table.
void get_mime_type(server_context* ctx, const char* name, size_t n, const char** type, size_t* type_len);

// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT"): from UTC, with English names, whatever the
// zone and locale.
void format_http_date(char* out, size_t size, time_t t);

// The byte range a Range value asks of a file of `size` bytes.
struct byte_range {
    enum kind_t { WHOLE, PART, UNSATISFIABLE } kind = WHOLE;
    uint64_t first = 0;
    uint64_t last = 0;  // inclusive
};

// "bytes=first-last", "bytes=first-" or "bytes=-suffix", decimal digits only; later ranges of a
// list are ignored. A value without "bytes=" or without a number asks for the whole file; a
// range outside the file, reversed, a suffix of 0 bytes, or any range of an empty file cannot
// be satisfied. The last byte is clamped to the end of the file.
byte_range parse_byte_range(const char* value, size_t len, uint64_t size);

// Answers with the file open on `fd` (taken over) of status `st`: the reply head at the start of
// the local buffer, then the file, or the asked range of it, through the "file" channel. HEAD
// gets the head alone. An unsatisfiable range gets 416.
void send_file_head(connection* c, int fd, const struct stat& st);

// Creates the missing directories of a PUT path (mode 0755), for each '/' from the third
// character on. 0: the path ends with '/'; 1: a file is to be written; -1: a directory could not
// be made, or a prefix does not fit 4,095 characters (nothing is created then).
int put_dir(const char* path);

// Stores the body of an authorised PUT request at file_path.
void put_file(connection* c);

// The "file" channel: reads the file, writes a PUT body, closes the descriptor.
extern const stream_class file_class;

}  // namespace vnhttpd

#endif
