#include "DependencyFile.h"

#include <rpm/rpmfi.h>
#include <rpm/rpmfiles.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ios>
#include <iostream>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "../common/error.h"
#include "internString.h"

namespace {

// Names of this file and its lines in internal errors; they stay fixed from build to build.
const char* const sourceName = "DependencyFile";
const int lineWrongSize = 177;

const uint32_t recordsPerBlock = 16384;
const uint32_t objectsPerBlock = 16384;

class DigestPool {
public:
    void* take() {
        std::lock_guard<std::mutex> hold(lock);
        if (left == 0) {
            blocks.emplace_back(new DependencyFile::md5rep_t[recordsPerBlock]);
            next = blocks.back().get();
            std::memset(static_cast<void*>(next), 0, recordsPerBlock * sizeof *next);
            left = recordsPerBlock;
        }
        --left;
        return next++;
    }

private:
    std::mutex lock;
    // Kept listed so that leak checkers see every block as reachable.
    std::vector<std::unique_ptr<DependencyFile::md5rep_t[]>> blocks;
    DependencyFile::md5rep_t* next = nullptr;
    uint32_t left = 0;
};

// Never destroyed: records stay valid through static destruction.
DigestPool& digestPool() {
    static DigestPool* const instance = new DigestPool;
    return *instance;
}

// Consecutive slots of malloc'ed blocks, not zeroed: the constructor fills every field.
class ObjectPool {
public:
    void* take() {
        std::lock_guard<std::mutex> hold(lock);
        if (left == 0) {
            void* block = std::malloc(objectsPerBlock * sizeof(DependencyFile));
            if (!block) throw std::bad_alloc();
            blocks.push_back(block);
            next = static_cast<char*>(block);
            left = objectsPerBlock;
        }
        --left;
        void* out = next;
        next += sizeof(DependencyFile);
        return out;
    }

private:
    std::mutex lock;
    // Kept listed so that leak checkers see every block as reachable.
    std::vector<void*> blocks;
    char* next = nullptr;
    uint32_t left = 0;
};

ObjectPool& objectPool() {
    static ObjectPool* const instance = new ObjectPool;
    return *instance;
}

uint32_t rotateRight(uint32_t value, unsigned bits) { return (value >> bits) | (value << (32 - bits)); }

uint32_t addressBits(const char* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

}  // namespace

static_assert(sizeof(DependencyFile::md5rep_t) == 16, "a digest record is 16 raw bytes");

void* DependencyFile::md5rep_t::operator new(std::size_t size) {
    if (size != sizeof(md5rep_t)) throw internalError("md5rep", 8);
    return digestPool().take();
}

void DependencyFile::md5rep_t::operator delete(void*) {
    std::cout << "void DependencyFile::md5rep_t::operator delete \n" << std::flush;
}

void* DependencyFile::operator new(std::size_t size) {
    if (size != sizeof(DependencyFile)) throw internalError(sourceName, lineWrongSize);
    return objectPool().take();
}

void DependencyFile::operator delete(void*) {}

DependencyFile::DependencyFile(const std::string& path, int mode, const std::string& digestText, Package* master)
    : Dependency(master),
      directory(internString("")),
      baseName(directory),
      mode(0),
      digest(nullptr),
      text(directory) {
    setPath(path);
    setMode(mode);
    setMd5(digestText);
}

DependencyFile::~DependencyFile() = default;

void DependencyFile::setPath(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) {
        directory = internString("");
        baseName = internString(path.c_str());
    } else {
        directory = internString(path.substr(0, slash + 1).c_str());
        baseName = internString(path.c_str() + slash + 1);
    }
}

void DependencyFile::setMode(int m) { mode = m; }

void DependencyFile::setMd5(const std::string& digestText) {
    if (digestText.empty()) return;
    if (!isRegularFile()) {
        text = internString(digestText.c_str());
        return;
    }
    md5rep_t* record = new md5rep_t;
    try {
        parseMd5Text(*record, digestText.c_str());
    } catch (...) {
        delete record;
        throw;
    }
    digest = record;
}

std::string DependencyFile::getMd5String() const { return digest ? md5Text(*digest) : std::string(text); }

bool DependencyFile::isRegularFile() const { return rpmfiWhatis(static_cast<rpm_mode_t>(mode & 0xffff)) == REG; }

bool DependencyFile::isDirectory() const { return rpmfiWhatis(static_cast<rpm_mode_t>(mode & 0xffff)) == XDIR; }

std::string DependencyFile::getName() const { return std::string(directory) + baseName; }

bool DependencyFile::matches(const Dependency* other) const {
    const DependencyFile* b = dynamic_cast<const DependencyFile*>(other);
    return b && b->directory == directory && b->baseName == baseName;
}

uint32_t DependencyFile::hash() const {
    return rotateRight(addressBits(baseName), 13) * 3u + rotateRight(addressBits(directory), 11) * 5u;
}

bool DependencyFile::sameKey(const Dependency* other) const { return matches(other); }

bool DependencyFile::equals(const Dependency* other) const { return matches(other); }

Dependency* DependencyFile::clone() const {
    return new DependencyFile(std::string(directory) + baseName, 12345, "", master);
}

std::ostream& DependencyFile::print(std::ostream& out) const { return out << directory << baseName; }

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    const unsigned code = static_cast<unsigned char>(c);
    std::ios::fmtflags flags = std::clog.flags();
    std::clog << std::hex << code << "\n" << std::flush;
    std::clog.flags(flags);
    throw error(3, 1, 1, 3) << "MD5 string contains non-hex symbol: " << c << " (" << code << ")";
}

void parseMd5Text(DependencyFile::md5rep_t& digest, const char* text) {
    const size_t length = text ? std::strlen(text) : 0;
    DependencyFile::md5rep_t parsed;
    if (length == 0) {
        std::memset(parsed.digest, 0, sizeof parsed.digest);
    } else if (length == 32 || length == 64) {
        for (int i = 0; i < 16; ++i)
            parsed.digest[i] = static_cast<unsigned char>(hexDigitValue(text[2 * i]) * 16 + hexDigitValue(text[2 * i + 1]));
    } else {
        throw error(3, 1, 1, 3) << "MD5 string size is not 32- " << length << " " << text;
    }
    digest = parsed;
}

std::string md5Text(const DependencyFile::md5rep_t& digest) {
    static const char hex[] = "0123456789abcdef";
    std::string out(32, '0');
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = hex[digest.digest[i] >> 4];
        out[2 * i + 1] = hex[digest.digest[i] & 0xf];
    }
    return out;
}
