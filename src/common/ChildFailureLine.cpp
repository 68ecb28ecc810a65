#include "ChildFailureLine.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// The system's error texts, taken once, in the parent, before any child needs them. The
// strings never move or change afterwards, so a child may read them without any call.
const int knownErrors = 150;

const std::vector<std::string>& errorTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        t.reserve(knownErrors);
        for (int e = 0; e < knownErrors; ++e) {
            char buf[256];
            t.emplace_back(::strerror_r(e, buf, sizeof buf));
        }
        return t;
    }();
    return texts;
}

void put(int fd, const char* p, size_t n) noexcept {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
}

}  // namespace

ChildFailureLine::ChildFailureLine(const std::string& text)
    : head(text + " ("), texts(&errorTexts()) {}

void ChildFailureLine::writeTo(int fd, int errnum) const noexcept {
    // One buffer, one write: the line must not be split by another writer of the same pipe.
    char line[1024];
    size_t n = 0;
    auto add = [&](const char* p, size_t len) {
        if (len > sizeof line - n) len = sizeof line - n;
        std::memcpy(line + n, p, len);  // memcpy is async-signal-safe
        n += len;
    };
    add(head.data(), head.size());
    if (errnum >= 0 && static_cast<size_t>(errnum) < texts->size()) {
        const std::string& t = (*texts)[static_cast<size_t>(errnum)];
        add(t.data(), t.size());
    } else {
        char digits[24];
        size_t d = sizeof digits;
        unsigned v = errnum < 0 ? 0u - static_cast<unsigned>(errnum) : static_cast<unsigned>(errnum);
        do {
            digits[--d] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v);
        if (errnum < 0) digits[--d] = '-';
        add("Unknown error ", 14);
        add(digits + d, sizeof digits - d);
    }
    add(").\n", 3);
    // The line end must survive a truncated text.
    if (n == sizeof line) line[n - 1] = '\n';
    put(fd, line, n);
}
