// Copies onto a file system that fills up.
#include "common/fileops.h"

#include <sys/mount.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include "common/Messages.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

TEST(fileopsSandbox, CopyOntoAFullFileSystemReportsTheWrite) {
    Messages::resetForTest();
    boost::filesystem::create_directory("/tmp/full");
    ASSERT_EQ(::mount("vn-full", "/tmp/full", "tmpfs", 0, "size=64k"), 0);
    testutil::writeFile("/tmp/src", std::string(1 << 20, 'x'));

    error e = testutil::raisedError([] { fileops::copy_file("/tmp/src", "/tmp/full/target"); });
    EXPECT_EQ(e.text(), "Failed to write to the file /tmp/full/target: No space left on device.\n");
    EXPECT_EQ(testutil::codesOf(e), "(4,2,1,2)");

    boost::filesystem::remove("/tmp/full/target");
    e = testutil::raisedError([] { fileops::copy_contents("/tmp/src", "/tmp/full/target"); });
    EXPECT_EQ(e.text(), "Failed to write to the file /tmp/full/target: No space left on device.\n");
    EXPECT_EQ(testutil::codesOf(e), "(4,2,1,2)");
}

}  // namespace
