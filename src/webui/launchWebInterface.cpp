#include "launchWebInterface.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "../common/error.h"
#include "../common/utils.h"

void makeWebSecret() {
    const int length = 20;
    // 234 = 9 * 26: bytes from 234 on are dropped, so every letter is equally likely.
    const unsigned char limit = 234;
    std::string secret;
    while (static_cast<int>(secret.size()) < length) {
        unsigned char bytes[32];
        const ssize_t n = ::getrandom(bytes, sizeof bytes, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw error(4, 1, 1, 2) << "Can't get random bytes for the web interface secret: " << std::strerror(errno);
        }
        for (ssize_t i = 0; i < n && static_cast<int>(secret.size()) < length; ++i)
            if (bytes[i] < limit) secret += static_cast<char>('a' + bytes[i] % 26);
    }
    setEnv("WEB_SECRET", secret);
}
