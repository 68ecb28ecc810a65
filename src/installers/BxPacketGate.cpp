#include "BxPacketGate.h"

#include "BxPacketGateImpl.h"

namespace bx {

PacketGate::~PacketGate() {}

PacketGate* createPacketGate(int channel) { return new PacketGateImpl(channel); }

}  // namespace bx
