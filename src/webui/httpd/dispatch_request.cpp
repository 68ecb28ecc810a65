#include "webui/httpd/dispatch_request.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "webui/httpd/cgi.h"
#include "webui/httpd/digest_auth.h"
#include "webui/httpd/dir_listing.h"
#include "webui/httpd/page_interface.h"
#include "webui/httpd/send_error_reply.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/ssi.h"
#include "webui/httpd/static_files.h"
#include "webui/httpd/string_routines.h"

namespace vnhttpd {

namespace {

// Buffers of the redirection's reason text and of an index-file candidate, zero byte included.
constexpr size_t REDIRECT_BUFFER = 1024;
constexpr size_t INDEX_BUFFER = 4096;
// The longest file path an index file may give.
constexpr size_t INDEX_PATH_LIMIT = IO_BUFFER_SIZE - 2;

// Listing of the directory at file_path (which ends with '/').
void startDirectoryListing(connection* c) {
    c->loc.chan.dir.path = duplicate_string(c->file_path);
    if (!c->loc.chan.dir.path) return send_error_reply(c, 500, "GET Directory Error");
    start_dir_listing(c);
}

// Runs the script at file_path; false when it cannot be started.
bool startScript(connection* c) {
    if (prepare_environment(c, c->file_path) != 0) return false;
    do_cgi(c);
    return true;
}

// Expands the include document open on `fd`, which the branch takes over.
void startIncludeDocument(connection* c, int fd) {
    c->loc.chan.fd = fd;
    send_ssi_head(c);
}

// Opens a file for sending; a FIFO or device must not stop the worker in open().
int openForReading(const char* path) { return ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

// A missing path is shortened from its end to the file it names, the rest becoming path_info
// ("/cgi/run.cgi/extra/part" runs run.cgi with "extra/part"). Only cuts more than two characters
// beyond the root's length count. False when no shorter path is a file.
bool shortenToFile(connection* c, struct stat* st) {
    const char* root = option_value(c->ctx, OPT_ROOT);
    const size_t limit = (root ? std::strlen(root) : 0) + 2;
    char* path = c->file_path;
    for (size_t i = std::strlen(path); i > limit + 1;) {
        --i;
        if (path[i] != '/') continue;
        path[i] = '\0';
        if (::stat(path, st) == 0 && !S_ISDIR(st->st_mode)) {
            c->path_info = path + i + 1;
            return true;
        }
        path[i] = '/';
    }
    return false;
}

// The first name of "index_files" that exists in the directory file_path (which ends with '/')
// replaces file_path, and its status `st`. A candidate that does not fit its buffer is skipped.
bool findIndexFile(connection* c, struct stat* st) {
    const char* cursor = option_value(c->ctx, OPT_INDEX_FILES);
    const char* name;
    size_t len;
    while (next_list_entry(&cursor, &name, &len)) {
        char candidate[INDEX_BUFFER];
        const int n = std::snprintf(candidate, sizeof candidate, "%s/%.*s", c->file_path, static_cast<int>(len), name);
        if (n < 0 || static_cast<size_t>(n) >= sizeof candidate) continue;
        struct stat found;
        if (::stat(candidate, &found) != 0) continue;
        bounded_copy(c->file_path, INDEX_PATH_LIMIT + 1, candidate);
        *st = found;
        get_mime_type(c->ctx, name, len, &c->mime_type, &c->mime_type_len);
        return true;
    }
    return false;
}

void deleteFile(connection* c) {
    if (std::remove(c->file_path) == 0)
        send_error_reply(c, 200, "OK");
    else
        send_error_reply(c, 500, "DELETE Error");
}

}  // namespace

void dispatch_request(connection* c) {
    if (!check_auth(c, c->file_path)) return send_authorization_request(c);

    const page_target page = find_registered_page(c->ctx, c->uri);
    if (page.handler) return serve_page(c, page.handler, page.user_data);

    if (std::strstr(c->file_path, ".htpasswd")) return send_error_reply(c, 403, "Forbidden");

    if (c->method == METHOD_PUT || c->method == METHOD_DELETE) {
        if (!option_value(c->ctx, OPT_AUTH_PUT) || !check_put_authorization(c)) return send_authorization_request(c);
        if (c->method == METHOD_DELETE) return deleteFile(c);
        return put_file(c);
    }

    struct stat st;
    if (::stat(c->file_path, &st) != 0) {
        if (!shortenToFile(c, &st)) return send_error_reply(c, 404, "Not Found");
        // The file now lies in a directory of its own, which may hold a password file that the
        // check of the longer path never looked at.
        if (!check_auth(c, c->file_path)) return send_authorization_request(c);
    }

    if (S_ISDIR(st.st_mode)) {
        const size_t len = std::strlen(c->file_path);
        if (len == 0 || c->file_path[len - 1] != '/') {
            char reason[REDIRECT_BUFFER];
            const int n = std::snprintf(reason, sizeof reason, "Moved Permanently\r\nLocation: %s/", c->uri);
            // A cut Location would send the client somewhere else.
            if (n < 0 || static_cast<size_t>(n) >= sizeof reason) return send_error_reply(c, 400, "URI is too long");
            return send_error_reply(c, 301, reason);
        }
        const bool listing = option_is_true(option_value(c->ctx, OPT_DIR_LIST));
        if (!findIndexFile(c, &st) && !listing) return send_error_reply(c, 403, "Directory Listing Denied");
        if (S_ISDIR(st.st_mode)) {
            if (!listing) return send_error_reply(c, 403, "Directory listing denied");
            return startDirectoryListing(c);
        }
    }

    if (match_extension(c->file_path, option_value(c->ctx, OPT_CGI_EXT))) {
        if (c->method == METHOD_HEAD) return send_error_reply(c, 501, "Bad method ");
        if (!startScript(c)) send_error_reply(c, 500, "Cannot exec CGI");
        return;
    }

    if (match_extension(c->file_path, option_value(c->ctx, OPT_SSI_EXT))) {
        const int fd = openForReading(c->file_path);
        if (fd < 0) return send_error_reply(c, 500, "SSI open error");
        return startIncludeDocument(c, fd);
    }

    if (c->hdr.if_modified_since != 0 && c->hdr.if_modified_since >= st.st_mtime)
        return send_error_reply(c, 304, "Not Modified");

    const int fd = openForReading(c->file_path);
    if (fd < 0) return send_error_reply(c, 500, "Internal Error");
    send_file_head(c, fd, st);
}

}  // namespace vnhttpd
