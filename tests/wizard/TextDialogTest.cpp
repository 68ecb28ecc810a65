#include "wizard/TextDialog.h"

#include <fcntl.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <iostream>

#include "common/TerminationState.h"
#include "common/fileops.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "wizard/ScriptedConsole.h"
#include "wizard/noClearScreen.h"

namespace {

using testutil::ScriptedConsole;

const std::string invalidInput =
    "To select or deselect an item, type the respective number.\n"
    "To perform an action, type the respective letter.\n"
    "Please type a number or letter: \n";
const std::string notHost = "Please specify either a domain name (like example.com) or an IP address\n";
const std::string noSuchFile = "The file or directory you specified does not exist.\n";
const std::string userLost = "(4,2,1,1) You have just finished your session by pressing Ctrl + D.\n";
const std::string interrupted = "(2,2,2,1) Interrupted by user\n";
const std::string rule(79, '=');

std::string describe(const TextDialog::Choice& c) {
    if (c.isNumber) return "number " + std::to_string(c.number) + (c.letter ? " and a letter" : "");
    return std::string("letter ") + c.letter + (c.number ? " and a number" : "");
}

// Codes and text of the error `f` raises.
std::string failure(const std::function<void()>& f) {
    const error e = testutil::raisedError(f);
    return testutil::codesOf(e) + " " + e.text();
}

class TextDialogTest : public testutil::ConsoleTest {
protected:
    TextDialog dialog;
};

struct ChoiceRow {
    const char* label;
    std::string input;
    std::string result;
    std::string output;
    std::string rest;
};

TEST_F(TextDialogTest, ReadChoiceReadsOneLetterOrNumberPerLine) {
    const ChoiceRow rows[] = {
        {"an empty line is the default letter", "\n", "letter N", "", ""},
        {"a letter is upper-cased", "n\n", "letter N", "", ""},
        {"any letter, offered or not", "q\n", "letter Q", "", ""},
        {"a word is refused and the next line read, the page not drawn again", "next\nq\n", "letter Q",
         invalidInput, ""},
        {"digits, then anything", "3abc\n", "number 3", "", ""},
        {"leading blanks are skipped", " 7\n", "number 7", "", ""},
        {"a sign", "-1\n", "number -1", "", ""},
        {"a line without digits reads as 0", "?\n", "number 0", "", ""},
        {"beyond int is refused", "99999999999\n5\n", "number 5", invalidInput, ""},
        {"below int is refused", "-99999999999\n5\n", "number 5", invalidInput, ""},
        {"one past the largest int is refused", "2147483648\nx\n", "letter X", invalidInput, ""},
        {"the largest int", "2147483647\n", "number 2147483647", "", ""},
        {"the smallest int", "-2147483648\n", "number -2147483648", "", ""},
        {"one line only is read", "4\nrest\n", "number 4", "", "rest\n"},
        {"a last line without a line end", "y", "letter Y", "", ""},
        // Letters are the ASCII ones whatever the locale; anything else reads as a number.
        {"a non-ASCII first byte is no letter", "\xc3\xa9\n", "number 0", "", ""},
    };
    for (const ChoiceRow& row : rows) {
        ScriptedConsole console(row.input);
        EXPECT_EQ(describe(dialog.readChoice('N')), row.result) << row.label;
        EXPECT_EQ(console.output(), row.output) << row.label;
        EXPECT_EQ(console.rest(), row.rest) << row.label;
    }
}

struct AskRow {
    const char* label;
    std::function<std::string(TextDialog&)> ask;
    std::string input;
    std::string result;
    std::string output;
};

void checkAsks(TextDialog& dialog, const std::vector<AskRow>& rows) {
    for (const AskRow& row : rows) {
        ScriptedConsole console(row.input);
        EXPECT_EQ(row.ask(dialog), row.result) << row.label;
        EXPECT_EQ(console.output(), row.output) << row.label;
    }
}

TEST_F(TextDialogTest, AskStringTakesTheAnswerAsTypedOrTheDefault) {
    auto ask = [](const std::string& def) {
        return [def](TextDialog& d) { return d.askString("Name", def); };
    };
    checkAsks(dialog, {
        {"empty: the default", ask("abc"), "\n", "abc", "Name [abc]: "},
        {"no brackets for an empty default", ask(""), "\n", "", "Name: "},
        {"blanks are kept", ask("abc"), " x \n", " x ", "Name [abc]: "},
        {"a last line without a line end", ask("abc"), "last", "last", "Name [abc]: "},
        {"asked once: the next line stays", ask(""), "\nmore\n", "", "Name: "},
    });
}

TEST_F(TextDialogTest, AskPathWithMustExistAsksUntilThePathExists) {
    testutil::TempDir dir;
    const std::string missing = dir / "missing";
    const std::string file = dir / "file";
    testutil::writeFile(file, "x");
    auto ask = [](const std::string& def, bool mustExist) {
        return [def, mustExist](TextDialog& d) { return d.askPath("Path", def, mustExist); };
    };
    const std::string prompt = "Path [" + dir.path() + "]: ";
    checkAsks(dialog, {
        {"a missing path, then a file", ask(dir.path(), true), missing + "\n" + file + "\n", file,
         prompt + noSuchFile + prompt},
        {"a directory", ask(dir.path(), true), dir.path() + "\n", dir.path(), prompt},
        {"empty: the default, not checked", ask(missing, true), "\n", missing, "Path [" + missing + "]: "},
        {"a URL is no local path", ask("", true), "http://example.com/\n" + file + "\n", file,
         "Path: " + noSuchFile + "Path: "},
        {"without must-exist anything goes", ask("", false), missing + "\n", missing, "Path: "},
        // The file system cannot even look the name up: it does not exist either.
        {"a name longer than the system allows", ask("", true), std::string(5000, 'a') + "\n" + file + "\n", file,
         "Path: " + noSuchFile + "Path: "},
    });
}

TEST_F(TextDialogTest, AskHostWantsADotWithTextOnBothSides) {
    auto ask = [](const std::string& def) {
        return [def](TextDialog& d) { return d.askHost("Host", def); };
    };
    checkAsks(dialog, {
        {"a single label, then a dot without a left side", ask(""), "localhost\n.com\na.b\n", "a.b",
         "Host: " + notHost + "Host: " + notHost + "Host: "},
        {"an IPv4 address", ask(""), "192.0.2.7\n", "192.0.2.7", "Host: "},
        {"empty: the default, not checked", ask("localhost"), "\n", "localhost", "Host [localhost]: "},
        {"empty with an empty default", ask(""), "\n", "", "Host: "},
        {"a trailing dot is refused", ask(""), "a.\nb.c\n", "b.c", "Host: " + notHost + "Host: "},
        // Unanchored expressions: a dot with text around it anywhere is enough.
        {"kept: blanks pass", ask(""), "not a host.name\n", "not a host.name", "Host: "},
    });
}

TEST_F(TextDialogTest, AskIntTakesDigitsAndSignsOnly) {
    auto ask = [](int def) {
        return [def](TextDialog& d) { return std::to_string(d.askInt("Port", def)); };
    };
    auto askNoDefault = [](TextDialog& d) { return std::to_string(d.askInt("Port")); };
    checkAsks(dialog, {
        {"empty: the default", ask(3128), "\n", "3128", "Port [3128]: "},
        {"a number", ask(3128), "8080\n", "8080", "Port [3128]: "},
        {"a letter is refused", ask(3128), "80x\n81\n", "81", "Port [3128]: " + invalidInput + "Port [3128]: "},
        {"blanks are refused", ask(3128), " 80\n82\n", "82", "Port [3128]: " + invalidInput + "Port [3128]: "},
        {"beyond int is refused", ask(3128), "99999999999\n83\n", "83",
         "Port [3128]: " + invalidInput + "Port [3128]: "},
        {"a sign", ask(3128), "-7\n", "-7", "Port [3128]: "},
        {"0 is a default too", ask(0), "\n", "0", "Port [0]: "},
        {"without a default empty is 0", askNoDefault, "\n", "0", "Port: "},
        {"INT_MIN means no default", ask(INT_MIN), "5\n", "5", "Port: "},
    });
}

TEST_F(TextDialogTest, AskPasswordShowsTheDefaultMaskedAndWantsItTwice) {
    auto ask = [](const std::string& def) {
        return [def](TextDialog& d) { return d.askPassword("Password", def); };
    };
    checkAsks(dialog, {
        {"empty: the default, never shown", ask("abcd"), "\n", "abcd", "Password [****]: "},
        {"a new one replaces the default", ask("abcd"), "xy\nxy\n", "xy", "Password [****]: Retype password: "},
        {"without a default empty asks again", ask(""), "\n\nsecret\nsecret\n", "secret",
         "Password: Password: Password: Retype password: "},
        {"a mismatch starts over", ask(""), "a\nb\nc\nc\n", "c",
         "Password: Retype password: The specified passwords do not match\nPassword: Retype password: "},
        {"an empty retype is a mismatch", ask("abcd"), "a\n\n\n", "abcd",
         "Password [****]: Retype password: The specified passwords do not match\nPassword [****]: "},
    });
}

TEST_F(TextDialogTest, ReadHiddenReadsOneLineAndLeavesTheRest) {
    ScriptedConsole console("line one\nnext\n");
    EXPECT_EQ(dialog.readHidden(), "line one");
    EXPECT_EQ(console.output(), "");
    EXPECT_EQ(console.rest(), "next\n");
}

TEST_F(TextDialogTest, WaitForEnterReadsOneCharacterAndLogsTheText) {
    testutil::LogCapture log(1);
    ScriptedConsole console("abc\n");
    EXPECT_EQ(dialog.waitForEnter("W"), 'a');
    EXPECT_EQ(dialog.askString("P", ""), "bc");
    EXPECT_EQ(console.output(), "\n\nW\n(press Enter to continue) P: ");
    EXPECT_EQ(log.text(), "W\n");
}

TEST_F(TextDialogTest, WaitForEnterTextIsNotAConsoleMessage) {
    testutil::LogCapture log(0);
    ScriptedConsole console("\n");
    EXPECT_EQ(dialog.waitForEnter("W"), '\n');
    EXPECT_EQ(log.text(), "");
}

TEST_F(TextDialogTest, EveryReadEndsTheWizardWhenTheInputHasEnded) {
    struct Row {
        const char* label;
        std::string input;
        std::function<void(TextDialog&)> ask;
        std::string output;
    };
    const Row rows[] = {
        {"readChoice", "", [](TextDialog& d) { d.readChoice('N'); }, ""},
        {"readChoice after a refused line", "next", [](TextDialog& d) { d.readChoice('N'); }, invalidInput},
        {"waitForEnter", "", [](TextDialog& d) { d.waitForEnter("W"); }, "\n\nW\n(press Enter to continue) "},
        {"askString", "", [](TextDialog& d) { d.askString("S", "def"); }, "S [def]: "},
        {"askPath", "", [](TextDialog& d) { d.askPath("P", "/", true); }, "P [/]: "},
        {"askHost after a refused answer", "localhost\n", [](TextDialog& d) { d.askHost("H", ""); },
         "H: " + notHost + "H: "},
        {"askInt", "", [](TextDialog& d) { d.askInt("I", 1); }, "I [1]: "},
        {"askInt without a default", "", [](TextDialog& d) { d.askInt("I"); }, "I: "},
        {"askPassword with an empty default", "", [](TextDialog& d) { d.askPassword("W", ""); }, "W: "},
        {"askPassword at the retype", "a\n", [](TextDialog& d) { d.askPassword("W", ""); },
         "W: Retype password: "},
        {"readHidden", "", [](TextDialog& d) { d.readHidden(); }, ""},
    };
    for (const Row& row : rows) {
        ScriptedConsole console(row.input);
        EXPECT_EQ(failure([&] { row.ask(dialog); }), userLost) << row.label;
        EXPECT_EQ(console.output(), row.output) << row.label;
    }
}

TEST_F(TextDialogTest, APendingTerminationEndsTheChoiceInsteadOfItsLine) {
    // The choice takes the request after each line; the other questions only look at it when
    // their read failed (a signal breaks the read off with EINTR, which looks like the end of
    // input), so Ctrl-C is never reported as Ctrl-D.
    struct Row {
        const char* label;
        std::string input;
        std::function<std::string(TextDialog&)> ask;
        std::string expected;
    };
    const Row rows[] = {
        {"a choice line that was read", "3\n", [](TextDialog& d) { return describe(d.readChoice('N')); },
         interrupted},
        {"a choice read that failed", "", [](TextDialog& d) { return describe(d.readChoice('N')); }, interrupted},
        {"a question read that failed", "", [](TextDialog& d) { return d.askString("S", ""); }, interrupted},
        {"a hidden read that failed", "", [](TextDialog& d) { return d.readHidden(); }, interrupted},
        {"a wait that failed", "", [](TextDialog& d) { return std::to_string(d.waitForEnter("W")); }, interrupted},
        {"a question that was answered", "abc\n", [](TextDialog& d) { return d.askString("S", ""); }, "abc"},
    };
    for (const Row& row : rows) {
        const std::string got = testutil::inChild([&] {
            ScriptedConsole console(row.input);
            requestTermination(2);
            try {
                return row.ask(dialog);
            } catch (const error& e) {
                return testutil::codesOf(e) + " " + e.text();
            }
        });
        EXPECT_EQ(got, row.expected) << row.label;
    }
}

TEST_F(TextDialogTest, ShowHeaderWithoutClearingPrintsFiveEmptyLines) {
    testutil::TempDir dir;
    testutil::CommandShims shims;
    shims.add("clear", "echo ran >> " + dir / "ran");
    ScriptedConsole console("");
    dialog.showHeader("T");
    EXPECT_EQ(console.output(), "\n\n\n\n\nT\n" + rule + "\n\n");
    EXPECT_EQ(rule.size(), 79u);
    EXPECT_FALSE(fileops::exists(dir / "ran"));
}

TEST_F(TextDialogTest, ShowHeaderClearsTheTerminalAfterThePreviousPage) {
    testutil::TempDir dir;
    testutil::CommandShims shims;
    shims.add("clear", "printf CLEARED; echo ran >> " + dir / "ran");
    const std::string screen = dir / "screen";
    const std::string status = testutil::inChild([&] {
        // The parent's unwritten output is not this child's to write.
        __fpurge(stdout);
        const int fd = ::open(screen.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::dup2(fd, 1) < 0) return std::string("no screen file");
        noClearScreen = false;
        std::cout << "previous page";
        dialog.showHeader("T");
        std::cout.flush();
        return std::string("ok");
    });
    ASSERT_EQ(status, "ok");
    EXPECT_EQ(testutil::readFile(screen), "previous pageCLEAREDT\n" + rule + "\n\n");
    EXPECT_EQ(testutil::readFile(dir / "ran"), "ran\n");
}

}  // namespace
