#include "webui/httpd/digest_auth.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/crypto.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/hostinfo.h"
#include "webui/httpd/send_error_reply.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/string_routines.h"

namespace vnhttpd {

namespace {

// Longest name of a password file, and of the challenge's reason text, with their zero bytes.
constexpr size_t NAME_BUFFER = 4096;
constexpr size_t CHALLENGE_BUFFER = 512;
// Password-file lines are read this many characters at a time (a longer line reads as several).
constexpr int CHECK_LINE_BUFFER = 256;
constexpr int EDIT_LINE_BUFFER = 512;

const char* const hexDigits = "0123456789abcdef";

// A field of a password-file line.
struct field {
    const char* ptr = nullptr;
    size_t len = 0;
};

struct password_line {
    field user;
    field realm;
    field ha1;  // up to the first white space
};

// Splits at the first and second ':'. False when the line has fewer than two.
bool splitLine(const char* line, password_line* out) {
    const char* first = std::strchr(line, ':');
    if (!first) return false;
    const char* second = std::strchr(first + 1, ':');
    if (!second) return false;
    out->user = field{line, static_cast<size_t>(first - line)};
    out->realm = field{first + 1, static_cast<size_t>(second - first - 1)};
    const char* ha1 = second + 1;
    size_t n = 0;
    while (ha1[n] != '\0' && !std::strchr(" \t\r\n\v\f", ha1[n])) ++n;
    out->ha1 = field{ha1, n};
    return true;
}

bool sameText(const field& f, const char* text, size_t len) {
    return f.len == len && std::memcmp(f.ptr, text, len) == 0;
}

const char* realmOf(const connection* c) {
    const char* realm = option_value(c->ctx, OPT_AUTH_REALM);
    return realm ? realm : "";
}

// Opens a password file for reading; never a terminal of ours (close-on-exec: CGI children must
// not inherit it).
FILE* openForReading(const char* name) { return std::fopen(name, "re"); }

// Which parameter a name ("name=" included) selects: the table is matched over each entry's
// length, in this order.
header_text* selectParameter(digest_params* params, const char* name, size_t len) {
    struct entry {
        const char* name;
        header_text digest_params::*field;
    };
    static const entry table[] = {
        {"username=", &digest_params::username}, {"cnonce=", &digest_params::cnonce},
        {"response=", &digest_params::response}, {"uri=", &digest_params::uri},
        {"qop=", &digest_params::qop},           {"nc=", &digest_params::nc},
        {"nonce=", &digest_params::nonce},
    };
    for (const entry& e : table) {
        const size_t n = std::strlen(e.name);
        if (len >= n && std::memcmp(name, e.name, n) == 0) return &(params->*e.field);
    }
    return nullptr;
}

[[noreturn]] void cannotOpen(const char* name, int error) {
    std::fprintf(stderr, "Cannot open %s: %s\n", name, std::strerror(error));
    server_exit(1);
}

[[noreturn]] void cannotWrite(const char* temporary, const char* name, int error) {
    ::unlink(temporary);
    std::fprintf(stderr, "Cannot write %s: %s\n", name, std::strerror(error));
    server_exit(1);
}

}  // namespace

void md5(char result[32], std::initializer_list<digest_part> parts) {
    Md5Context ctx;
    md5Init(&ctx);
    bool first = true;
    for (const digest_part& part : parts) {
        if (part.len > 0) {
            if (!first) md5Update(&ctx, ":", 1);
            md5Update(&ctx, part.ptr, part.len);
        }
        first = false;
    }
    unsigned char digest[16];
    md5Final(digest, &ctx);
    for (int i = 0; i < 16; ++i) {
        result[2 * i] = hexDigits[digest[i] >> 4];
        result[2 * i + 1] = hexDigits[digest[i] & 0x0f];
    }
}

bool parse_digest_params(char* value, size_t len, digest_params* params) {
    *params = digest_params();
    if (!value || len <= 20 || compare_nocase(value, "Digest ", 7) != 0) return false;
    char* p = value + 7;
    char* const end = value + len;
    while (p < end) {
        while (p < end && (*p == ' ' || *p == ',')) ++p;
        if (p == end) break;
        const char* name = p;
        while (p < end && *p != '=') ++p;
        if (p < end) ++p;  // the '=' belongs to the name
        header_text* target = selectParameter(params, name, static_cast<size_t>(p - name));
        char* start;
        size_t n;
        if (p < end && *p == '"') {
            start = ++p;
            while (p < end && *p != '"') ++p;
            n = static_cast<size_t>(p - start);
            if (p < end) ++p;
        } else {
            start = p;
            while (p < end && *p != ' ' && *p != ',') ++p;
            n = static_cast<size_t>(p - start);
        }
        if (target) *target = header_text{start, n};
    }
    return true;
}

int check_password(connection* c, FILE* file) {
    digest_params params;
    const header_text& authorization = c->hdr.authorization;
    if (!parse_digest_params(authorization.ptr, authorization.len, &params)) return 0;
    // The digest covers the uri the client names; it must be this request's own target, or a
    // captured header would open every other URI of the same method.
    if (!c->target || params.uri.len != c->target_len ||
        std::memcmp(params.uri.ptr, c->target, c->target_len) != 0)
        return 0;
    const char* realm = realmOf(c);
    const size_t realmLen = std::strlen(realm);
    char line[CHECK_LINE_BUFFER];
    while (std::fgets(line, sizeof line, file)) {
        password_line fields;
        if (!splitLine(line, &fields)) continue;
        if (fields.user.len == 0 || fields.realm.len == 0 || fields.ha1.len == 0) continue;
        if (!sameText(fields.user, params.username.ptr, params.username.len)) continue;
        if (!sameText(fields.realm, realm, realmLen)) continue;
        if (params.response.len != 32) return 0;
        const char* method = c->method >= 0 && c->method < METHOD_COUNT ? method_names[c->method] : "";
        char ha2[32];
        md5(ha2, {method, params.uri});
        char expected[32];
        md5(expected, {digest_part(fields.ha1.ptr, fields.ha1.len), params.nonce, params.nc, params.cnonce, params.qop,
                       digest_part(ha2, sizeof ha2)});
        if (CRYPTO_memcmp(expected, params.response.ptr, sizeof expected) != 0) return 0;
        c->hdr.remote_user = params.username;
        return 1;
    }
    return 0;
}

FILE* open_auth_file(connection* c, const char* file_path, bool* refuse) {
    *refuse = false;
    const char* global = option_value(c->ctx, OPT_AUTH_GPASS);
    if (global) return openForReading(global);
    char name[NAME_BUFFER];
    const char* slash = std::strrchr(file_path, '/');
    // A path without a directory part is taken as one in the working directory.
    const int dirLen = slash ? static_cast<int>(slash - file_path) : 1;
    const char* dir = slash ? file_path : ".";
    const int needed = std::snprintf(name, sizeof name, "%.*s/%s", dirLen, dir, ".htpasswd");
    if (needed < 0 || static_cast<size_t>(needed) >= sizeof name) {
        // A cut name would open some other file, or none, and read as "no protection".
        *refuse = true;
        return nullptr;
    }
    return openForReading(name);
}

int check_auth(connection* c, const char* file_path) {
    const char* cursor = option_value(c->ctx, OPT_PROTECT);
    const char* entry;
    size_t len;
    while (next_list_entry(&cursor, &entry, &len)) {
        const char* eq = static_cast<const char*>(std::memchr(entry, '=', len));
        if (!eq || eq == entry) continue;
        const size_t prefixLen = static_cast<size_t>(eq - entry);
        if (std::strncmp(c->uri, entry, prefixLen) != 0) continue;
        const char* file = eq + 1;
        const size_t fileLen = len - prefixLen - 1;
        if (fileLen >= NAME_BUFFER) {
            report_error(REPORT_LOG, c, "check_auth: cannot open %.*s: %s", static_cast<int>(fileLen), file,
                         std::strerror(ENAMETOOLONG));
            break;
        }
        char name[NAME_BUFFER];
        std::memcpy(name, file, fileLen);
        name[fileLen] = '\0';
        FILE* f = openForReading(name);
        if (!f) {
            report_error(REPORT_LOG, c, "check_auth: cannot open %s: %s", name, std::strerror(errno));
            break;
        }
        const int result = check_password(c, f);
        std::fclose(f);
        return result;
    }
    bool refuse = false;
    FILE* f = open_auth_file(c, file_path, &refuse);
    if (!f) return refuse ? 0 : 1;
    const int result = check_password(c, f);
    std::fclose(f);
    return result;
}

int check_put_authorization(connection* c) {
    const char* name = option_value(c->ctx, OPT_AUTH_PUT);
    if (!name) return 0;
    FILE* f = openForReading(name);
    if (!f) return 0;
    const int result = check_password(c, f);
    std::fclose(f);
    return result;
}

void send_authorization_request(connection* c) {
    char reason[CHALLENGE_BUFFER];
    bounded_format(reason, sizeof reason, "Unauthorized\r\nWWW-Authenticate: Digest qop=\"auth\", realm=\"%s\", nonce=\"%lu\"",
                   realmOf(c), static_cast<unsigned long>(current_time()));
    send_error_reply(c, 401, reason);
}

int edit_passwords_file(const char* file, const char* realm, const char* user, const char* password) {
    char temporary[NAME_BUFFER];
    const int needed = std::snprintf(temporary, sizeof temporary, "%s.tmp", file);
    if (needed < 0 || static_cast<size_t>(needed) >= sizeof temporary) cannotOpen(file, ENAMETOOLONG);

    // The file exists from here on; a new one holds secrets, so only its owner reads it.
    const int created = ::open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (created < 0) cannotOpen(file, errno);
    ::close(created);

    FILE* in = std::fopen(file, "re");
    if (!in) cannotOpen(file, errno);
    struct stat original;
    if (::fstat(::fileno(in), &original) != 0) cannotOpen(file, errno);

    // The fixed temporary name is never followed through a link, and a file planted there
    // (another owner, another kind, or a second name of some other file) is not written into.
    const int fd = ::open(temporary, O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) cannotOpen(temporary, errno);
    struct stat st;
    if (::fstat(fd, &st) != 0) cannotOpen(temporary, errno);
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) cannotOpen(temporary, EPERM);
    if (::ftruncate(fd, 0) != 0 || ::fchmod(fd, original.st_mode & 07777) != 0) cannotWrite(temporary, temporary, errno);
    FILE* out = ::fdopen(fd, "w");
    if (!out) cannotWrite(temporary, temporary, errno);

