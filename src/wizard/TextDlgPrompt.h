#ifndef VN_WIZARD_TEXTDLGPROMPT_H
#define VN_WIZARD_TEXTDLGPROMPT_H

#include "DlgPrompt.h"
#include "TextDialog.h"

// One askString with the question and the default; the answer is stored in `answer`.
class TextDlgPrompt : public DlgPrompt, public TextDialog {
public:
    using DlgPrompt::DlgPrompt;
    ~TextDlgPrompt() override;
    int run() override;
};

#endif
