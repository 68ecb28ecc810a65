#ifndef VN_WIZARD_DLGOPTIONS_H
#define VN_WIZARD_DLGOPTIONS_H

#include "../common/checked_pointer"
#include "Dialog.h"

class ParamManager;

// The settings of the selected components. The values live in the parameters themselves.
class DlgOptions : public Dialog {
public:
    explicit DlgOptions(ParamManager* paramManager);
    ~DlgOptions() override;

    // Not owned.
    checked_pointer<ParamManager> paramManager;
};

#endif
