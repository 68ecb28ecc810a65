#ifndef VN_WIZARD_TEXTDLGDISKSPACE_H
#define VN_WIZARD_TEXTDLGDISKSPACE_H

#include "DlgDiskSpace.h"
#include "TextDialog.h"

// Required and available space in MiB; 'N' goes on only when the space suffices.
class TextDlgDiskSpace : public DlgDiskSpace, public TextDialog {
public:
    using DlgDiskSpace::DlgDiskSpace;
    ~TextDlgDiskSpace() override;
    // 200, 201 or 202.
    int run() override;
    void show();
};

#endif
