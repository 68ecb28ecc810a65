#include "BxPacketGateImpl.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "BxErrors.h"

namespace bx {

static_assert(_IOW(0x60, 3, LinkRequest) == linkRequestNumber, "link request number");

const char* const PacketGateImpl::deviceDirectory = "/etc/bx/dev/";
const char* const PacketGateImpl::deviceName = "bxlink";

namespace {

void closeAll(std::initializer_list<int> fds) {
    for (int fd : fds)
        if (fd >= 0) ::close(fd);
}

}  // namespace

PacketGateImpl::PacketGateImpl(int channel) : readFd(-1), writeFd(-1) {
    const std::string device = std::string(deviceDirectory) + deviceName;
    const int link = ::open(device.c_str(), O_WRONLY | O_CLOEXEC);
    if (link < 0) throw OSError("open", errno);

    // Close-on-exec on our copies too: the agent gets its ends through the ioctl, and a
    // command the installer starts later must not hold the channel open.
    int request[2] = {-1, -1};
    int answer[2] = {-1, -1};
    if (::pipe2(request, O_CLOEXEC) != 0 || ::pipe2(answer, O_CLOEXEC) != 0) {
        const int e = errno;
        closeAll({link, request[0], request[1], answer[0], answer[1]});
        throw OSError("pipe", e);
    }

    LinkRequest record = {};
    record.words[2] = channel;
    record.words[3] = request[0];
    record.words[4] = answer[1];
    if (::ioctl(link, linkRequestNumber, &record) < 0) {
        const int e = errno;
        closeAll({link, request[0], request[1], answer[0], answer[1]});
        throw IOError("ioctl", e);
    }

    // From here the agent holds its ends; the device is not needed any more.
    closeAll({link, request[0], answer[1]});
    writeFd = request[1];
    readFd = answer[0];
}

PacketGateImpl::PacketGateImpl(int readEnd, int writeEnd) : readFd(readEnd), writeFd(writeEnd) {}

PacketGateImpl::~PacketGateImpl() {
    if (writeFd >= 0) ::close(writeFd);
    if (readFd >= 0) ::close(readFd);
}

int PacketGateImpl::send(const std::string& packet) {
    const size_t length = packet.size() + 1;

    // The broken-pipe signal would end the process when the agent has closed its end. It is
    // blocked for this thread only (the web mode runs other threads whose disposition is not
    // ours to change); one raised by this write is taken back before the mask is restored.
    sigset_t pipeSignal, saved, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &saved);
    sigpending(&pending);
    const bool pendingBefore = sigismember(&pending, SIGPIPE) == 1;

    errno = 0;
    const ssize_t written = ::write(writeFd, packet.c_str(), length);
    const int e = errno;
    if (written < 0 && e == EPIPE && !pendingBefore) {
        const struct timespec now = {0, 0};
        sigtimedwait(&pipeSignal, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);

    if (written != static_cast<ssize_t>(length)) throw IOError("write", e);
    return static_cast<int>(written);
}

std::string PacketGateImpl::receive() { return receiveBefore(nullptr); }

std::string PacketGateImpl::receive(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    return receiveBefore(&deadline);
}

void PacketGateImpl::waitReadable(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    // Rounded up, so that a wait never ends just before the deadline.
    const long long left = std::max<long long>(0, ceil<milliseconds>(deadline - steady_clock::now()).count());
    struct pollfd p = {readFd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
    if (ready < 0) throw IOError("read", errno);
    if (ready == 0) throw IOError("read", ETIMEDOUT);
}

std::string PacketGateImpl::receiveBefore(const std::chrono::steady_clock::time_point* deadline) {
    size_t searched = 0;
    for (;;) {
        const size_t end = buffer.find('\0', searched);
        if (end != std::string::npos) {
            if (skipping) {
                buffer.erase(0, end + 1);
                skipping = false;
                searched = 0;
                continue;
            }
            if (end > maxPacketSize) {
                buffer.erase(0, end + 1);
                throw IOError("read", EMSGSIZE);
            }
            std::string packet = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            return packet;
        }
        if (skipping) {
            buffer.clear();
        } else if (buffer.size() > maxPacketSize) {
            buffer.clear();
            buffer.shrink_to_fit();
            skipping = true;
            throw IOError("read", EMSGSIZE);
        }
        searched = buffer.size();

        if (deadline) waitReadable(*deadline);
        char piece[100];
        const ssize_t got = ::read(readFd, piece, sizeof piece);
        if (got < 0) throw IOError("read", errno);
        if (got == 0) throw IOError("read", EPIPE);
        buffer.append(piece, static_cast<size_t>(got));
    }
}

}  // namespace bx
