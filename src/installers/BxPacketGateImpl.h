#ifndef VN_INSTALLERS_BXPACKETGATEIMPL_H
#define VN_INSTALLERS_BXPACKETGATEIMPL_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "BxPacketGate.h"

namespace bx {

// The ioctl argument that hands the kernel the agent's two pipe ends: word 2 the channel,
// word 3 the read end of the request pipe, word 4 the write end of the answer pipe, every
// other word 0. Host byte order.
struct LinkRequest {
    int32_t words[13];
};
static_assert(sizeof(LinkRequest) == 52, "the link device expects a 52-byte record");

// Direction write, type 0x60, number 3, 52 bytes.
const unsigned long linkRequestNumber = 0x40346003UL;

// The channel over the link device's two pipes.
class PacketGateImpl : public PacketGate {
public:
    // Opens the link device, makes the two pipes and hands the agent its ends: OSError
    // "open" or "pipe", IOError "ioctl". On failure every descriptor made so far is closed.
    explicit PacketGateImpl(int channel);
    // A channel over two descriptors that are already connected; it takes them over.
    PacketGateImpl(int readFd, int writeFd);
    ~PacketGateImpl() override;
    PacketGateImpl(const PacketGateImpl&) = delete;
    PacketGateImpl& operator=(const PacketGateImpl&) = delete;

    // One write(); anything but the whole packet raises IOError "write". A reader that is
    // gone gives EPIPE, not the broken-pipe signal.
    int send(const std::string& packet) override;
    // Reads at most 100 bytes per call. End of stream before the NUL raises IOError "read"
    // with EPIPE; a packet longer than maxPacketSize raises it with EMSGSIZE, and the rest of
    // that packet is skipped by the next receive.
    std::string receive() override;
    std::string receive(std::chrono::milliseconds limit) override;

    static const char* const deviceDirectory;
    static const char* const deviceName;
    // Answers are bounded: the agent's largest (a node's template list) is far smaller.
    static constexpr size_t maxPacketSize = 16u * 1024 * 1024;

    int readFd;
    int writeFd;
    // Received bytes that no receive has returned yet; may hold the start of the next packet.
    std::string buffer;

private:
    std::string receiveBefore(const std::chrono::steady_clock::time_point* deadline);
    void waitReadable(std::chrono::steady_clock::time_point deadline);

    // Set after an oversized packet: its remaining bytes up to the NUL are dropped.
    bool skipping = false;
};

}  // namespace bx

#endif
