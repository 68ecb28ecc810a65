#ifndef VN_WIZARD_DLGFREEBSDPORTS_H
#define VN_WIZARD_DLGFREEBSDPORTS_H

#include <string>

#include "Dialog.h"

// The ports collection a FreeBSD installation uses. The driver fills it from the ports
// configurator's settings and writes the tarball, the distfiles locations and the cvsup host
// back after the page went on.
class DlgFreeBSDPorts : public Dialog {
public:
    DlgFreeBSDPorts(const std::string& portsTarball, const std::string& portsDir, const std::string& distfiles,
                    const std::string& cvsupHost);
    ~DlgFreeBSDPorts() override;

    // URL or local path of the ports tarball; empty when none is used.
    std::string portsTarball;
    // Where the tarball is unpacked; shown, never changed.
    std::string portsDir;
    // Blank-separated locations (shell-like quoting) that replace the default distfile sites.
    std::string distfiles;
    // The cvsup server that updates the ports collection; empty: no update.
    std::string cvsupHost;
};

#endif