    const size_t userLen = std::strlen(user);
    const size_t realmLen = std::strlen(realm);
    bool replaced = false;
    bool atLineStart = true;
    char line[EDIT_LINE_BUFFER];
    while (std::fgets(line, sizeof line, in)) {
        password_line fields;
        if (!splitLine(line, &fields)) continue;
        const size_t n = std::strlen(line);
        if (sameText(fields.user, user, userLen) && sameText(fields.realm, realm, realmLen)) {
            char ha1[32];
            md5(ha1, {user, realm, password});
            std::fprintf(out, "%s:%s:%.32s\n", user, realm, ha1);
            replaced = true;
            atLineStart = true;
            continue;
        }
        std::fwrite(line, 1, n, out);
        atLineStart = n > 0 && line[n - 1] == '\n';
    }
    const bool readFailed = std::ferror(in) != 0;
    const int readError = errno;
    std::fclose(in);
    if (readFailed) cannotWrite(temporary, file, readError);
    if (!replaced) {
        // A last line without its line feed must not run into the new one.
        if (!atLineStart) std::fputc('\n', out);
        char ha1[32];
        md5(ha1, {user, realm, password});
        std::fprintf(out, "%s:%s:%.32s\n", user, realm, ha1);
    }
    // The old file stays whole until the new one is complete on disk.
    if (std::fflush(out) != 0 || std::ferror(out) || ::fsync(::fileno(out)) != 0) cannotWrite(temporary, temporary, errno);
    if (std::fclose(out) != 0) cannotWrite(temporary, temporary, errno);
    if (std::rename(temporary, file) != 0) cannotWrite(temporary, file, errno);
    return 0;
}

}  // namespace vnhttpd
