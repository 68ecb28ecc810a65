#ifndef VN_WEBUI_HTTPD_STRING_ROUTINES_H
#define VN_WEBUI_HTTPD_STRING_ROUTINES_H

#include <cstdarg>
#include <cstddef>
#include <string>

// Small text and descriptor routines of the embedded HTTP server. They work on plain C texts
// because the server's records hold pointer-and-length pairs into its own buffers.
namespace vnhttpd {

// Copies at most size - 1 characters of `src` and always ends `dst` with a zero byte; size >= 1.
void bounded_copy(char* dst, size_t size, const char* src);

// printf into a buffer of `size` bytes. Returns the characters written: size - 1 when the text
// was cut, 0 for size 0 (nothing written) or a formatting failure.
int bounded_format(char* buf, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int bounded_vformat(char* buf, size_t size, const char* format, va_list ap) __attribute__((format(printf, 3, 0)));

// A new zero-terminated copy (malloc) of the first n characters of `s`, stopping early at a
// zero byte; null when memory fails. Released with free().
char* duplicate_prefix(const char* s, size_t n);
char* duplicate_string(const char* s);

// Compares at most n characters case-insensitively (ASCII), stopping at a zero byte. The result
// is the difference of the lower-cased characters where it stopped, 0 for equal.
int compare_nocase(const char* a, const char* b, size_t n);

// 0 or -1 with errno set.
int set_non_blocking(int fd);
int set_close_on_exec(int fd);

// Walks a list whose entries are separated by any run of blanks and commas. Gives the next entry
// at or after `*cursor` as `*entry` with its length and moves the cursor behind it; false when
// no entry is left. A null list has no entries.
bool next_list_entry(const char** cursor, const char** entry, size_t* length);

// Whether `path` ends with '.' and one of the extensions of `list` (a list as next_list_entry
// walks it), compared case-insensitively: "a.CGI" matches "cgi", "cgi" and ".cgi" alone do not
// ("cgi" is not longer than the extension). A null or empty list matches nothing.
bool match_extension(const char* path, const char* list);

// Whether the `n` characters of `name` are longer than the extension and end with '.' and the
// `ext_len` characters of `ext`, compared case-insensitively.
bool ends_with_extension(const char* name, size_t n, const char* ext, size_t ext_len);

// Text shown as text in a page, never as markup: & < > " ' become entities.
std::string escape_html(const std::string& text);

}  // namespace vnhttpd

#endif
