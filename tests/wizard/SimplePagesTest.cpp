// The five simple console pages through the factory, as the driver and the pages that ask a
// follow-up question use them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/LogCapture.h"
#include "wizard/DlgHello.h"
#include "wizard/DlgMessage.h"
#include "wizard/DlgPrompt.h"
#include "wizard/DlgStrongYesNo.h"
#include "wizard/DlgYesNo.h"
#include "wizard/ScriptedConsole.h"
#include "wizard/TextDlgHello.h"
#include "wizard/TextDlgMaker.h"
#include "wizard/TextDlgPrompt.h"

namespace {

using testutil::ScriptedConsole;

const std::string rule(79, '=');

const std::string welcomePage =
    "\n\n\n\n\n"
    "Welcome to the Corvane Installation and Upgrade Wizard!\n" +
    rule +
    "\n\n"
    "This wizard will guide you through the installation or upgrade process. Before\n"
    "installing or upgrading Corvane products, be sure to back up your data.\n\n"
    "To start the installation or upgrade, press N and then press Enter.\n"
    "To quit the installer, press Q and then press Enter.\n\n"
    "------ IMPORTANT ------\n"
    "\n"
    "* Before installing or upgrading Corvane products, be sure to back up your data.\n"
    "\n"
    "* New installation of product(s) should be performed on clean servers only.\n"
    "  Only the operating system with the networking option should be\n"
    "  installed for new installations.\n"
    "  Corvane will not be held liable for damages resulting from installation\n"
    "  of products on a server with anything other than a fresh installation of the\n"
    "  operating system for which the product installation was intended.\n"
    "\n"
    "By using this wizard, you agree to the Corvane terms of use, which are\n"
    "published at http://www.corvane.example/legal/terms-of-use/\n"
    "Please read them before you continue.\n\n"
    "N) Next page;  Q) Cancel installing\n"
    "Select an action [N]: ";

const std::string listedOnly = "\n\nPlease type one of the listed characters.\n(press Enter to continue) ";
const std::string invalidInput =
    "To select or deselect an item, type the respective number.\n"
    "To perform an action, type the respective letter.\n"
    "Please type a number or letter: \n";

struct PageRow {
    const char* label;
    std::string input;
    int result;
    std::string output;
};

class SimplePagesTest : public testutil::ConsoleTest {
protected:
    std::unique_ptr<DlgMaker> maker = createTextDlgMaker();

