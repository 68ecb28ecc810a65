#include "internString.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Bucket counts of the set; it starts at the first one not below 100 texts.
const uint32_t primeLadder[] = {
    53u,        97u,        193u,       389u,       769u,        1543u,       3079u,
    6151u,      12289u,     24593u,     49157u,     98317u,      196613u,     393241u,
    786433u,    1572869u,   3145739u,   6291469u,   12582917u,   25165843u,   50331653u,
    100663319u, 201326611u, 402653189u, 805306457u, 1610612741u, 3221225473u, 4294967291u,
};

const unsigned blockSize = 65536;

class NamePool {
public:
    NamePool() : buckets(primeTableSize(100), nullptr) {}

    const char* intern(const char* text) {
        std::lock_guard<std::mutex> hold(lock);
        const uint32_t h = internHash(text);
        for (Node* n = buckets[h % buckets.size()]; n; n = n->next)
            if (std::strcmp(n->text, text) == 0) return n->text;

        const size_t length = std::strlen(text) + 1;
        char* copy = allocate(length);
        std::memcpy(copy, text, length);
        if (count + 1 > buckets.size()) grow(primeTableSize(static_cast<uint32_t>(count + 1)));
        Node* node = newNode();
        node->text = copy;
        node->hash = h;
        Node*& head = buckets[h % buckets.size()];
        node->next = head;
        head = node;
        ++count;
        return copy;
    }

    char* allocateLocked(size_t size) {
        std::lock_guard<std::mutex> hold(lock);
        return allocate(size);
    }

private:
    struct Node {
        const char* text;
        uint32_t hash;
        Node* next;
    };

    char* allocate(size_t size) {
        if (size > blockSize) {
            // Too long for any block: a block of its own, and the current one stays in use.
            blocks.emplace_back(new char[size]);
            return blocks.back().get();
        }
        if (left < size) {
            blocks.emplace_back(new char[blockSize]);
            position = blocks.back().get();
            left = blockSize;
        }
        char* out = position;
        const size_t step = (size + 3) & ~size_t(3);
        position += step;
        left -= static_cast<uint32_t>(step);
        return out;
    }

    Node* newNode() {
        if (nodesLeft == 0) {
            nodeChunks.emplace_back(new Node[nodeChunk]);
            nextNode = nodeChunks.back().get();
            nodesLeft = nodeChunk;
        }
        --nodesLeft;
        return nextNode++;
    }

    void grow(uint32_t size) {
        std::vector<Node*> fresh(size, nullptr);
        for (Node* chain : buckets) {
            while (chain) {
                Node* next = chain->next;
                Node*& head = fresh[chain->hash % size];
                chain->next = head;
                head = chain;
                chain = next;
            }
        }
        buckets.swap(fresh);
    }

    static const size_t nodeChunk = 4096;

    std::mutex lock;
    std::vector<Node*> buckets;
    size_t count = 0;
    // Every block and node chunk stays listed here, so leak checkers see them as reachable.
    std::vector<std::unique_ptr<char[]>> blocks;
    char* position = nullptr;
    uint32_t left = 0;
    std::vector<std::unique_ptr<Node[]>> nodeChunks;
    Node* nextNode = nullptr;
    size_t nodesLeft = 0;
};

// Built on first use and never destroyed: names are interned from static initialisers and
// may still be read from static destructors.
NamePool& pool() {
    static NamePool* const instance = new NamePool;
    return *instance;
}

}  // namespace

uint32_t primeTableSize(uint32_t wanted) {
    for (uint32_t p : primeLadder)
        if (p >= wanted) return p;
    return primeLadder[sizeof primeLadder / sizeof primeLadder[0] - 1];
}

// Bytes are taken as signed chars: 200 counts as -56.
uint32_t internHash(const char* text) {
    uint32_t h = 0;
    for (const char* p = text; *p; ++p) h = 5 * h + static_cast<uint32_t>(static_cast<signed char>(*p));
    return h;
}

const char* internString(const char* text) { return pool().intern(text); }

char* poolAllocate(unsigned size) { return pool().allocateLocked(size); }
