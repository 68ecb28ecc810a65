// Directory settings: full paths of plain characters, checked against real files.
#include "components/ParamPath.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "common/Regexp.h"
#include "components/TreeCatalogue.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::TreeCatalogue;

const char* const notFull = "Specified path is not full. Please specify a full path.";
const char* const notDirectory = "Specified path is not a directory.";
const char* const badCharacters =
    "Specified path contains unsupported characters. Only Latin alphabet characters are supported.";
const char* const missing = "Specified path does not exist.";

class ParamPathTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        // Accepted rows live under the temporary directory, so its own name must pass.
        if (!Regexp("^/[[:alnum:]_/-]+$").match(dir.path())) GTEST_SKIP() << "temporary directory " << dir.path();
        ASSERT_EQ(::mkdir((dir / "My App (2)").c_str(), 0700), 0);
        testutil::writeFile(dir / "plain", "x");
        testutil::writeFile(dir / "a@b", "x");
    }

    TreeCatalogue tarnix{"tarnix"};
    std::shared_ptr<VnComponent> owner = tarnix.component("base", 1);
    testutil::TempDir dir;
};

TEST_F(ParamPathTest, FullPathsOfPlainCharactersAreAccepted) {
    const std::string d = dir.path();
    struct Row {
        std::string text;
        bool mustExist;
        const char* message;  // null: accepted
        std::string stored;
        const char* why;
    };
    const Row rows[] = {
        {d + "/My App (2)", true, nullptr, d + "/My App (2)", "blanks and parentheses"},
        {d + "/My App (2)/", false, nullptr, d + "/My App (2)", ""},
        {d + "/My App (2)///", true, nullptr, d + "/My App (2)", "every trailing slash goes"},
        {"///", false, nullptr, "", "the root passes and is stored empty"},
        {d + "/new dir", false, nullptr, d + "/new dir", "need not exist"},
        {d + "/new dir", true, missing, "", ""},
        {"/opt/a\tb\\c_d-e", false, nullptr, "/opt/a\tb\\c_d-e", "tab, backslash, '_' and '-' are allowed"},
        {"//name/x", false, nullptr, "//name/x", "a network name followed by a directory"},
        {"//name", false, notFull, "", "a network name alone has no root directory"},
        {"relative/dir", false, notFull, "", ""},
        {"", false, notFull, "", ""},
        {d + "/plain", false, notDirectory, "", ""},
        {d + "/a@b", false, notDirectory, "", "an existing file is judged before its characters"},
        {d + "/x@y", false, badCharacters, "", ""},
        {"/opt/a.b", false, badCharacters, "", "a dot is not among the allowed characters"},
        {"/opt/caf\xc3\xa9", false, badCharacters, "", "only Latin letters"},
        {"/opt/a@b\n/opt/c", false, badCharacters, "", "a second line does not stand for the whole path"},
        {std::string("/opt/c\0@", 8), false, badCharacters, "", "nor does the part before a NUL byte"},
        {"/" + std::string(300, 'a'), false, nullptr, "/" + std::string(300, 'a'),
         "a name the file system refuses to look up does not stop validation"},
        {"/" + std::string(300, 'a'), true, missing, "", "and does not exist"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text + (r.mustExist ? " (must exist) " : " ") + r.why);
        ParamPath p(owner.get(), "docroot", r.mustExist);
        EXPECT_EQ(p.setValue(r.text), r.message == nullptr);
        EXPECT_EQ(p.getValidationMessage(), r.message ? r.message : "");
        EXPECT_EQ(p.getStoredValue(), r.stored);
        EXPECT_EQ(p.isSet(), r.message == nullptr);
    }
}

TEST_F(ParamPathTest, BadCharactersAreTracedAndTheNextValidationClearsTheMessage) {
    ParamPath p(owner.get(), "docroot", false);
    testutil::LogCapture log(3);
    EXPECT_FALSE(p.setValue(dir / "x@y"));
    EXPECT_NE(log.text().find("DEBUG: The regular expression ^/[[:alnum:]_[:blank:]()\\\\/-]+$\n"
                              "       did not match the pattern " +
                              (dir / "x@y") + "\n"),
              std::string::npos)
        << log.text();
    EXPECT_EQ(p.getValidationMessage(), badCharacters);
    EXPECT_TRUE(p.setValue(dir / "ok"));
    EXPECT_EQ(p.getValidationMessage(), "");
}

}  // namespace
