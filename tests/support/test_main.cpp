#include <gtest/gtest.h>

#include <csignal>

int main(int argc, char** argv) {
    // A child that exits before reading its input must not kill the test.
    std::signal(SIGPIPE, SIG_IGN);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
