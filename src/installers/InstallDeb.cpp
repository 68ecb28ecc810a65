#include "InstallDeb.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "../catalogue/Build.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Progress.h"
#include "../common/Regexp.h"
#include "../common/ShellQuote.h"
#include "../common/SystemCmd.h"
#include "../common/TerminationState.h"
#include "../common/error.h"
#include "../common/exec_cmd.h"
#include "../common/fileops.h"
#include "../common/utils.h"
#include "../components/ComponentManager.h"
#include "../components/VnComponent.h"
#include "../configurators/DebianAPTConfigurator.h"
#include "../packages/Dependency.h"
#include "../packages/Package.h"
#include "../packages/Repository.h"
#include "../packages/Version.h"
#include "../reporting/ProductsProgress.h"

namespace {

// Names of this file and its lines in internal errors; they stay fixed from build to build.
const char* const sourceName = "InstallDeb";
const int lineListNotEmpty = 80;

const char* const aptGetPath = "/usr/bin/apt-get";
const char* const answersFile = "/tmp/vantrell3_debconf_answ";

// "--list-cleanup" is left out: it only ever applied to "apt-get update", and apt refuses it
// with "install".
const char* const aptGetBase =
    "DEBIAN_FRONTEND=noninteractive LANG=C apt-get --assume-yes --show-upgraded --purge --no-reinstall "
    "-o Dpkg::options::=--force-confdef -o Dpkg::options::=--force-confold "
    "-o APT::Get::AllowUnauthenticated=true ";

// A plan line of the simulation: action, name, and the version that the line is about.
const char* const planLine = "(Inst|Conf|Remv|Purg) ([a-z0-9+.-]+) \\(([A-Za-z0-9.+:~-]+) .+\\)";
// apt writes a removal with the installed version in brackets, without a parenthesis.
const char* const removalLine = "(Remv|Purg) ([a-z0-9+.-]+) \\[([A-Za-z0-9.+:~-]+)\\]";

// The licence questions of these runtime packages would stop a non-interactive run.
bool containsJavaPackages(const cpkgs_t& list) {
    for (const Package* p : list) {
        const std::string name = p->getName();
        if (name == "j2re1.4" || name == "j2sdk1.4" || name == "sun-java6-jdk" || name == "sun-java6-jre")
            return true;
    }
    return false;
}

error answersFileError(int reason) {
    error e(4, 1, 1, 3);
    e << answersFile << ": " << std::strerror(reason);
    e.qualify(0, 0, 0, 0) << Messages::getMessage("err_deb_options");
    return e;
}

// Writes the answers into the fixed name in /tmp, made afresh as a file of ours: nothing that
// stood there, nor a link planted meanwhile, is written through.
void writeAnswers() {
    static const char answers[] =
        "j2re1.4 j2re1.4/license boolean true\n"
        "j2sdk1.4 j2sdk1.4/license boolean true\n"
        "sun-java5-jre shared/accepted-sun-dlj-v1-1 boolean true\n"
        "\n";
    fileops::FileIdentity made;
    try {
        made = fileops::create_private_file(answersFile);
    } catch (error& e) {
        e.qualify(4, 1, 1, 3) << Messages::getMessage("err_deb_options");
        throw;
    }
    const int fd = fileops::open_private_file_to_write(answersFile, made);
    if (fd < 0) throw answersFileError(errno);
    size_t done = 0;
    const size_t size = sizeof answers - 1;
    while (done < size) {
        const ssize_t n = ::write(fd, answers + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int e = n < 0 ? errno : EIO;
            ::close(fd);
            throw answersFileError(e);
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) throw answersFileError(errno);
}

void setJavaDebconfSelections() {
    Log(1) << "Need to install java, set default selections for j2re1.4 and j2sdk1.4" << std::endl;
    // The file goes on every outcome: left behind it would be taken for ours by the next run.
    struct RemoveAnswers {
        ~RemoveAnswers() { ::unlink(answersFile); }
    } removeAnswers;
    writeAnswers();
    int status;
    try {
        status = executeCommand((std::string("debconf-set-selections ") + answersFile).c_str(), false, false);
    } catch (error& e) {
        if (isTerminated()) throw;
        e.qualify(4, 1, 1, 2) << Messages::getMessage("err_debconf_exec");
        throw;
    }
    if (status != 0) throw error(4, 1, 1, 3) << Messages::getMessage("err_deb_options");
}

bool listsName(const cpkgs_t& list, const std::string& name) {
    for (const Package* p : list)
        if (name == p->getName()) return true;
    return false;
}

}  // namespace

InstallDeb::InstallDeb(checked_pointer<Repository> r, checked_pointer<ComponentManager> components,
                       checked_pointer<SystemSpecificConfigurator> c)
    : Installer(r, components, c), aptConfigurator(dynamic_cast<DebianAPTConfigurator*>(c.get())) {
    if (!aptConfigurator) throw error(3, 1, 1, 3) << Messages::getMessage("err_deb_initobj");
    if (!fileops::exists(aptGetPath)) throw error(4, 1, 1, 2) << Messages::getMessage("err_no_apt");
}

std::string InstallDeb::aptGetCommand() const {
    const std::string release = componentManager->getBaseComponent("")->getBuild()->os_release_name;
    return std::string(aptGetBase) + " -t " + shellQuote(release + "*") + " ";
}

std::string InstallDeb::aptPackageArguments(const cpkgs_t& list, bool systemOnly) {
    std::string args;
    for (const Package* p : list) {
        const char kind = static_cast<char>(p->getType());
        if (kind == 'd') {
            if (const Dependency* required = p->getRequire(0)) args += shellQuote(required->getName()) + " ";
        } else if (kind == 'b') {
            if (systemOnly) continue;
            const Version* version = p->getVersion();
            if (!version->getVersion().empty())
                args += shellQuote(std::string(p->getName()) + "=" + version->toString()) + " ";
            else
                args += shellQuote(p->getName()) + " ";
        } else {
            args += shellQuote(p->getName()) + " ";
        }
    }
    return args;
}

cpkgs_t InstallDeb::resolveAll() {
    componentManager->getBootstrapperPackagesToInstall(bootstrapPackages, repository.get());
    if (!resolvedPackages.empty()) throw internalError(sourceName, lineListNotEmpty);
    resolvedPackages.insert(resolvedPackages.end(), bootstrapPackages.begin(), bootstrapPackages.end());
    componentManager->getPackagesToInstall(resolvedPackages, repository.get(), configurator);
    if (resolvedPackages.empty()) return resolvedPackages;

    reportProgressStep("checking_deps", Messages::getMessage("checking_deps"));
    const std::string command = aptGetCommand() + " --just-print install " + aptPackageArguments(resolvedPackages, false);
    std::string capture;
    try {
        Regexp plan(planLine, true);
        Regexp removal(removalLine, true);
        // The command ends with this block, inside the try: its exit status is part of the
        // simulation's verdict. When the reading fails, the end of the command only logs.
        SystemCmd simulation(command, SystemCmd::read_mode, true);
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, simulation.fp)) {
            capture += buffer;
            trimSpaces(buffer);
            const std::string line = buffer;
            Log(3) << "DEBUG: output: " << line << std::endl;
            Regexp* matched = plan.matchSub(line) ? &plan : removal.matchSub(line) ? &removal : nullptr;
            if (!matched) continue;
            const std::string action = matched->getMatch(1);
            const std::string name = matched->getMatch(2);
            Log(3) << "DEBUG: resolve with apt: " << action << " " << name << std::endl;
            if (action == "Inst" || action == "Conf") {
                if (listsName(resolvedPackages, name)) continue;
                Package* added = new Package(name, matched->getMatch(3));
                added->setType('u');
                resolvedPackages.push_back(added);
                Log(2) << "  add to install list " << added->toString() << std::endl;
            } else {
                Package* remover = repository->addRemoverFor(name);
                Log(2) << "  add to remove list " << remover->toString() << std::endl;
                resolvedPackages.push_back(remover);
            }
        }
    } catch (const error&) {
        Log(0) << "---X--- `apt-get` output ---------------------\n" << capture << "\n"
               << "---------------------- `apt-get` output ---X---\n";
        Log(0) << Messages::getMessage("process_collecting_error_details") << std::endl;
        Log(1) << "Sources list:\n";
        executeCommand("cat /etc/apt/sources.list", false, false);
        Log(1) << "Installed in system packages:\n";
        executeCommand("dpkg -l", false, false);
        throw error(5, 1, 1, 3) << Messages::getMessage("err_installation_stopped");
    }
    return resolvedPackages;
}