    // Runs each row on a fresh page from `make`.
    template <class Make>
    void checkRows(Make make, const std::vector<PageRow>& rows) {
        for (const PageRow& row : rows) {
            std::unique_ptr<Dialog> page = make();
            ScriptedConsole console(row.input);
            EXPECT_EQ(page->run(), row.result) << row.label;
            EXPECT_EQ(console.output(), row.output) << row.label;
            EXPECT_EQ(console.rest(), "") << row.label;
        }
    }
};

TEST_F(SimplePagesTest, WelcomePageGoesOnOrQuitsAndNeverGoesBack) {
    checkRows([&] { return maker->createHello(); },
              {
                  {"an empty line goes on", "\n", 200, welcomePage},
                  {"n goes on", "n\n", 200, welcomePage},
                  {"q quits", "q\n", 202, welcomePage},
                  {"p is no way back", "p\n\nq\n", 202, welcomePage + listedOnly + welcomePage},
                  {"another letter: Enter, then the page again", "x\n\nn\n", 200,
                   welcomePage + listedOnly + welcomePage},
                  {"a number", "1\n\nq\n", 202, welcomePage + listedOnly + welcomePage},
                  {"a word never reaches the page", "next\n\n", 200, welcomePage + invalidInput},
              });
}

TEST_F(SimplePagesTest, YesNoPageWantsYOrN) {
    const std::string page =
        "\nShall we?\n\n"
        "Y) Yes;  N) No\n"
        "Type Y for yes, or N for No: ";
    checkRows([&] { return maker->createYesNo("Shall we?"); },
              {
                  {"y", "y\n", 203, page},
                  {"N", "N\n", 204, page},
                  {"an empty line is no answer", "\n\ny\n", 203, page + listedOnly + page},
                  {"q is no answer here", "q\n\nn\n", 204, page + listedOnly + page},
                  {"a number is no answer", "1\n\ny\n", 203, page + listedOnly + page},
                  {"a word never reaches the page", "yes\ny\n", 203, page + invalidInput},
              });
}

TEST_F(SimplePagesTest, StrongYesNoPageWantsTheWholeWord) {
    const std::string question = "\nReally?\n";
    const std::string ask = "Type either Yes or No: \n [N]: ";
    const std::string again = "Please type one of the listed characters.\n";
    checkRows([&] { return maker->createStrongYesNo("Really?"); },
              {
                  {"Yes", "Yes\n", 203, question + ask},
                  {"empty is N", "\n", 204, question + ask},
                  {"n", "n\n", 204, question + ask},
                  {"N", "N\n", 204, question + ask},
                  {"No", "No\n", 204, question + ask},
                  {"no", "no\n", 204, question + ask},
                  {"yes, YES, y, Y and blanks are refused, the question not repeated",
                   "yes\nYES\ny\nY\n Yes\nNO\nYes\n", 203, question + ask + again + ask + again + ask + again + ask +
                   again + ask + again + ask + again + ask},
              });
}

TEST_F(SimplePagesTest, MessagePageIsDoneAfterOneCharacter) {
    testutil::LogCapture log(1);
    std::unique_ptr<DlgMessage> page = maker->createMessage("Notice");
    ScriptedConsole console("xyz\n");
    EXPECT_EQ(page->run(), 205);
    EXPECT_EQ(console.output(), "\n\nNotice\n(press Enter to continue) ");
    EXPECT_EQ(console.rest(), "yz\n");
    EXPECT_EQ(log.text(), "Notice\n");
}

TEST_F(SimplePagesTest, PromptPageStoresTheAnswerAsTyped) {
    struct Row {
        const char* label;
        std::string defaultAnswer;
        std::string input;
        std::string answer;
        std::string output;
    };
    const Row rows[] = {
        {"empty: the default", "abc", "\n", "abc", "Name [abc]: "},
        {"blanks kept", "abc", " x \n", " x ", "Name [abc]: "},
        {"empty with an empty default", "", "\n", "", "Name: "},
    };
    for (const Row& row : rows) {
        std::unique_ptr<DlgPrompt> page = maker->createPrompt("Name", row.defaultAnswer);
        EXPECT_EQ(page->answer, "") << row.label;
        ScriptedConsole console(row.input);
        EXPECT_EQ(page->run(), 205) << row.label;
        EXPECT_EQ(page->answer, row.answer) << row.label;
        EXPECT_EQ(console.output(), row.output) << row.label;
    }
}

TEST_F(SimplePagesTest, EndOfInputLeavesThePageUsable) {
    std::unique_ptr<DlgPrompt> page = maker->createPrompt("Name", "abc");
    {
        ScriptedConsole console("");
        const error e = testutil::raisedError([&] { page->run(); });
        EXPECT_EQ(testutil::codesOf(e), "(4,2,1,1)");
    }
    ScriptedConsole console("again\n");
    EXPECT_EQ(page->run(), 205);
    EXPECT_EQ(page->answer, "again");
}

TEST_F(SimplePagesTest, TwoFactoriesAtOnceMakeIndependentPagesThatOwnTheirTexts) {
    std::unique_ptr<DlgMaker> other = createTextDlgMaker();
    std::unique_ptr<DlgPrompt> first;
    std::unique_ptr<DlgPrompt> second;
    {
        std::string question = "First";
        first = maker->createPrompt(question, "one");
        second = other->createPrompt("Second", "two");
        question.assign("changed after the call");
    }
    // The page outlives the factory that made it.
    other.reset();
    ScriptedConsole console("\nmine\n\n");
    EXPECT_EQ(first->run(), 205);
    EXPECT_EQ(second->run(), 205);
    EXPECT_EQ(first->run(), 205);
    EXPECT_EQ(first->answer, "one");
    EXPECT_EQ(second->answer, "mine");
    EXPECT_EQ(console.output(), "First [one]: Second [two]: First [one]: ");
    EXPECT_NE(dynamic_cast<TextDlgPrompt*>(first.get()), nullptr);
    EXPECT_NE(dynamic_cast<TextDlgHello*>(maker->createHello().get()), nullptr);
}

}  // namespace
