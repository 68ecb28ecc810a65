// Interface addresses in the private network namespace: a veth pair with documentation
// addresses, and loopback alone.
#include "common/hostinfo.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestUtil.h"

namespace {

void sh(const std::string& cmd, const std::string& input = std::string()) {
    testutil::RunResult r = testutil::run({"/bin/sh", "-c", cmd}, {}, input);
    ASSERT_EQ(r.status, 0) << cmd << "\n" << r.err;
}

// v0 with two addresses of its own and one under the label v0:1.
void addVethPair() {
    sh("ip link del v0 2>/dev/null; ip link add v0 type veth peer name v1"
       " && ip addr add 198.51.100.7/24 dev v0"
       " && ip addr add 192.0.2.9/24 dev v0"
       " && ip addr add 192.0.2.5/24 dev v0 label v0:1"
       " && ip link set v0 up && ip link set v1 up");
}

std::string hardwareOf(const std::string& link) {
    testutil::RunResult r = testutil::run({"/bin/sh", "-c", "ip -o link show " + link});
    size_t at = r.out.find("link/ether ");
    return at == std::string::npos ? std::string() : r.out.substr(at + 11, 17);
}

std::vector<std::string> readAll(int* count) {
    InterfaceInfo* info = readInterfaceInfo(count);
    std::vector<std::string> rows;
    for (int i = 0; i < *count; ++i)
        rows.push_back(std::string(info[i].name) + " " + info[i].addrText + " " + info[i].netmaskText +
                       " [" + info[i].hwaddrText + "]");
    EXPECT_EQ(info[*count].name[0], '\0') << "the list ends with an empty name";
    std::free(info);
    std::sort(rows.begin(), rows.end());
    return rows;
}

TEST(interfacesSandbox, VethAddressesAndThePrimaryOne) {
    addVethPair();
    const std::string mac = hardwareOf("v0");
    ASSERT_EQ(mac.size(), 17u);

    int count = -1;
    std::vector<std::string> rows = readAll(&count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(rows, (std::vector<std::string>{
                        "v0 192.0.2.9 255.255.255.0 [" + mac + "]",
                        "v0 198.51.100.7 255.255.255.0 [" + mac + "]",
                        "v0:1 192.0.2.5 255.255.255.0 []",  // aliases have no hardware text
                    }));

    InterfaceAddress list[8];
    ASSERT_EQ(sortInterfaceAddresses(list, 8), 3);
    const char* order[] = {"192.0.2.9", "198.51.100.7", "192.0.2.5"};
    for (int i = 0; i < 3; ++i) {
        char text[INET_ADDRSTRLEN];
        struct in_addr a;
        a.s_addr = list[i].addr;
        EXPECT_STREQ(::inet_ntop(AF_INET, &a, text, sizeof text), order[i]);
        EXPECT_EQ(list[i].netmask, ::inet_addr("255.255.255.0"));
    }
    EXPECT_STREQ(list[2].name, "v0:1");
    // More interfaces than room: the list is cut.
    EXPECT_EQ(sortInterfaceAddresses(list, 2), 2);

    const char* primary = getPrimaryIp();
    ASSERT_NE(primary, nullptr);
    EXPECT_STREQ(primary, "192.0.2.9");
}

TEST(interfacesSandbox, LongListsAreReadWhole) {
    // Far more records than the first request buffer holds.
    sh("ip link del v0 2>/dev/null; true");
    std::string batch = "link add v0 type veth peer name v1\n";
    for (int i = 1; i <= 60; ++i) batch += "addr add 198.51.100." + std::to_string(i) + "/24 dev v0\n";
    sh("ip -batch -", batch);
    int count = -1;
    std::vector<std::string> rows = readAll(&count);
    EXPECT_EQ(count, 60);
    std::vector<InterfaceAddress> list(100);
    EXPECT_EQ(sortInterfaceAddresses(list.data(), 100), 60);
    EXPECT_STREQ(getPrimaryIp(), "198.51.100.1");
}

TEST(interfacesSandbox, LoopbackAloneIsNoAddress) {
    sh("ip link del v0 2>/dev/null; true");
    int count = -1;
    EXPECT_TRUE(readAll(&count).empty());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(getPrimaryIp(), nullptr);
}

}  // namespace
