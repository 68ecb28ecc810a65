#include "GzipFile.h"

#include <cerrno>
#include <cstring>

#include "error.h"

GzipFile::GzipFile(const std::string& p, bool gz, uint64_t limit)
    : path(p), compressed(gz), maxSize(limit), file(std::fopen(p.c_str(), "rbe")) {
    if (!file) fail(std::strerror(errno));
    std::memset(&stream, 0, sizeof stream);
    if (!compressed) return;
    // 16: gzip wrapping only, as zcat takes it.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        std::fclose(file);
        fail("cannot start unpacking");
    }
    streamReady = true;
}

GzipFile::~GzipFile() {
    if (streamReady) inflateEnd(&stream);
    if (file) std::fclose(file);
}

void GzipFile::fail(const std::string& reason) const { throw error(0, 0, 0, 0) << path << ": " << reason; }

size_t GzipFile::read(char* buffer, size_t size) {
    if (size == 0) return 0;
    size_t got = 0;
    if (!compressed) {
        got = std::fread(buffer, 1, size, file);
        if (got == 0 && std::ferror(file)) fail(std::strerror(errno));
    } else {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = static_cast<uInt>(size);
        while (stream.avail_out == size) {
            if (stream.avail_in == 0 && !inputEnded) {
                const size_t n = std::fread(input, 1, sizeof input, file);
                if (n == 0 && std::ferror(file)) fail(std::strerror(errno));
                if (n == 0) inputEnded = true;
                stream.next_in = input;
                stream.avail_in = static_cast<uInt>(n);
            }
            if (stream.avail_in == 0) {
                // A file that ends inside a member (or holds none) is cut short.
                if (memberOpen || !memberRead) fail("unexpected end of file");
                break;
            }
            if (!memberOpen) {
                if (inflateReset(&stream) != Z_OK) fail("cannot start unpacking");
                memberOpen = true;
            }
            const int r = inflate(&stream, Z_NO_FLUSH);
            if (r == Z_STREAM_END) {
                memberOpen = false;
                memberRead = true;
            } else if (r != Z_OK && r != Z_BUF_ERROR) {
                fail(stream.msg ? stream.msg : "invalid compressed data");
            }
        }
        got = size - stream.avail_out;
    }
    total += got;
    if (total > maxSize) fail("the unpacked text is longer than " + std::to_string(maxSize) + " bytes");
    return got;
}
