#ifndef VN_WIZARD_DLGHELLO_H
#define VN_WIZARD_DLGHELLO_H

#include "Dialog.h"

// The welcome page: next or quit, never back.
class DlgHello : public Dialog {
public:
    DlgHello();
    ~DlgHello() override;
};

#endif
