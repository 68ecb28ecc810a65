#ifndef VN_WEBUI_HTTPD_DISPATCH_REQUEST_H
#define VN_WEBUI_HTTPD_DISPATCH_REQUEST_H

#include "webui/httpd/streams.h"

namespace vnhttpd {

// Decides what answers a parsed request (uri, query, file_path and the headers are set), in
// this order, the first rule that answers ending it: authorisation (401 challenge), the first
// registered page whose pattern matches the path, password files (403), PUT and DELETE, then
// the file system below the root: a missing path shortened to a file with extra path
// information, a directory redirected, replaced by an index file or listed, scripts, include
// documents, "Not Modified", and static files. POST to a file or directory is answered as GET.
void dispatch_request(connection* c);

}  // namespace vnhttpd

#endif
