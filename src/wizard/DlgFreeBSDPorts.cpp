#include "DlgFreeBSDPorts.h"

DlgFreeBSDPorts::DlgFreeBSDPorts(const std::string& portsTarball, const std::string& portsDir,
                                 const std::string& distfiles, const std::string& cvsupHost)
    : portsTarball(portsTarball), portsDir(portsDir), distfiles(distfiles), cvsupHost(cvsupHost) {}

DlgFreeBSDPorts::~DlgFreeBSDPorts() = default;
