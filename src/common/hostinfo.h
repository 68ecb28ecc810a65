#ifndef VN_COMMON_HOSTINFO_H
#define VN_COMMON_HOSTINFO_H

#include <cstddef>
#include <cstdint>

// The host's IPv4 interface addresses and its primary address, and MD5 digests (RFC 1321).

// One interface address as the kernel reports it.
struct InterfaceInfo {
    char name[32];         // alias addresses have a ':' in the name (eth0:1)
    uint32_t addr;         // network byte order
    char addrText[40];
    char netmaskText[40];  // "255.255.255.255" when the kernel does not give one
    char hwaddrText[32];   // "xx:xx:xx:xx:xx:xx"; empty for alias names
};

// An entry of the sorted list.
struct InterfaceAddress {
    char name[16];  // cut to 15 characters
    uint32_t addr;     // network byte order
    uint32_t netmask;  // network byte order
    char hwaddrText[32];
};

// The host's non-loopback IPv4 addresses, followed by one entry with an empty name; the number
// of real entries goes through `count` when it is not null. Release with free(). Failures
// raise error (4,1,1,3).
InterfaceInfo* readInterfaceInfo(int* count);
// By name (as strcmp), then address, then netmask (both as unsigned numbers in host order).
int compareInterfaceAddresses(const InterfaceAddress* a, const InterfaceAddress* b);
// Fills at most `capacity` entries, sorts them and drops each entry equal to its predecessor;
// the number left.
int sortInterfaceAddresses(InterfaceAddress* list, int capacity);
// The first address of the sorted list, in one process-wide buffer overwritten by every call
// (not for two threads at once); null when the host has no non-loopback IPv4 address.
const char* getPrimaryIp();

struct Md5Context {
    uint32_t state[4];
    uint32_t count[2];  // bits fed so far, low half first
    unsigned char buffer[64];
};

void md5Init(Md5Context* ctx);
void md5Update(Md5Context* ctx, const void* bytes, size_t length);
// Writes the 16-byte digest and clears the whole context.
void md5Final(unsigned char digest[16], Md5Context* ctx);
// Finishes the context into 32 lower-case hex digits and a NUL. A null `out` gets a 33-byte
// malloc'ed buffer (the caller frees it); null when that allocation fails.
char* md5ToHex(Md5Context* ctx, char* out);
// Digest text of the file's content, written like md5ToHex; null when the file cannot be
// opened or read (errno tells why).
char* md5File(const char* path, char* out);
// The same for the whole content of an open file, read from its start whatever its offset
// (which stays where it was): the digest belongs to exactly the file that stays open.
char* md5Descriptor(int fd, char* out);

#endif
