#include "Installer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <sstream>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/Opsys.h"
#include "common/Progress.h"
#include "common/Regexp.h"
#include "common/ShellQuote.h"
#include "common/TerminationState.h"
#include "common/error.h"
#include "common/exec_cmd.h"
#include "main/Options.h"
#include "packages/DependencyLogical.h"
#include "packages/PkgManager.h"
#include "packages/RPMPackage.h"
#include "packages/Repository.h"
#include "packages/StdPackage.h"
#include "reporting/ProductsProgress.h"
#include "updates/Bootstrapper.h"
#include "RpmTransaction.h"
#include "reportProgressStep.h"

namespace {

bool isRemover(const Package* p) { return p->getType() == 'd' && p->getObsolete(0) != nullptr; }
bool isRequirer(const Package* p) { return p->getType() == 'd' && p->getRequire(0) != nullptr; }

std::string fileNameOf(const Package* p) { return const_cast<Package*>(p)->getFileName(); }

// The name that a remover's first obsoletes entry names.
std::string obsoletedName(const Package* remover) { return remover->getObsolete(0)->getName(); }

// One rpm command, echoed to the console log, its exit status returned. A failure to run it
// passes unchanged once the process is terminated; otherwise it says which step failed.
int runRpmCommand(const std::string& command) {
    try {
        return executeCommand(command.c_str(), true, false);
    } catch (error& e) {
        if (isTerminated()) throw;
        e.qualify(4, 1, 2, 2) << Messages::getMessage("err_inst_rpms_cmd_exec");
        throw;
    }
}

// One element of the child's transaction: an erase by name, or a package file to add.
struct ChildStep {
    std::string erase;
    Package* package;
};

// The forked child of installWithRpmTransaction: one librpm transaction, its output and its
// failure on the pipe. It reaches neither the catalogue nor the log (their locks may be held
// by another thread of the parent) and never returns.
[[noreturn]] void runRpmTransactionChild(const int fds[2], const RpmTransaction::Texts& texts,
                                         const std::vector<ChildStep>& steps) {
    setpgid(0, 0);
    close(fds[0]);
    dup2(fds[1], 1);
    dup2(fds[1], 2);
    int status = 1;
    try {
        RpmTransaction t(texts);
        for (const ChildStep& s : steps) {
            if (s.package)
                t.add(*s.package);
            else
                t.remove(s.erase);
        }
        t.check();
        std::fputs("Committing changes...\n", stdout);
        std::fflush(stdout);
        t.run();
        status = 0;
    } catch (const error& e) {
        std::string text = e.text();
        if (!text.empty() && text.back() == '\n') text.pop_back();
        std::fprintf(stderr, "ERROR: %s\n", text.c_str());
    } catch (...) {
        std::fputs("Unexpected error (exeption) occures.\n", stderr);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    close(1);
    close(2);
    close(fds[1]);
    _exit(status);
}

}  // namespace

Installer::Installer(checked_pointer<Repository> r, checked_pointer<ComponentManager> cm,
                     checked_pointer<SystemSpecificConfigurator> c)
    : repository(r), componentManager(cm), configurator(c), downloadSize(0), productsProgress(nullptr) {
    Log(3) << "Installer::Installer: create ProductsProgress \n";
    productsProgress = new ProductsProgress();
}

Installer::~Installer() { delete productsProgress; }

bool Installer::hasKernelPackages() const {
    for (const Package* p : resolvedPackages)
        if (p->getType() != 's' && p->isKernel()) return true;
    return false;
}

void Installer::installGroup(const cpkgs_t& group) {
    const Options& options = Options::instance();
    const std::string verbose = options.debug ? "-v " : "";
    std::string command = "rpm -U " + verbose;
    std::string list;
    bool hasRemover = false;
    for (const Package* p : group) hasRemover = hasRemover || isRemover(p);

    if (hasRemover) {
        const std::string& title = Messages::getMessage("install_remove");
        if (group.size() > 1) {
            std::string names;
            for (const Package* p : group) names += std::string(p->getName()) + " ";
            Progress().step("removing", title + names);
            if (options.systemPackagesCacheFile.empty()) installWithRpmTransaction(group);
            return;
        }
        command = "rpm -e " + verbose;
        Log(3) << "installPackages: removers found in installGroup, use 'rpm -e'\n";
        list = shellQuote(obsoletedName(group[0]));
        Progress().step("removing", title + obsoletedName(group[0]));
        reportProgressStep("install_remove", title + obsoletedName(group[0]));
    } else {
        bool kernel = false;
        for (const Package* p : group) kernel = kernel || p->isKernel();
        if (kernel) {
            for (const Package* p : group)
                if (!p->isKernel()) throw error(5, 1, 1, 3) << Messages::getMessage("err_kernel_depsproblem");
            command = "rpm -i " + verbose;
            Log(3) << "installPackages: kernel installation detected, use 'rpm -i'\n";
        } else {
            const Opsys os;
            const Package* first = group[0];
            if (os.os_vendor() == "FedoraCore" && os.version() == "7" &&
                std::string(first->getName()) == "xml-commons-apis" && first->getVersion()->getVersion() == "1.3.03") {
                Log(3) << "Notice: install xml-commons-apis-1.3.03 with rpm -i flag\n";
                command = "rpm -i " + verbose;
            }
        }
        std::string title = Messages::getMessage("install_install_package");
        for (size_t i = 0; i < group.size(); ++i) title += (i ? ", " : "") + group[i]->toString();
        for (const Package* p : group) list += shellQuote(fileNameOf(p)) + " ";
        reportProgressStep("install_install_package", title);
    }

    if (!options.systemPackagesCacheFile.empty()) {
        Log(2) << "prepared command: " << command << list << std::endl;
        return;
    }

    const Package* first = group[0];
    if (dynamic_cast<const RPMPackage*>(first) || isRemover(first)) {
        if (runRpmCommand(command + " --test " + list) != 0)
            throw error(5, 1, 2, 3) << Messages::getMessage("err_installation_stopped");
        if (runRpmCommand(command + list) != 0)
            throw error(4, 1, 3, 3) << Messages::getMessage("err_inst_rpms_cmd");
        return;
    }
    if (dynamic_cast<const StdPackage*>(first)) {
        if (group.size() > 1) throw error(5, 1, 1, 3) << Messages::getMessage("err_inst_msh");
        int rc;
        try {
            rc = executeCommand(("sh " + list).c_str(), true, false);
        } catch (error& e) {
            if (isTerminated()) throw;
            e.qualify(4, 1, 1, 3) << Messages::getMessage("err_exec_shpkg");
            throw;
        }
        if (rc != 0) {
            Log(1) << Messages::getMessage("install_error") << list << std::endl;
            throw error(6, 1, 3, 3) << Messages::fill("err_inst_shpkg", first->toString());
        }
        return;
    }
    Log(1) << "First package in install group is unknown type, can't install it (" << first->toString() << ")"
           << std::endl;
    throw error(3, 1, 1, 3) << Messages::getMessage("err_unkn_pkgtype");
}

void Installer::installWithRpmTransaction(const cpkgs_t& group) {
    reportProgressStep("installing_pkglist", Messages::getMessage("installing_pkglist"));
    for (const Package* p : group) Log(0) << "package " << p->toString() << std::endl;

    // Everything the child needs is made here: after the fork it may take no lock that
    // another thread could hold (catalogue, log, the repository's indexes).
    const RpmTransaction::Texts texts = RpmTransaction::Texts::fromCatalogue();
    std::vector<ChildStep> steps;
    std::vector<std::string> erased;
    for (const Package* p : group) {
        if (isRemover(p)) {
            for (Package* q : repository->getObsoletedBy(p)) {
                // Two removers of one name would add its erase twice.
                if (q->getType() != 's' || std::find(erased.begin(), erased.end(), q->getName()) != erased.end())
                    continue;
                erased.push_back(q->getName());
                steps.push_back({erased.back(), nullptr});
            }
        } else {
            Package* writable = const_cast<Package*>(p);
            writable->getFileName();  // a made-up name is made now, not in the child
            steps.push_back({std::string(), writable});
        }
    }

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw error(4, 1, 1, 2) << Messages::fill("err_rpmtrans_pipe", std::strerror(errno));
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        const int e = errno;
        close(fds[0]);
        close(fds[1]);
        throw error(4, 1, 1, 2) << Messages::fill("err_rpmtrans_fork", std::strerror(e));
    }
    if (child == 0) runRpmTransactionChild(fds, texts, steps);

