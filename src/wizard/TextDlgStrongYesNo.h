#ifndef VN_WIZARD_TEXTDLGSTRONGYESNO_H
#define VN_WIZARD_TEXTDLGSTRONGYESNO_H

#include "DlgStrongYesNo.h"
#include "TextDialog.h"

// The question once, then a line that must be exactly "Yes", or one of "No", "no", "N", "n"
// (an empty line is "N"); anything else asks for a listed answer, without the question.
class TextDlgStrongYesNo : public DlgStrongYesNo, public TextDialog {
public:
    using DlgStrongYesNo::DlgStrongYesNo;
    ~TextDlgStrongYesNo() override;
    int run() override;
    void show();
};

#endif
