#ifndef VN_WEBUI_HTTPD_DIR_LISTING_H
#define VN_WEBUI_HTTPD_DIR_LISTING_H

// The generated page of a directory without index file: one table row per entry with its
// modification time and size, produced by the "dir" channel as buffer space allows.
#include <cstdint>
#include <string>

#include "webui/httpd/streams.h"

namespace vnhttpd {

// Answers with the listing of the directory whose path (ending with '/', malloc) the local
// stream's channel holds: the reply and page head now, the rows as the client takes them. A
// directory that cannot be opened answers 500 "Cannot open directory" (the path is freed).
void start_dir_listing(connection* c);

// The size cell of an entry: "&lt;DIR&gt;" for a directory, bytes below 1 KiB, "<n>k" up to
// 1 MiB - 1 (whole KiB plus one), "<n.n>M" from 1 MiB on.
std::string listing_size_text(bool directory, uint64_t size);

// The "dir" channel: rows of the open directory; closing closes it and frees the path.
extern const stream_class dir_class;

}  // namespace vnhttpd

#endif
