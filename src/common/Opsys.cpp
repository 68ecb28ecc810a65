#include "Opsys.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <mutex>

#include <boost/format.hpp>

#include "Log.h"
#include "Messages.h"
#include "Regexp.h"
#include "error.h"
#include "exec_cmd.h"
#include "fileops.h"

std::string Opsys::override_os_name;
std::string Opsys::override_os_vendor;
std::string Opsys::override_os_version;
std::string Opsys::override_os_arch;
std::string Opsys::override_environment;

namespace {

std::shared_ptr<const Opsys::opsys_rep> detected;
std::mutex detectedMutex;

void logRecord(const char* title, const Opsys::opsys_rep& r) {
    Log(1) << title << " os_vendor=" << r.os_vendor << " os_name=" << r.os_name << " version=" << r.version
           << " arch=" << r.arch << " environment=" << r.environment << std::endl;
}

void applyOverride(std::string& field, const std::string& value) {
    if (!value.empty()) field = value;
}

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The release files of the distributions, in the order they are looked for: a Fedora or
// CloudLinux host also has a redhat-release, so that one comes last.
const struct {
    const char* file;
    const char* vendor;
} releaseFiles[] = {
    {"/etc/debian_version", "Debian"},         {"/etc/SuSE-release", "SuSE"},
    {"/etc/mandrake-release", "Mandrake"},     {"/etc/fedora-release", "FedoraCore"},
    {"/etc/CloudLinux-release", "CloudLinux"}, {"/etc/redhat-release", "RedHat"},
};

}  // namespace

Opsys::opsys_rep::opsys_rep(const std::string& os_name, const std::string& os_vendor,
                            const std::string& version, const std::string& arch,
                            const std::string& environment)
    : os_name(os_name), os_vendor(os_vendor), version(version), arch(arch), environment(environment) {}

Opsys::opsys_detect::opsys_detect() {
    try {
        os_name = getCommandOutputLine("uname", "-s");
        arch = getCommandOutputLine("uname", "-m");
    } catch (error& e) {
        e.qualify(4, 1, 1, 2) << Messages::getMessage("err_define_osarch");
        throw;
    }
    if (os_name == "Linux") {
        detectLinux();
        detectEnvironment();
    } else {
        detectBsd();
    }
    logRecord("Opsys detected as:", *this);

    applyOverride(os_name, override_os_name);
    applyOverride(os_vendor, override_os_vendor);
    applyOverride(version, override_os_version);
    applyOverride(arch, override_os_arch);
    applyOverride(environment, override_environment);
    logRecord("Final opsys (with overriding) is:", *this);
}

void Opsys::opsys_detect::detectLinux() {
    if (fileops::exists("/etc/lsb-release")) {
        std::ifstream in("/etc/lsb-release");
        Regexp setting("^(.+)=(.+)$", true);
        std::string line;
        while (std::getline(in, line)) {
            if (!setting.matchSub(line)) continue;
            // Values as written, quotes and all: callers compare them with catalogue names.
            if (setting.getMatch(1) == "DISTRIB_ID")
                os_vendor = setting.getMatch(2);
            else if (setting.getMatch(1) == "DISTRIB_RELEASE")
                version = setting.getMatch(2);
        }
        if (!os_vendor.empty() && !version.empty()) return;
    }

    const char* file = nullptr;
    for (const auto& r : releaseFiles) {
        if (fileops::exists(r.file)) {
            file = r.file;
            os_vendor = r.vendor;
            break;
        }
    }
    if (!file) throw internalError("Opsys", 114);
    std::ifstream in(file);
    if (!in) throw internalError("Opsys", 114);
    std::string line;
    std::getline(in, line);

    Regexp number("[^0-9.]* ?([0-9.]+) ?.*", true);
    if (number.matchSub(line)) {
        version = number.getMatch(1);
        if (contains(line, "Enterprise Server"))
            version = "es" + version;
        else if (contains(line, "Enterprise Linux"))
            version = "el" + version;
    } else {
        std::string message = (boost::format(Messages::getMessage("err_define_osversion")) % file).str();
        if (override_os_version.empty()) throw error(4, 1, 1, 2) << message;
        Log(2) << "Error: " << message << std::endl;
        version = override_os_version;
    }
    if (os_vendor == "RedHat" && contains(line, "CentOS")) os_vendor = "CentOS";
}

void Opsys::opsys_detect::detectBsd() {
    if (os_name == "FreeBSD") {
        os_vendor = os_name;
    } else if (os_name == "Darwin") {
        os_vendor = "Apple";
    } else {
        Log(1) << "Unsupported OS detected: " << os_name;
        throw error(4, 1, 1, 2) << Messages::getMessage("err_opsys_define");
    }
    try {
        version = getCommandOutputLine("uname", "-r | sed -e 's/[^0-9.]*\\([0-9.]*\\).*/\\1/g'");
    } catch (const error&) {
        throw error(4, 1, 1, 2) << Messages::getMessage("err_define_os_unameversion");
    }
    if (os_name == "Darwin") {
        version = "10.4w";
        os_name = "MacOS";
    }
    if (arch == "Power Macintosh") arch = "powerpc";
}

void Opsys::opsys_detect::detectEnvironment() {
    if (isContainerByEnvId())
        environment = "bx";
    else if (isContainerByDevice())
        environment = "lycos";
}

bool Opsys::isContainerByEnvId(const std::string& statusFile) {
    std::FILE* f = std::fopen(statusFile.c_str(), "re");
    if (!f) return false;
    Regexp envId("^envID:[[:space:]]*([[:digit:]]+)$", true);
    char line[4095];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) {
        if (envId.matchSub(line)) {
            Log(2) << "Brindle envID: " << envId.getMatch(1) << std::endl;
            found = true;
        }
    }
    std::fclose(f);
    return found;
}

bool Opsys::isContainerByDevice(const std::string& device) {
    struct stat st;
    return ::stat(device.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
}

Opsys::Opsys() {
    // Detection runs once; the lock only keeps two early threads from detecting side by side.
    std::lock_guard<std::mutex> lock(detectedMutex);
    if (!detected) detected = std::make_shared<const opsys_detect>();
    rep = detected;
}

Opsys::Opsys(const std::string& os_name, const std::string& os_vendor, const std::string& version,
             const std::string& arch, const std::string& environment)
    : rep(std::make_shared<const opsys_rep>(os_name, os_vendor, version, arch, environment)) {}

std::ostream& operator<<(std::ostream& out, const Opsys& os) {
    out << os.os_vendor() << " " << os.os_name() << " " << os.version() << " " << os.arch();
    if (!os.environment().empty()) out << " under " << os.environment();
    return out;
}
