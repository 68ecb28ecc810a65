// The console helpers on a real terminal (a tmux pane): what the user sees, what the terminal
// echoes and which mode the terminal is left in.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "common/ShellQuote.h"
#include "support/TestUtil.h"
#include "support/TmuxSession.h"

namespace {

using testutil::TmuxSession;

// Whether the modes printed by "stty -a" include the echo of typed characters.
bool echoesInput(const std::string& modes) { return std::regex_search(modes, std::regex("(^|\\s)echo(\\s|$)")); }

class TextDialogTerminal : public ::testing::Test {
protected:
    testutil::TempDir dir;
    const std::string result = dir / "result";
    const std::string modes = dir / "modes";

    // The helper under /bin/sh, which then records the terminal's modes the helper left.
    std::unique_ptr<TmuxSession> start(const std::vector<std::string>& helper, bool toFile = false) {
        std::string command = shellQuote(testutil::program("prog_text_dialog")) + " --no-clear";
        if (toFile) command += " --result " + shellQuote(result);
        for (const std::string& word : helper) command += " " + shellQuote(word);
        // This shell gets the terminal's SIGINT too and must live on to record the modes.
        command = "trap : INT; " + command + "; s=$?; stty -a > " + shellQuote(modes) + "; exit $s";
        TmuxSession::Settings settings;
        settings.env["LANG"] = "C";
        return std::make_unique<TmuxSession>(std::vector<std::string>{"/bin/sh", "-c", command}, settings);
    }

    // The pane's terminal modes while the program waits.
    static std::string modesNow(const TmuxSession& session) {
        return testutil::run({"/usr/bin/stty", "-a", "-F", session.tty()}).out;
    }
};

TEST_F(TextDialogTerminal, ATypedPasswordNeverReachesTheScreen) {
    auto session = start({"askPassword", "Password", ""}, true);
    ASSERT_TRUE(session->waitFor("Password:")) << session->screen();
    ASSERT_TRUE(session->waitForRead());
    EXPECT_FALSE(echoesInput(modesNow(*session)));
    session->sendKeys("s3cr3t-word");
    session->pressKey("Enter");
    ASSERT_TRUE(session->waitFor("Retype password:")) << session->screen();
    session->sendKeys("s3cr3t-word");
    session->pressKey("Enter");
    ASSERT_EQ(session->waitForExit(), 0) << session->screen();

    EXPECT_EQ(testutil::readFile(result), "[s3cr3t-word]\n");
    // The line ends the terminal did not echo are printed by the helper.
    EXPECT_NE(session->screen().find("Password: \nRetype password: \n"), std::string::npos) << session->screen();
    EXPECT_EQ(session->screen().find("s3cr3t"), std::string::npos) << session->screen();
    EXPECT_TRUE(echoesInput(testutil::readFile(modes)));
}

TEST_F(TextDialogTerminal, EndOfInputAtTheHiddenReadRestoresTheEcho) {
    auto session = start({"readHidden"});
    ASSERT_TRUE(session->waitForRead());
    ASSERT_FALSE(echoesInput(modesNow(*session)));
    session->pressKey("C-d");
    ASSERT_EQ(session->waitForExit(), 1) << session->screen();
    EXPECT_NE(session->screen().find("error (4,2,1,1) You have just finished your session by pressing Ctrl + D."),
              std::string::npos)
        << session->screen();
    EXPECT_TRUE(echoesInput(testutil::readFile(modes)));
}

TEST_F(TextDialogTerminal, CtrlCAtTheHiddenReadRestoresTheEchoAndReportsTheInterruption) {
    auto session = start({"askPassword", "Password", "abc"});
    ASSERT_TRUE(session->waitFor("Password [***]:")) << session->screen();
    ASSERT_TRUE(session->waitForRead());
    ASSERT_FALSE(echoesInput(modesNow(*session)));
    session->sendKeys("half");
    session->pressKey("C-c");
    ASSERT_EQ(session->waitForExit(), 1) << session->screen();
    EXPECT_NE(session->screen().find("error (2,2,2,1) Interrupted by user"), std::string::npos) << session->screen();
    EXPECT_EQ(session->screen().find("half"), std::string::npos) << session->screen();
    EXPECT_TRUE(echoesInput(testutil::readFile(modes)));
}

TEST_F(TextDialogTerminal, CtrlCAtAPageChoiceEndsTheWizardAsInterrupted) {
    auto session = start({"readChoice", "N"});
    // The choice prints no prompt of its own: wait until the helper reads.
    ASSERT_TRUE(session->waitForRead());
    session->pressKey("C-c");
    ASSERT_EQ(session->waitForExit(), 1) << session->screen();
    EXPECT_NE(session->screen().find("error (2,2,2,1) Interrupted by user"), std::string::npos) << session->screen();
}

TEST_F(TextDialogTerminal, AnAnswerAndTheRestOfTheLineAfterEnter) {
    auto session = start({"waitForEnter", "Read this."});
    ASSERT_TRUE(session->waitFor("(press Enter to continue)")) << session->screen();
    session->sendKeys("xy");
    session->pressKey("Enter");
    ASSERT_EQ(session->waitForExit(), 0) << session->screen();
    EXPECT_NE(session->screen().find("Read this.\n(press Enter to continue) xy\n\n[120]"), std::string::npos)
        << session->screen();
}

TEST_F(TextDialogTerminal, ShowHeaderClearsTheScreenUnlessTold) {
    for (const bool clears : {true, false}) {
        TmuxSession::Settings settings;
        settings.env["LANG"] = "C";
        TmuxSession session({"/bin/sh", "-c",
                             "echo old page; " + shellQuote(testutil::program("prog_text_dialog")) +
                                 (clears ? "" : " --no-clear") + " showHeader Title"},
                            settings);
        ASSERT_EQ(session.waitForExit(), 0) << session.screen();
        const std::string header = "Title\n" + std::string(79, '=') + "\n\n\n[]\n";
        // Cleared lines go to the pane's history, off the screen.
        const std::string top = clears ? header : "old page\n\n\n\n\n\n" + header;
        EXPECT_EQ(session.visible().substr(0, top.size()), top) << session.visible();
    }
}

}  // namespace
