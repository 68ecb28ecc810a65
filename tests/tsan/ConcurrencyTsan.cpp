// Built with -fsanitize=thread: lookups, missing-key insertions and locale switches on several
// threads, with the log written and read at the same time; the cached home directory.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/fileops.h"

TEST(Concurrency, LookupsWhileTheLocaleSwitches) {
    char dir[] = "/tmp/vn-tsan-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string logPath = std::string(dir) + "/log";
    Log::openFile(logPath.c_str(), true);
    Log::ConsoleMessages watch;
    // As in the program, the first lookup happens before other threads exist.
    ASSERT_FALSE(Messages::getMessage("error_supp_need").empty());

    std::atomic<bool> done{false};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([t, &done] {
            size_t n = 0;
            while (!done.load()) {
                const std::string& a = Messages::getMessage("error_supp_need");
                const std::string& b = Messages::getMessage("missing_" + std::to_string(t) + "_" + std::to_string(n % 50));
                if (n % 64 == 0) Log(n % 128 ? 1 : 2) << a.size() << b << "\n";
                (void)Messages::getLocale().size();
                ++n;
                std::this_thread::yield();
            }
        });
    }
    std::thread switcher([] {
        const char* names[] = {"de_DE", "fr_FR", "de", "en_US", "zh-TW"};
        for (int i = 0; i < 60; ++i) Messages::setLocale(names[i % 5]);
    });
    std::thread poller([&done, &watch] {
        size_t pos = 0;
        while (!done.load()) {
            Log::getCapturedMessagesDelta(pos);
            (void)Log::summaryText().size();
            Log::depth = Log::depth.load() == 0 ? 1 : 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        (void)watch.get_log(1000);
    });
    switcher.join();
    done = true;
    for (auto& r : readers) r.join();
    poller.join();
    EXPECT_EQ(Messages::getLocale(), "zh_TW.UTF-8");  // the last name set
    std::remove(logPath.c_str());
    ::rmdir(dir);
}

// Web mode looks the home directory up from two threads; the first lookups race to fill the
// cache.
TEST(Concurrency, HomeDirectoryFromSeveralThreads) {
    std::atomic<bool> go{false};
    std::vector<std::string> homes(4);
    std::vector<std::thread> askers;
    for (int t = 0; t < 4; ++t) {
        askers.emplace_back([t, &go, &homes] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < 50; ++i) homes[t] = get_home_dir();
        });
    }
    go = true;
    for (std::thread& t : askers) t.join();
    for (const std::string& h : homes) EXPECT_EQ(h, homes[0]);
    EXPECT_FALSE(homes[0].empty());
}
