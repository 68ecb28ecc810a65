#include "webui/httpd/string_routines.h"

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vnhttpd {

void bounded_copy(char* dst, size_t size, const char* src) {
    size_t i = 0;
    for (; i + 1 < size && src[i] != '\0'; ++i) dst[i] = src[i];
    dst[i] = '\0';
}

int bounded_vformat(char* buf, size_t size, const char* format, va_list ap) {
    if (size == 0) return 0;
    int n = std::vsnprintf(buf, size, format, ap);
    if (n < 0) {
        buf[0] = '\0';
        return 0;
    }
    if (static_cast<size_t>(n) >= size) return static_cast<int>(size - 1);
    return n;
}

int bounded_format(char* buf, size_t size, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    int n = bounded_vformat(buf, size, format, ap);
    va_end(ap);
    return n;
}

char* duplicate_prefix(const char* s, size_t n) {
    size_t len = 0;
    while (len < n && s[len] != '\0') ++len;
    char* p = static_cast<char*>(std::malloc(len + 1));
    if (!p) return nullptr;
    std::memcpy(p, s, len);
    p[len] = '\0';
    return p;
}

char* duplicate_string(const char* s) { return duplicate_prefix(s, std::strlen(s)); }

namespace {
int lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
}  // namespace

int compare_nocase(const char* a, const char* b, size_t n) {
    if (n == 0) return 0;
    int diff = 0;
    for (size_t i = 0; i < n; ++i) {
        diff = lower(static_cast<unsigned char>(a[i])) - lower(static_cast<unsigned char>(b[i]));
        if (diff != 0 || a[i] == '\0') break;
    }
    return diff;
}

int set_non_blocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0) return -1;
    return ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 ? 0 : -1;
}

int set_close_on_exec(int fd) {
    int flags = ::fcntl(fd, F_GETFD, 0);
    if (flags < 0) return -1;
    return ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == 0 ? 0 : -1;
}

namespace {
bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }
}  // namespace

bool next_list_entry(const char** cursor, const char** entry, size_t* length) {
    const char* p = *cursor;
    if (!p) return false;
    while (isSeparator(*p)) ++p;
    if (*p == '\0') {
        *cursor = p;
        return false;
    }
    const char* start = p;
    while (*p != '\0' && !isSeparator(*p)) ++p;
    *entry = start;
    *length = static_cast<size_t>(p - start);
    *cursor = p;
    return true;
}

bool match_extension(const char* path, const char* list) {
    const size_t pathLen = std::strlen(path);
    const char* cursor = list;
    const char* ext;
    size_t extLen;
    while (next_list_entry(&cursor, &ext, &extLen))
        if (ends_with_extension(path, pathLen, ext, extLen)) return true;
    return false;
}

bool ends_with_extension(const char* name, size_t n, const char* ext, size_t ext_len) {
    if (n <= ext_len) return false;
    const char* tail = name + n - ext_len;
    return tail[-1] == '.' && compare_nocase(tail, ext, ext_len) == 0;
}

std::string escape_html(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += ch;
        }
    }
    return out;
}

}  // namespace vnhttpd
