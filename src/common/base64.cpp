#include "base64.h"

namespace {

const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const size_t lineLength = 76;

}  // namespace

std::string base64Encode(const unsigned char* data, size_t length) {
    std::string out;
    out.reserve(length / 3 * 4 + length / 57 * 2 + 4);
    size_t onLine = 0;
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const unsigned v = (unsigned(data[i]) << 16) | (unsigned(data[i + 1]) << 8) | data[i + 2];
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
        onLine += 4;
        if (onLine >= lineLength) {
            out += "\r\n";
            onLine = 0;
        }
    }
    if (i < length) {
        const bool two = i + 1 < length;
        const unsigned v = (unsigned(data[i]) << 16) | (two ? unsigned(data[i + 1]) << 8 : 0u);
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += two ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string base64Encode(const std::vector<unsigned char>& bytes) {
    return base64Encode(bytes.data(), bytes.size());
}
