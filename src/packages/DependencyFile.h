#ifndef VN_PACKAGES_DEPENDENCYFILE_H
#define VN_PACKAGES_DEPENDENCYFILE_H

#include <cstddef>
#include <string>

#include "Dependency.h"

// A dependency on a file path. An installed system has one per packaged file, many
// thousands, so the objects come from a block pool of their own without per-object headers,
// and their memory is never given back.
class DependencyFile : public Dependency {
public:
    // The MD5 of one owned file as 16 raw bytes. Tens of thousands of file dependencies carry
    // one, so records come from large zeroed blocks, one record per `new`, and are never given
    // back: they live for the whole process.
    struct md5rep_t {
        unsigned char digest[16];

        // One zeroed record; a size other than 16 is an internal error.
        static void* operator new(std::size_t size);
        // Frees nothing (the record is not handed out again) and says so on standard output.
        static void operator delete(void* record);
    };

    // `digestText`: the file's MD5 for a regular file, else a kept text (a link's target);
    // empty for none. A bad digest raises and no dependency is made.
    DependencyFile(const std::string& path, int mode, const std::string& digestText, Package* master);
    ~DependencyFile() override;

    // Only objects of exactly this class's size; any other size is an internal error.
    static void* operator new(std::size_t size);
    // Gives nothing back.
    static void operator delete(void* object);

    std::string getName() const override;
    // Same directory and base name; mode, digest and text do not count.
    bool matches(const Dependency* other) const override;
    uint32_t hash() const override;
    bool sameKey(const Dependency* other) const override;
    bool equals(const Dependency* other) const override;
    // Mode 12345, no digest, empty text.
    Dependency* clone() const override;
    std::ostream& print(std::ostream& out) const override;

    // Directory up to and including the last '/', base name after it; both pooled.
    void setPath(const std::string& path);
    void setMode(int mode);
    // Empty: no change. A regular file takes the text as its MD5 into a new record (an earlier
    // record is dropped, not freed); any other file keeps the text.
    void setMd5(const std::string& text);
    // 32 lower-case hexadecimal digits of the digest, else the kept text.
    std::string getMd5String() const;
    bool isRegularFile() const;
    bool isDirectory() const;

    const char* getDirectory() const { return directory; }
    const char* getBaseName() const { return baseName; }
    int getMode() const { return mode; }
    // Null without a digest.
    const md5rep_t* getDigest() const { return digest; }
    // The pooled kept text ("" when none): equal texts are the same pointer.
    const char* getKeptText() const { return text; }

private:
    const char* directory;
    const char* baseName;
    int mode;
    md5rep_t* digest;
    const char* text;
};

// Digest text to bytes: "" gives zeros; 32 or 64 hexadecimal digits give the bytes of the
// first 32 (rpm writes SHA-256 file digests in 64 digits; every digest comparison goes
// through this one rule). Any other length or a non-hexadecimal digit raises (3,1,1,3), and
// `digest` is left as it was. A null text counts as "".
void parseMd5Text(DependencyFile::md5rep_t& digest, const char* text);
// 0-15 for a hexadecimal digit of either case; anything else writes its code in hexadecimal
// to std::clog and raises (3,1,1,3).
int hexDigitValue(char c);
// The 32 lower-case hexadecimal digits of the bytes, high nibble first.
std::string md5Text(const DependencyFile::md5rep_t& digest);

#endif