    setpgid(child, child);
    close(fds[1]);
    // Stops and reaps the child when the parent cannot follow it any more.
    auto abandon = [&](int fd) {
        close(fd);
        kill(-child, SIGTERM);
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    };
    const int flags = fcntl(fds[0], F_GETFL);
    if (flags < 0 || fcntl(fds[0], F_SETFL, flags | O_NONBLOCK) != 0) {
        const std::string text = std::strerror(errno);
        abandon(fds[0]);
        throw error(4, 1, 1, 2) << Messages::fill("err_rpmtrans_noblock", text);
    }
    bool running = true;
    bool lost = false;  // reaped elsewhere: its status is unknown
    int status = 0;
    char buffer[4096];
    for (;;) {
        if (running) {
            const pid_t r = waitpid(child, &status, WNOHANG);
            if (r > 0) {
                running = false;
            } else if (r < 0 && errno != EINTR) {
                running = false;
                lost = true;
            }
        }
        if (acceptTerminationRequest()) kill(-child, SIGTERM);
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            Log(0).writeRaw(buffer, static_cast<int>(n));
            usleep(500000);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            if (running) {
                abandon(fds[0]);
            } else {
                close(fds[0]);
            }
            throw error(4, 1, 3, 2) << Messages::getMessage("err_rpmtrans_read");
        }
        usleep(500000);
        if (!running) break;
    }
    close(fds[0]);
    if (!lost && WIFSIGNALED(status)) throw error(4, 1, 2, 2) << Messages::getMessage("err_rpmtrans_sig");
    if (lost || WEXITSTATUS(status) != 0) throw error(6, 1, 3, 3) << Messages::getMessage("err_rpmtrans_failed");
    Log(1) << "Installation with rpm transaction OK" << std::endl;
}

