#ifndef VN_TESTS_SUPPORT_BXLINKSTANDIN_H
#define VN_TESTS_SUPPORT_BXLINKSTANDIN_H

#include <cstdint>
#include <string>
#include <vector>

#include "support/TestUtil.h"

// The container kernel's link device and the container agent do not exist on this machine.
// BxLinkStandIn.cpp, linked into the installer tests, defines ioctl(): the link request on a
// descriptor of "/etc/bx/dev/bxlink" (an empty regular file the test creates) is checked,
// kept, and answered by starting tests/support/bxagent.py on the two pipe ends it hands over.
//   - without $VN_BXAGENT_SCENARIO the request fails with ENOTTY, as on the plain file;
//   - $VN_BXLINK_ERRNO (a name such as "EPERM", or a number) makes it fail with that number;
//   - a record that is not what the device expects fails with EINVAL (see bxLinkRefusal).
// Every other ioctl goes to the C library's.
namespace testutil {

// The words of the last link request the stand-in accepted; empty when none was.
std::vector<int32_t> bxLinkWords();
// Why the last link request was refused as malformed; "" when none was.
std::string bxLinkRefusal();

// One fake agent: sets the variables that make the stand-in start it, and kills and reaps it
// when it goes. `scenario` is the name of a file in tests/fixtures/bxagent/ (without ".json"),
// or, when it starts with "[", the steps themselves.
class BxAgent {
public:
    explicit BxAgent(const std::string& scenario);
    ~BxAgent();
    BxAgent(const BxAgent&) = delete;
    BxAgent& operator=(const BxAgent&) = delete;

    // The requests the agent has read so far, each as sent without its NUL.
    std::vector<std::string> requests() const;
    // The agent's own notes (a mismatching request, a request after the end).
    std::vector<std::string> notes() const;
    // Waits for the agent to end: its exit status, 128 + signal when killed, -1 when none
    // was started.
    int wait();

private:
    std::vector<std::string> records() const;

    TempDir dir;
    ScopedEnv scenarioVariable;
    ScopedEnv logVariable;
};

}  // namespace testutil

#endif
