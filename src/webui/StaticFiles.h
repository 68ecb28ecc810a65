#ifndef VN_WEBUI_STATICFILES_H
#define VN_WEBUI_STATICFILES_H

#include <cstddef>

#include "httpd/httpd.h"

// The pictures, style sheets and scripts of the pages, compiled into the program and served
// from constant memory: whole, with the content type of their kind, to anybody (the login page
// needs them before a session exists), whatever the request method.

// The response writer of a kind: head, bytes, end.
typedef void (*StaticFileWriter)(vnhttpd::page_request* req, const char* bytes, int length);

struct StaticFile {
    const char* url;         // "/images/gauge/fill.gif"; the resource is the name without the "/"
    StaticFileWriter writer;
    const char* contentType;
};

// The files in the order they are registered.
extern const StaticFile staticFiles[];
extern const size_t staticFileCount;

// Registers each file's own handler for its URL (behind the page wrapper), in table order. A
// file missing from the program is logged and not registered: its URL then finds nothing.
void registerResources(vnhttpd::server_context* ctx);

#endif
