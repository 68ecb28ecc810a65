// Runs the program, whose every start makes its self-upgrade cache under /var: inside the
// namespace helper.
#include <gtest/gtest.h>

#include "common/Messages.h"
#include "support/TestUtil.h"

namespace {

TEST(main, HelpAndUsagePrintTheThreeUsageTexts) {
    Messages::setLocale("en_US");
    const std::string expected = Messages::getMessage("usage10") + Messages::getMessage("usage20") +
                                 Messages::getMessage("usage30");
    for (const char* option : {"--help", "--usage"}) {
        testutil::RunResult r = testutil::run({VN_VANTRELL_BIN, option}, {{"LANG", testutil::unset}, {"LC_ALL", testutil::unset}});
        EXPECT_EQ(r.status, 0) << option;
        EXPECT_EQ(r.out, expected) << option;
    }
}

}  // namespace
