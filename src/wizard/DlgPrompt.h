#ifndef VN_WIZARD_DLGPROMPT_H
#define VN_WIZARD_DLGPROMPT_H

#include <string>

#include "Dialog.h"

// One line of free text: run() stores what the user typed, or defaultAnswer for an empty
// line, in `answer` and gives PageResult::done.
class DlgPrompt : public Dialog {
public:
    DlgPrompt(const std::string& question, const std::string& defaultAnswer);
    ~DlgPrompt() override;

    std::string question;
    std::string defaultAnswer;
    // Empty until the page has run.
    std::string answer;
};

#endif
