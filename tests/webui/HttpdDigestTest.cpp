// Digest authentication of the embedded HTTP server in process: the md5 of parts, the
// Authorization parser, the password check against real password files, the choice of the
// password file, and the editor of password files.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"
#include "webui/httpd/digest_auth.h"
#include "webui/httpd/server_context.h"

namespace {

using namespace vnhttpd;

// MD5 of `text` in lowercase hex, computed by OpenSSL, apart from the server's own MD5.
std::string md5Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(text.data(), text.size(), digest, &len, EVP_md5(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < len; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

std::string text(const header_text& t) { return t.ptr ? std::string(t.ptr, t.len) : std::string(); }

TEST(HttpdDigest, Md5JoinsTheNonEmptyParts) {
    struct Case {
        const char* a;
        const char* b;
        const char* c;
        const char* joined;
    };
    const Case cases[] = {
        {"a", "b", "", "a:b"},       {"", "b", "", ":b"},      {"a", "", "c", "a:c"},
        {"", "", "c", ":c"},         {"", "", "", ""},         {"alice", "myrealm", "secret", "alice:myrealm:secret"},
        {"a", "", "", "a"},          {nullptr, "b", "c", ":b:c"},
    };
    for (const Case& k : cases) {
        char result[33];
        std::memset(result, 'x', sizeof result);
        md5(result, {k.a, k.b, k.c});
        EXPECT_EQ(std::string(result, 32), md5Hex(k.joined)) << k.joined;
        EXPECT_EQ(result[32], 'x') << "nothing is written after the 32 digits";
    }
    // A part of a longer text counts by its length.
    char result[32];
    md5(result, {digest_part("abcdef", 3), "x"});
    EXPECT_EQ(std::string(result, 32), md5Hex("abc:x"));
}

struct Params {
    std::string username, uri, nonce, cnonce, response, qop, nc;
};

TEST(HttpdDigest, AuthorizationValueParameters) {
    struct Case {
        std::string value;
        bool read;
        Params expected;
    };
    const Case cases[] = {
        {"Digest username=\"alice\", realm=\"myrealm\", nonce=\"123\", uri=\"/a?b=c\", qop=auth, nc=00000001, "
         "cnonce=\"0a4f\", response=\"6629fae49393a05397450978507c4ef1\", algorithm=MD5, opaque=\"zz\"",
         true,
         {"alice", "/a?b=c", "123", "0a4f", "6629fae49393a05397450978507c4ef1", "auth", "00000001"}},
        // Exactly 20 characters is too short; 21 is read.
        {"Digest username=\"ab\"", false, {}},
        {"Digest username=\"abc\"", true, {"abc", "", "", "", "", "", ""}},
        {"Basic YWxpY2U6c2VjcmV0IHRoYXQgaXMgbG9uZw==", false, {}},
        {"dIGEST username=alice,qop=auth", true, {"alice", "", "", "", "", "auth", ""}},
        // A quoted value at the end without its closing quote runs to the end.
        {"Digest username=\"alice\", uri=\"/open", true, {"alice", "/open", "", "", "", "", ""}},
        // Empty values: "nc=" before a comma, two quotes, a quote or '=' at the very end.
        {"Digest username=\"alice\", nc=, qop=auth", true, {"alice", "", "", "", "", "auth", ""}},
        {"Digest username=\"alice\", nonce=\"\", qop=auth", true, {"alice", "", "", "", "", "auth", ""}},
        {"Digest username=\"alice\", nonce=\"", true, {"alice", "", "", "", "", "", ""}},
        {"Digest username=\"alice\", cnonce=", true, {"alice", "", "", "", "", "", ""}},
        // "cnonce=" is not "nonce=", and an unknown name is dropped with its value.
        {"Digest cnonce=\"c1\", nonce=\"n1\", realmx=\"r\", username=bob", true, {"bob", "", "n1", "c1", "", "", ""}},
        // A quoted value keeps its blanks and commas.
        {"Digest username=\"a, b c\", nc=1", true, {"a, b c", "", "", "", "", "", "1"}},
    };
    for (const Case& k : cases) {
        std::string value = k.value;
        digest_params p;
        EXPECT_EQ(parse_digest_params(&value[0], value.size(), &p), k.read) << k.value;
        const Params got{text(p.username), text(p.uri), text(p.nonce), text(p.cnonce), text(p.response), text(p.qop),
                         text(p.nc)};
        EXPECT_EQ(got.username, k.expected.username) << k.value;
        EXPECT_EQ(got.uri, k.expected.uri) << k.value;
        EXPECT_EQ(got.nonce, k.expected.nonce) << k.value;
        EXPECT_EQ(got.cnonce, k.expected.cnonce) << k.value;
        EXPECT_EQ(got.response, k.expected.response) << k.value;
        EXPECT_EQ(got.qop, k.expected.qop) << k.value;
        EXPECT_EQ(got.nc, k.expected.nc) << k.value;
    }
}

// A server context without listeners, and requests checked against it.
class Checker {
public:
    explicit Checker(std::vector<std::string> options) : args(withoutPorts(std::move(options))) {
        ctx = server_init(args.argc(), args.argv());
    }
    ~Checker() { server_free(ctx); }
    Checker(const Checker&) = delete;
    Checker& operator=(const Checker&) = delete;

    struct Request {
        int method = METHOD_GET;
        std::string target = "/p";
        std::string authorization;
    };

    // A connection carrying `r`, built as the request parser leaves it.
    struct Prepared {
        std::string line;
        std::string auth;
        std::string uri;
        connection c;
    };
    std::unique_ptr<Prepared> prepare(const Request& r) {
        std::unique_ptr<Prepared> p(new Prepared);
        p->line = std::string(method_names[r.method]) + " " + r.target + " HTTP/1.1";
        p->auth = r.authorization;
        p->uri = r.target.substr(0, r.target.find('?'));
        p->c.ctx = ctx;
        p->c.method = r.method;
        p->c.target = &p->line[std::strlen(method_names[r.method]) + 1];
        p->c.target_len = r.target.size();
        p->c.uri = &p->uri[0];
        if (!r.authorization.empty()) p->c.hdr.authorization = header_text{&p->auth[0], p->auth.size()};
        return p;
    }

    // check_password against a file holding `lines`; the user the connection then names.
    int check(const std::string& lines, const Request& r, std::string* user = nullptr) {
        testutil::writeFile(dir / "pw", lines);
        std::unique_ptr<Prepared> p = prepare(r);
        FILE* f = std::fopen((dir / "pw").c_str(), "r");
        const int result = check_password(&p->c, f);
        std::fclose(f);
        if (user) *user = text(p->c.hdr.remote_user);
        return result;
    }

    testutil::TempDir dir;
    server_context* ctx = nullptr;

private:
    static std::vector<std::string> withoutPorts(std::vector<std::string> options) {
        options.insert(options.begin(), {"-ports", ""});
        return options;
    }
    httpdtest::Args args;
};

std::string ha1(const std::string& user, const std::string& realm, const std::string& password) {
    return md5Hex(user + ":" + realm + ":" + password);
}

// The Authorization value a client sends with qop "auth" (or, with an empty qop, the older form
// without qop, nc and cnonce).
std::string digestHeader(const std::string& user, const std::string& realm, const std::string& password,
                         const std::string& method, const std::string& uri, const std::string& qop = "auth") {
    const std::string nonce = "1700000000", nc = "00000001", cnonce = "c0ffee";
    const std::string ha2 = md5Hex(method + ":" + uri);
    const std::string h1 = ha1(user, realm, password);
    if (qop.empty())
        return "Digest username=\"" + user + "\", realm=\"" + realm + "\", nonce=\"" + nonce + "\", uri=\"" + uri +
               "\", response=\"" + md5Hex(h1 + ":" + nonce + ":" + ha2) + "\"";
    return "Digest username=\"" + user + "\", realm=\"" + realm + "\", nonce=\"" + nonce + "\", uri=\"" + uri +
           "\", algorithm=MD5, qop=" + qop + ", nc=" + nc + ", cnonce=\"" + cnonce + "\", response=\"" +
           md5Hex(h1 + ":" + nonce + ":" + nc + ":" + cnonce + ":" + qop + ":" + ha2) + "\"";
}

TEST(HttpdDigest, PasswordCheck) {
    Checker checker({"-auth_realm", "myrealm"});
    const std::string alice = "alice:myrealm:" + ha1("alice", "myrealm", "secret") + "\n";
    const std::string good = digestHeader("alice", "myrealm", "secret", "GET", "/p");
    std::string withUpperResponse = good;
    for (size_t i = withUpperResponse.rfind("response=") + 10; i < withUpperResponse.size() - 1; ++i)
        withUpperResponse[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(withUpperResponse[i])));
    std::string shortResponse = good;
    shortResponse.erase(shortResponse.size() - 2, 1);

    struct Case {
        const char* name;
        std::string lines;
        Checker::Request request;
        int result;
    };
    const Case cases[] = {
        {"qop auth with the right password", alice, {METHOD_GET, "/p", good}, 1},
        {"another password", alice, {METHOD_GET, "/p", digestHeader("alice", "myrealm", "wrong", "GET", "/p")}, 0},
        {"the older form without qop", alice, {METHOD_GET, "/p", digestHeader("alice", "myrealm", "secret", "GET", "/p", "")}, 1},
        {"no Authorization", alice, {METHOD_GET, "/p", ""}, 0},
        {"a header for another URI", alice, {METHOD_GET, "/q", good}, 0},
        {"uri with the query as sent",
         alice,
         {METHOD_GET, "/p%41?x=1", digestHeader("alice", "myrealm", "secret", "GET", "/p%41?x=1")},
         1},
        {"uri decoded while the request line is not",
         alice,
         {METHOD_GET, "/p%41", digestHeader("alice", "myrealm", "secret", "GET", "/pA")},
         0},
        {"uri without the query that was sent", alice, {METHOD_GET, "/p?x=1", good}, 0},
        {"computed for GET, sent with POST", alice, {METHOD_POST, "/p", good}, 0},
        {"DELETE computed for DELETE",
         alice,
         {METHOD_DELETE, "/p", digestHeader("alice", "myrealm", "secret", "DELETE", "/p")},
         1},
        {"upper-case response digits", alice, {METHOD_GET, "/p", withUpperResponse}, 0},
        {"a response of 31 characters", alice, {METHOD_GET, "/p", shortResponse}, 0},
        {"a realm that is a prefix of the configured one",
         "alice:my:" + ha1("alice", "myrealm", "secret") + "\n",
         {METHOD_GET, "/p", good},
         0},
        {"user names are case-sensitive", "Alice:myrealm:" + ha1("alice", "myrealm", "secret") + "\n",
         {METHOD_GET, "/p", good}, 0},
        {"ha1 ends at white space; other users and empty fields are passed over",
         "bob:myrealm:" + ha1("bob", "myrealm", "x") + "\nalice:myrealm:\n::\njunk\nalice:myrealm:" +
             ha1("alice", "myrealm", "secret") + " comment\n",
         {METHOD_GET, "/p", good},
         1},
        {"only the first matching line counts",
         "alice:myrealm:" + ha1("alice", "myrealm", "old") + "\n" + alice,
         {METHOD_GET, "/p", good},
         0},
        {"a line past 255 characters reads as two: the second one is a line of its own",
         std::string(255, 'x') + alice,
         {METHOD_GET, "/p", good},
         1},
        {"a line of 255 characters with the user's line behind its first 254",
         std::string(254, 'x') + alice,
         {METHOD_GET, "/p", good},
         0},
    };
    for (const Case& k : cases) {
        std::string user;
        EXPECT_EQ(checker.check(k.lines, k.request, &user), k.result) << k.name;
        // Only a proven user is the connection's user (access log, REMOTE_USER).
        EXPECT_EQ(user, k.result ? "alice" : "") << k.name;
    }
}

TEST(HttpdDigest, ChallengeNamesTheRealmAndTheTime) {
    Checker checker({"-auth_realm", std::string(600, 'r')});
    std::unique_ptr<Checker::Prepared> p = checker.prepare({});
    connection* c = &p->c;
    c->loc.io.buf = static_cast<char*>(std::malloc(4096));
    c->loc.io.size = 4096;
    send_authorization_request(c);
    const std::string reply(c->loc.io.buf, c->loc.io.head);
    std::free(c->loc.io.buf);
    c->loc.io.buf = nullptr;
    // The reason text is cut at 511 characters, inside the realm.
    const std::string reason = "Unauthorized\r\nWWW-Authenticate: Digest qop=\"auth\", realm=\"" + std::string(600, 'r');
    EXPECT_EQ(reply, "HTTP/1.1 401 " + reason.substr(0, 511) +
                         "\r\nContent-Type: text/plain\r\nContent-Length: 12\r\n\r\nError: 401\r\n");
    EXPECT_EQ(c->status, 401);
}

// Which password file check_auth reads for a request, told by files that each let one
// password in.
TEST(HttpdDigest, PasswordFileChoice) {
    testutil::TempDir root;
    ASSERT_EQ(::mkdir((root / "sub").c_str(), 0700), 0);
    auto pwFile = [&](const std::string& name, const std::string& password) {
        testutil::writeFile(root / name, "alice:myrealm:" + ha1("alice", "myrealm", password) + "\n");
        return root / name;
    };
    const std::string pw1 = pwFile("pw1", "one"), pw2 = pwFile("pw2", "two"), global = pwFile("global", "g");
    pwFile("sub/.htpasswd", "dir");
    const std::string missing = root / "missing";
    const std::string log = root / "error.log";

    struct Case {
        const char* name;
        std::vector<std::string> options;
        std::string uri;
        std::string filePath;
        std::string password;  // empty: no Authorization
        int result;
    };
    const std::string protect = "/admin=" + pw1 + ",/x=" + pw2;
    const Case cases[] = {
        {"prefix /admin: its file", {"-protect", protect}, "/admin/page", root / "admin/page", "one", 1},
        {"prefix /admin: not the other file", {"-protect", protect}, "/admin/page", root / "admin/page", "two", 0},
        {"/x covers /xyz", {"-protect", protect}, "/xyz", root / "xyz", "two", 1},
        {"/x covers /xyz, not with pw1", {"-protect", protect}, "/xyz", root / "xyz", "one", 0},
        {"no prefix, no password file: open", {"-protect", protect}, "/other", root / "other", "", 1},
        {"no prefix: the directory's file", {"-protect", protect}, "/sub/f", root / "sub/f", "dir", 1},
        {"no prefix: the directory's file refuses", {"-protect", protect}, "/sub/f", root / "sub/f", "", 0},
        {"an unopenable protect file falls to the global file",
         {"-protect", "/admin=" + missing + ",/admin=" + pw1, "-auth_gpass", global},
         "/admin/p",
         root / "admin/p",
         "g",
         1},
        {"global file, request with its password", {"-auth_gpass", global}, "/sub/f", root / "sub/f", "g", 1},
        {"global file replaces the directory's", {"-auth_gpass", global}, "/sub/f", root / "sub/f", "dir", 0},
        {"a missing global file protects nothing", {"-auth_gpass", missing}, "/sub/f", root / "sub/f", "", 1},
        {"a path without '/' looks in the working directory", {}, "/f", "f", "", 1},
        {"a directory file name that does not fit is refused", {}, "/long", root / std::string(4100, 'd') + "/f", "", 0},
        {"a protect file name that does not fit counts as unopenable",
         {"-protect", "/=" + root / std::string(4100, 'p')},
         "/q",
         root / "q",
         "",
         1},
    };
    for (const Case& k : cases) {
        std::vector<std::string> options{"-auth_realm", "myrealm", "-error_log", log};
        options.insert(options.end(), k.options.begin(), k.options.end());
        Checker checker(options);
        Checker::Request r;
        r.target = k.uri;
        if (!k.password.empty()) r.authorization = digestHeader("alice", "myrealm", k.password, "GET", k.uri);
        std::unique_ptr<Checker::Prepared> p = checker.prepare(r);
        testutil::StderrCapture err;
        EXPECT_EQ(check_auth(&p->c, k.filePath.c_str()), k.result) << k.name;
    }
    const std::vector<std::string> logged = testutil::splitLines(testutil::readFile(log));
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_NE(logged[0].find("check_auth: cannot open " + missing + ": No such file or directory"), std::string::npos)
        << logged[0];
    EXPECT_NE(logged[1].find("check_auth: cannot open " + root / std::string(4100, 'p').substr(0, 10)),
              std::string::npos)
        << logged[1];
}

TEST(HttpdDigest, PutAuthorizationNeedsAnOpenableFile) {
    testutil::TempDir dir;
    testutil::writeFile(dir / "put", "alice:myrealm:" + ha1("alice", "myrealm", "secret") + "\n");
    struct Case {
        std::vector<std::string> options;
        std::string password;
        int result;
    };
    const Case cases[] = {
        {{}, "secret", 0},
        {{"-auth_PUT", dir / "missing"}, "secret", 0},
        {{"-auth_PUT", dir / "put"}, "secret", 1},
        {{"-auth_PUT", dir / "put"}, "other", 0},
    };
    for (const Case& k : cases) {
        std::vector<std::string> options{"-auth_realm", "myrealm"};
        options.insert(options.end(), k.options.begin(), k.options.end());
        Checker checker(options);
        std::unique_ptr<Checker::Prepared> p =
            checker.prepare({METHOD_PUT, "/f", digestHeader("alice", "myrealm", k.password, "PUT", "/f")});
        EXPECT_EQ(check_put_authorization(&p->c), k.result) << k.options.size() << " " << k.password;
    }
}

mode_t modeOf(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(HttpdDigest, EditorCreatesThenReplacesLines) {
    testutil::TempDir dir;
    const std::string file = dir / "passwords";
    EXPECT_EQ(edit_passwords_file(file.c_str(), "myrealm", "alice", "one"), 0);
    EXPECT_EQ(testutil::readFile(file), "alice:myrealm:" + ha1("alice", "myrealm", "one") + "\n");
    EXPECT_EQ(modeOf(file), 0600u);

    // Other users and realms stay in their order, a line without two ':' goes, a last line
    // without its line feed gets one.
    const std::string bob = "bob:myrealm:" + ha1("bob", "myrealm", "b") + "\n";
    const std::string aliceElsewhere = "alice:other:" + ha1("alice", "other", "o") + "\n";
    testutil::writeFile(file, bob + "junk\nalice:myrealm:0123\n" + aliceElsewhere + "carol:x:y");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    EXPECT_EQ(edit_passwords_file(file.c_str(), "myrealm", "alice", "two"), 0);
    EXPECT_EQ(testutil::readFile(file),
              bob + "alice:myrealm:" + ha1("alice", "myrealm", "two") + "\n" + aliceElsewhere + "carol:x:y");
    EXPECT_EQ(modeOf(file), 0640u) << "the file keeps its mode";

    EXPECT_EQ(edit_passwords_file(file.c_str(), "my", "alice", "three"), 0);
    EXPECT_EQ(testutil::readFile(file), bob + "alice:myrealm:" + ha1("alice", "myrealm", "two") + "\n" +
                                            aliceElsewhere + "carol:x:y\nalice:my:" + ha1("alice", "my", "three") +
                                            "\n");
    EXPECT_FALSE(::access((file + ".tmp").c_str(), F_OK) == 0) << "the temporary file became the file";
}

TEST(HttpdDigest, EditorNeverFollowsALinkAtItsTemporaryName) {
    testutil::TempDir dir;
    const std::string file = dir / "passwords";
    const std::string target = dir / "target";
    testutil::writeFile(file, "bob:myrealm:0123\n");
    testutil::writeFile(target, "precious\n");
    ASSERT_EQ(::symlink(target.c_str(), (file + ".tmp").c_str()), 0);
    EXPECT_EXIT(edit_passwords_file(file.c_str(), "myrealm", "alice", "pw"), ::testing::ExitedWithCode(1),
                "Cannot open .*passwords\\.tmp: ");
    EXPECT_EQ(testutil::readFile(target), "precious\n");
    EXPECT_EQ(testutil::readFile(file), "bob:myrealm:0123\n");
}

TEST(HttpdDigest, EditorEndsTheProcessWhenTheFileCannotBeMade) {
    testutil::TempDir dir;
    const std::string file = dir / "no/such/dir/passwords";
    EXPECT_EXIT(edit_passwords_file(file.c_str(), "myrealm", "alice", "pw"), ::testing::ExitedWithCode(1),
                "Cannot open .*/no/such/dir/passwords: No such file or directory");
}

}  // namespace
