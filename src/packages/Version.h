#ifndef VN_PACKAGES_VERSION_H
#define VN_PACKAGES_VERSION_H

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>

// A version value, [epoch:]version[-release], ordered by the rpm 4.4 rules.
//
// The comparison is virtual down to the segment rule: compare() asks the three part
// comparisons, and those ask compareStrings(), all through the virtual table. A derived class
// replaces compare() for a whole other rule (Debian), or only compareStrings() to change how
// every part is ordered. Parsing and printing are not virtual.
//
// Every comparison gives <0 when this value (or a) is older, 0 when equal, >0 when newer.
class Version {
public:
    explicit Version(const std::string& text);
    Version(const Version& other) = default;
    Version& operator=(const Version& other);
    virtual ~Version();

    virtual int compareEpoch(const Version& other) const;
    virtual int compareVersion(const Version& other) const;
    virtual int compareRelease(const Version& other) const;
    virtual int compare(const Version& other) const;
    virtual int compareStrings(const char* a, const char* b) const;

    // Reads [epoch:]version[-release] into this value. Parts the text does not carry (epoch,
    // release) keep their values, so re-reading in place only replaces what the text says.
    // Returns -1 when the text ends in '-' (release left as it was), else 0. An empty text or
    // an empty part before the last '-' raises "err_empty_version" and changes nothing.
    int parse(const char* text);
    // A null or empty text leaves the release alone and gives -1.
    int setRelease(const char* text);
    // The epoch of a package header, which carries it apart from the version text; marked
    // present, also when 0.
    void setEpoch(uint32_t value) {
        epoch = value;
        has_epoch = true;
        fieldsChanged();
    }

    // [epoch:]version; an empty version reads "no_versioning_data".
    std::string getVersionString() const;
    // getVersionString() and "-release" when there is a release.
    std::string toString() const;

    // The only relational operators; each goes through the virtual compare().
    bool operator==(const Version& other) const { return compare(other) == 0; }
    bool operator<(const Version& other) const { return compare(other) < 0; }
    bool operator>(const Version& other) const { return compare(other) > 0; }

    uint32_t getEpoch() const { return epoch; }
    bool hasEpoch() const { return has_epoch; }
    const std::string& getVersion() const { return version; }
    const std::string& getRelease() const { return release; }

protected:
    // Called after every change of the fields (not by the constructor, where a derived class
    // is not made yet): a derived class that keeps something made of them makes it anew.
    virtual void fieldsChanged() {}

    uint32_t epoch;
    bool has_epoch;
    std::string version;
    std::string release;
};

std::ostream& operator<<(std::ostream& out, const Version& v);

// The order above is not strict for a few pairs: when equal segments are followed only by
// separators that differ ("a+" and "a_", "1.0." and "1.0.a"), each side is older than the
// other. std::sort with operator< may then run past the range. Every sort of versions goes
// through sortVersions: a pair counts as "less" only when the reverse is not also "less",
// and a stable merge sort never leaves the range whatever the order answers.
bool versionSortLess(const Version& a, const Version& b);

// Oldest first. `key` maps an element to the const Version& it is sorted by.
template <class It, class Key>
void sortVersions(It first, It last, Key key) {
    std::stable_sort(first, last, [&key](const auto& x, const auto& y) {
        return versionSortLess(key(x), key(y));
    });
}

// Oldest first, for ranges of Version values.
template <class It>
void sortVersions(It first, It last) {
    sortVersions(first, last, [](const Version& v) -> const Version& { return v; });
}

#endif
