#include "webui/httpd/dir_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "webui/httpd/parse_http_request.h"
#include "webui/httpd/send_error_reply.h"
#include "webui/httpd/string_routines.h"

namespace vnhttpd {

namespace {

// A row is built in this many bytes; rows are added while more space than that is left.
constexpr size_t ROW_BUFFER = 4608;
constexpr size_t ENTRY_PATH_BUFFER = 4096;

// A path as a link target: characters that would end or change the path are percent-encoded;
// other bytes, UTF-8 included, stay.
std::string linkEncoded(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (b == '%' || b == '?' || b == '#' || b == ' ' || b < 0x20 || b == 0x7f) {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string timeText(time_t t) {
    struct tm tm;
    ::localtime_r(&t, &tm);
    char text[64];
    bounded_format(text, sizeof text, "%02d-%s-%04d %02d:%02d", tm.tm_mday, month_names[tm.tm_mon % 12],
                   tm.tm_year + 1900, tm.tm_hour, tm.tm_min);
    return text;
}

// One row for `name` in the directory `dir` (which ends with '/'), at most ROW_BUFFER - 1 bytes.
std::string row(const char* dir, const char* uri, const char* name) {
    char path[ENTRY_PATH_BUFFER];
    const int n = std::snprintf(path, sizeof path, "%s%s%s", dir, "", name);
    // A path that does not fit, like an entry without status, shows no time and no size; a
    // dangling link shows the link's own.
    struct stat st;
    bool known = n >= 0 && static_cast<size_t>(n) < sizeof path;
    if (known && ::stat(path, &st) != 0) known = ::lstat(path, &st) == 0;
    const bool directory = known && S_ISDIR(st.st_mode);
    const std::string modified = known ? timeText(st.st_mtime) : std::string();
    const std::string size = known ? listing_size_text(directory, static_cast<uint64_t>(st.st_size)) : std::string();
    const std::string shown = escape_html(name);
    char text[ROW_BUFFER];
    bounded_format(text, sizeof text,
                   "<tr><td><a href=\"%s%s%s\">%s%s</a></td><td>&nbsp;%s</td><td>&nbsp;&nbsp;%s</td></tr>\n",
                   escape_html(linkEncoded(uri)).c_str(), "", escape_html(linkEncoded(name)).c_str(), shown.c_str(),
                   directory ? "/" : "", modified.c_str(), size.c_str());
    return text;
}

int readDir(stream* s, void* buf, size_t len) {
    char* out = static_cast<char*>(buf);
    size_t written = 0;
    while (len - written > ROW_BUFFER - 1) {
        errno = 0;
        const struct dirent* entry = ::readdir(s->chan.dir.handle);
        // The end, or a failed read taken as the end.
        if (!entry) {
            s->flags |= STREAM_CLOSED;
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, ".htpasswd") == 0) continue;
        const std::string line = row(s->chan.dir.path, s->conn->uri, entry->d_name);
        std::memcpy(out + written, line.data(), line.size());
        written += line.size();
    }
    // Too little room for a row is no end of the listing: it goes on once the client has taken
    // what is pending.
    if (written == 0 && !(s->flags & STREAM_CLOSED)) {
        errno = EAGAIN;
        return -1;
    }
    return static_cast<int>(written);
}

void closeDir(stream* s) {
    if (s->chan.dir.handle) ::closedir(s->chan.dir.handle);
    s->chan.dir.handle = nullptr;
    std::free(s->chan.dir.path);
    s->chan.dir.path = nullptr;
}

}  // namespace

const stream_class dir_class = {"dir", readDir, nullptr, closeDir, false};

std::string listing_size_text(bool directory, uint64_t size) {
    char text[64];
    if (directory)
        return "&lt;DIR&gt;";
    else if (size < 1024)
        bounded_format(text, sizeof text, "%llu", static_cast<unsigned long long>(size));
    else if (size > 1048575) {
        // Tenths of MiB, rounded as printf's "%.1f" rounds (half to even), but with a '.'
        // whatever the locale.
        const unsigned __int128 scaled = static_cast<unsigned __int128>(size) * 10;
        uint64_t tenths = static_cast<uint64_t>(scaled / 1048576);
        const uint64_t rest = static_cast<uint64_t>(scaled % 1048576);
        if (rest > 524288 || (rest == 524288 && (tenths & 1))) ++tenths;
        bounded_format(text, sizeof text, "%llu.%lluM", static_cast<unsigned long long>(tenths / 10),
                       static_cast<unsigned long long>(tenths % 10));
    }
    else
        bounded_format(text, sizeof text, "%lluk", static_cast<unsigned long long>(size / 1024 + 1));
    return text;
}

void start_dir_listing(connection* c) {
    stream* loc = &c->loc;
    const int fd = ::open(loc->chan.dir.path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* handle = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!handle) {
        if (fd >= 0) ::close(fd);
        std::free(loc->chan.dir.path);
        loc->chan.dir.path = nullptr;
        return send_error_reply(c, 500, "Cannot open directory");
    }
    loc->chan.dir.handle = handle;
    const std::string uri = escape_html(c->uri);
    struct io* out = &loc->io;
    io_clear(out);
    out->head = static_cast<size_t>(bounded_format(
        out->buf, out->size,
        "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<html><head><title>"
        "Index of %s</title><style>th {text-align: left;}</style></head><body><h1>Index of %s</h1><pre><table "
        "cellpadding=\"0\"><tr><th>Name</th><th>Modified</th><th>Size</th></tr><tr><td colspan=\"3\"><hr></td></tr>",
        uri.c_str(), uri.c_str()));
    // A request body already received is dropped.
    io_clear(&c->rem.io);
    loc->flags = STREAM_READABLE | STREAM_ALWAYS_READY;
    loc->cls = &dir_class;
    c->status = 200;
}

}  // namespace vnhttpd
