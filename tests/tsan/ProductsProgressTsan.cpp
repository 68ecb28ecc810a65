// Built with -fsanitize=thread: the progress table as the web mode uses it, the installation
// writing on one thread while the web answers read on another, and the table made and dropped
// while someone looks it up.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "common/Log.h"
#include "reporting/ProductsProgress.h"

namespace {

// Every line of the table goes to a private log file, so the writes happen for real.
class TraceLog {
public:
    TraceLog() {
        char pattern[] = "/tmp/vn-tsan-progress-XXXXXX";
        if (::mkdtemp(pattern)) dir = pattern;
        Log::fileLevel = 3;
        Log::openFile((dir + "/log").c_str(), true);
    }
    ~TraceLog() {
        Log::resetForTest();
        std::remove((dir + "/log").c_str());
        ::rmdir(dir.c_str());
    }

private:
    std::string dir;
};

TEST(ProductsProgressThreads, WritersAgainstTheSummary) {
    TraceLog log;
    auto product = std::make_shared<Product>("tarnix", "Tarnix", std::vector<std::vector<std::string>>{});
    auto first = std::make_shared<Release>(product, "tarnix-1", "Tarnix 1", "1.0", "1.0");
    auto second = std::make_shared<Release>(product, "tarnix-2", "Tarnix 2", "2.0", "1.0");
    ProductsProgress progress;

    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 200; ++i) {
            const std::string name = "pkg" + std::to_string(i % 40);
            progress.add_product_package(i % 2 ? first : second, name);
            progress.set_progress(1, name);
            if (i == 100) progress.set_started();
            progress.set_progress(3, name);
        }
        done = true;
    });

    ProductsProgress::ReleaseProgressList list;
    bool sawStarted = false;
    while (!done.load()) {
        progress.get_progress(list);
        sawStarted = sawStarted || progress.is_started();
        std::this_thread::yield();
    }
    writer.join();
    progress.get_progress(list);

    ASSERT_EQ(list.size(), 2u);
    for (const ProductsProgress::ReleaseProgress& p : list) {
        EXPECT_EQ(p.state, 2);
        EXPECT_EQ(p.percent, 100);
    }
    EXPECT_TRUE(progress.is_started());
}

TEST(ProductsProgressThreads, LookupsWhileTheTableComesAndGoes) {
    std::atomic<bool> done{false};
    std::thread owner([&] {
        for (int i = 0; i < 300; ++i) {
            ProductsProgress table;
            std::this_thread::yield();
        }
        done = true;
    });
    size_t asked = 0;
    while (!done.load()) {
        // Only one table lives at a time: never the error of several. The pointer is not
        // followed: the table may be gone by now.
        (void)ProductsProgress::instance();
        ++asked;
    }
    owner.join();
    EXPECT_EQ(ProductsProgress::instance(), nullptr);
    EXPECT_GT(asked, 0u);
}

}  // namespace
