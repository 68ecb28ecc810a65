#include "DebVersion.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <typeinfo>

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

// A triple whose texts point into a version text that the split has cut with NULs.
struct TripleView {
    unsigned long epoch = 0;
    const char* upstream = "";
    const char* revision = "";
};

// dpkg's parse, in place: the parts are NUL-ended pieces of the text.
const char* splitInPlace(char* text, TripleView& out) {
    if (!*text) return "version string is empty";
    while (isBlank(*text)) ++text;
    char* end = text;
    while (*end && !isBlank(*end)) ++end;
    for (const char* p = end; *p; ++p)
        if (!isBlank(*p)) return "version string has embedded spaces";
    // Trailing blanks end the version, as dpkg itself ends it there.
    *end = '\0';

    TripleView t;
    if (char* colon = std::strchr(text, ':')) {
        char* stop = nullptr;
        t.epoch = std::strtoul(text, &stop, 10);
        if (stop != colon) return "epoch in version is not number";
        if (!colon[1]) return "nothing after colon in version number";
        text = colon + 1;
    }
    if (char* hyphen = std::strrchr(text, '-')) {
        *hyphen = '\0';
        t.revision = hyphen + 1;
    }
    t.upstream = text;
    out = t;
    return nullptr;
}

}  // namespace

DebVersion::DebVersion(const std::string& text) : Version(text) { fieldsChanged(); }

// The Version constructor and setters reach this too, after every change of the fields.
void DebVersion::fieldsChanged() { reading.read(toString()); }

void DebVersion::Reading::read(const std::string& text) {
    parts.clear();
    upstreamAt = 0;
    revisionAt = 0;
    epoch = 0;
    why = nullptr;
    // "<unknown>" is the blank triple.
    if (text == "<unknown>") return;
    parts = text;
    TripleView view;
    if (const char* reason = splitInPlace(&parts[0], view)) {
        why = reason;
        parts.clear();
        return;
    }
    epoch = view.epoch;
    upstreamAt = static_cast<uint32_t>(view.upstream - parts.c_str());
    // Without a revision, the end of the text: an empty part.
    revisionAt = *view.revision ? static_cast<uint32_t>(view.revision - parts.c_str())
                                : static_cast<uint32_t>(parts.size());
}

DebVersion::~DebVersion() = default;

int DebVersion::compareEpoch(const Version&) const { throw noPartComparison(); }
int DebVersion::compareVersion(const Version&) const { throw noPartComparison(); }
int DebVersion::compareRelease(const Version&) const { throw noPartComparison(); }
int DebVersion::compareStrings(const char*, const char*) const { throw noPartComparison(); }

std::string DebVersion::parseTriple(const std::string& text, Triple& out) {
    std::string copy(text);
    TripleView view;
    if (const char* reason = splitInPlace(&copy[0], view)) return reason;
    out.epoch = view.epoch;
    out.upstream = view.upstream;
    out.revision = view.revision;
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

// The result is only a sign: a raw difference of weights could itself be -255. The lines on
// standard error come as dpkg writes them: side a is judged completely before side b.
int DebVersion::compare(const Version& other) const {
    Reading otherReading;
    const Reading* b = &otherReading;
    if (typeid(other) == typeid(DebVersion))
        b = &static_cast<const DebVersion&>(other).reading;
    else
        otherReading.read(other.toString());
    const Reading& a = reading;
    if (a.failure()) {
        std::fprintf(stderr, "version a has bad syntax: %s\n", a.failure());
        return -255;
    }
    if (b->failure()) {
        std::fprintf(stderr, "version b has bad syntax: %s\n", b->failure());
        return -255;
    }
    if (!a.informative()) {
        std::fprintf(stderr, "version a is noninformative\n");
        return -255;
    }
    if (!b->informative()) {
        std::fprintf(stderr, "version b is noninformative\n");
        return -255;
    }
    if (a.getEpoch() != b->getEpoch()) return a.getEpoch() > b->getEpoch() ? 1 : -1;
    const int r = compareFragments(a.upstream(), b->upstream());
    if (r) return sign(r);
    return sign(compareFragments(a.revision(), b->revision()));
}
