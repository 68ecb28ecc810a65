#include "hostinfo.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "ScopedFd.h"
#include "error.h"

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// The request list grows by doubling; past this the host is not one we can serve anyway.
const size_t maxConfBuffer = 64u << 20;

void copyName(char* to, size_t room, const char* from, size_t fromRoom) {
    size_t n = strnlen(from, fromRoom);
    if (n > room - 1) n = room - 1;
    std::memcpy(to, from, n);
    to[n] = '\0';
}

}  // namespace

InterfaceInfo* readInterfaceInfo(int* count) {
    ScopedFd sock(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (sock.fd < 0) throw error(4, 1, 1, 3) << "Can't create socket:" << std::strerror(errno);

    // The kernel writes whole request records only, so the list is complete once there is
    // room for one more record than it wrote.
    std::vector<char> conf;
    struct ifconf ifc;
    for (size_t size = 64;; size *= 2) {
        conf.assign(size, 0);
        ifc.ifc_len = static_cast<int>(size);
        ifc.ifc_buf = conf.data();
        if (::ioctl(sock.fd, SIOCGIFCONF, &ifc) < 0)
            throw error(4, 1, 1, 3) << "unable to query SIOCGIFCONF: " << std::strerror(errno);
        if (static_cast<size_t>(ifc.ifc_len) + sizeof(struct ifreq) <= size || size >= maxConfBuffer)
            break;
    }
    int records = ifc.ifc_len / static_cast<int>(sizeof(struct ifreq));

    std::unique_ptr<InterfaceInfo, FreeDeleter> info(
        static_cast<InterfaceInfo*>(std::calloc(static_cast<size_t>(records) + 1, sizeof(InterfaceInfo))));
    if (!info) throw error(4, 1, 1, 3) << "Can't allocate ifaceinfo buffer from " << records << " elements";

    int filled = 0;
    for (int i = 0; i < records; ++i) {
        const struct ifreq& req = ifc.ifc_req[i];
        struct sockaddr_in sin;
        std::memcpy(&sin, &req.ifr_addr, sizeof sin);
        if ((ntohl(sin.sin_addr.s_addr) >> 24) == 127) continue;

        InterfaceInfo& entry = info.get()[filled];
        copyName(entry.name, sizeof entry.name, req.ifr_name, sizeof req.ifr_name);
        entry.addr = sin.sin_addr.s_addr;
        ::inet_ntop(AF_INET, &sin.sin_addr, entry.addrText, sizeof entry.addrText);

        if (!std::strchr(entry.name, ':')) {
            std::strcpy(entry.hwaddrText, "00:00:00:00:00:00");
            struct ifreq hw;
            std::memset(&hw, 0, sizeof hw);
            copyName(hw.ifr_name, sizeof hw.ifr_name, entry.name, sizeof entry.name);
            if (::ioctl(sock.fd, SIOCGIFHWADDR, &hw) < 0)
                throw error(4, 1, 1, 3) << "Can't get Mac-addr with SIOCGIFHWADDR";
            const unsigned char* mac = reinterpret_cast<const unsigned char*>(hw.ifr_hwaddr.sa_data);
            std::snprintf(entry.hwaddrText, sizeof entry.hwaddrText, "%02x:%02x:%02x:%02x:%02x:%02x",
                          mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
        }

        struct ifreq mask;
        std::memset(&mask, 0, sizeof mask);
        copyName(mask.ifr_name, sizeof mask.ifr_name, entry.name, sizeof entry.name);
        if (::ioctl(sock.fd, SIOCGIFNETMASK, &mask) < 0) {
            std::strcpy(entry.netmaskText, "255.255.255.255");
        } else {
            struct sockaddr_in m;
            std::memcpy(&m, &mask.ifr_netmask, sizeof m);
            ::inet_ntop(AF_INET, &m.sin_addr, entry.netmaskText, sizeof entry.netmaskText);
        }
        ++filled;
    }
    if (count) *count = filled;
    return info.release();
}

int compareInterfaceAddresses(const InterfaceAddress* a, const InterfaceAddress* b) {
    int byName = std::strcmp(a->name, b->name);
    if (byName != 0) return byName;
    uint32_t aa = ntohl(a->addr), ba = ntohl(b->addr);
    if (aa != ba) return aa < ba ? -1 : 1;
    uint32_t am = ntohl(a->netmask), bm = ntohl(b->netmask);
    if (am != bm) return am < bm ? -1 : 1;
    return 0;
}

int sortInterfaceAddresses(InterfaceAddress* list, int capacity) {
    int count = 0;
    std::unique_ptr<InterfaceInfo, FreeDeleter> info(readInterfaceInfo(&count));
    int n = count < capacity ? count : capacity;
    if (n <= 0) return 0;
    for (int i = 0; i < n; ++i) {
        const InterfaceInfo& from = info.get()[i];
        InterfaceAddress& to = list[i];
        std::memset(&to, 0, sizeof to);
        copyName(to.name, sizeof to.name, from.name, sizeof from.name);
        to.addr = from.addr;
        struct in_addr mask;
        to.netmask = ::inet_pton(AF_INET, from.netmaskText, &mask) == 1 ? mask.s_addr : 0xffffffffu;
        std::memcpy(to.hwaddrText, from.hwaddrText, sizeof to.hwaddrText);
    }
    std::qsort(list, static_cast<size_t>(n), sizeof(InterfaceAddress), [](const void* a, const void* b) {
        return compareInterfaceAddresses(static_cast<const InterfaceAddress*>(a),
                                         static_cast<const InterfaceAddress*>(b));
    });
    int kept = 1;
    for (int i = 1; i < n; ++i) {
        if (compareInterfaceAddresses(&list[kept - 1], &list[i]) == 0) continue;
        if (kept != i) list[kept] = list[i];
        ++kept;
    }
    return kept;
}

const char* getPrimaryIp() {
    static char primary[40];
    // About 900 KB: on the heap rather than the caller's stack, with the same cap.
    const int capacity = 16384;
    std::vector<InterfaceAddress> list(capacity);
    if (sortInterfaceAddresses(list.data(), capacity) == 0) return nullptr;
    struct in_addr a;
    a.s_addr = list[0].addr;
    ::inet_ntop(AF_INET, &a, primary, sizeof primary);
    return primary;
}

// MD5 as RFC 1321 gives it.
namespace {

const uint32_t sines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

const unsigned shifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                             5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                             4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                             6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

uint32_t rotateLeft(uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }

void md5Block(uint32_t state[4], const unsigned char block[64]) {
    uint32_t w[16];
    for (int i = 0; i < 16; ++i)
        w[i] = static_cast<uint32_t>(block[i * 4]) | static_cast<uint32_t>(block[i * 4 + 1]) << 8 |
               static_cast<uint32_t>(block[i * 4 + 2]) << 16 | static_cast<uint32_t>(block[i * 4 + 3]) << 24;
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        uint32_t next = d;
        d = c;
        c = b;
        b = b + rotateLeft(a + f + sines[i] + w[g], shifts[i]);
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

void md5Init(Md5Context* ctx) {
    ctx->state[0] = 0x67452301;
    ctx->state[1] = 0xefcdab89;
    ctx->state[2] = 0x98badcfe;
    ctx->state[3] = 0x10325476;
    ctx->count[0] = ctx->count[1] = 0;
    std::memset(ctx->buffer, 0, sizeof ctx->buffer);
}

void md5Update(Md5Context* ctx, const void* bytes, size_t length) {
    if (length == 0) return;
    const unsigned char* in = static_cast<const unsigned char*>(bytes);
    size_t used = (ctx->count[0] >> 3) & 63;
    uint64_t bits = (static_cast<uint64_t>(ctx->count[1]) << 32 | ctx->count[0]) +
                    (static_cast<uint64_t>(length) << 3);
    ctx->count[0] = static_cast<uint32_t>(bits);
    ctx->count[1] = static_cast<uint32_t>(bits >> 32);

    if (used) {
        size_t room = 64 - used;
        if (length < room) {
            std::memcpy(ctx->buffer + used, in, length);
            return;
        }
        std::memcpy(ctx->buffer + used, in, room);
        md5Block(ctx->state, ctx->buffer);
        in += room;
        length -= room;
    }
    for (; length >= 64; in += 64, length -= 64) md5Block(ctx->state, in);
    std::memcpy(ctx->buffer, in, length);
}

void md5Final(unsigned char digest[16], Md5Context* ctx) {
    unsigned char length[8];
    for (int i = 0; i < 4; ++i) {
        length[i] = static_cast<unsigned char>(ctx->count[0] >> (8 * i));
        length[i + 4] = static_cast<unsigned char>(ctx->count[1] >> (8 * i));
    }
    size_t used = (ctx->count[0] >> 3) & 63;
    static const unsigned char padding[64] = {0x80};
    md5Update(ctx, padding, used < 56 ? 56 - used : 120 - used);
    md5Update(ctx, length, 8);
    for (int i = 0; i < 16; ++i) digest[i] = static_cast<unsigned char>(ctx->state[i / 4] >> (8 * (i % 4)));
    std::memset(ctx, 0, sizeof *ctx);
}

char* md5ToHex(Md5Context* ctx, char* out) {
    static const char hex[] = "0123456789abcdef";
    unsigned char digest[16];
    md5Final(digest, ctx);
    if (!out) {
        out = static_cast<char*>(std::malloc(33));
        if (!out) return nullptr;
    }
    for (int i = 0; i < 16; ++i) {
        out[i * 2] = hex[digest[i] >> 4];
        out[i * 2 + 1] = hex[digest[i] & 0xf];
    }
    out[32] = '\0';
    return out;
}

char* md5File(const char* path, char* out) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    char* result = md5Descriptor(fd, out);
    int e = errno;
    ::close(fd);
    errno = e;
    return result;
}

char* md5Descriptor(int fd, char* out) {
    Md5Context ctx;
    md5Init(&ctx);
    unsigned char block[8192];
    off_t offset = 0;
    for (;;) {
        ssize_t n = ::pread(fd, block, sizeof block, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            // A digest of what happened to be read (or of nothing, for a directory) would
            // pass for the file's; no digest is the honest answer.
            return nullptr;
        }
        if (n == 0) break;
        md5Update(&ctx, block, static_cast<size_t>(n));
        offset += n;
    }
    return md5ToHex(&ctx, out);
}
