#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "common/Log.h"
#include "common/Messages.h"
#include "support/EnglishTest.h"
#include "support/TestUtil.h"

namespace {

class MissingKeyGuard : public testutil::EnglishTest {};

// The shared test main turns every lookup of a key without text into a test failure.
TEST_F(MissingKeyGuard, LookupOfAMissingKeyFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(Messages::getMessage("guard_probe_key"), "no text for the key \"guard_probe_key\"");
    // Only the first lookup finds the key missing; the catalogue keeps the stand-in text.
    Messages::getMessage("guard_probe_key");
}

TEST_F(MissingKeyGuard, KeysWithTextAndAllowedLookupsPass) {
    EXPECT_EQ(Messages::getMessage("Vantrell"), "Corvane Products Installer");
    testutil::AllowUnlocalizedKeys allow;
    EXPECT_EQ(Messages::getMessage("guard_probe_key"), "guard_probe_key_(non_localized)");
}

}  // namespace
