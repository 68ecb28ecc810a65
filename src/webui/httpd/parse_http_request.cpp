#include "webui/httpd/parse_http_request.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "webui/httpd/dispatch_request.h"
#include "webui/httpd/send_error_reply.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/string_routines.h"

namespace vnhttpd {

const char* const method_names[METHOD_COUNT] = {"GET", "POST", "PUT", "DELETE", "HEAD"};

const char* const month_names[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int header_block_length(const char* b, size_t n) {
    for (size_t i = 0; i + 1 < n; ++i) {
        const unsigned char ch = static_cast<unsigned char>(b[i]);
        if (ch == '\n') {
            if (b[i + 1] == '\n') return static_cast<int>(i + 2);
            if (i + 2 < n && b[i + 1] == '\r' && b[i + 2] == '\n') return static_cast<int>(i + 3);
            continue;
        }
        if (ch == '\r' || ch >= 0x80 || (ch >= 0x20 && ch < 0x7f)) continue;
        return -1;
    }
    return 0;
}

namespace {

int hexValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

}  // namespace

int percent_decode(const char* src, int src_len, char* dst, int dst_size) {
    if (dst_size < 1) return 0;
    int o = 0;
    if (src_len > 0 && dst_size >= 2) {
        for (int i = 0; i < src_len && o < dst_size - 1;) {
            const char ch = src[i];
            if (ch == '%' && i + 2 < src_len && hexValue(src[i + 1]) >= 0 && hexValue(src[i + 2]) >= 0) {
                dst[o++] = static_cast<char>(hexValue(src[i + 1]) * 16 + hexValue(src[i + 2]));
                i += 3;
            } else {
                dst[o++] = ch == '+' ? ' ' : ch;
                ++i;
            }
        }
    }
    dst[o] = '\0';
    return o;
}

time_t parse_http_date(const char* text, size_t len) {
    // The value alone: the scan must not run into the next header line.
    char value[128];
    if (len >= sizeof value) len = sizeof value - 1;
    std::memcpy(value, text, len);
    value[len] = '\0';
    static const char* const formats[] = {"%d/%3s/%d %d:%d:%d", "%d %3s %d %d:%d:%d", "%*3s, %d %3s %d %d:%d:%d",
                                          "%d-%3s-%d %d:%d:%d"};
    for (const char* format : formats) {
        int day, year, hour, minute, second;
        char month[4];
        if (std::sscanf(value, format, &day, month, &year, &hour, &minute, &second) != 6) continue;
        int m = 0;
        while (m < 12 && std::strcmp(month, month_names[m]) != 0) ++m;
        if (m == 12) continue;
        if (year > 1900) {
        } else if (year >= 0 && year <= 69) {
            year += 2000;
        } else {
            year += 1900;
        }
        struct tm tm {};
        tm.tm_mday = day;
        tm.tm_mon = m;
        tm.tm_year = year - 1900;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_sec = second;
        // The dates of HTTP are GMT.
        return ::timegm(&tm);
    }
    return 0;
}

namespace {

enum header_kind { HEADER_NUMBER, HEADER_TEXT, HEADER_DATE };

struct known_header {
    const char* name;  // with ": "
    header_kind kind;
    uint64_t request_headers::*number;
    header_text request_headers::*text;
    time_t request_headers::*date;
};

const known_header known_headers[] = {
    {"Content-Length: ", HEADER_NUMBER, &request_headers::content_length, nullptr, nullptr},
    {"Content-Type: ", HEADER_TEXT, nullptr, &request_headers::content_type, nullptr},
    {"User-Agent: ", HEADER_TEXT, nullptr, &request_headers::user_agent, nullptr},
    {"If-Modified-Since: ", HEADER_DATE, nullptr, nullptr, &request_headers::if_modified_since},
    {"Authorization: ", HEADER_TEXT, nullptr, &request_headers::authorization, nullptr},
    {"Referer: ", HEADER_TEXT, nullptr, &request_headers::referer, nullptr},
    {"Cookie: ", HEADER_TEXT, nullptr, &request_headers::cookie, nullptr},
    {"Location: ", HEADER_TEXT, nullptr, &request_headers::location, nullptr},
    {"Status: ", HEADER_NUMBER, &request_headers::status, nullptr, nullptr},
    {"Range: ", HEADER_TEXT, nullptr, &request_headers::range, nullptr},
    {"Connection: ", HEADER_TEXT, nullptr, &request_headers::connection, nullptr},
    {"Transfer-Encoding: ", HEADER_TEXT, nullptr, &request_headers::transfer_encoding, nullptr},
};

// Leading decimal digits; a number beyond 64 bits stays at the largest value.
uint64_t leadingNumber(const char* p, const char* end) {
    uint64_t n = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        const uint64_t digit = static_cast<uint64_t>(*p - '0');
        if (n > (UINT64_MAX - digit) / 10) return UINT64_MAX;
        n = n * 10 + digit;
    }
    return n;
}

}  // namespace

void parse_known_headers(char* p, size_t n, request_headers* fields) {
    char* const end = p + n;
    for (char* line = p; line < end;) {
        char* newline = static_cast<char*>(std::memchr(line, '\n', static_cast<size_t>(end - line)));
        char* lineEnd = newline ? newline : end;
        for (const known_header& h : known_headers) {
            const size_t nameLen = std::strlen(h.name);
            if (static_cast<size_t>(end - line) <= nameLen || compare_nocase(line, h.name, nameLen) != 0) continue;
            char* value = line + nameLen;
            char* valueEnd = lineEnd;
            if (valueEnd > value && valueEnd[-1] == '\r') --valueEnd;
            if (valueEnd < value) valueEnd = value;
            switch (h.kind) {
            case HEADER_NUMBER:
                fields->*h.number = leadingNumber(value, valueEnd);
                break;
            case HEADER_TEXT:
                fields->*h.text = header_text{value, static_cast<size_t>(valueEnd - value)};
                break;
            case HEADER_DATE:
                fields->*h.date = parse_http_date(value, static_cast<size_t>(valueEnd - value));
                break;
            }
            break;
        }
        line = newline ? newline + 1 : end;
    }
}

namespace {

// The longest file path: the buffer less its zero byte.
constexpr size_t FILE_PATH_LIMIT = IO_BUFFER_SIZE - 1;

// A canned reply ends the parsing of this request.
void refuse(connection* c, int status, const char* reason) {
    c->rem.flags |= STREAM_HEADERS_PARSED;
    send_error_reply(c, status, reason);
}

// "HTTP/" major "." minor, ending right there.
bool readVersion(const char* p, int* major, int* minor) {
    if (std::strncmp(p, "HTTP/", 5) != 0) return false;
    p += 5;
    int numbers[2];
    for (int k = 0; k < 2; ++k) {
        if (*p < '0' || *p > '9') return false;
        long n = 0;
        for (; *p >= '0' && *p <= '9'; ++p)
            if (n < 1000000) n = n * 10 + (*p - '0');
        numbers[k] = static_cast<int>(n);
        if (k == 0 && *p++ != '.') return false;
    }
    if (*p != '\0') return false;
    *major = numbers[0];
    *minor = numbers[1];
    return true;
}

// After a '/' or '\' every following '.', '/' and '\' goes: "/a/../b" is "/a/b", "/a//b" is
// "/a/b", "/.x" is "/x"; other dots stay ("/a.b", "/a..b").
void normalisePath(char* path) {
    char* w = path;
    for (const char* r = path; *r;) {
        const char ch = *r++;
        *w++ = ch;
        if (ch == '/' || ch == '\\')
            while (*r == '.' || *r == '/' || *r == '\\') ++r;
    }
    *w = '\0';
}

bool isControlByte(unsigned char ch) { return ch < 0x20 || ch == 0x7f; }

// A path component that is "..": the part of a file path that comes from the request must
// never climb out of the directory it is joined to.
bool climbsUp(const char* path) {
    for (const char* p = path; *p;) {
        const char* slash = std::strchr(p, '/');
        const size_t len = slash ? static_cast<size_t>(slash - p) : std::strlen(p);
        if (len == 2 && p[0] == '.' && p[1] == '.') return true;
        if (!slash) break;
        p = slash + 1;
    }
    return false;
}

// The "aliases" entry "prefix=directory" that maps the path: the prefix must end at a path
// boundary ("/x" maps "/x" and "/x/y", not "/x-y"). False when none does.
bool findAlias(const char* aliases, const char* path, const char** target, size_t* targetLen, size_t* prefixLen) {
    const char* cursor = aliases;
    const char* entry;
    size_t len;
    while (next_list_entry(&cursor, &entry, &len)) {
        const char* eq = static_cast<const char*>(std::memchr(entry, '=', len));
        if (!eq || eq == entry) continue;
        const size_t plen = static_cast<size_t>(eq - entry);
        if (std::strncmp(path, entry, plen) != 0) continue;
        if (path[plen] != '\0' && path[plen] != '/' && entry[plen - 1] != '/') continue;
        *target = eq + 1;
        *targetLen = len - plen - 1;
        *prefixLen = plen;
        return true;
    }
    return false;
}

}  // namespace

void parse_http_request(connection* c) {
    struct io* in = &c->rem.io;
    // A new request has the whole buffer: bytes that arrived behind the previous one move to
    // the front.
    if (in->tail > 0) {
        const size_t pending = io_data_len(in);
        std::memmove(in->buf, in->buf + in->tail, pending);
        in->head = pending;
        in->tail = 0;
    }
    const char* data = io_data(in);
    const int len = header_block_length(data, io_data_len(in));
    c->rem.headers_len = len > 0 ? static_cast<size_t>(len) : 0;
    if (len == 0) {
        if (io_space_len(in) == 0) {
            io_clear(in);
            refuse(c, 400, "Request is too big");
        }
        return;
    }
    if (len < 16) return refuse(c, 400, "Bad request");

    int method = -1;
    for (int i = 0; i < METHOD_COUNT && method < 0; ++i)
        if (std::strncmp(data, method_names[i], std::strlen(method_names[i])) == 0) method = i;
    if (method < 0) return refuse(c, 501, "Method Not Implemented");
    c->method = method;

    char* request = static_cast<char*>(std::malloc(static_cast<size_t>(len) + 1));
    if (!request) return refuse(c, 500, "Cannot allocate request");
    std::memcpy(request, data, static_cast<size_t>(len));
    request[len] = '\0';
    c->request = request;
    c->request_len = static_cast<size_t>(len);
    io_inc_tail(in, static_cast<size_t>(len));
    c->rem.flags |= STREAM_HEADERS_PARSED;

    char* newline = static_cast<char*>(std::memchr(request, '\n', static_cast<size_t>(len)));
    *newline = '\0';
    if (newline > request && newline[-1] == '\r') newline[-1] = '\0';
    c->headers = newline + 1;

    // The request line: method word, blanks, target, blanks, version.
    char* p = std::strchr(request, ' ');
    if (!p) return refuse(c, 400, "Bad HTTP version");
    while (*p == ' ') ++p;
    char* target = p;
    while (*p && !std::strchr(" \t\r\n\v\f", *p)) ++p;
    const size_t targetLen = static_cast<size_t>(p - target);
    while (*p == ' ') ++p;
    int major, minor;
    if (!readVersion(p, &major, &minor)) return refuse(c, 400, "Bad HTTP version");
    if (major > 1 || (major == 1 && minor > 1)) return refuse(c, 505, "HTTP version not supported");
    c->http_major = major;
    c->http_minor = minor;
    // Only an absolute path: "./etc/passwd" must not become a path beside the root.
    if (targetLen == 0 || target[0] != '/') return refuse(c, 400, "Bad URI");
    c->target = target;
    c->target_len = targetLen;
    c->uri = duplicate_prefix(target, targetLen);
    if (!c->uri) return refuse(c, 500, "Cannot allocate URI");

    parse_known_headers(c->headers, static_cast<size_t>(request + len - c->headers), &c->hdr);
    c->rem.io.total = c->rem.io.total >= static_cast<uint64_t>(len) ? c->rem.io.total - static_cast<uint64_t>(len) : 0;
    c->rem.content_len = c->hdr.content_length;

    if (char* q = std::strchr(c->uri, '?')) {
        *q = '\0';
        c->query = q + 1;
    }
    const int pathLen = static_cast<int>(std::strlen(c->uri));
    const int decoded = percent_decode(c->uri, pathLen, c->uri, pathLen + 1);
    // Control bytes would reach file names and, through a redirection, header lines.
    for (int i = 0; i < decoded; ++i)
        if (isControlByte(static_cast<unsigned char>(c->uri[i]))) return refuse(c, 400, "Bad URI");
    normalisePath(c->uri);

    const char* root = option_value(c->ctx, OPT_ROOT);
    if (!root) root = "";
    const size_t uriLen = std::strlen(c->uri);
    if (uriLen + std::strlen(root) > FILE_PATH_LIMIT) return refuse(c, 400, "URI is too long");
    if (!c->file_path) {
        c->file_path = static_cast<char*>(std::malloc(IO_BUFFER_SIZE));
        if (!c->file_path) return refuse(c, 500, "Cannot allocate URI");
    }
    const char* base = root;
    size_t baseLen = std::strlen(root);
    const char* rest = c->uri;
    size_t prefixLen;
    if (findAlias(option_value(c->ctx, OPT_ALIASES), c->uri, &base, &baseLen, &prefixLen)) rest = c->uri + prefixLen;
    if (climbsUp(rest)) return refuse(c, 400, "Bad URI");
    const size_t restLen = std::strlen(rest);
    if (baseLen + restLen > FILE_PATH_LIMIT) return refuse(c, 400, "URI is too long");
    std::memcpy(c->file_path, base, baseLen);
    std::memcpy(c->file_path + baseLen, rest, restLen + 1);

    dispatch_request(c);
}

}  // namespace vnhttpd
