#ifndef VN_WIZARD_DLGYESNO_H
#define VN_WIZARD_DLGYESNO_H

#include <string>

#include "Dialog.h"

// A question answered with yes or no: run() gives PageResult::yes or PageResult::no, never a
// move between pages.
class DlgYesNo : public Dialog {
public:
    explicit DlgYesNo(const std::string& question);
    ~DlgYesNo() override;

    std::string question;
};

#endif
