#ifndef VN_WIZARD_TEXTDLGYESNO_H
#define VN_WIZARD_TEXTDLGYESNO_H

#include "DlgYesNo.h"
#include "TextDialog.h"

// The question, then Y or N. There is no default: an empty line is no answer. Draws below
// whatever is on the screen.
class TextDlgYesNo : public DlgYesNo, public TextDialog {
public:
    using DlgYesNo::DlgYesNo;
    ~TextDlgYesNo() override;
    int run() override;
    void show();
};

#endif
