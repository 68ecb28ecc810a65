#ifndef VN_WIZARD_TEXTDIALOG_H
#define VN_WIZARD_TEXTDIALOG_H

#include <climits>
#include <string>

// The console helpers of every text page: a console page derives from its abstract page first
// and from this class second, and calls these on itself. No data, no virtual functions.
//
// Output goes to std::cout, input comes line by line from std::cin (tests swap their buffers).
// Every text shown is a catalogue text. When the input has ended, every read raises
// (4,2,1,1) "err_user_lost"; a read broken off by a termination request (SIGINT and SIGHUP are
// installed without SA_RESTART) raises the termination error instead. A last line without a
// line end is an ordinary answer.
class TextDialog {
public:
    // What readChoice read: a number, or a letter upper-cased.
    struct Choice {
        int isNumber = 0;  // 1 for a number, 0 for a letter
        int number = 0;    // 0 for a letter
        char letter = 0;   // 0 for a number
    };

    // askInt's default that means "no default".
    static constexpr int noDefault = INT_MIN;

    // Clears the screen ("clear" through the shell; five empty lines with noClearScreen), then
    // the title and a rule of 79 "=".
    void showHeader(const std::string& title);

    // Shows the text (also written to the log at level 1) and waits for Enter. Reads exactly
    // one character and returns it: the rest of the line is left for the next read.
    int waitForEnter(const std::string& text);

    // One page choice; the page's bottom text is the prompt. An empty line is the default
    // letter; a single letter is that letter; a line not starting with a letter is read as a
    // number (strtol). Anything else says "wizard_invalid_input" and reads the next line. A
    // termination request pending after the line was read ends the wizard.
    Choice readChoice(char defaultLetter);

    // Each asks "prompt [default]: " (no brackets for an empty default) and returns the answer
    // as typed, or the default, unchecked, for an empty line.
    std::string askString(const std::string& prompt, const std::string& defaultValue);
    // With mustExist, asks again until the answer names an existing file or directory.
    std::string askPath(const std::string& prompt, const std::string& defaultValue, bool mustExist);
    // Asks again until the answer looks like a host name or an IPv4 address.
    std::string askHost(const std::string& prompt, const std::string& defaultValue);
    // Digits and signs only, else asks again. Without a default an empty answer is 0.
    int askInt(const std::string& prompt, int defaultValue = noDefault);
    // Read without echo and typed twice; the default shows as one "*" per character. Without
    // a default an empty answer is not accepted.
    std::string askPassword(const std::string& prompt, const std::string& defaultValue);

    // One line read from std::cin with the terminal's echo off (when it is a terminal); the
    // echo comes back however the read ends.
    std::string readHidden();
};

#endif
