#include "SourceSysDeb.h"

#include <ostream>
#include <vector>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/ShellQuote.h"
#include "../common/SystemCmd.h"
#include "../common/error.h"
#include "../common/exec_cmd.h"
#include "../installers/reportProgressStep.h"
#include "../packages/Repository.h"

namespace {

// dpkg-query writes six lines per package; awk keeps the packages whose status begins
// "install ok" (installed, unpacked, half-configured...), grep drops their status lines, and
// what is left is one record of the package cache text format per package. The ".deb" file
// name makes the reader create Debian packages.
const char* const listingCommand =
    "dpkg-query --show '--showformat=s:${Status}\\nF:${Package}_installed.deb\\nN:${Package}\\nV:${Version}\\n"
    "A:${Architecture}\\nX:\\n'| awk '/^s:install ok/,/^X:/ { print $0}'| grep -v '^s:' ";

const char* const versionQuery = "dpkg-query --show '--showformat=${Status}\\n${Version}\\n' ";

}  // namespace

SourceSysDeb::SourceSysDeb(Repository* repository) : Source(repository) {}

SourceSysDeb::~SourceSysDeb() = default;

void SourceSysDeb::downloadPackage(Package*) {}

void SourceSysDeb::doGetBrief() {
    reportProgressStep("check_system_packages", Messages::getMessage("check_system_packages"));
    Log(1) << "DebRepository: readSystemPackagesBrief: execute " << listingCommand << std::endl;
    try {
        SystemCmd listing(listingCommand, SystemCmd::read_mode, true);
        repository->addFromCache(listing.fp, 's', Repository::DUPS_KEEP_ALL, this);
        // The status is grep's: also non-zero when no package passed the filter. Raised while
        // the command still lives, so ending it only logs the failure.
        if (listing.wait() != 0) throw error(4, 2, 2, 2) << "dpkg-query command failed";
    } catch (error& e) {
        // A new line only: the codes stay as the failure set them.
        e.qualify(0, 0, 0, 0) << Messages::getMessage("err_deb_info_brief");
        throw;
    }
}

void SourceSysDeb::doGetFull() {}

std::string SourceSysDeb::getPkgVersionFromSystemDirectly(const std::string& name) {
    std::vector<std::string> lines;
    try {
        lines = getCommandOutput(versionQuery + shellQuote(name) + " 2>/dev/null", "");
    } catch (const error&) {
        // dpkg-query exits non-zero for a package it does not know.
        lines.clear();
    }
    // Held, unpacked or removed packages do not count as installed.
    if (lines.size() == 2 && lines[0] == "install ok installed") {
        const std::string version = lines[1].substr(0, lines[1].find('-'));
        Log(3) << "DEBUG: SourceSysDeb::getPkgVersionFromSystemDirectly " << name << " version " << version
               << " installed in system\n";
        return version;
    }
    Log(3) << "DEBUG: SourceSysDeb::getPkgVersionFromSystemDirectly " << name << " not installed in system\n";
    return "";
}
