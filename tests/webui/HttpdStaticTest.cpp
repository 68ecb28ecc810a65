// Tables over the static-file routines of the embedded HTTP server: MIME types, byte ranges,
// listing sizes and the directories of a PUT path.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"
#include "webui/httpd/dir_listing.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/static_files.h"

namespace {

using namespace vnhttpd;

std::string mimeOf(server_context* ctx, const std::string& name) {
    const char* type = nullptr;
    size_t len = 0;
    get_mime_type(ctx, name.data(), name.size(), &type, &len);
    return std::string(type, len);
}

TEST(HttpdStatic, MimeTypes) {
    struct Case {
        const char* options;  // "mime_types" value, or null for none
        const char* name;
        const char* type;
    };
    const Case cases[] = {
        {nullptr, "x.TXT", "text/plain"},
        {nullptr, "notes.txt", "text/plain"},
        {nullptr, "README", "text/plain"},
        {nullptr, "page.HTML", "text/html"},
        {nullptr, "archive.tar.gz", "application/x-tar-gz"},
        {nullptr, "b.gz", "application/x-gunzip"},
        {nullptr, "a.rar", "application/x-arj-compressed"},
        {nullptr, "a.ra", "audio/x-pn-realaudio"},
        {nullptr, "/d/x.gif", "image/gif"},
        {nullptr, "gif", "text/plain"},      // not longer than the extension
        {nullptr, "xgif", "text/plain"},     // no '.' before it
        {nullptr, "a.jpeg", "image/jpeg"},
        {nullptr, "a.bmp", "image/bmp"},
        {"txt=text/x-own", "notes.txt", "text/x-own"},
        {"txt=text/x-own", "x.TXT", "text/x-own"},
        {"txt=text/x-own", "a.html", "text/html"},
        // Entries without '=' or starting with it are passed over; the first match wins.
        {"=x/y, txt, gz=first/one,gz=second/one", "a.gz", "first/one"},
        {"=x/y, txt", "a.txt", "text/plain"},
        {"tar.gz=own/tgz", "x.tar.gz", "own/tgz"},
    };
    for (const Case& k : cases) {
        std::vector<std::string> options{"-ports", ""};
        if (k.options) options.insert(options.end(), {"-mime_types", k.options});
        httpdtest::Args args(options);
        server_context* ctx = server_init(args.argc(), args.argv());
        EXPECT_EQ(mimeOf(ctx, k.name), k.type) << k.name << " " << (k.options ? k.options : "");
        server_free(ctx);
    }
}

TEST(HttpdStatic, ByteRanges) {
    struct Case {
        const char* value;
        uint64_t size;
        byte_range::kind_t kind;
        uint64_t first, last;
    };
    const auto W = byte_range::WHOLE, P = byte_range::PART, U = byte_range::UNSATISFIABLE;
    const Case cases[] = {
        {"bytes=10-19", 100, P, 10, 19},
        {"bytes=90-", 100, P, 90, 99},
        {"bytes=-10", 100, P, 90, 99},
        {"bytes=50-500", 100, P, 50, 99},
        {"bytes=-500", 100, P, 0, 99},
        {"bytes=0-0", 100, P, 0, 0},
        {"bytes=99-99", 100, P, 99, 99},
        {"bytes=7", 100, P, 7, 99},
        {"bytes=0-1,5-6", 100, P, 0, 1},
        {"bytes=100-", 100, U, 0, 0},
        {"bytes=20-10", 100, U, 0, 0},
        {"bytes=-0", 100, U, 0, 0},
        {"bytes=0-", 0, U, 0, 0},
        {"bytes=-5", 0, U, 0, 0},
        {"bytes=99999999999999999999999-", 100, U, 0, 0},
        {"bytes=1-99999999999999999999999", 100, P, 1, 99},
        {"items=1-2", 100, W, 0, 0},
        {"bytes=abc", 100, W, 0, 0},
        {"bytes=+5-10", 100, W, 0, 0},
        {"bytes=-", 100, W, 0, 0},
        {"Bytes=1-2", 100, W, 0, 0},
        {"", 100, W, 0, 0},
    };
    for (const Case& k : cases) {
        const byte_range r = parse_byte_range(k.value, std::strlen(k.value), k.size);
        EXPECT_EQ(r.kind, k.kind) << k.value << " of " << k.size;
        if (r.kind == byte_range::PART && k.kind == byte_range::PART) {
            EXPECT_EQ(r.first, k.first) << k.value;
            EXPECT_EQ(r.last, k.last) << k.value;
        }
    }
    EXPECT_EQ(parse_byte_range(nullptr, 0, 100).kind, byte_range::WHOLE);
}

TEST(HttpdStatic, ListingSizes) {
    struct Case {
        bool directory;
        uint64_t size;
        const char* text;
    };
    const Case cases[] = {
        {false, 0, "0"},           {false, 1023, "1023"},        {false, 1024, "2k"},
        {false, 2047, "2k"},       {false, 2048, "3k"},          {false, 1048575, "1024k"},
        {false, 1048576, "1.0M"},  {false, 3670016, "3.5M"},     {false, 1310720, "1.2M"},
        {false, 5368709120ull, "5120.0M"},                      {false, 2147483648ull, "2048.0M"},
        {true, 4096, "&lt;DIR&gt;"},
    };
    for (const Case& k : cases) EXPECT_EQ(listing_size_text(k.directory, k.size), k.text) << k.size;
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(HttpdStatic, DirectoriesOfAPutPath) {
    testutil::TempDir dir;
    EXPECT_EQ(put_dir((dir / "new/dir/file.txt").c_str()), 1);
    EXPECT_TRUE(isDirectory(dir / "new/dir"));
    EXPECT_FALSE(isDirectory(dir / "new/dir/file.txt"));
    struct stat st;
    ASSERT_EQ(::stat((dir / "new").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777 & ~07022u, 0755u & ~07022u);
    EXPECT_EQ(put_dir((dir / "new/other/").c_str()), 0);
    EXPECT_TRUE(isDirectory(dir / "new/other"));
    testutil::writeFile(dir / "file", "x");
    EXPECT_EQ(put_dir((dir / "file/under/x").c_str()), -1);

    // A prefix that does not fit creates nothing, not even the directories that would fit.
    const std::string longPath = dir / "made/" + std::string(4100, 'a') + "/x";
    EXPECT_EQ(put_dir(longPath.c_str()), -1);
    EXPECT_FALSE(isDirectory(dir / "made"));
}

}  // namespace
