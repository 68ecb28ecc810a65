// The web engine's pending failure raised as an internal error.
#include "main/DriverRoutines.h"

#include <gtest/gtest.h>

#include "support/LogCapture.h"
#include "webui/PendingError.h"

namespace {

TEST(ThrowStoredError, RaisesThePendingTextAsItsOnlyLine) {
    PendingError pending;
    pending.savedPages = {"releases", "components"};
    pending.text = "boom";
    const error e = testutil::raisedError([&] { throwStoredError(pending); });
    EXPECT_EQ(testutil::codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), "boom\n");
}

TEST(ThrowStoredError, ReturnsWhenNothingIsPending) {
    PendingError pending;
    pending.savedPages = {"releases", "components"};
    EXPECT_NO_THROW(throwStoredError(pending));
}

}  // namespace
