#ifndef VN_TESTS_INSTALLERS_INSTALLOPTIONS_H
#define VN_TESTS_INSTALLERS_INSTALLOPTIONS_H

#include "main/Options.h"

namespace installertest {

// The settings of a run started with no arguments; tests change what they need.
inline Options& options() {
    static char name[] = "vantrell";
    static char* argv[] = {name, nullptr};
    commandLineArgs.argc = 1;
    commandLineArgs.argv = argv;
    return Options::instance();
}

// The same, with every switch the installers read back at its plain value: no debug output,
// no cache of the installed packages, packages installed after the download, the host's
// packages not upgraded, major updates allowed.
inline Options& plainOptions() {
    Options& o = options();
    o.debug = false;
    o.systemPackagesCacheFile.clear();
    o.downloadOnly = false;
    o.upgradeSystemPackages = false;
    o.disableMajorUpdates = false;
    return o;
}

}  // namespace installertest

#endif
