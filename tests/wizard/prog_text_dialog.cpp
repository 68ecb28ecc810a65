// Runs one console helper on this process's own terminal or standard input, so tests can
// drive it for real:
//   prog_text_dialog [--no-clear] [--result FILE] HELPER [ARGS...]
//     showHeader TITLE | waitForEnter TEXT | readChoice LETTER | askString PROMPT DEFAULT |
//     askPath PROMPT DEFAULT 0|1 | askHost PROMPT DEFAULT | askInt PROMPT [DEFAULT] |
//     askPassword PROMPT DEFAULT | readHidden
// Prints the result in brackets on a line of its own (into FILE with --result: a typed
// password must not reach the screen), or "error (c,r,s,p) " and the error's text; exits 0,
// or 1 after an error, 2 on a bad command line. SIGINT and SIGHUP are handled as the program
// does: the handler only records the request, without SA_RESTART.
#include <signal.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "common/error.h"
#include "main/mainRoutines.h"
#include "wizard/TextDialog.h"
#include "wizard/noClearScreen.h"

namespace {

std::string runHelper(const std::vector<std::string>& a) {
    TextDialog d;
    const std::string& helper = a[0];
    const size_t n = a.size() - 1;
    if (helper == "showHeader" && n == 1) {
        d.showHeader(a[1]);
        return "";
    }
    if (helper == "waitForEnter" && n == 1) return std::to_string(d.waitForEnter(a[1]));
    if (helper == "readChoice" && n == 1) {
        const TextDialog::Choice c = d.readChoice(a[1].empty() ? ' ' : a[1][0]);
        return c.isNumber ? "number " + std::to_string(c.number) : std::string("letter ") + c.letter;
    }
    if (helper == "askString" && n == 2) return d.askString(a[1], a[2]);
    if (helper == "askPath" && n == 3) return d.askPath(a[1], a[2], a[3] == "1");
    if (helper == "askHost" && n == 2) return d.askHost(a[1], a[2]);
    if (helper == "askInt" && n == 1) return std::to_string(d.askInt(a[1]));
    if (helper == "askInt" && n == 2) return std::to_string(d.askInt(a[1], std::stoi(a[2])));
    if (helper == "askPassword" && n == 2) return d.askPassword(a[1], a[2]);
    if (helper == "readHidden" && n == 0) return d.readHidden();
    throw std::invalid_argument(helper);
}

}  // namespace

int main(int argc, char** argv) {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
    Messages::setLocale("en_US");

    std::vector<std::string> args(argv + 1, argv + argc);
    std::string resultFile;
    while (!args.empty() && args[0].rfind("--", 0) == 0) {
        if (args[0] == "--no-clear") {
            noClearScreen = true;
            args.erase(args.begin());
        } else if (args[0] == "--result" && args.size() > 1) {
            resultFile = args[1];
            args.erase(args.begin(), args.begin() + 2);
        } else {
            break;
        }
    }
    if (args.empty()) {
        std::cerr << "usage: prog_text_dialog [--no-clear] [--result FILE] HELPER [ARGS...]\n";
        return 2;
    }
    try {
        const std::string result = "[" + runHelper(args) + "]\n";
        if (resultFile.empty()) {
            std::cout << "\n" << result << std::flush;
        } else {
            std::ofstream(resultFile) << result;
        }
        return 0;
    } catch (const error& e) {
        std::cout << "\nerror " << "(" << e.e_class << "," << e.e_rep << "," << e.e_sys << "," << e.e_supp << ") "
                  << e.text() << std::flush;
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "bad command line: " << e.what() << "\n";
        return 2;
    }
}
