#include "webui/httpd/static_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "webui/httpd/parse_http_request.h"
#include "webui/httpd/send_error_reply.h"
#include "webui/httpd/string_routines.h"

namespace vnhttpd {

namespace {

struct mime_row {
    const char* ext;
    const char* type;
};

// Searched in this order: "tar.gz" must come before "gz".
const mime_row builtinTypes[] = {
    {"html", "text/html"},
    {"htm", "text/html"},
    {"txt", "text/plain"},
    {"css", "text/css"},
    {"ico", "image/x-icon"},
    {"gif", "image/gif"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"png", "image/png"},
    {"svg", "image/svg+xml"},
    {"torrent", "application/x-bittorrent"},
    {"wav", "audio/x-wav"},
    {"mp3", "audio/x-mp3"},
    {"mid", "audio/mid"},
    {"m3u", "audio/x-mpegurl"},
    {"ram", "audio/x-pn-realaudio"},
    {"ra", "audio/x-pn-realaudio"},
    {"doc", "application/msword"},
    {"exe", "application/octet-stream"},
    {"zip", "application/x-zip-compressed"},
    {"xls", "application/excel"},
    {"tgz", "application/x-tar-gz"},
    {"tar.gz", "application/x-tar-gz"},
    {"tar", "application/x-tar"},
    {"gz", "application/x-gunzip"},
    {"arj", "application/x-arj-compressed"},
    {"rar", "application/x-arj-compressed"},
    {"rtf", "application/rtf"},
    {"pdf", "application/pdf"},
    {"swf", "application/x-shockwave-flash"},
    {"mpg", "video/mpeg"},
    {"mpeg", "video/mpeg"},
    {"asf", "video/x-ms-asf"},
    {"avi", "video/x-msvideo"},
    {"bmp", "image/bmp"},
};

const char* const dayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// Decimal digits at `*p` (before `end`), saturating; false when there is none.
bool readNumber(const char** p, const char* end, uint64_t* value) {
    const char* s = *p;
    uint64_t v = 0;
    while (s < end && *s >= '0' && *s <= '9') {
        const unsigned digit = static_cast<unsigned>(*s - '0');
        v = v > (UINT64_MAX - digit) / 10 ? UINT64_MAX : v * 10 + digit;
        ++s;
    }
    if (s == *p) return false;
    *p = s;
    *value = v;
    return true;
}

int readFile(stream* s, void* buf, size_t len) { return static_cast<int>(::read(s->chan.fd, buf, len)); }

// A piece of the PUT body. Every byte is written (a short write leaves the rest pending for the
// next pass); the reply comes once the whole announced body is on disk. A failed write answers
// 500 and ends the connection.
int writeFile(stream* s, const void* buf, size_t len) {
    connection* c = s->conn;
    const uint64_t stored = c->rem.io.total - io_data_len(&c->rem.io);
    const uint64_t missing = c->rem.content_len > stored ? c->rem.content_len - stored : 0;
    if (len > missing) len = static_cast<size_t>(missing);
    const ssize_t r = len > 0 ? ::write(s->chan.fd, buf, len) : 0;
    if (r < 0 && (errno == EINTR || errno == EAGAIN)) return -1;
    if (r <= 0) {
        send_error_reply(c, 500, "PUT Error");
        errno = EIO;
        return -1;
    }
    if (stored + static_cast<uint64_t>(r) < c->rem.content_len) return static_cast<int>(r);
    struct stat st;
    const unsigned long size = ::fstat(s->chan.fd, &st) == 0 ? static_cast<unsigned long>(st.st_size) : 0;
    struct io* out = &c->loc.io;
    io_clear(out);
    out->head = static_cast<size_t>(bounded_format(
        out->buf, out->size, "HTTP/1.1 %d OK\r\nContent-Length: %lu\r\nConnection: close\r\n\r\n", c->status, size));
    stream_close(s);
    return static_cast<int>(r);
}

void closeFile(stream* s) {
    if (s->chan.fd >= 0) ::close(s->chan.fd);
    s->chan.fd = -1;
}

// The longest directory prefix of a PUT path.
constexpr size_t PREFIX_LIMIT = 4095;

}  // namespace

const stream_class file_class = {"file", readFile, writeFile, closeFile, false};

void format_http_date(char* out, size_t size, time_t t) {
    struct tm tm;
    ::gmtime_r(&t, &tm);
    bounded_format(out, size, "%s, %02d %s %04d %02d:%02d:%02d GMT", dayNames[tm.tm_wday % 7], tm.tm_mday,
                   month_names[tm.tm_mon % 12], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

void get_mime_type(server_context* ctx, const char* name, size_t n, const char** type, size_t* type_len) {
    const char* cursor = option_value(ctx, OPT_MIME_TYPES);
    const char* entry;
    size_t len;
    while (next_list_entry(&cursor, &entry, &len)) {
        const char* eq = static_cast<const char*>(std::memchr(entry, '=', len));
        if (!eq || eq == entry) continue;
        if (!ends_with_extension(name, n, entry, static_cast<size_t>(eq - entry))) continue;
        *type = eq + 1;
        *type_len = len - static_cast<size_t>(eq - entry) - 1;
        return;
    }
    for (const mime_row& row : builtinTypes) {
        if (!ends_with_extension(name, n, row.ext, std::strlen(row.ext))) continue;
        *type = row.type;
        *type_len = std::strlen(row.type);
        return;
    }
    *type = "text/plain";
    *type_len = std::strlen(*type);
}

byte_range parse_byte_range(const char* value, size_t len, uint64_t size) {
    byte_range range;
    static const char prefix[] = "bytes=";
    const size_t prefixLen = sizeof prefix - 1;
    if (!value || len < prefixLen || std::memcmp(value, prefix, prefixLen) != 0) return range;
    const char* p = value + prefixLen;
    const char* const end = value + len;
    uint64_t first = 0, last = 0;
    if (readNumber(&p, end, &first)) {
        if (p < end && *p == '-') {
            ++p;
            if (!readNumber(&p, end, &last)) last = UINT64_MAX;
        } else {
            last = UINT64_MAX;
        }
        if (size == 0 || first >= size || last < first) {
            range.kind = byte_range::UNSATISFIABLE;
            return range;
        }
        range.kind = byte_range::PART;
        range.first = first;
        range.last = last < size - 1 ? last : size - 1;
        return range;
    }
    if (p < end && *p == '-') {
        ++p;
        uint64_t suffix;
        if (!readNumber(&p, end, &suffix)) return range;
        if (size == 0 || suffix == 0) {
            range.kind = byte_range::UNSATISFIABLE;
            return range;
        }
        range.kind = byte_range::PART;
        range.first = suffix >= size ? 0 : size - suffix;
        range.last = size - 1;
    }
    return range;
}

void send_file_head(connection* c, int fd, const struct stat& st) {
    if (c->mime_type_len == 0) get_mime_type(c->ctx, c->uri, std::strlen(c->uri), &c->mime_type, &c->mime_type_len);
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    uint64_t length = size;
    int status = 200;
    const char* reason = "OK";
    char rangeLine[128] = "";
    const byte_range range = parse_byte_range(c->hdr.range.ptr, c->hdr.range.len, size);
    if (range.kind == byte_range::UNSATISFIABLE) {
        ::close(fd);
        char text[128];
        bounded_format(text, sizeof text, "Requested Range Not Satisfiable\r\nContent-Range: bytes */%llu",
                       static_cast<unsigned long long>(size));
        return send_error_reply(c, 416, text);
    }
    if (range.kind == byte_range::PART) {
        if (::lseek(fd, static_cast<off_t>(range.first), SEEK_SET) < 0) {
            ::close(fd);
            return send_error_reply(c, 500, "Internal Error");
        }
        length = range.last - range.first + 1;
        status = 206;
        reason = "Partial Content";
        bounded_format(rangeLine, sizeof rangeLine, "Content-Range: bytes %llu-%llu/%llu\r\n",
                       static_cast<unsigned long long>(range.first), static_cast<unsigned long long>(range.last),
                       static_cast<unsigned long long>(size));
    }
    char date[64], modified[64], tag[64];
    format_http_date(date, sizeof date, current_time());
    format_http_date(modified, sizeof modified, st.st_mtime);
    bounded_format(tag, sizeof tag, "%lx.%lx", static_cast<unsigned long>(st.st_mtime),
                   static_cast<unsigned long>(size));

    struct io* out = &c->loc.io;
    io_clear(out);
    // The head is pending output but no part of the counted content.
    const int n = bounded_format(out->buf, out->size,
                                 "HTTP/1.1 %d %s\r\nDate: %s\r\nLast-Modified: %s\r\nEtag: \"%s\"\r\nContent-Type: "
                                 "%.*s\r\nContent-Length: %llu\r\nAccept-Ranges: bytes\r\n%s\r\n",
                                 status, reason, date, modified, tag, static_cast<int>(c->mime_type_len),
                                 c->mime_type, static_cast<unsigned long long>(length), rangeLine);
    out->head = static_cast<size_t>(n);
    c->loc.headers_len = static_cast<size_t>(n);
    c->loc.cls = &file_class;
    c->loc.chan.fd = fd;
    c->loc.flags = STREAM_READABLE | STREAM_ALWAYS_READY;
    c->loc.content_len = length;
    c->status = status;
    if (c->method == METHOD_HEAD) return stream_close(&c->loc);
    // The first piece of the file goes out with the head: a head sent alone would wait for the
    // client's delayed acknowledgement before the body could follow.
    read_stream(&c->loc);
}

int put_dir(const char* path) {
    const size_t len = std::strlen(path);
    const char* last = std::strrchr(path, '/');
    // Every prefix must fit: a cut one would create some other directory.
    if (last && static_cast<size_t>(last - path) > PREFIX_LIMIT) return -1;
    char prefix[PREFIX_LIMIT + 1];
    for (size_t i = 2; i < len; ++i) {
        if (path[i] != '/') continue;
        std::memcpy(prefix, path, i);
        prefix[i] = '\0';
        struct stat st;
        if (::stat(prefix, &st) != 0 && ::mkdir(prefix, 0755) != 0) return -1;
        if (i == len - 1) return 0;
    }
    return 1;
}

void put_file(connection* c) {
    struct stat st;
    const int status = ::stat(c->file_path, &st) == 0 ? 200 : 201;
    if (c->hdr.range.len > 0) return send_error_reply(c, 501, "PUT Range Not Implemented");
    const int dir = put_dir(c->file_path);
    if (dir == 0) return send_error_reply(c, 200, "OK");
    if (dir < 0) return send_error_reply(c, 500, "PUT Directory Error");
    if (c->rem.content_len == 0) return send_error_reply(c, 411, "Length Required");
    // A link planted at the target is never followed.
    const int fd = ::open(c->file_path, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return send_error_reply(c, 500, "PUT Error");
    c->status = status;
    c->loc.cls = &file_class;
    c->loc.chan.fd = fd;
    c->loc.flags = STREAM_WRITABLE | STREAM_ALWAYS_READY;
}

}  // namespace vnhttpd
