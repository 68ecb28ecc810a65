#ifndef VN_WIZARD_DLGDISKSPACE_H
#define VN_WIZARD_DLGDISKSPACE_H

#include <cstdint>
#include <string>

#include "Dialog.h"

// The space the installation needs in the download directory against the space free there.
class DlgDiskSpace : public Dialog {
public:
    // Measures the free space once; 0 when it cannot be measured.
    DlgDiskSpace(const std::string& directory, uint64_t required);
    ~DlgDiskSpace() override;

    // Strictly less than what is free: equal is not enough.
    bool hasEnoughSpace() const { return required < available; }

    // KiB; 0 when the driver has no figure.
    uint64_t required;
    // KiB.
    uint64_t available;
    std::string directory;
};

#endif
