#ifndef VN_PACKAGES_DEBVERSION_H
#define VN_PACKAGES_DEBVERSION_H

#include <cstdint>
#include <string>

#include "Version.h"

// The version of a Debian package, ordered by dpkg's rules. The fields are read as a Version
// reads them; the comparison works on dpkg's reading of the full text (toString) of each side,
// which is made when the text is set, not at every comparison.
class DebVersion : public Version {
public:
    // dpkg's view of a version text.
    struct Triple {
        unsigned long epoch = 0;
        std::string upstream;
        std::string revision;
    };

    explicit DebVersion(const std::string& text);
    ~DebVersion() override;

    // The part comparisons of the rpm rules mean nothing here: each raises
    // "err_no_debpartver" (3,1,1,3).
    int compareEpoch(const Version& other) const override;
    int compareVersion(const Version& other) const override;
    int compareRelease(const Version& other) const override;
    int compareStrings(const char* a, const char* b) const override;

    // -1, 0 or 1 by dpkg's order of the two full texts. When a side cannot be parsed or says
    // nothing ("<unknown>"), one line on standard error and -255: such a version is "less"
    // than anything, itself included.
    int compare(const Version& other) const override;

    // Splits `text` as dpkg does into `out`; "" on success, else the reason.
    static std::string parseTriple(const std::string& text, Triple& out);
    // dpkg's comparison of two upstream versions or two revisions: <0, 0, >0.
    static int compareFragments(const char* a, const char* b);

    // dpkg's reading of one full text: the parts, or why the text cannot be compared.
    class Reading {
    public:
        Reading() = default;
        explicit Reading(const std::string& fullText) { read(fullText); }
        void read(const std::string& fullText);

        // Null, or the reason the text fails dpkg's parse.
        const char* failure() const { return why; }
        // The blank triple ("<unknown>") and a triple of only empty parts say nothing.
        bool informative() const { return epoch != 0 || parts[upstreamAt] || parts[revisionAt]; }
        unsigned long getEpoch() const { return epoch; }
        const char* upstream() const { return parts.c_str() + upstreamAt; }
        const char* revision() const { return parts.c_str() + revisionAt; }

    private:
        // The text, cut by NULs into upstream version and revision, found by offset (so a
        // copy of the reading stays valid).
        std::string parts;
        uint32_t upstreamAt = 0;
        uint32_t revisionAt = 0;
        unsigned long epoch = 0;
        const char* why = nullptr;
    };

protected:
    void fieldsChanged() override;

private:
    Reading reading;
};

#endif
