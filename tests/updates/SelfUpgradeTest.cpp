// The required installer version that descriptions demand. It is process-wide, so every case
// runs in a child of its own.
#include "updates/SelfUpgrade.h"

#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>

#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;

// What check_required_VN_version makes of the root element in `xml`, run after `before`
// (another root checked first, or nothing): "need", "passed" or the error's codes and text,
// then the required version and the executables directory, in brackets.
std::string check(const std::string& xml, const std::string& before = std::string()) {
    return testutil::inChild([&]() -> std::string {
        Messages::setLocale("en_US");
        std::string outcome;
        try {
            if (!before.empty()) {
                TiXmlDocument first;
                first.Parse(before.c_str());
                SelfUpgrade::check_required_VN_version(*first.RootElement());
            }
            TiXmlDocument document;
            document.Parse(xml.c_str());
            SelfUpgrade::check_required_VN_version(*document.RootElement());
            outcome = "passed";
        } catch (const SelfUpgrade::NeedSelfUpgrade&) {
            outcome = "need";
        } catch (const error& e) {
            outcome = codesOf(e) + " " + e.text();
        }
        return outcome + " [" + SelfUpgrade::requiredVersion() + "] [" + SelfUpgrade::binaryDirectory() + "]";
    });
}

TEST(SelfUpgradeTest, RaisesNeedSelfUpgradeOnlyForANewerRequiredVersion) {
    struct Row {
        const char* label;
        std::string xml;
        std::string before;
        std::string outcome;
    } rows[] = {
        {"no requirement", "<build/>", "", "passed [] []"},
        {"the own version", "<build><required_vantrell version=\"3.9.0\"/></build>", "", "passed [3.9.0] [Corvane_Installer]"},
        {"an older one", "<build><required_vantrell version=\"3.8.99\"/></build>", "", "passed [3.8.99] [Corvane_Installer]"},
        {"one step newer", "<build><required_vantrell version=\"3.9.1\"/></build>", "", "need [3.9.1] [Corvane_Installer]"},
        // Segments compare as numbers, not as text.
        {"3.10.0", "<build><required_vantrell version=\"3.10.0\"/></build>", "", "need [3.10.0] [Corvane_Installer]"},
        {"own directory", "<vendors><required_vantrell version=\"4.0\" binary_directory=\"bin/new\"/></vendors>", "",
         "need [4.0] [bin/new]"},
        {"empty directory", "<product><required_vantrell version=\"4.0\" binary_directory=\"\"/></product>", "",
         "need [4.0] [Corvane_Installer]"},
        // Only the first "required_vantrell" child counts, and only a direct child.
        {"first child only",
         "<build><required_vantrell version=\"3.0\"/><required_vantrell version=\"9.0\"/></build>", "",
         "passed [3.0] [Corvane_Installer]"},
        {"grandchild ignored", "<build><product><required_vantrell version=\"9.0\"/></product></build>", "",
         "passed [] []"},
        // An empty version forgets an earlier demand but leaves the directory it set.
        {"empty after a demand", "<build><required_vantrell version=\"\"/></build>",
         "<build><required_vantrell version=\"3.0\" binary_directory=\"old\"/></build>", "passed [] [old]"},
        {"absent version after a demand", "<build><required_vantrell/></build>",
         "<build><required_vantrell version=\"3.0\"/></build>", "passed [] [Corvane_Installer]"},
        {"no requirement after a demand", "<build/>", "<build><required_vantrell version=\"3.0\"/></build>",
         "passed [3.0] [Corvane_Installer]"},
        {"unreadable version", "<build><required_vantrell version=\"-1\"/></build>", "",
         "(1,1,1,3) Unable to obtain the latest version of Corvane Products Installer: \n"
         "Version is not specified. Error in Version, line 91.\n [-1] [Corvane_Installer]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(row.outcome, check(row.xml, row.before));
    }
}

TEST(SelfUpgradeTest, LogsEntryAndExit) {
    const std::string log = testutil::inChild([] {
        testutil::LogCapture capture(3);
        TiXmlDocument passing, needing;
        passing.Parse("<build><required_vantrell version=\"1.0\"/></build>");
        needing.Parse("<build><required_vantrell version=\"9.0\"/></build>");
        SelfUpgrade::check_required_VN_version(*passing.RootElement());
        try {
            SelfUpgrade::check_required_VN_version(*needing.RootElement());
        } catch (const SelfUpgrade::NeedSelfUpgrade&) {
        }
        return capture.text();
    });
    EXPECT_EQ("DEBUG: SelfUpgrade::check_required_VN_version entry\n"
              "DEBUG: SelfUpgrade::check_required_VN_version out\n"
              "DEBUG: SelfUpgrade::check_required_VN_version entry\n",
              log);
}

}  // namespace
