#ifndef VN_INSTALLERS_BXPACKETGATE_H
#define VN_INSTALLERS_BXPACKETGATE_H

#include <chrono>
#include <string>

// The channel to the container agent: request packets go out, answer packets come back, each
// a text ended by one NUL byte on the wire. Failures raise the bx errors of BxErrors.h.
namespace bx {

class PacketGate {
public:
    // Writes the packet and its NUL in one call; returns the bytes written (length + 1).
    virtual int send(const std::string& packet) = 0;
    // The next packet without its NUL; waits as long as it takes.
    virtual std::string receive() = 0;
    virtual ~PacketGate() = 0;
    // The same, but a packet that is not complete within `limit` raises IOError "read"
    // with ETIMEDOUT (the agent's greeting is waited for that way).
    virtual std::string receive(std::chrono::milliseconds limit) = 0;
};

// A channel connected to the agent's channel `channel` through the link device. The caller
// owns it. The constructor's errors pass through; nothing is left open when it throws.
PacketGate* createPacketGate(int channel);

}  // namespace bx

#endif
