#include "DependencyFile.h"

#include <cstdint>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <vector>

#include "../common/error.h"

namespace {

const uint32_t recordsPerBlock = 16384;

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

}  // namespace

static_assert(sizeof(DependencyFile::md5rep_t) == 16, "a digest record is 16 raw bytes");

void* DependencyFile::md5rep_t::operator new(std::size_t size) {
    if (size != sizeof(md5rep_t)) throw internalError("md5rep", 8);
    return digestPool().take();
}

void DependencyFile::md5rep_t::operator delete(void*) {
    std::cout << "void DependencyFile::md5rep_t::operator delete \n" << std::flush;
}
