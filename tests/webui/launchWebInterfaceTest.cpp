// The one-time web secret. Runs in a child: it changes the environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <set>

#include "support/TestUtil.h"
#include "webui/launchWebInterface.h"

namespace {

TEST(MakeWebSecret, TwentyLettersReplacingTheOldSecret) {
    const std::string out = testutil::inChild([] {
        ::setenv("WEB_SECRET", "old", 1);
        std::string result;
        std::set<std::string> secrets;
        std::set<char> letters;
        for (int i = 0; i < 50; ++i) {
            makeWebSecret();
            const std::string secret = ::getenv("WEB_SECRET");
            if (!std::regex_match(secret, std::regex("[a-z]{20}"))) result += "bad secret: " + secret + "\n";
            secrets.insert(secret);
            letters.insert(secret.begin(), secret.end());
        }
        // Every secret is new, and a thousand letters use the whole alphabet.
        result += std::to_string(secrets.size()) + " secrets, " + std::to_string(letters.size()) + " letters";
        return result;
    });
    EXPECT_EQ(out, "50 secrets, 26 letters");
}

}  // namespace
