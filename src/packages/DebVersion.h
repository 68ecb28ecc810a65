#ifndef VN_PACKAGES_DEBVERSION_H
#define VN_PACKAGES_DEBVERSION_H

#include <string>

#include "Version.h"

// The version of a Debian package, ordered by dpkg's rules. The fields are read as a Version
// reads them; the comparison works on the full text (toString) of both sides.
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
};

#endif
