#include "DebianAPTConfigurator.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/Regexp.h"
#include "../common/ScopedFd.h"
#include "../common/ShellQuote.h"
#include "../common/SystemCmd.h"
#include "../common/error.h"
#include "../common/exec_cmd.h"
#include "../common/fileops.h"
#include "../common/readLine.h"
#include "../common/utils.h"
#include "../components/SourceManager.h"
#include "../packages/DebPackage.h"
#include "../sources/Downloader.h"
#include "../sources/SourceUrl.h"

const char* const DebianAPTConfigurator::sourcesList = "/etc/apt/sources.list";
const char* const DebianAPTConfigurator::sourcesListBackup = "/etc/apt/sources.list.vn_back";
const char* const DebianAPTConfigurator::sourcesListDir = "/etc/apt/sources.list.d";
const char* const DebianAPTConfigurator::listFile = "/etc/apt/sources.list.d/50ql_vantrell.list";

namespace {

const int lineNoAptData = 140;

// The comment lines above the source lines; the first one ends with a blank.
const char* const commentLines =
    "## This is temporary appended by Vantrell for \n"
    "## specify source of product's packages for APT.\n";

std::string formatted(const char* key, const std::string& value) {
    return (boost::format(Messages::getMessage(key)) % value).str();
}

std::string fileMessage(const char* key, const std::string& path, int e) {
    return (boost::format(Messages::getMessage(key)) % path % std::strerror(e)).str();
}

// A file of APT's configuration opened for writing; every failure raises (4,1,1,2) with the
// path and the system's reason.
class WrittenFile {
public:
    WrittenFile(const std::string& path, int flags) : path(path), fd(::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, 0644)) {
        if (fd.fd < 0) throw error(4, 1, 1, 2) << fileMessage("err_filewrite1", path, errno);
    }
    void write(const std::string& text) {
        const char* p = text.data();
        size_t n = text.size();
        while (n > 0) {
            const ssize_t w = ::write(fd.fd, p, n);
            if (w < 0 && errno == EINTR) continue;
            // A short write is followed by the failing one; without a reason, the disk is full.
            if (w <= 0) throw error(4, 1, 1, 2) << fileMessage("err_filewrite2", path, w < 0 ? errno : ENOSPC);
            p += w;
            n -= static_cast<size_t>(w);
        }
    }
    void close() {
        if (::close(fd.release()) != 0) throw error(4, 1, 1, 2) << fileMessage("err_filewrite2", path, errno);
    }

private:
    std::string path;
    ScopedFd fd;
};

// The digits at the start of `text`.
std::string leadingNumber(const std::string& text) {
    size_t n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
    return text.substr(0, n);
}

// Whether a release of APT's sources ("v=" up to the last comma of a policy line) is the
// host's. Debian 7 and later: the point releases move on in the archive while the host keeps
// the version it was installed with, so only the major numbers count. Elsewhere the release
// begins with the host's major.minor.
bool isHostRelease(const std::string& listed, const Opsys& os, const std::string& release) {
    const std::string hostMajor = leadingNumber(os.version());
    if (os.os_vendor() == "Debian" && !hostMajor.empty() && std::stoul(hostMajor.substr(0, 9)) >= 7)
        return leadingNumber(listed) == hostMajor;
    return listed.compare(0, release.size(), release) == 0;
}

// The section ("c=" field) among the comma-separated fields of `fields`; "" without one.
std::string sectionOf(const std::string& fields) {
    size_t start = 0;
    while (start <= fields.size()) {
        size_t end = fields.find(',', start);
        if (end == std::string::npos) end = fields.size();
        if (fields.compare(start, 2, "c=") == 0) return fields.substr(start + 2, end - start - 2);
        start = end + 1;
    }
    return "";
}

}  // namespace

DebianAPTConfigurator::DebianAPTConfigurator(const std::string& sourceLocation, ComponentManager&,
                                             SourceManager& sources)
    : cdrom_in_sources(false),
      sourceManager(sources),
      sourceLocation(sourceLocation),
      sources_list_changed(false),
      apt_conf_d_used(false),
      restored(false) {}

DebianAPTConfigurator::~DebianAPTConfigurator() {
    if (!restored) restoreQuietly();
}

void DebianAPTConfigurator::doConfigure() {
    setHttpProxyVariable();
    writeSourceLines();
    aptGetUpdate(true);
    checkSourceForCurrentRelease();
}

void DebianAPTConfigurator::reconfigureSources() {
    restoreSourcesList();
    writeSourceLines();
    aptGetUpdate(true);
}