void Installer::install(bool systemOnly) {
    const Options& options = Options::instance();
    if (options.systemPackagesCacheFile.empty()) repository->downloadPackages(resolvedPackages);
    if (options.downloadOnly) return;
    reportProgressStep("install_start", Messages::getMessage("install_start"));
    if (systemOnly) {
        installPackages(resolvedPackages, true);
        return;
    }
    installPrep();
    installPackages(resolvedPackages, false);
    installPost();
}

void Installer::installPrep() {
    if (!bootstrapPackages.empty()) installPackages(bootstrapPackages, false);
    Log(3) << "installPrep: Perform PREP actions" << std::endl;
    if (!Bootstrapper::runStage(*componentManager, "prep"))
        throw error(4, 0, 2, 2) << Messages::getMessage("err_prep_actions_failed");
}

void Installer::installPost() {
    Log(3) << "installPost: Perform POST actions" << std::endl;
    if (!Bootstrapper::runStage(*componentManager, "post"))
        throw error(4, 0, 2, 2) << Messages::getMessage("err_post_actions_failed");
}

void Installer::installPackages(const cpkgs_t& packages, bool systemOnly) {
    Log(2) << "Create tiny repository only with resolved list and system packages" << std::endl;
    Repository tiny;  // refers to the run's packages; owns none
    for (const Package* p : resolvedPackages)
        if (!isRequirer(p)) tiny.addPackage(const_cast<Package*>(p), p->getSource());
    for (Package* p : repository->pkgList)
        if (p->getType() == 's') tiny.addPackage(p, p->getSource());
    tiny.resolveRequires();
    {
        Log log(3);
        log << "Installer::installPackages: tiny repository following: \n"
            << "Number of packages: " << tiny.pkgList.size() << "\n";
        for (const Package* p : tiny.pkgList) log << "  " << static_cast<char>(p->getType()) << " " << p->toString() << "\n";
    }
    Log(3) << "installPackages: find non-system package to installation\n";
    cpkgs_t installList;
    for (const Package* p : packages) {
        if (p->getType() == 's' || isRequirer(p) || (systemOnly && p->getType() == 'b')) continue;
        installList.push_back(p);
        Log(3) << "  add to installList " << p->toString() << std::endl;
    }
    Progress().stage(4, static_cast<unsigned>(installList.size()));
    ProductsProgress* products = ProductsProgress::instance();
    for (;;) {
        bool pending = false;
        for (const Package* p : installList) pending = pending || p->getType() != 's';
        if (!pending) break;
        checkTermination();
        cpkgs_t group;
        prepareInstallStep(group, installList, tiny);
        try {
            installGroup(group);
        } catch (...) {
            if (products)
                for (const Package* p : group) products->set_progress(3, p->getName());
            throw;
        }
        if (products)
            for (const Package* p : group) products->set_progress(3, p->getName());
        updateSystemRepository(group);
    }
}

