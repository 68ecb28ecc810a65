#ifndef VN_WIZARD_TEXTDLGMESSAGE_H
#define VN_WIZARD_TEXTDLGMESSAGE_H

#include "DlgMessage.h"
#include "TextDialog.h"

// The text, then a wait for Enter; the text also goes to the log at level 1.
class TextDlgMessage : public DlgMessage, public TextDialog {
public:
    using DlgMessage::DlgMessage;
    ~TextDlgMessage() override;
    int run() override;
};

#endif
