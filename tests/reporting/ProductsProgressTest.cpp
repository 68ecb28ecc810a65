#include "reporting/ProductsProgress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/BuildManager.h"
#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "sources/FileFetcher.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

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

// The releases of the small listing catalogue, read the way the driver reads it.
class ProgressTableTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        testutil::TempDir downloads;
        FileFetcher fetcher(std::string(VN_FIXTURES_DIR) + "/reporting/catalogue/", downloads.path());
        fetcher.quiet = true;
        catalogue.reset(new BuildManager(&fetcher, ""));
        for (const char* id : {"alpha-1.0", "alpha-2.0", "gamma-3.0"}) {
            std::shared_ptr<Release> release = catalogue->findRelease(id);
            ASSERT_TRUE(release) << id;
            releases[id] = release;
        }
    }

    std::unique_ptr<BuildManager> catalogue;
    std::map<std::string, std::shared_ptr<Release>> releases;
};

// What the writers do before the summary is asked for.
struct Op {
    enum Kind { add, stage, start } kind;
    std::string package;
    std::string release;
    int32_t value;
};
Op add(const std::string& package, const std::string& release) { return Op{Op::add, package, release, 0}; }
Op stage(int32_t value, const std::string& package) { return Op{Op::stage, package, "", value}; }
Op start() { return Op{Op::start, "", "", 0}; }

// "<release id> <state> <percent>"; the caller's entries first, in their order, then the
// appended ones sorted (the summary promises no order among them).
std::string render(const ProductsProgress::ReleaseProgressList& list, size_t given) {
    std::vector<std::string> lines;
    for (const ProductsProgress::ReleaseProgress& p : list)
        lines.push_back(p.release->id + " " + std::to_string(p.state) + " " + std::to_string(p.percent));
    std::sort(lines.begin() + static_cast<long>(std::min(given, lines.size())), lines.end());
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
}

TEST_F(ProgressTableTest, TheSummaryPerRelease) {
    struct Row {
        const char* label;
        std::vector<Op> ops;
        // The caller's list before the call: release id, state, percent.
        std::vector<std::tuple<std::string, int32_t, int32_t>> given;
        std::string summary;
        // What the call logs up to level 3.
        std::string log;
    };
    const std::string tooBig = "DEBUG: ProductsProgress::get_progress(): percents too big- 166, strip to 100\n";
    const Row rows[] = {
        {"two of four installed",
         {add("a", "alpha-2.0"), add("b", "alpha-2.0"), add("c", "alpha-2.0"), add("d", "alpha-2.0"), stage(3, "a"),
          stage(3, "c")},
         {},
         "alpha-2.0 2 50\n",
         ""},
        {"one of two downloaded: 100/6 truncated",
         {add("a", "alpha-2.0"), add("b", "alpha-2.0"), stage(1, "b")},
         {},
         "alpha-2.0 2 16\n",
         ""},
        {"nothing done, not started", {add("a", "gamma-3.0"), add("b", "gamma-3.0")}, {}, "gamma-3.0 0 0\n", ""},
        {"nothing done, started",
         {add("a", "gamma-3.0"), add("b", "gamma-3.0"), start()},
         {},
         "gamma-3.0 1 0\n",
         ""},
        {"a package not counted marks its release, the others still count",
         {add("a", "alpha-2.0"), add("b", "alpha-2.0"), add("c", "alpha-2.0"), stage(3, "a"), stage(3, "b"),
          stage(ProductsProgress::NOT_COUNTED, "c")},
         {},
         "alpha-2.0 -10000 66\n",
         ""},
        {"a stage past 3 is clipped to 100", {add("a", "alpha-2.0"), stage(5, "a")}, {}, "alpha-2.0 2 100\n", tooBig},
        {"negative units are dropped to 0",
         {add("a", "alpha-2.0"), stage(-7, "a")},
         {},
         "alpha-2.0 2 0\n",
         "WARNING: Internal error in ProductsProgress::get_progress(): num_done[rel]=-7 - percent is negative, droped\n"},
        {"no packages: the list stays as it was",
         {stage(3, "a"), start()},
         {{"gamma-3.0", 2, 40}},
         "gamma-3.0 2 40\n",
         "ProductsProgress::get_progress: no data for now \n"},
        {"a stage for an unknown package changes nothing",
         {add("a", "alpha-2.0"), add("b", "alpha-2.0"), stage(3, "a"), stage(3, "zzz")},
         {},
         "alpha-2.0 2 50\n",
         ""},
        {"registering again starts over under the release given last",
         {add("a", "alpha-2.0"), add("b", "alpha-2.0"), stage(3, "a"), stage(3, "b"), add("a", "gamma-3.0")},
         {},
         "alpha-2.0 2 100\ngamma-3.0 0 0\n",
         ""},
        {"the caller's entries: updated in place by identity, the others kept, the missing appended",
         {add("a", "alpha-2.0"), add("b", "gamma-3.0"), stage(3, "a"), stage(1, "b")},
         {{"gamma-3.0", 0, 0}, {"alpha-1.0", 2, 33}},
         "gamma-3.0 2 33\nalpha-1.0 2 33\nalpha-2.0 2 100\n",
         ""},
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ProductsProgress progress;
        for (const Op& op : row.ops) {
            switch (op.kind) {
                case Op::add: progress.add_product_package(releases.at(op.release), op.package); break;
                case Op::stage: progress.set_progress(op.value, op.package); break;
                case Op::start: progress.set_started(); break;
            }
        }
        ProductsProgress::ReleaseProgressList list;
        for (const auto& g : row.given) {
            ProductsProgress::ReleaseProgress entry;
            entry.release = releases.at(std::get<0>(g));
            entry.state = std::get<1>(g);
            entry.percent = std::get<2>(g);
            list.push_back(entry);
        }
        LogCapture log(3);
        progress.get_progress(list);
        EXPECT_EQ(render(list, row.given.size()), row.summary);
        EXPECT_EQ(log.text(), row.log);
    }
}

// Identity, not equal contents: two release objects of one id are two entries.
TEST_F(ProgressTableTest, EntriesAreMatchedByTheReleaseObject) {
    const std::shared_ptr<Release>& original = releases.at("gamma-3.0");
    auto twin = std::make_shared<Release>(original->product, original->id, original->name, "3.0", "2.0");
    ProductsProgress progress;
    progress.add_product_package(original, "a");
    progress.set_progress(3, "a");
    ProductsProgress::ReleaseProgressList list(1);
    list[0].release = twin;
    list[0].state = 0;
    progress.get_progress(list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].release, twin);
    EXPECT_EQ(list[0].state, 0);
    EXPECT_EQ(list[1].release, original);
    EXPECT_EQ(list[1].percent, 100);
}

}  // namespace
