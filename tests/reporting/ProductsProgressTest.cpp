#include "reporting/ProductsProgress.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::LogCapture;
using testutil::raisedError;

class ProductsProgressTest : public testutil::EnglishTest {};

TEST_F(ProductsProgressTest, TheInstanceIsTheOnlyLiveObject) {
    EXPECT_EQ(ProductsProgress::instance(), nullptr);
    {
        ProductsProgress one;
        EXPECT_EQ(ProductsProgress::instance(), &one);
        {
            ProductsProgress two;
            error e = raisedError([] { ProductsProgress::instance(); });
            EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 ProductsProgress, line 72.\n");
            EXPECT_EQ(codesOf(e), "(3,1,1,3)");
        }
        EXPECT_EQ(ProductsProgress::instance(), &one);
    }
    EXPECT_EQ(ProductsProgress::instance(), nullptr);
}

TEST_F(ProductsProgressTest, LifeAndStagesAreLogged) {
    LogCapture log(3);
    auto progress = std::make_unique<ProductsProgress>();
    const std::string address = log.text().substr(std::string("ProductsProgress::ProductsProgress(): _instance=").size());

    // Nothing registers packages yet: a stage for an unknown package only leaves its line.
    progress->set_progress(1, "foo");
    progress.reset();

    EXPECT_EQ(log.text(), "ProductsProgress::ProductsProgress(): _instance=" + address +
                              "ProductsProgress::set_progress: foo stage 1\n"
                              "ProductsProgress::~ProductsProgress(): this=" + address);
    EXPECT_EQ(address.back(), '\n');
}

}  // namespace
