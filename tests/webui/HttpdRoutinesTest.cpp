// Tables over the embedded HTTP server's small routines: texts, lists, options, client
// addresses and the access-control verdict.
#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "webui/httpd/server_context.h"
#include "webui/httpd/serving_loop.h"
#include "webui/httpd/string_routines.h"

namespace {

using namespace vnhttpd;

TEST(HttpdStrings, BoundedCopy) {
    struct Case {
        size_t size;
        const char* src;
        const char* expected;
    };
    const Case cases[] = {{1, "abc", ""}, {3, "abc", "ab"}, {4, "abc", "abc"}, {10, "abc", "abc"}, {5, "", ""}};
    for (const Case& k : cases) {
        char dst[16];
        std::memset(dst, 'x', sizeof dst);
        bounded_copy(dst, k.size, k.src);
        EXPECT_STREQ(dst, k.expected) << k.size << " " << k.src;
    }
}

TEST(HttpdStrings, BoundedFormat) {
    char buf[8];
    EXPECT_EQ(bounded_format(buf, sizeof buf, "%d-%s", 12, "ab"), 5);
    EXPECT_STREQ(buf, "12-ab");
    // Cut: size - 1 characters and the zero byte.
    EXPECT_EQ(bounded_format(buf, sizeof buf, "%s", "0123456789"), 7);
    EXPECT_STREQ(buf, "0123456");
    EXPECT_EQ(bounded_format(buf, 0, "%s", "abc"), 0);
    EXPECT_EQ(bounded_format(buf, 1, "%s", "abc"), 0);
    EXPECT_STREQ(buf, "");
}

TEST(HttpdStrings, Duplicates) {
    char* a = duplicate_prefix("abcdef", 3);
    EXPECT_STREQ(a, "abc");
    char* b = duplicate_prefix("ab\0cd", 4);  // stops at the zero byte
    EXPECT_STREQ(b, "ab");
    char* c = duplicate_string("xyz");
    EXPECT_STREQ(c, "xyz");
    std::free(a);
    std::free(b);
    std::free(c);
}

TEST(HttpdStrings, CompareNocase) {
    struct Case {
        const char* a;
        const char* b;
        size_t n;
        int sign;
    };
    const Case cases[] = {
        {"Content-Length", "content-LENGTH", 14, 0},
        {"abc", "abd", 2, 0},           // only n characters count
        {"abc", "abd", 3, -1},
        {"ABD", "abc", 3, 1},
        {"ab", "abc", 10, -1},          // stops at the shorter text's zero byte
        {"ab", "ab", 10, 0},
        {"x", "y", 0, 0},
        {"[", "{", 1, -1},              // '[' is not a letter: only A-Z are lowered
    };
    for (const Case& k : cases) {
        int r = compare_nocase(k.a, k.b, k.n);
        EXPECT_EQ((r > 0) - (r < 0), k.sign) << k.a << " " << k.b << " " << k.n;
    }
    EXPECT_EQ(compare_nocase("aBc", "abD", 3), 'c' - 'd');
}

TEST(HttpdStrings, ListEntries) {
    struct Case {
        const char* list;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {"8080, 8443s", {"8080", "8443s"}},
        {" ,, a\t,b ,", {"a", "b"}},
        {"-0.0.0.0/0,+127.0.0.1", {"-0.0.0.0/0", "+127.0.0.1"}},
        {"", {}},
        {" , ", {}},
        {nullptr, {}},
    };
    for (const Case& k : cases) {
        std::vector<std::string> got;
        const char* cursor = k.list;
        const char* entry;
        size_t length;
        while (next_list_entry(&cursor, &entry, &length)) got.emplace_back(entry, length);
        EXPECT_EQ(got, k.entries) << (k.list ? k.list : "(null)");
    }
}

TEST(HttpdStrings, MatchExtension) {
    struct Case {
        const char* path;
        const char* list;
        bool matches;
    };
    const Case cases[] = {
        {"/r/t.cgi", "cgi,pl,php", true},
        {"/r/t.PL", "cgi, pl ,php", true},
        {"/r/t.php", "cgi,pl,php", true},
        {"/r/tcgi", "cgi", false},       // no '.' before the extension
        {".cgi", "cgi", true},           // longer than the extension, '.' before it
        {"cgi", "cgi", false},           // not longer than the extension
        {"/r/t.cgi.bak", "cgi", false},
        {"/r/t.shtml", "shtml,shtm", true},
        {"/r/t.shtm", "shtml,shtm", true},
        {"/r/t.html", "shtml,shtm", false},
        {"/r/t.cgi", "", false},
        {"/r/t.cgi", nullptr, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(match_extension(k.path, k.list), k.matches) << k.path << " " << (k.list ? k.list : "(null)");
}

TEST(HttpdDescriptors, NonBlockingAndCloseOnExec) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_EQ(set_non_blocking(fds[0]), 0);
    EXPECT_EQ(set_close_on_exec(fds[0]), 0);
    EXPECT_TRUE(::fcntl(fds[0], F_GETFL) & O_NONBLOCK);
    EXPECT_TRUE(::fcntl(fds[0], F_GETFD) & FD_CLOEXEC);
    ::close(fds[0]);
    ::close(fds[1]);
    EXPECT_EQ(set_non_blocking(fds[0]), -1);
    EXPECT_EQ(set_close_on_exec(fds[0]), -1);
}

TEST(HttpdOptions, OnlyFourWordsAreTrue) {
    struct Case {
        const char* value;
        bool expected;
    };
    const Case cases[] = {
        {"1", true},   {"yes", true},   {"true", true},   {"jawohl", true},
        {"Yes", false},  // case-sensitive
        {"TRUE", false}, {"on", false}, {"0", false},     {"yes ", false},  // a value from a file keeps its blank
        {"", false},     {nullptr, false},
    };
    for (const Case& k : cases) EXPECT_EQ(option_is_true(k.value), k.expected) << (k.value ? k.value : "(null)");
}

TEST(HttpdOptions, TableOrderSlotsAndDefaults) {
    std::string rows;
    for (size_t i = 0; i < option_count; ++i) {
        const option_def& o = option_table[i];
        rows += std::to_string(o.slot) + " " + o.name + "=" + (o.default_value ? o.default_value : "-") + "\n";
    }
    EXPECT_EQ(rows,
              "0 root=.\n"
              "1 index_files=index.html,index.htm,index.php,index.cgi\n"
              "14 ssl_cert=-\n"
              "2 ports=80\n"
              "3 dir_list=yes\n"
              "19 cfg_uri=-\n"
              "20 protect=-\n"
              "4 cgi_ext=cgi,pl,php\n"
              "5 cgi_interp=-\n"
              "6 cgi_env=-\n"
              "7 ssi_ext=shtml,shtm\n"
              "8 auth_realm=localhost\n"
              "9 auth_gpass=-\n"
              "10 auth_PUT=-\n"
              "17 inetd=no\n"
              "18 uid=-\n"
              "11 access_log=-\n"
              "12 error_log=-\n"
              "13 mime_types=-\n"
              "15 aliases=-\n"
              "16 acl=-\n"
              "23 threads=1\n");
}

client_address v4(const char* text) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(4321);
    ::inet_pton(AF_INET, text, &a.sin_addr);
    client_address c;
    describe_peer(reinterpret_cast<sockaddr*>(&a), sizeof a, &c);
    return c;
}

client_address v6(const char* text) {
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(4321);
    ::inet_pton(AF_INET6, text, &a.sin6_addr);
    client_address c;
    describe_peer(reinterpret_cast<sockaddr*>(&a), sizeof a, &c);
    return c;
}

TEST(HttpdClientAddress, MappedIPv4IsTheIPv4Client) {
    struct Case {
        client_address address;
        bool ipv4;
        uint32_t value;
        const char* text;
    };
    const Case cases[] = {
        {v4("10.1.2.3"), true, 0x0a010203, "10.1.2.3"},
        {v6("::ffff:192.168.0.7"), true, 0xc0a80007, "192.168.0.7"},
        {v6("::1"), false, 0, "::1"},
        {v6("2001:db8::5"), false, 0, "2001:db8::5"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(k.address.ipv4, k.ipv4) << k.text;
        EXPECT_EQ(k.address.ipv4_address, k.value) << k.text;
        EXPECT_STREQ(k.address.text, k.text);
        EXPECT_EQ(k.address.port, 4321);
    }
}

TEST(HttpdAcl, LastMatchingEntryDecides) {
    server_context ctx;
    struct Case {
        const char* acl;
        client_address client;
        bool allowed;
    };
    const Case cases[] = {
        {"", v4("1.2.3.4"), true},
        {"-0.0.0.0/0", v4("1.2.3.4"), false},
        {"-0.0.0.0/0,+127.0.0.1", v4("127.0.0.1"), true},
        {"-0.0.0.0/0,+127.0.0.1", v4("127.0.0.2"), false},
        {"+127.0.0.1,-0.0.0.0/0", v4("127.0.0.1"), false},  // the later deny-all wins
        {"-0.0.0.0/0,+10.0.0.0/8", v4("10.200.1.1"), true},
        {"-0.0.0.0/0,+10.0.0.1/8", v4("10.0.0.1"), false},   // host bits set: the entry never matches
        {"-10.0.0.0/8", v4("11.0.0.1"), true},               // no match allows
        {"-0.0.0.0/0,+127.0.0.1", v6("::ffff:127.0.0.1"), true},
        {"-0.0.0.0/0,+127.0.0.1", v6("::1"), false},         // IPv6: only the mask-0 entries
        {"+127.0.0.1,-127.0.0.0/8", v6("::1"), true},
        {"-0.0.0.0/0", v6("2001:db8::5"), false},
        {"-10.0.0.0/0", v6("2001:db8::5"), true},            // its address has bits beyond the mask
    };
    for (const Case& k : cases) {
        set_acl(&ctx, k.acl);
        EXPECT_EQ(acl_allows(&ctx, k.client), k.allowed) << k.acl << " " << k.client.text;
    }
}

TEST(HttpdAcl, ParsedEntries) {
    server_context ctx;
    set_acl(&ctx, "-0.0.0.0/0, +10.0.0.0/8 +192.168.1.2");
    ASSERT_EQ(ctx.acl.size(), 3u);
    EXPECT_EQ(ctx.acl[0].flag, '-');
    EXPECT_EQ(ctx.acl[0].mask, 0u);
    EXPECT_EQ(ctx.acl[1].address, 0x0a000000u);
    EXPECT_EQ(ctx.acl[1].mask, 0xff000000u);
    EXPECT_EQ(ctx.acl[2].address, 0xc0a80102u);
    EXPECT_EQ(ctx.acl[2].mask, 0xffffffffu);
}

}  // namespace
