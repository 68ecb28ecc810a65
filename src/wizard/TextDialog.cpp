#include "TextDialog.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Regexp.h"
#include "../common/TerminationState.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../common/utils.h"
#include "noClearScreen.h"

namespace {

[[noreturn]] void userLost() { throw error(4, 2, 1, 1) << Messages::getMessage("err_user_lost"); }

// After every read. A failed read is the end of input, unless a termination signal broke it
// off: the SIGINT handler has no SA_RESTART, so Ctrl-C at a question fails the read with
// EINTR, and the user must hear that the run was interrupted, not that they pressed Ctrl-D.
void checkRead() {
    if (std::cin) return;
    if (acceptTerminationRequest()) {
        std::cin.clear();
        checkTermination();
    }
    userLost();
}

std::string readAnswer() {
    std::string line;
    std::getline(std::cin, line);
    checkRead();
    return line;
}

void printPrompt(const std::string& prompt, const std::string& shownDefault) {
    std::cout << prompt;
    if (!shownDefault.empty()) std::cout << " [" << shownDefault << "]";
    std::cout << ": ";
}

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Switches the terminal's echo off while it lives, when standard input is a terminal, and
// puts the saved mode back however the read ends. The line end the user typed was not
// echoed either, so the restore prints one.
class EchoOff {
public:
    EchoOff() {
        if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &saved) != 0) return;
        termios quiet = saved;
        // ECHONL too, or the terminal would echo the line end and the restore print a second.
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
        // TCSANOW: what the user typed ahead (the retyped password, a script) stays.
        terminal = ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    }
    ~EchoOff() {
        if (!terminal) return;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::cout << "\n" << std::flush;
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios saved{};
    bool terminal = false;
};

}  // namespace

void TextDialog::showHeader(const std::string& title) {
    // The previous page's tail must reach the terminal before the screen is cleared.
    std::cout.flush();
    if (noClearScreen) {
        std::cout << "\n\n\n\n\n";
    } else {
        // Not through executeCommand: that copies the child's output into the log, and the
        // escape sequence would land there instead of on the screen.
        const int status = std::system("clear");
        (void)status;
    }
    std::cout << title << "\n" << std::string(79, '=') << "\n\n";
}

int TextDialog::waitForEnter(const std::string& text) {
    std::cout << "\n\n" << text << "\n";
    // The notices the user acknowledged belong in the log and the summary too.
    Log(1) << text << std::endl;
    std::cout << Messages::getMessage("message_press_enter") << " ";
    const int c = std::cin.get();
    checkRead();
    return c;
}

TextDialog::Choice TextDialog::readChoice(char defaultLetter) {
    for (;;) {
        std::string line;
        std::getline(std::cin, line);
        // Before the end-of-input test: a signal during the read fails it with EINTR.
        if (acceptTerminationRequest()) {
            std::cin.clear();
            checkTermination();
        }
        if (!std::cin) userLost();

        Choice choice;
        if (line.empty()) {
            choice.letter = defaultLetter;
            return choice;
        }
        if (isAsciiLetter(line[0])) {
            if (line.size() == 1) {
                choice.letter = asciiUpper(line[0]);
                return choice;
            }
        } else {
            errno = 0;
            const long value = std::strtol(line.c_str(), nullptr, 10);
            if (errno != ERANGE && value >= INT_MIN && value <= INT_MAX) {
                choice.isNumber = 1;
                choice.number = static_cast<int>(value);
                return choice;
            }
        }
        std::cout << Messages::getMessage("wizard_invalid_input") << "\n";
    }
}

std::string TextDialog::askString(const std::string& prompt, const std::string& defaultValue) {
    printPrompt(prompt, defaultValue);
    const std::string answer = readAnswer();
    return answer.empty() ? defaultValue : answer;
}

std::string TextDialog::askPath(const std::string& prompt, const std::string& defaultValue, bool mustExist) {
    for (;;) {
        printPrompt(prompt, defaultValue);
        const std::string answer = readAnswer();
        if (answer.empty()) return defaultValue;
        if (!mustExist || fileops::exists(answer)) return answer;
        std::cout << Messages::getMessage("wizard_no_such_file") << "\n";
    }
}

std::string TextDialog::askHost(const std::string& prompt, const std::string& defaultValue) {
    // Unanchored on purpose: any answer with a dot that has a character on each side passes.
    // In this expression language "\d" is a plain "d", not a digit; the first expression
    // covers every dotted address anyway.
    static const Regexp hostName(".+(\\..+)+");
    static const Regexp address("\\d+\\.\\d+\\.\\d+\\.\\d+");
    for (;;) {
        printPrompt(prompt, defaultValue);
        const std::string answer = readAnswer();
        if (answer.empty()) return defaultValue;
        if (hostName.match(answer) || address.match(answer)) return answer;
        std::cout << Messages::getMessage("err_not_hostname") << "\n";
    }
}

int TextDialog::askInt(const std::string& prompt, int defaultValue) {
    const bool hasDefault = defaultValue != noDefault;
    for (;;) {
        printPrompt(prompt, hasDefault ? std::to_string(defaultValue) : std::string());
        const std::string answer = readAnswer();
        if (answer.empty() && hasDefault) return defaultValue;
        try {
            return stringToInt(answer);
        } catch (const error&) {
            std::cout << Messages::getMessage("wizard_invalid_input") << "\n";
        }
    }
}

std::string TextDialog::askPassword(const std::string& prompt, const std::string& defaultValue) {
    for (;;) {
        printPrompt(prompt, std::string(defaultValue.size(), '*'));
        const std::string first = readHidden();
        if (first.empty()) {
            if (!defaultValue.empty()) return defaultValue;
            continue;
        }
        std::cout << Messages::getMessage("retype_password");
        const std::string second = readHidden();
        if (first == second) return first;
        std::cout << Messages::getMessage("err_passwds_missmatch") << "\n";
    }
}

std::string TextDialog::readHidden() {
    // The prompt must be on the screen before the user types blind.
    std::cout.flush();
    std::string line;
    {
        EchoOff hidden;
        std::getline(std::cin, line);
    }
    checkRead();
    return line;
}
