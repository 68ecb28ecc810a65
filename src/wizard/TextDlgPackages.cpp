#include "TextDlgPackages.h"

#include <signal.h>
#include <stdio.h>

#include <iostream>
#include <sstream>
#include <string>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/exec_cmd.h"
#include "../common/fileops.h"
#include "../reporting/PackagesReporter.h"
#include "DlgMessage.h"
#include "TextDlgMaker.h"

namespace {

const char* const lessCommand = "less -m -C -Pm\"Use arrow keys for navigation and 'q' to return to installer\"";
const char* const moreCommand = "more -d";

// Ignores SIGPIPE while it lives: a pager that the user quits early closes its end of the
// pipe, and the next write must fail with EPIPE instead of killing the installer.
class PipeSignalIgnored {
public:
    PipeSignalIgnored() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        saved = ::sigaction(SIGPIPE, &ignore, &previous) == 0;
    }
    ~PipeSignalIgnored() {
        if (saved) ::sigaction(SIGPIPE, &previous, nullptr);
    }
    PipeSignalIgnored(const PipeSignalIgnored&) = delete;
    PipeSignalIgnored& operator=(const PipeSignalIgnored&) = delete;

private:
    struct sigaction previous {};
    bool saved;
};

// Runs the pager with the text on its standard input and waits for it; false when it could
// not be started.
bool page(const char* command, const std::string& text) {
    std::cout.flush();
    FILE* pipe = ::popen(command, "w");
    if (!pipe) {
        Log(2) << "cannot start the pager '" << command << "'\n";
        return false;
    }
    {
        // Only now: the pager itself must not start with SIGPIPE ignored.
        PipeSignalIgnored guard;
        size_t written = 0;
        while (written < text.size()) {
            const size_t n = ::fwrite(text.data() + written, 1, text.size() - written, pipe);
            if (n == 0) break;  // EPIPE: the pager is gone
            written += n;
        }
        ::pclose(pipe);
    }
    return true;
}

void emptyMessage() { createTextDlgMaker()->createMessage("")->run(); }

}  // namespace

TextDlgPackages::~TextDlgPackages() = default;

void TextDlgPackages::show() {
    showHeader(Messages::getMessage("packages_page_hdr"));
    std::cout << Messages::getMessage("packages_page_body1") << newCount << Messages::getMessage("packages_page_body2")
              << "\n";
    std::cout << Messages::getMessage("packages_page_body3") << upgradeCount
              << Messages::getMessage("packages_page_body4") << "\n";
    if (removeCount > 0)
        std::cout << Messages::getMessage("packages_page_body5") << removeCount
                  << Messages::getMessage("packages_page_body6") << "\n";
    if (kernelInList) std::cout << Messages::getMessage("packages_install_kernel") << "\n";
    std::cout << "\n\n" << Messages::getMessage("packages_page_bottom");
}

int TextDlgPackages::run() {
    for (;;) {
        show();
        const Choice choice = readChoice('N');
        const char letter = choice.isNumber ? 0 : choice.letter;
        switch (letter) {
            case 'L':
                return PageResult::previous;
            case 'N':
                if (askKernel()) return PageResult::next;
                break;
            case 'Q':
                return PageResult::quit;
            case 'S':
                showPackages();
                break;
            default:
                waitForEnter(Messages::getMessage("wizard_listed_only"));
        }
    }
}

void TextDlgPackages::showPackages() {
    try {
        std::ostringstream buffer;
        // The text form even in XML-output runs: people read it.
        PackagesReporter(&installList, repository.get()).putText(buffer);
        const std::string text = buffer.str();
        if (executeCommand("less --version", false, false) == 0) {
            if (page(lessCommand, text)) return;
        } else if (fileops::exists("/bin/more") && fileops::is_file("/bin/more")) {
            if (page(moreCommand, text)) {
                emptyMessage();
                return;
            }
        }
        Log(0) << Messages::getMessage("err_no_pagers") << "\n";
        std::cout << text << "\n";
        emptyMessage();
    } catch (error& e) {
        e.qualify(4, 1, 1, 2) << Messages::getMessage("err_show_pkglist");
        throw;
    }
}
