#include "DebVersion.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "../common/Messages.h"
#include "../common/error.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The weight of a character in dpkg's order. dpkg reads the text through plain (signed) char,
// so bytes of 128 and above weigh less than '+' or '.'; kept so the orders agree.
int weight(char c) {
    if (isDigit(c) || c == '\0') return 0;
    if (isLetter(c)) return c;
    if (c == '~') return -1;
    return static_cast<signed char>(c) + 256;
}

int sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

error noPartComparison() { return error(3, 1, 1, 3) << Messages::getMessage("err_no_debpartver"); }

// The blank triple for "<unknown>", else the parse; a failure is reported as dpkg reports it.
bool readSide(const std::string& text, const char* side, DebVersion::Triple& out) {
    if (text == "<unknown>") return true;
    const std::string reason = DebVersion::parseTriple(text, out);
    if (reason.empty()) return true;
    std::fprintf(stderr, "version %s has bad syntax: %s\n", side, reason.c_str());
    return false;
}

}  // namespace

DebVersion::DebVersion(const std::string& text) : Version(text) {}

DebVersion::~DebVersion() = default;

int DebVersion::compareEpoch(const Version&) const { throw noPartComparison(); }
int DebVersion::compareVersion(const Version&) const { throw noPartComparison(); }
int DebVersion::compareRelease(const Version&) const { throw noPartComparison(); }
int DebVersion::compareStrings(const char*, const char*) const { throw noPartComparison(); }

std::string DebVersion::parseTriple(const std::string& text, Triple& out) {
    if (text.empty()) return "version string is empty";

    size_t start = 0;
    while (start < text.size() && isBlank(text[start])) ++start;
    size_t end = start;
    while (end < text.size() && !isBlank(text[end])) ++end;
    for (size_t i = end; i < text.size(); ++i)
        if (!isBlank(text[i])) return "version string has embedded spaces";

    // Trailing blanks end the version, as dpkg itself ends it there.
    std::string rest = text.substr(start, end - start);
    Triple t;
    const size_t colon = rest.find(':');
    if (colon != std::string::npos) {
        const char* begin = rest.c_str();
        char* stop = nullptr;
        errno = 0;
        t.epoch = std::strtoul(begin, &stop, 10);
        if (stop != begin + colon) return "epoch in version is not number";
        if (colon + 1 == rest.size()) return "nothing after colon in version number";
        rest.erase(0, colon + 1);
    }
    const size_t hyphen = rest.rfind('-');
    if (hyphen != std::string::npos) {
        t.revision = rest.substr(hyphen + 1);
        rest.erase(hyphen);
    }
    t.upstream = rest;
    out = t;
    return std::string();
}

int DebVersion::compareFragments(const char* a, const char* b) {
    while (*a || *b) {
        int firstDiff = 0;
        while ((*a && !isDigit(*a)) || (*b && !isDigit(*b))) {
            const int wa = weight(*a);
            const int wb = weight(*b);
            if (wa != wb) return wa - wb;
            // Equal weights here mean neither side is at its end.
            ++a;
            ++b;
        }
        while (*a == '0') ++a;
        while (*b == '0') ++b;
        while (isDigit(*a) && isDigit(*b)) {
            if (!firstDiff) firstDiff = *a - *b;
            ++a;
            ++b;
        }
        if (isDigit(*a)) return 1;
        if (isDigit(*b)) return -1;
        if (firstDiff) return firstDiff;
    }
    return 0;
}

// The result is only a sign: a raw difference of weights could itself be -255.
int DebVersion::compare(const Version& other) const {
    Triple a;
    Triple b;
    if (!readSide(toString(), "a", a)) return -255;
    if (!readSide(other.toString(), "b", b)) return -255;
    if (!a.informative()) {
        std::fprintf(stderr, "version a is noninformative\n");
        return -255;
    }
    if (!b.informative()) {
        std::fprintf(stderr, "version b is noninformative\n");
        return -255;
    }
    if (a.epoch != b.epoch) return a.epoch > b.epoch ? 1 : -1;
    const int r = compareFragments(a.upstream.c_str(), b.upstream.c_str());
    if (r) return sign(r);
    return sign(compareFragments(a.revision.c_str(), b.revision.c_str()));
}
