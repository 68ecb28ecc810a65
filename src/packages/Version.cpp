#include "Version.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "../common/Messages.h"
#include "../common/error.h"

namespace {

// The "C" locale classes, spelled out: bytes of 128 and above are separators whatever the
// process locale says.
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isSegmentChar(char c) { return isDigit(c) || isLetter(c); }

// The epoch part as the usual string-to-long conversion does it, refused when the value does
// not fit a signed 32-bit integer (long is 64 bits here, so the range is checked by hand).
bool convertEpoch(const std::string& text, uint32_t& out) {
    errno = 0;
    long value = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value > INT32_MAX || value < INT32_MIN) return false;
    out = static_cast<uint32_t>(static_cast<int32_t>(value));
    return true;
}

}  // namespace

Version::Version(const std::string& text) : epoch(0), has_epoch(false) { parse(text.c_str()); }

Version::~Version() = default;

Version& Version::operator=(const Version& other) {
    epoch = other.epoch;
    has_epoch = other.has_epoch;
    version = other.version;
    release = other.release;
    fieldsChanged();
    return *this;
}

int Version::parse(const char* text) {
    if (!text || !*text) throw error(1, 1, 1, 3) << Messages::getMessage("err_empty_version");

    const char* dash = std::strrchr(text, '-');
    const std::string head = dash ? std::string(text, dash) : std::string(text);
    if (head.empty()) throw error(1, 1, 1, 3) << Messages::getMessage("err_empty_version");

    std::string::size_type colon = head.find(':');
    uint32_t value = 0;
    if (colon != std::string::npos && convertEpoch(head.substr(0, colon), value)) {
        epoch = value;
        has_epoch = true;
        version = head.substr(colon + 1);
    } else {
        version = head;
    }

    if (!dash) {
        fieldsChanged();
        return 0;
    }
    if (!dash[1]) {
        fieldsChanged();
        return -1;
    }
    release = dash + 1;
    fieldsChanged();
    return 0;
}

int Version::setRelease(const char* text) {
    if (!text || !*text) return -1;
    release = text;
    fieldsChanged();
    return 0;
}

int Version::compareEpoch(const Version& other) const {
    if (!has_epoch && !other.has_epoch) return 0;
    if (!has_epoch) return -1;
    if (!other.has_epoch) return 1;
    if (epoch == other.epoch) return 0;
    return epoch < other.epoch ? -1 : 1;
}

int Version::compareVersion(const Version& other) const {
    return compareStrings(version.c_str(), other.version.c_str());
}

int Version::compareRelease(const Version& other) const {
    return compareStrings(release.c_str(), other.release.c_str());
}

int Version::compare(const Version& other) const {
    int r = compareEpoch(other);
    if (r) return r;
    r = compareVersion(other);
    if (r) return r;
    return compareRelease(other);
}

// The rpm 4.4 segment rule, step by step. Newer rpm treats '~' and '^' apart and ends
// differently when only separators remain, so its library function is not a substitute.
int Version::compareStrings(const char* a, const char* b) const {
    if (std::strcmp(a, b) == 0) return 0;
    if (!*a) return -1;
    if (!*b) return 1;

    const char* one = a;
    const char* two = b;
    for (;;) {
        while (*one && !isSegmentChar(*one)) ++one;
        while (*two && !isSegmentChar(*two)) ++two;

        const char* s1 = one;
        const char* s2 = two;
        // a's segment decides the kind; b contributes a run of the same kind, maybe empty.
        const bool numeric = isDigit(*one);
        if (numeric) {
            while (isDigit(*one)) ++one;
            while (isDigit(*two)) ++two;
        } else {
            while (isLetter(*one)) ++one;
            while (isLetter(*two)) ++two;
        }

        if (one == s1) return -1;
        if (two == s2) return numeric ? 1 : -1;

        if (numeric) {
            // Digit runs of any length: drop the zeros in front, then the longer run wins.
            while (s1 < one && *s1 == '0') ++s1;
            while (s2 < two && *s2 == '0') ++s2;
            if (one - s1 != two - s2) return (one - s1) > (two - s2) ? 1 : -1;
        }

        const size_t len1 = one - s1;
        const size_t len2 = two - s2;
        int r = std::memcmp(s1, s2, std::min(len1, len2));
        if (r) return r < 0 ? -1 : 1;
        if (len1 != len2) return len1 < len2 ? -1 : 1;

        if (!*one) return *two ? -1 : 0;
        if (!*two) return 1;
    }
}

std::string Version::getVersionString() const {
    std::string out;
    if (has_epoch) out = std::to_string(epoch) + ":";
    out += version.empty() ? std::string("no_versioning_data") : version;
    return out;
}

std::string Version::toString() const {
    std::string out = getVersionString();
    if (!release.empty()) out += "-" + release;
    return out;
}

std::ostream& operator<<(std::ostream& out, const Version& v) { return out << v.toString(); }

bool versionSortLess(const Version& a, const Version& b) { return a < b && !(b < a); }
