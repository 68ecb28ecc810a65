#ifndef VN_TESTS_SUPPORT_TMUXSESSION_H
#define VN_TESTS_SUPPORT_TMUXSESSION_H

#include <map>
#include <string>
#include <vector>

#include "support/TestUtil.h"

namespace testutil {

// A program on a real terminal: the only pane of a private tmux server, with its own socket
// and configuration (no user or system tmux.conf), a fixed size and a history long enough to
// keep everything the program printed. The program runs under /bin/sh, which writes its exit
// status into a file when it ends; the pane and its screen stay as they are afterwards. The server is killed
// when the object goes (run it inside the namespace helper, where it cannot outlive the test).
class TmuxSession {
public:
    struct Settings {
        int width = 100;
        int height = 30;
        // Added to (or, with the value testutil::unset, removed from) the program's environment.
        std::map<std::string, std::string> env;
        // The program's working directory; empty: the test's.
        std::string directory;
    };

    explicit TmuxSession(const std::vector<std::string>& argv);
    TmuxSession(const std::vector<std::string>& argv, const Settings& settings);
    ~TmuxSession();
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    // Types the text as it is (no key names are looked up).
    void sendKeys(const std::string& text);
    // Presses keys by their tmux names: "Enter", "C-c", "C-d", "Up", ...
    void pressKey(const std::string& key);

    // Everything the pane shows and has scrolled away, wrapped lines joined, trailing blanks
    // of a line dropped.
    std::string screen() const;
    // Only what the pane shows now.
    std::string visible() const;
    // The pane's terminal device (to inspect its modes from outside while the program runs).
    std::string tty() const;

    // Polls screen() until it contains `text`; false after `timeoutSeconds`.
    bool waitFor(const std::string& text, double timeoutSeconds = 10);
    // Waits until a process started in the pane is blocked reading its standard input, so a
    // key sent now (Ctrl-C above all) meets the read and not the code before it; false after
    // `timeoutSeconds`.
    bool waitForRead(double timeoutSeconds = 10);
    // The program's exit status once it has ended (128 + signal when killed); -1 when it is
    // still running after `timeoutSeconds`.
    int waitForExit(double timeoutSeconds = 10);

private:
    RunResult tmux(std::vector<std::string> args) const;

    TempDir dir;
    std::string socket;
    std::string statusFile;
};

}  // namespace testutil

#endif
