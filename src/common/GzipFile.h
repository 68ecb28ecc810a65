#ifndef VN_COMMON_GZIPFILE_H
#define VN_COMMON_GZIPFILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <zlib.h>

// A file read in pieces, unpacked on the way when it is gzip-compressed (every member, one
// after the other, as zcat reads them), else as it is. The unpacked text may not pass
// `maxSize` bytes: a small compressed file can unpack to any size.
//
// Errors are `error` (0,0,0,0) whose line names the file and the reason: a file that cannot
// be opened or read, a compressed file that is no gzip data, is corrupt or cut short, or whose
// text passes the bound. The caller qualifies them.
class GzipFile {
public:
    GzipFile(const std::string& path, bool compressed, uint64_t maxSize);
    ~GzipFile();
    GzipFile(const GzipFile&) = delete;
    GzipFile& operator=(const GzipFile&) = delete;

    // Up to `size` bytes of the text into `buffer`; 0 only at its end.
    size_t read(char* buffer, size_t size);

    // The unpacked bytes handed out so far.
    uint64_t unpacked() const { return total; }

private:
    [[noreturn]] void fail(const std::string& reason) const;

    const std::string path;
    const bool compressed;
    const uint64_t maxSize;
    FILE* file;
    z_stream stream;
    bool streamReady = false;
    bool memberOpen = false;  // inside a gzip member whose end has not been read
    bool memberRead = false;  // one member read to its end
    bool inputEnded = false;
    uint64_t total = 0;
    unsigned char input[65536];
};

#endif