void InstallDeb::checkDiskSpace() { componentManager->checkDiskSpace(); }

void InstallDeb::installPackages(const cpkgs_t& list, bool systemOnly) {
    {
        Log log(3);
        log << "DEBUG:  installing packages: ";
        if (list.empty()) log << "(empty)";
        for (const Package* p : list) log << *p << " ";
        log << std::endl;
    }
    if (list.empty()) return;
    const std::string args = aptPackageArguments(list, systemOnly);
    if (args.empty()) return;
    if (containsJavaPackages(list)) setJavaDebconfSelections();
    if (aptConfigurator->cdrom_in_sources)
        Log(0) << "\n\n" << Messages::getMessage("warn_apt_cdrom_in_source") << "\n\n";
    const std::string command = aptGetCommand() + " install " + args;
    int status;
    try {
        if (ProductsProgress* progress = ProductsProgress::instance()) progress->set_started();
        status = executeCommand(command.c_str(), true, false);
    } catch (error& e) {
        e.qualify(4, 1, 2, 2) << Messages::getMessage("err_deb_inst_exec");
        throw;
    }
    if (status != 0) throw error(6, 1, 3, 3) << Messages::getMessage("err_debinstall");
    Log(3) << "DEBUG:  installed packages: " << args << std::endl;
}

void InstallDeb::install(bool systemOnly) {
    Progress().stage(4, 1);
    reportProgressStep("installling_pkgs", Messages::getMessage("installling_pkgs"));
    if (!systemOnly) installPrep();
    if (resolvedPackages.empty()) {
        Log(0) << Messages::getMessage("err_no_packages") << std::endl;
        return;
    }
    installPackages(resolvedPackages, systemOnly);
    if (!systemOnly) installPost();
    Log(1) << "Install command execution success" << std::endl;
}
