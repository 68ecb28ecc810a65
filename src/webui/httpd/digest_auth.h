#ifndef VN_WEBUI_HTTPD_DIGEST_AUTH_H
#define VN_WEBUI_HTTPD_DIGEST_AUTH_H

// HTTP Digest authentication (MD5, qop "auth", and the older form without qop) against
// password files of lines "user:realm:ha1", where ha1 is the MD5 of "user:realm:password" in
// 32 lowercase hex digits.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "webui/httpd/streams.h"

namespace vnhttpd {

// One part of an md5 digest: pointer and length. A C text converts to its whole length; a null
// pointer is an empty part.
struct digest_part {
    digest_part(const char* text) : ptr(text), len(text ? std::strlen(text) : 0) {}  // NOLINT: implicit
    digest_part(const char* p, size_t n) : ptr(p), len(n) {}
    digest_part(const header_text& t) : ptr(t.ptr), len(t.len) {}  // NOLINT: implicit
    const char* ptr;
    size_t len;
};

// The MD5 of the parts joined by ':', as 32 lowercase hex digits without a terminating zero. An
// empty part goes with its separator; a separator stands before every non-empty part but the
// first, so md5("", "b") digests ":b" and md5("a", "", "c") digests "a:c".
void md5(char result[32], std::initializer_list<digest_part> parts);

// The parameters of an Authorization value that the check reads; each points into the value.
struct digest_params {
    header_text username;
    header_text uri;
    header_text nonce;
    header_text cnonce;
    header_text response;
    header_text qop;
    header_text nc;
};

// Reads the parameters of a "Digest ..." Authorization value of `len` characters. False, with
// nothing read, when the value is 20 characters or shorter or does not begin with "Digest "
// (any case). Parameters other than the seven above are skipped.
bool parse_digest_params(char* value, size_t len, digest_params* params);

// Whether the request may proceed: the first "protect" entry whose prefix begins the URI
// decides with its password file; otherwise the "auth_gpass" file or the ".htpasswd" beside
// `file_path`. A password file that does not exist protects nothing. 1 or 0.
int check_auth(connection* c, const char* file_path);

// The password file of the global or per-directory rule, opened for reading; null when there is
// none (no protection). A per-directory name that does not fit its buffer sets `*refuse`: its
// file is unknown, so the request must be challenged.
FILE* open_auth_file(connection* c, const char* file_path, bool* refuse);

// PUT and DELETE: the "auth_PUT" file must open and hold the client's user. 1 or 0.
int check_put_authorization(connection* c);

// The 401 reply with the Digest challenge of the configured realm.
void send_authorization_request(connection* c);

// Whether the request's Authorization header proves the password of a user of `file` in the
// configured realm, for this very request target. Sets the connection's authenticated user only
// on success. 1 or 0.
int check_password(connection* c, FILE* file);

// Adds or replaces the line of `user` in `realm`, dropping lines without two ':'; the file is
// replaced by one rename. A file that cannot be opened or written ends the process with status
// 1 and a message on standard error. 0.
int edit_passwords_file(const char* file, const char* realm, const char* user, const char* password);

}  // namespace vnhttpd

#endif
