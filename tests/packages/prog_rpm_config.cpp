// Constructs two rpm packages in a fresh process, so that librpm's configuration is read here
// for the first time, whatever the environment (RPM_CONFIGDIR) makes of it. Prints each
// outcome and then the summary log, where the level-1 lines go.
#include <iostream>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/error.h"
#include "packages/RPMPackage.h"

int main() {
    Messages::setLocale("en_US");
    for (int attempt = 1; attempt <= 2; ++attempt) {
        try {
            RPMPackage p("probe", "1.0-1");
            std::cout << "made " << p.toString() << "\n";
        } catch (const error& e) {
            std::cout << "(" << e.e_class << "," << e.e_rep << "," << e.e_sys << "," << e.e_supp << ") " << e.text();
        }
    }
    std::cout << "summary:\n" << Log::summaryText();
    return 0;
}
