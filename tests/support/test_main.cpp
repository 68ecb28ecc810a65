#include <gtest/gtest.h>

#include <csignal>

#include "common/Messages.h"
#include "support/TestUtil.h"

namespace {

// A key that the catalogue lacks reaches the user as "key_(non_localized)". Lookups with a
// literal key are checked against the catalogue by a source scan; this catches the keys that
// only exist at run time (built or passed through variables).
void failOnMissingKey(const char* key) {
    if (testutil::AllowUnlocalizedKeys::active()) return;
    ADD_FAILURE() << "the catalogue has no text for the key \"" << key << "\"";
}

}  // namespace

int main(int argc, char** argv) {
    // A child that exits before reading its input must not kill the test.
    std::signal(SIGPIPE, SIG_IGN);
    ::testing::InitGoogleTest(&argc, argv);
    Messages::setMissingKeyObserver(&failOnMissingKey);
    return RUN_ALL_TESTS();
}
