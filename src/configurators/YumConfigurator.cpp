#include "YumConfigurator.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/Regexp.h"
#include "../common/ShellQuote.h"
#include "../common/error.h"
#include "../common/exec_cmd.h"
#include "../common/fileops.h"
#include "../components/SourceManager.h"
#include "../packages/Package.h"
#include "../packages/RPMPackage.h"
#include "../packages/Repository.h"
#include "../packages/Version.h"
#include "../reporting/ReportSummary.h"
#include "../sources/SourceTarnix.h"

const char* const YumConfigurator::repoFile = "/etc/yum.repos.d/vantrell-sources.repo";

namespace {

// yum reads only "*.repo": a half-written file under this name is never taken for a
// repository.
const char* const tempRepoFile = "/etc/yum.repos.d/.vantrell-sources.repo.tmp";
const char* const minimalYumVersion = "3.2.22";

std::string fileMessage(const char* key, const std::string& path, int e) {
    return (boost::format(Messages::getMessage(key)) % path % std::strerror(e)).str();
}

// A value from a build description ends up as a line of yum's configuration: a line break or
// another control byte in it would add lines of its own.
void refuseControlBytes(const std::string& value) {
    for (unsigned char c : value)
        if (c < 0x20 || c == 0x7f)
            throw error(1, 1, 1, 3) << "Invalid value for the yum repository file: '" << value << "'";
}

struct Section {
    std::string id;
    std::string releaseId;
    std::string kindName;
    std::string location;
};

// Writes `text` into a fresh temporary file and renames it over `path`; every failure raises
// (4,1,1,2) and removes the temporary file.
void writeWhole(const std::string& path, const std::string& text) {
    const int fd = ::open(tempRepoFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) throw error(4, 1, 1, 2) << fileMessage("err_filewrite1", path, errno);
    int failure = 0;
    if (::fchmod(fd, 0644) != 0) failure = errno;
    const char* p = text.data();
    size_t n = text.size();
    while (!failure && n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            failure = w < 0 ? errno : ENOSPC;
            break;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    if (::close(fd) != 0 && !failure) failure = errno;
    if (!failure && ::rename(tempRepoFile, path.c_str()) != 0) failure = errno;
    if (failure) {
        ::unlink(tempRepoFile);
        throw error(4, 1, 1, 2) << fileMessage("err_filewrite2", path, failure);
    }
}

}  // namespace

YumConfigurator::YumConfigurator(const std::string& sourceLocation, SourceManager* sources, Repository* repository)
    : sourceLocation(sourceLocation), sourceManager(sources), repository(repository), restored(false) {}

YumConfigurator::~YumConfigurator() {
    if (!restored) restoreQuietly();
}

void YumConfigurator::checkUsable() {
    if (!fileops::exists("/usr/bin/yum")) throw error(4, 1, 1, 2) << Messages::getMessage("err_yum_not_found");
    const Opsys os;
    if (os.os_vendor() == "CentOS") {
        const Version version(os.version());
        if (!(version < Version("5.0")) && version < Version("6.0")) {
            Package* installed = repository->getInstalledPackage("yum");
            if (!installed) return;
            const Version minimal(minimalYumVersion);
            if (*installed->getVersion() < minimal) {
                updateYum();
                const std::string now = repository->getPkgVersionFromSystemDirectly("yum");
                if (now.empty() || Version(now) < minimal)
                    throw error(4, 1, 1, 2) << Messages::getMessage("err_yum_version_unsupported");
            }
        }
    }
    Log(2) << "Notice: seems yum is ready to use\n.";
}

void YumConfigurator::updateYum() {
    Log(0) << Messages::getMessage("process_update_yum") << "\n";
    const int status = executeCommand("yum -y install yum", false, false);
    if (status != 0) Log(2) << "Warning: Attemt to update Yum utility failed.\n";
}

void YumConfigurator::reconfigureSources() { doConfigure(); }

void YumConfigurator::restore() {
    restored = true;
    if (fileops::exists(repoFile)) fileops::remove(repoFile);
}

void YumConfigurator::doConfigure() {
    std::vector<Section> sections;
    for (const std::shared_ptr<Source>& source : sourceManager->sources) {
        const SourceTarnix* product = dynamic_cast<const SourceTarnix*>(source.get());
        if (!product || product->kind == 'u') continue;
        Section s;
        s.releaseId = product->releaseId;
        s.kindName = sourceKindName(product->kind);
        s.id = s.releaseId + "-" + s.kindName;
        const FileFetcher& fetcher = product->fetcher;
        s.location = (fetcher.sourceUrls.empty() ? std::string() : fetcher.sourceUrls.front()) + fetcher.subdirsOffset;
        refuseControlBytes(s.releaseId);
        refuseControlBytes(s.location);
        if (!s.location.empty() && s.location[0] == '/') s.location = "file://" + s.location;
        sections.push_back(s);
    }

    const std::string host = ReportSummary::statisticsHost();
    std::string text =
        "\n"
        "## This is temporary appended by Corvane from Quellit for \n"
        "## specify source of product's packages for yum.\n";
    std::vector<std::string> newIds;
    for (const Section& s : sections) {
        text += "[" + s.id + "]\n";
        text += "name=Corvane product " + s.releaseId + " " + s.kindName + "\n";
        text += "baseurl=" + s.location + "\n";
        text += "#mirrorlist=http://" + host + "/" + s.id + ".mirrors\n";
        text += "enabled=0\n";
        text += "#gpgkey=http://" + host + "/RPM-GPG-KEY-corvane\n";
        text += "gpgcheck=0\n";
        text += "\n";
        newIds.push_back(s.id);
    }
    writeWhole(repoFile, text);
    restored = false;
    ids.swap(newIds);
}

Package* YumConfigurator::doGetPackage(const std::string& name) {
    std::vector<std::string> lines;
    try {
        lines = getCommandOutput("env LANG=C LC_ALL=C yum info", shellQuote(name) + " 2>/dev/null");
    } catch (const error& e) {
        Log(2) << "Error: " << e.text();
        return nullptr;
    }
    Regexp field("^([[:alpha:]]+) *: (.+)$", true);
    std::string version;
    std::string release;
    for (const std::string& line : lines) {
        if (!field.matchSub(line)) continue;
        const std::string key = field.getMatch(1);
        if (key == "Version") version = field.getMatch(2);
        else if (key == "Release") release = field.getMatch(2);
    }
    if (version.empty()) {
        Log(2) << "Package " << name << " is not found in yum repos\n";
        return nullptr;
    }
    RPMPackage* pkg = new RPMPackage(name, release.empty() ? version : version + "-" + release);
    pkg->setFileName("package_from_yum_info");
    pkg->setType('u');
    return pkg;
}