void Installer::updateSystemRepository(const cpkgs_t& group) {
    Log(3) << "DEBUG: Installer::updateSystemRepository() entry:" << std::endl;
    for (const Package* p : group)
        for (Package* q : repository->getObsoletedBy(p))
            if (q->getType() == 's') {
                Log(3) << "DEBUG: The package " << q->toString()
                       << " was removed from the system because it was replaced (obsoleted) with package "
                       << p->toString() << std::endl;
                q->setType('z');
            }
    for (const Package* p : group)
        for (Package* q : repository->getPackagesByName(p->getName()))
            if (q->getType() == 's' && *q->getVersion() < *p->getVersion()) {
                Log(3) << "DEBUG: The package " << q->toString()
                       << " was removed from the system because it was replaced with the newer package "
                       << p->toString() << std::endl;
                q->setType('z');
            }
    for (const Package* p : group) {
        const_cast<Package*>(p)->setType('s');
        Log(3) << "DEBUG: The package " << p->toString() << " is now installed in the system" << std::endl;
    }
    repository->removeMarkedPackages();
}

void Installer::checkPackageSet(const std::vector<std::string>& holdPatterns) {
    Log(1) << "Check package set before installation" << std::endl;
    std::vector<std::unique_ptr<Regexp>> patterns;
    for (const std::string& h : holdPatterns) patterns.emplace_back(new Regexp(h));
    auto held = [&](const std::string& name) {
        for (const auto& r : patterns)
            if (r->match(name)) return true;
        return false;
    };
    for (const Package* p : resolvedPackages) {
        if (p->getType() == 's') continue;
        for (unsigned i = 0; const Dependency* d = p->getObsolete(i); ++i) {
            if (!dynamic_cast<const DependencyLogical*>(d)) continue;
            const std::string name = d->getName();
            if (held(name)) {
                Log(1) << "Package " << name << " cannot be removed"
                       << " because its name matches with one from holded packages regexpr list" << std::endl;
                throw error(5, 1, 1, 1) << Messages::fill("err_rmhold", name);
            }
        }
        Package* installed = repository->getInstalledPackage(p->getName());
        if (!installed) continue;
        const int cmp = p->getVersion()->compare(*installed->getVersion());
        if (cmp < 0) {
            Log(1) << "Package " << p->toString() << " is within installation list\nbut newer package "
                   << installed->toString() << " is already installed in system." << std::endl;
            throw error(5, 1, 1, 2) << Messages::fill("err_downgrade", installed->getName());
        }
        if (held(installed->getName()) && cmp != 0) {
            Log(1) << "Package " << installed->toString() << " can't be upgraded"
                   << "  because installed package " << installed->toString()
                   << " is holded (it's name matches with hold list regexpr)." << std::endl;
            throw error(5, 1, 1, 1) << Messages::fill("err_hold_replace", installed->toString());
        }
    }
}

void Installer::findRequiredFor(PkgManager& resolver, const Package* package) { resolver.findRequiredFor(package); }

