#ifndef VN_WIZARD_TEXTDLGHELLO_H
#define VN_WIZARD_TEXTDLGHELLO_H

#include "DlgHello.h"
#include "TextDialog.h"

// The welcome page: N (or Enter) goes on, Q quits; anything else asks for a listed letter
// and draws the page again.
class TextDlgHello : public DlgHello, public TextDialog {
public:
    using DlgHello::DlgHello;
    ~TextDlgHello() override;
    int run() override;
    void show();
};

#endif
