#ifndef VN_WIZARD_DLGMESSAGE_H
#define VN_WIZARD_DLGMESSAGE_H

#include <string>

#include "Dialog.h"

// A notice the user acknowledges: run() gives PageResult::done.
class DlgMessage : public Dialog {
public:
    explicit DlgMessage(const std::string& text);
    ~DlgMessage() override;

    std::string text;
};

#endif
