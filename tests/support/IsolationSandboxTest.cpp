// Runs inside the namespace helper: the fixed places are private and start empty.
#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TestUtil.h"

TEST(Isolation, FixedPlacesArePrivate) {
    EXPECT_NE(::access("/tmp/nvo-installer.lock", F_OK), 0) << "fresh /tmp";
    EXPECT_LT(::shmget(321456, 0, 0), 0) << "fresh IPC namespace";

    int fd = ::open("/tmp/nvo-installer.lock", O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    int id = ::shmget(321456, 20564, IPC_CREAT | IPC_EXCL | 0600);
    ASSERT_GE(id, 0);
    testutil::writeFile("/etc/vn-isolation-test", "x");
    EXPECT_EQ(testutil::readFile("/etc/vn-isolation-test"), "x");
    // The source tree stays reachable where it is.
    EXPECT_EQ(::access(VN_SOURCE_DIR "/tests/support/sandbox", X_OK), 0);
}