void Installer::prepareInstallStep(cpkgs_t& installGroup, const cpkgs_t& installList, Repository& repo) {
    installGroup.clear();
    for (const Package* p : installList)
        if (p->getType() != 's') {
            installGroup.push_back(p);
            Log(3) << "DEBUG: prepareInstallStep: add init package " << fileNameOf(p) << std::endl;
            break;
        }
    bool groupReady = false;
    bool stepReady = false;
    size_t index = 0;
    const ResolverOptions options = {true, Options::instance().upgradeSystemPackages};
    for (;;) {
        while (index < installGroup.size()) {
            const Package* currPackage = installGroup[index];
            const Package* currPackage2 = nullptr;
            for (const Package* p : installList)
                if (p != currPackage && std::string(p->getName()) == currPackage->getName() &&
                    *p->getVersion() == *currPackage->getVersion()) {
                    if (p->getType() != 's') currPackage2 = p;
                    break;
                }
            Log(3) << "DEBUG: prepareInstallStep: currPackage is " << fileNameOf(currPackage) << std::endl;
            if (currPackage2)
                Log(3) << "DEBUG: prepareInstallStep: currPackage2 is " << fileNameOf(currPackage2) << std::endl;
            cpkgs_t necessaryList;
            PkgManager resolver(&repo, &necessaryList, &options);
            resolver.osArch = Opsys().arch();
            resolver.level = 5;
            resolver.addRequestedPackages(installList);
            for (int attempt = 1;; ++attempt) {
                necessaryList.clear();
                resolver.resolvedDependencies.clear();
                try {
                    findRequiredFor(resolver, currPackage);
                    if (currPackage2) findRequiredFor(resolver, currPackage2);
                    break;
                } catch (const PkgManager::unhappy&) {
                    if (attempt == 100) throw error(5, 1, 1, 3) << Messages::getMessage("err_prep_group");
                    Log(3) << "In prepareInstallGroup: resolver failed, will try again now" << std::endl;
                }
            }
            Log(3) << "DEBUG: prepareInstallStep: resolve results for package(s):" << std::endl;
            for (const Package* p : necessaryList)
                Log(3) << "DEBUG: (" << static_cast<char>(p->getType()) << ") " << fileNameOf(p) << std::endl;
            Log(3) << "DEBUG: ----  end of resolving results ---- \n";
            bool nonsystem = false;
            for (const Package* p : necessaryList)
                nonsystem = nonsystem || (p->getType() != 's' && p != currPackage && p != currPackage2);
            if (nonsystem) {
                Log(3) << "DEBUG: prepareInstallStep: nonsystem_found = true;  (type != SYSTEM) \n";
                Log(3) << "DEBUG: prepareInstallStep: there is non-system packages in necessaryList,"
                       << " add all non-system packages to installGroup" << std::endl;
                for (const Package* p : necessaryList) {
                    if (p->getType() == 's') continue;
                    if (std::find(installGroup.begin(), installGroup.end(), p) == installGroup.end()) {
                        installGroup.push_back(p);
                        Log(3) << "DEBUG: prepareInstallStep: add " << fileNameOf(p) << " to installGroup" << std::endl;
                    } else {
                        Log(3) << "DEBUG: prepareInstallStep: " << p->toString() << " is already in installGroup.\n";
                    }
                }
            } else {
                Log(3) << "DEBUG: prepareInstallStep: there is no non-system packages in necessaryList,"
                       << " push only currPackage in installGroup, set groupReady flag" << std::endl;
                installGroup.assign(1, currPackage);
                if (currPackage2) {
                    Log(3) << "DEBUG: prepareInstallStep: add currPackage2 " << currPackage2->toString()
                           << " to installGroup\n";
                    installGroup.push_back(currPackage2);
                }
                Log(3) << "DEBUG: prepareInstallStep: groupReady = true; ( installGroup.push_back(currPackage2) ) \n";
                groupReady = true;
            }
            ++index;
        }
        if (groupReady) return;
        if (stepReady) {
            Log(3) << "DEBUG: prepareInstallStep: stepReady, set groupReady too" << std::endl;
            return;
        }
        installGroup.erase(installGroup.begin(), installGroup.end() - 1);
        index = 0;
        stepReady = true;
        Log(3) << "DEBUG: prepareInstallStep: !groupReady && !stepready: "
               << "remove all except last from installGroup, set stepReady flag" << std::endl;
        Log(3) << "DEBUG: prepareInstallStep: now in installGroup only " << fileNameOf(installGroup[0]) << std::endl;
    }
}
