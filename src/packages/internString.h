#ifndef VN_PACKAGES_INTERNSTRING_H
#define VN_PACKAGES_INTERNSTRING_H

// The process-wide pool of names. Package names, architectures and the parts of file paths
// are held as pointers into it: equal texts share one pointer, so such fields compare by
// address. Usable from any thread and from static initialisers; nothing it hands out is ever
// freed or moved.

#include <cstdint>

// The pooled copy of `text` (not null). The empty text has its pooled copy too.
const char* internString(const char* text);

// `size` bytes of the pool's storage, 4-byte aligned, never freed. internString's own store.
char* poolAllocate(unsigned size);

// The pool's hash of a text (h = 5h + c over signed bytes). Indexes keyed by interned names
// hash with it, so a name lands in the same bucket from run to run.
uint32_t internHash(const char* text);

// Bucket count for a table that should hold `wanted` entries: the first prime of the ladder
// 53, 97, 193, 389, ... that is not below it.
uint32_t primeTableSize(uint32_t wanted);

#endif
