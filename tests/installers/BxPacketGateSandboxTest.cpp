// The agent channel through the link device: the device is an empty file at its fixed place in
// the sandbox's /etc, and the stand-in ioctl (tests/support/BxLinkStandIn.cpp) plays the kernel.
#include "installers/BxPacketGate.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>

#include "installers/BxErrors.h"
#include "installers/BxPacketGateImpl.h"
#include "support/BxLinkStandIn.h"
#include "support/TestUtil.h"

namespace {

const char* const devicePath = "/etc/bx/dev/bxlink";

int openDescriptors() {
    int n = 0;
    DIR* d = ::opendir("/proc/self/fd");
    if (!d) return -1;
    while (const dirent* e = ::readdir(d))
        if (e->d_name[0] != '.') ++n;
    ::closedir(d);
    return n;
}

class BxPacketGateDevice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, testutil::shell("mkdir -p /etc/bx/dev && : > /etc/bx/dev/bxlink").status);
        ::unsetenv("VN_BXAGENT_SCENARIO");
        ::unsetenv("VN_BXLINK_ERRNO");
    }
    void TearDown() override { ::unsetenv("VN_BXLINK_ERRNO"); }
};

// The factory's failure as "<class>: <what>", with the change in the number of open descriptors.
std::string factoryFailure(int channel = 10) {
    const int before = openDescriptors();
    std::string out = "no failure";
    try {
        delete bx::createPacketGate(channel);
    } catch (const bx::OSError& e) {
        out = std::string("OSError: ") + e.what();
    } catch (const bx::IOError& e) {
        out = std::string("IOError: ") + e.what();
    }
    const int change = openDescriptors() - before;
    if (change != 0) out += " (" + std::to_string(change) + " descriptors more)";
    return out;
}

TEST_F(BxPacketGateDevice, FailuresToConnectLeaveNoDescriptorOpen) {
    struct Case {
        const char* what;
        bool device;
        const char* linkErrno;  // VN_BXLINK_ERRNO, null for none
        std::string failure;
    } cases[] = {
        {"no device", false, nullptr, "OSError: open: No such file or directory"},
        {"a plain file answers no link request", true, nullptr, "IOError: ioctl: Inappropriate ioctl for device"},
        {"the kernel refuses the link", true, "EPERM", "IOError: ioctl: Operation not permitted"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.device) {
            ASSERT_EQ(0, ::unlink(devicePath));
        }
        if (c.linkErrno) ::setenv("VN_BXLINK_ERRNO", c.linkErrno, 1);
        EXPECT_EQ(c.failure, factoryFailure());
        SetUp();
    }
}

TEST_F(BxPacketGateDevice, TheLinkRecordHandsOverTheAgentsEndsAndTheClientKeepsTheOthers) {
    testutil::BxAgent agent("silent");
    const int before = openDescriptors();
    std::unique_ptr<bx::PacketGate> gate(bx::createPacketGate(10));
    EXPECT_EQ(before + 2, openDescriptors());

    const std::vector<int32_t> words = testutil::bxLinkWords();
    ASSERT_EQ(13u, words.size()) << testutil::bxLinkRefusal();
    EXPECT_EQ(10, words[2]);
    // The agent's ends are the agent's alone now.
    for (int agentEnd : {words[3], words[4]}) {
        errno = 0;
        EXPECT_EQ(-1, ::fcntl(agentEnd, F_GETFD)) << agentEnd;
        EXPECT_EQ(EBADF, errno);
    }
    const auto* impl = dynamic_cast<const bx::PacketGateImpl*>(gate.get());
    ASSERT_NE(nullptr, impl);
    EXPECT_EQ(O_RDONLY, ::fcntl(impl->readFd, F_GETFL) & O_ACCMODE);
    EXPECT_EQ(O_WRONLY, ::fcntl(impl->writeFd, F_GETFL) & O_ACCMODE);
    // Commands the installer starts later must not hold the channel open.
    EXPECT_EQ(FD_CLOEXEC, ::fcntl(impl->readFd, F_GETFD));
    EXPECT_EQ(FD_CLOEXEC, ::fcntl(impl->writeFd, F_GETFD));
}

// The stand-in checks the record as the device would; a wrong channel is refused.
TEST_F(BxPacketGateDevice, TheStandInRefusesARecordTheDeviceWouldRefuse) {
    testutil::BxAgent agent("silent");
    EXPECT_EQ("IOError: ioctl: Invalid argument", factoryFailure(7));
    EXPECT_EQ("word 2 (channel) is 7", testutil::bxLinkRefusal());
}

TEST_F(BxPacketGateDevice, PacketsTravelBothWaysThroughTheAgent) {
    testutil::BxAgent agent("greeting-good");
    std::unique_ptr<bx::PacketGate> gate(bx::createPacketGate(10));
    EXPECT_EQ("<packet id=\"0\" version=\"3.0.3\"><data><system><state>ready</state></system></data></packet>\n",
              gate->receive());
    const std::string request = "<packet id=\"0\" version=\"3.0.3\"><data><system><get_version /></system></data></packet>\n";
    EXPECT_EQ(static_cast<int>(request.size() + 1), gate->send(request));
    EXPECT_EQ("<packet id=\"0\" version=\"3.0.3\"><data><system><version>4.0</version></system></data></packet>\n",
              gate->receive());
    gate.reset();
    EXPECT_EQ(0, agent.wait()) << ::testing::PrintToString(agent.notes());
    EXPECT_EQ(std::vector<std::string>{request}, agent.requests());
}

}  // namespace
