#include "support/UsrBinOverlay.h"

#include <gtest/gtest.h>

#include "common/ShellQuote.h"
#include "support/TestUtil.h"

namespace testutil {

void overlayUsrBin(const std::map<std::string, std::string>& copies, const std::vector<std::string>& whiteouts) {
    std::string command = "set -e; mkdir -p /tmp/vn-usrbin/upper /tmp/vn-usrbin/work; ";
    for (const auto& copy : copies)
        command += "cp " + shellQuote(copy.second) + " /tmp/vn-usrbin/upper/" + shellQuote(copy.first) + "; ";
    for (const std::string& name : whiteouts) command += "mknod /tmp/vn-usrbin/upper/" + shellQuote(name) + " c 0 0; ";
    command +=
        "mount -t overlay vn-usrbin -o lowerdir=/usr/bin,upperdir=/tmp/vn-usrbin/upper,workdir=/tmp/vn-usrbin/work "
        "/usr/bin";
    const RunResult r = shell(command);
    ASSERT_EQ(r.status, 0) << command << "\n" << r.out << r.err;
}

}  // namespace testutil
