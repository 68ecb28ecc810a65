#include "RHNChecker.h"

#include <string>

#include "../common/Log.h"
#include "../common/Opsys.h"
#include "../common/error.h"
#include "../common/fileops.h"

namespace {

const char* const systemIdFile = "/etc/sysconfig/rhn/systemid";

}  // namespace

RHNChecker::RHNChecker() : configured(false) {
    try {
        const Opsys os;
        const std::string vendor = os.os_vendor();
        if (vendor != "RedHat") {
            Log(3) << "DEBUG: RHNChecker: os vendor not RedHat: " << vendor << "\n";
            return;
        }
        if (fileops::exists(systemIdFile)) {
            Log(2) << "Notice: seems up2date is configured and ready to use.\n";
            configured = true;
        } else {
            Log(2) << "Notice: seems up2date is not configured: absent " << systemIdFile << "\n";
        }
    } catch (const error& e) {
        Log(2) << "Error in check RedHat Network up2date configuration: " << e.text() << "\n";
        configured = false;
    }
}

bool RHNChecker::isYumBased() const {
    if (!configured) return false;
    const std::string version = Opsys().version();
    // Compared as signed characters on purpose: letters above '4' count, bytes of 128 and more
    // (negative) never do.
    return version.size() > 2 && version.compare(0, 2, "el") == 0 &&
           static_cast<signed char>(version[2]) > static_cast<signed char>('4');
}
