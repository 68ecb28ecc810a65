#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <regex>

#include "common/Messages.h"
#include "support/TestUtil.h"

namespace {

namespace fs = boost::filesystem;

struct Lookup {
    std::string key;
    std::string where;  // file:line
};

// Functions that take a message key as their first argument. A helper that looks a key up
// for its caller belongs in this list, so that its callers' keys are checked too.
const char* const keyTakingFunctions[] = {"getMessage"};

// Every literal key that code under src/ looks up: calls of the functions above, and the
// "{web_...}" placeholders that the page templates expand from the catalogue.
std::vector<Lookup> literalLookups() {
    std::string names;
    for (const char* f : keyTakingFunctions) names += std::string(names.empty() ? "" : "|") + f;
    const std::regex call("\\b(?:" + names + ")\\s*\\(\\s*\"([^\"\\\\]*)\"");
    const std::regex templateKey("\\{(web_[A-Za-z0-9_]+)\\}");
    const fs::path src = fs::path(VN_SOURCE_DIR) / "src";
    std::vector<Lookup> out;
    for (fs::recursive_directory_iterator it(src), end; it != end; ++it) {
        if (!fs::is_regular_file(it->path())) continue;
        // The catalogue itself stores the texts and looks nothing up.
        if (it->path().parent_path() == src / "messages") continue;
        const std::string text = testutil::readFile(it->path().string());
        for (const std::regex* re : {&call, &templateKey}) {
            for (std::sregex_iterator m(text.begin(), text.end(), *re), mend; m != mend; ++m) {
                const auto line = 1 + std::count(text.begin(), text.begin() + m->position(0), '\n');
                out.push_back({(*m)[1].str(), fs::relative(it->path(), src).string() + ":" + std::to_string(line)});
            }
        }
    }
    return out;
}

TEST(KeyCoverage, EveryKeyThatTheCodeLooksUpHasAnEnglishText) {
    const Messages::messages_rep english("C");
    const std::vector<Lookup> lookups = literalLookups();
    for (const Lookup& l : lookups)
        EXPECT_TRUE(english.map.count(l.key)) << "src/" << l.where << " looks up \"" << l.key
                                              << "\", which the English catalogue lacks";

    // The scan must see the lookups that exist since the first build, or it proves nothing.
    auto found = [&](const std::string& key, const std::string& file) {
        for (const Lookup& l : lookups)
            if (l.key == key && l.where.compare(0, file.size() + 1, file + ":") == 0) return true;
        return false;
    };
    EXPECT_TRUE(found("usage20", "main/main.cpp"));
    EXPECT_TRUE(found("error_supp_maybe", "common/error.cpp"));
}

}  // namespace