void DebianAPTConfigurator::restore() {
    if (restored) return;
    restored = true;
    Log(3) << "~DebianAPTConfigurator: apt_conf_d_used=" << (apt_conf_d_used ? "true" : "false") << "\n";
    if (apt_conf_d_used) {
        // The list file is APT's only change; the next update of the index forgets its lines.
        if (fileops::exists(listFile)) fileops::remove(listFile);
        apt_conf_d_used = false;
    } else if (sources_list_changed) {
        restoreSourcesList();
        aptGetUpdate(false);
    }
}

void DebianAPTConfigurator::setHttpProxyVariable() {
    const Downloader::Proxy& proxy = Downloader::proxy;
    if (proxy.host.empty()) return;
    std::string value = "http://";
    if (!proxy.user.empty()) value += percentEncoded(proxy.user) + ":" + percentEncoded(proxy.password) + "@";
    value += proxy.host + ":" + std::to_string(proxy.port);
    if (::setenv("http_proxy", value.c_str(), 1) != 0) Log(0) << Messages::getMessage("err_set_proxyvar") << "\n";
}

void DebianAPTConfigurator::restoreSourcesList() {
    if (!fileops::exists(sourcesListBackup)) return;
    // One rename: sources.list is never missing, whatever happens meanwhile.
    fileops::rename(sourcesListBackup, sourcesList);
    sources_list_changed = false;
}

void DebianAPTConfigurator::writeSourceLines() {
    restoreSourcesList();

    std::vector<std::string> lines;
    for (const SourceManager::AptSource& record : sourceManager.getAptSources())
        lines.push_back(getSourceLine(record.aptRepository, record.aptSource, record.baseDir));
    restored = false;

    if (fileops::exists(sourcesList)) {
        sources_list_changed = false;
        std::vector<std::string> missing;
        for (const std::string& line : lines)
            if (!fileHasLine(sourcesList, line.c_str())) missing.push_back(trim(line));
        if (missing.empty()) {
            Log(1) << "all source lines is already in source list, sources.list is not modified\n";
            return;
        }
        try {
            if (fileops::exists(sourcesListBackup)) fileops::remove(sourcesListBackup);
            fileops::copy_file(sourcesList, sourcesListBackup);
            // The restore renames the backup over the file: it must have the file's mode.
            struct stat st;
            if (::stat(sourcesList, &st) != 0 || ::chmod(sourcesListBackup, st.st_mode & 07777) != 0)
                throw error(4, 1, 1, 2) << fileMessage("err_filewrite1", sourcesListBackup, errno);
        } catch (error& e) {
            e.qualify(4, 1, 1, 2) << formatted("err_srclist_backup", sourcesList);
            throw;
        }
        // From here on a partial append is undone by the restore.
        sources_list_changed = true;

        WrittenFile file(sourcesList, O_APPEND);
        file.write(std::string("\n") + commentLines);
        for (const std::string& line : missing) {
            Log(1) << "add line '" << line << "' to source.list\n";
            file.write(line + "\n");
        }
        file.close();
        return;
    }

    if (!fileops::is_directory(sourcesListDir)) throw error(0, 0, 0, 0) << "Can't configure APT sources";
    // Set before the file is opened, so that whatever got written is removed again.
    apt_conf_d_used = true;
    WrittenFile file(listFile, O_CREAT | O_TRUNC);
    file.write(commentLines);
    for (const std::string& line : lines) {
        Log(1) << "add line '" << line << "' to source list\n";
        file.write(line + "\n");
    }
    file.close();
}

