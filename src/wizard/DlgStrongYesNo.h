#ifndef VN_WIZARD_DLGSTRONGYESNO_H
#define VN_WIZARD_DLGSTRONGYESNO_H

#include <string>

#include "Dialog.h"

// A question that must be answered with the whole word, for consequences the user should not
// accept by habit: run() gives PageResult::yes or PageResult::no.
class DlgStrongYesNo : public Dialog {
public:
    explicit DlgStrongYesNo(const std::string& question);
    ~DlgStrongYesNo() override;

    std::string question;
};

#endif
