#include "common/GzipFile.h"

#include <gtest/gtest.h>

#include <string>

#include "common/error.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

// All the text of `path`, read in pieces of `piece` bytes.
std::string readAll(const std::string& path, bool compressed, uint64_t maxSize, size_t piece) {
    GzipFile file(path, compressed, maxSize);
    std::string text;
    std::string buffer(piece, '\0');
    while (size_t n = file.read(&buffer[0], piece)) text.append(buffer, 0, n);
    EXPECT_EQ(file.unpacked(), text.size());
    return text;
}

// Files made by Python's gzip module; `python` writes sys.argv[1].
void make(const std::string& path, const std::string& python) {
    testutil::RunResult r = testutil::run({"/usr/bin/python3", "-c", "import gzip, sys\n" + python, path});
    ASSERT_EQ(r.status, 0) << r.err;
}

TEST(GzipFile, ReadsWhatZcatReads) {
    testutil::TempDir tmp;
    const std::string text(300000, 'x');
    const struct {
        const char* name;
        const char* python;
        bool compressed;
        std::string expected;
    } cases[] = {
        {"plain", "open(sys.argv[1], 'wb').write(b'x' * 300000)", false, text},
        {"one member", "open(sys.argv[1], 'wb').write(gzip.compress(b'x' * 300000))", true, text},
        {"three members, one of them empty",
         "open(sys.argv[1], 'wb').write(gzip.compress(b'x' * 100000) + gzip.compress(b'') + "
         "gzip.compress(b'x' * 200000))",
         true, text},
        {"an empty member alone", "open(sys.argv[1], 'wb').write(gzip.compress(b''))", true, ""},
        {"an empty plain file", "open(sys.argv[1], 'wb').write(b'')", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = tmp / c.name;
        make(path, c.python);
        // zcat agrees.
        if (c.compressed) {
            EXPECT_EQ(testutil::shell("zcat '" + path + "'").out, c.expected);
        }
        EXPECT_EQ(readAll(path, c.compressed, UINT64_MAX, 65536), c.expected);
        EXPECT_EQ(readAll(path, c.compressed, UINT64_MAX, 1000), c.expected);
    }
}

TEST(GzipFile, BrokenFilesAndTheBound) {
    testutil::TempDir tmp;
    const struct {
        const char* name;
        const char* python;
        uint64_t maxSize;
        const char* reason;
    } cases[] = {
        {"cut in the middle",
         "import os\nz = gzip.compress(os.urandom(200000))\nopen(sys.argv[1], 'wb').write(z[:len(z) // 2])", UINT64_MAX,
         "unexpected end of file"},
        {"cut before its check sum", "z = gzip.compress(b'x' * 1000)\nopen(sys.argv[1], 'wb').write(z[:-4])", UINT64_MAX,
         "unexpected end of file"},
        {"empty", "open(sys.argv[1], 'wb').write(b'')", UINT64_MAX, "unexpected end of file"},
        {"not gzip", "open(sys.argv[1], 'wb').write(b'<metadata/>')", UINT64_MAX, "incorrect header check"},
        {"corrupt data",
         "z = bytearray(gzip.compress(b'abc' * 1000))\nz[12] ^= 0xff\nopen(sys.argv[1], 'wb').write(bytes(z))",
         UINT64_MAX, "*"},
        {"a wrong check sum", "z = bytearray(gzip.compress(b'x' * 1000))\nz[-6] ^= 1\nopen(sys.argv[1], 'wb').write(bytes(z))",
         UINT64_MAX, "incorrect data check"},
        {"garbage after a member", "open(sys.argv[1], 'wb').write(gzip.compress(b'x') + b'garbage')", UINT64_MAX,
         "incorrect header check"},
        {"one byte past the bound", "open(sys.argv[1], 'wb').write(gzip.compress(b'x' * 100001))", 100000,
         "the unpacked text is longer than 100000 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = tmp / c.name;
        make(path, c.python);
        error e = testutil::raisedError([&] { readAll(path, true, c.maxSize, 65536); });
        EXPECT_EQ(testutil::codesOf(e), "(0,0,0,0)");
        if (std::string(c.reason) == "*")
            EXPECT_EQ(e.text().rfind(path + ": ", 0), 0u) << e.text();
        else
            EXPECT_EQ(e.text(), path + ": " + c.reason + "\n");
    }
    // Exactly at the bound is fine.
    make(tmp / "at", "open(sys.argv[1], 'wb').write(gzip.compress(b'x' * 100000))");
    EXPECT_EQ(readAll(tmp / "at", true, 100000, 4096).size(), 100000u);

    error e = testutil::raisedError([&] { GzipFile f(tmp / "missing", true, 1); });
    EXPECT_EQ(e.text(), tmp / "missing" + ": No such file or directory\n");
}

}  // namespace