std::string DebianAPTConfigurator::getSourceLine(const std::string& aptRepository, const std::string& aptSource,
                                                 const std::string& baseDir) const {
    std::string line;
    if (!aptSource.empty()) {
        line = "deb ";
        if (isAbsolutePath(sourceLocation)) line += "file://";
        std::string dir = urlDirname(sourceLocation);
        Log(3) << "DEBUG: getSourceLine: src 1 = " << dir << "\n";
        if (!urlBasename(sourceLocation).empty()) {
            // The location names a file (a product list): the description's path below the
            // update source root starts with the directory after the first '/' of apt_source;
            // the location is cut back to where that directory begins. Without a '/' there is
            // nothing to cut back to.
            const size_t slash = aptSource.find('/');
            if (slash != std::string::npos) {
                const size_t blank = aptSource.find(' ');
                const size_t end = (blank == std::string::npos || blank < slash) ? aptSource.size() : blank;
                const std::string stopBefore = aptSource.substr(slash + 1, end - slash - 1);
                Log(3) << "DEBUG: getSourceLine: variable stop_before=" << stopBefore << "\n";
                const size_t at = stopBefore.empty() ? std::string::npos : dir.find(stopBefore);
                if (at != std::string::npos) dir.erase(at);
            }
        }
        line += dir;
        if (!baseDir.empty()) line += baseDir + "/";
        line += aptSource;
    } else {
        if (aptRepository.empty()) throw internalError("DebianAPTConfigurator", lineNoAptData);
        Log(2) << "Warning: deprecated attribute from config used: apt_repository\n";
        const std::string dist = Opsys().os_vendor() == "Ubuntu" ? "ubuntu" : "debian";
        if (isAbsolutePath(sourceLocation)) {
            line = "deb file://" + sourceLocation.substr(0, sourceLocation.rfind('/')) + "/" + dist + " " +
                   aptRepository + "/";
        } else {
            std::string location = sourceLocation;
            fileops::ensure_trailing(location, '/');
            line = "deb " + location + dist + " " + aptRepository + "/";
        }
    }
    Log(2) << "Calculated source line is '" << line << "'\n";
    return line;
}

void DebianAPTConfigurator::aptGetUpdate(bool echo) {
    Log(0) << Messages::getMessage("process_apt_get_update") << "\n";
    int status = 0;
    try {
        status = executeCommand("apt-get update", echo, false);
    } catch (error& e) {
        e.qualify(4, 1, 1, 2) << Messages::getMessage("err_aptget_update_exec");
        throw;
    }
    if (status != 0) Log(0) << "Warning: there are errors in 'apt-get update'\n";
}

void DebianAPTConfigurator::checkSourceForCurrentRelease() {
    const Opsys os;
    const std::string release = majorMinor(os.version());
    Log(3) << "DEBUG: checkSourceForCurrentRelease: find source for OS release " << os.version()
           << " (search for match without patch level- " << release << ")\n";

    bool found = false;
    std::set<std::string> sections;
    {
        SystemCmd policy("apt-cache policy", SystemCmd::read_mode, false);
        Regexp releaseLine("release.+v=(.+),(.*)", true);
        std::string line;
        while (readLine(policy.fp, line, 4095) != LineRead::end) {
            if (!cdrom_in_sources && line.find("cdrom://") != std::string::npos) cdrom_in_sources = true;
            if (!releaseLine.matchSub(line)) continue;
            const std::string listed = releaseLine.getMatch(1);
            Log(3) << "DEBUG: checkSourceForCurrentRelease: " << listed << "\n";
            if (isHostRelease(listed, os, release)) found = true;
            // The section field stood last on older apt; current apt puts "b=<arch>" after it.
            std::string section = sectionOf(listed);
            if (section.empty()) section = sectionOf(releaseLine.getMatch(2));
            if (!section.empty()) {
                Log(3) << "DEBUG: checkSourceForCurrentRelease: add found section '" << section << "' \n";
                sections.insert(section);
            }
        }
    }

    if (!found)
        throw error(0, 0, 0, 0) << "Not found source for system packages (release " << os.version()
                                << ") in APT software sources configuration";
    std::vector<const char*> expected;
    if (os.os_vendor() == "Ubuntu") expected = {"universe", "multiverse"};
    if (os.os_vendor() == "Debian") expected = {"contrib", "non-free"};
    for (const char* section : expected)
        if (!sections.count(section)) Log(0) << "Warning: not connected '" << section << "' repository section\n";
}

Package* DebianAPTConfigurator::doGetPackage(const std::string& name) {
    ::setenv("LC_ALL", "C", 1);
    ::setenv("LANG", "C", 1);
    std::vector<std::string> lines;
    try {
        lines = getCommandOutput("apt-cache policy", shellQuote(name) + " 2>/dev/null");
    } catch (const error&) {
        throw error(4, 1, 1, 2) << formatted("err_deb_info_apt_cache", name);
    }
    Regexp candidateLine("Candidate: (.+)", true);
    std::string candidate;
    for (const std::string& line : lines) {
        if (!candidateLine.matchSub(line)) continue;
        candidate = candidateLine.getMatch(1);
        break;
    }
    if (candidate.empty() || candidate == "(none)") {
        Log(2) << "Package " << name << " not found in apt-cache\n";
        return nullptr;
    }
    DebPackage* pkg = new DebPackage(name, candidate);
    pkg->setFileName("package_from_apt_cache");
    pkg->setType('u');
    Log(2) << "Package " << name << " with version '" << candidate << "' is available from apt\n";
    return pkg;
}
