#include "reporting/ProductsProgress.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "catalogue/Product.h"
#include "catalogue/Release.h"
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

TEST_F(ProductsProgressTest, PackagesAreRegisteredAtStageZeroUnderTheirRelease) {
    auto product = std::make_shared<Product>("tarnix", "Tarnix", std::vector<std::vector<std::string>>{});
    auto first = std::make_shared<Release>(product, "tarnix-1", "Tarnix 1", "1.0", "1.0");
    auto second = std::make_shared<Release>(product, "tarnix-2", "Tarnix 2", "2.0", "1.0");
    ProductsProgress progress;
    LogCapture log(3);

    progress.add_product_package(first, "foo");
    progress.add_product_package(first, "bar");
    progress.set_progress(3, "foo");
    EXPECT_EQ(progress.packagesSnapshot().at("foo").stage, 3);
    // Registered again: bound to the release given last, and started over.
    progress.add_product_package(second, "foo");

    const std::map<std::string, ProductsProgress::PackageEntry> packages = progress.packagesSnapshot();
    ASSERT_EQ(packages.size(), 2u);
    EXPECT_EQ(packages.at("foo").release, second);
    EXPECT_EQ(packages.at("foo").stage, 0);
    EXPECT_EQ(packages.at("bar").release, first);
    EXPECT_EQ(packages.at("bar").stage, 0);
    EXPECT_EQ(log.text(),
              "ProductsProgress::add_product_package: 'Tarnix 1': foo\n"
              "ProductsProgress::add_product_package: 'Tarnix 1': bar\n"
              "ProductsProgress::set_progress: foo stage 3\n"
              "ProductsProgress::add_product_package: 'Tarnix 2': foo\n");

    // A package without a release would be counted for no product: refused, nothing kept.
    const error e = raisedError([&] { progress.add_product_package(nullptr, "baz"); });
    EXPECT_EQ(codesOf(e), "(3,1,0,3)");
    EXPECT_EQ(progress.packagesSnapshot().count("baz"), 0u);
}

}  // namespace
