#include "SourceSysRPM.h"

#include <cstdio>
#include <ostream>
#include <vector>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/ShellQuote.h"
#include "../common/SystemCmd.h"
#include "../common/error.h"
#include "../common/exec_cmd.h"
#include "../common/fileops.h"
#include "../installers/reportProgressStep.h"
#include "../packages/Repository.h"

namespace {

// Both queries write records of the package cache text format; "\\n" reaches rpm as the two
// characters that it turns into a line feed.
const char* const briefQuery =
    "rpm -qa --queryformat 'F:system_installed_brief_%{NAME}-%{VERSION}-%{RELEASE}.rpm\\nN:%{NAME}\\n"
    "E:%{EPOCH}\\nV:%{VERSION}\\nL:%{RELEASE}\\nA:%{ARCH}\\nf:%{INSTALLTIME}\\nB:%{BUILDTIME}\\nX:\\n' ";

const char* const cacheFile = "/tmp/vantrell_system_packages.cache";

// Files come as a provide followed by their mode and digest (or link target).
const char* const fullQuery =
    "rpm -qa --queryformat 'F:system_installed_%{NAME}-%{VERSION}-%{RELEASE}.%{ARCH}.rpm\\nN:%{NAME}\\n"
    "E:%{EPOCH}\\nV:%{VERSION}\\nL:%{RELEASE}\\nA:%{ARCH}\\nf:%{INSTALLTIME}\\nB:%{BUILDTIME}\\n"
    "[R:%{REQUIRENAME} %{REQUIREFLAGS:depflags} %{REQUIREVERSION}\\n]"
    "[P:%{PROVIDENAME} %{PROVIDEFLAGS:depflags} %{PROVIDEVERSION}\\n]"
    "[P:%{FILENAMES}\\nm:%{FILEMODES}\\n5:%{FILEMD5S}%{FILELINKTOS}\\n]"
    "[C:%{CONFLICTNAME} %{CONFLICTFLAGS:depflags} %{CONFLICTVERSION}\\n]"
    "[O:%{OBSOLETENAME} %{OBSOLETEFLAGS:depflags} %{OBSOLETEVERSION}\\n]X:\\n'  > "
    "/tmp/vantrell_system_packages.cache";

const char* const versionQuery = "rpm -q --queryformat '%{VERSION}\\n' ";

}  // namespace

SourceSysRPM::SourceSysRPM(Repository* repository) : Source(repository) {}

SourceSysRPM::~SourceSysRPM() = default;

void SourceSysRPM::downloadPackage(Package*) {}

void SourceSysRPM::doGetBrief() {
    reportProgressStep("check_system_packages", Messages::getMessage("check_system_packages"));
    try {
        // Ending the query tests rpm's exit status, unless a reader error is already leaving.
        SystemCmd query(briefQuery, SystemCmd::read_mode, true);
        repository->addFromCache(query.fp, 's', Repository::DUPS_KEEP_ALL, this);
    } catch (error& e) {
        e.qualify(4, 1, 1, 2) << Messages::getMessage("err_rpm_info_brief");
        throw;
    }
}

void SourceSysRPM::doGetFull() {
    reportProgressStep("read_system_packages", Messages::getMessage("read_system_packages"));
    // The inventory of the host is nobody else's business, and the fixed name in /tmp must not
    // lead the shell's redirection anywhere else: the file is made ours and private first, so
    // the redirection only truncates it (the sticky /tmp keeps others from replacing it).
    fileops::FileIdentity made;
    try {
        made = fileops::create_private_file(cacheFile);
        executeCommand(fullQuery, false, true);
    } catch (error& e) {
        e.qualify(4, 1, 1, 2) << Messages::getMessage("err_rpm_info_full");
        throw;
    }

    Log(1) << "read cache file" << std::endl;
    FILE* file = fileops::open_private_file(cacheFile, made);
    if (!file) throw error(4, 1, 1, 2) << Messages::getMessage("err_rpm_info_full_read");
    try {
        repository->addFromCache(file, 's', Repository::DUPS_REPLACE_SAME_SOURCE, this);
    } catch (...) {
        std::fclose(file);
        throw;
    }
    if (std::fclose(file) != 0) throw error(4, 1, 1, 2) << Messages::getMessage("err_rpm_info_full_read_done");
}

std::string SourceSysRPM::getPkgVersionFromSystemDirectly(const std::string& name) {
    std::vector<std::string> lines;
    try {
        lines = getCommandOutput(versionQuery + shellQuote(name), "");
    } catch (const error&) {
        // rpm exits non-zero for a package it does not know.
        lines.clear();
    }
    // Several lines: installed in several versions, none of which is "the" version.
    if (lines.size() == 1) {
        Log(3) << "DEBUG: SourceSysRPM::getPkgVersionFromSystemDirectly " << name << " version " << lines[0]
               << " installed in system\n";
        return lines[0];
    }
    Log(3) << "DEBUG: SourceSysRPM::getPkgVersionFromSystemDirectly " << name << " not installed in system\n";
    return "";
}
