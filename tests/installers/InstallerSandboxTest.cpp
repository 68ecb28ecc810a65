// The installer base over real rpm packages: the vntest fixtures come through a local package
// directory, the installed packages through the private rpm database (HOME with its own
// .rpmmacros), and the groups are installed by the real rpm and librpm into the sandbox's
// private /opt. Each test runs in a process of its own, so librpm reads the private
// database's macros before anything else.
#include "installers/Installer.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <stdexcept>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/TerminationState.h"
#include "common/error.h"
#include "components/ComponentManager.h"
#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "installers/InstallOptions.h"
#include "main/Options.h"
#include "packages/Component.h"
#include "packages/PkgManager.h"
#include "packages/Repository.h"
#include "packages/StdPackage.h"
#include "packages/internString.h"
#include "reporting/ProductsProgress.h"
#include "sources/SourceDirectory.h"
#include "sources/SourceSysRPM.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/PrepPostActions.h"
#include "support/RpmFixtures.h"
#include "support/TestUtil.h"
#include "updates/Bootstrapper.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::rpmFixture;
using testutil::splitLines;

// The installer kind of these tests: its list is whatever the test gives. It records each
// group it installs, and can make the step resolver unhappy a given number of times.
class TestInstaller : public Installer {
public:
    TestInstaller(Repository* repository, ComponentManager* manager) : Installer(repository, manager, nullptr) {}

    cpkgs_t resolveAll() override { return resolvedPackages; }
    void checkDiskSpace() override {}

    void setList(const cpkgs_t& list) { resolvedPackages = list; }
    void setBootstrap(const cpkgs_t& list) { bootstrapPackages = list; }

    void installGroup(const cpkgs_t& group) override {
        std::string names;
        for (const Package* p : group) names += (names.empty() ? "" : " ") + p->toString();
        groups.push_back(names);
        Installer::installGroup(group);
    }

    std::vector<std::string> groups;
    int unhappyAttempts = 0;
    int attempts = 0;

protected:
    void findRequiredFor(PkgManager& resolver, const Package* package) override {
        ++attempts;
        if (unhappyAttempts > 0) {
            --unhappyAttempts;
            throw PkgManager::unhappy();
        }
        Installer::findRequiredFor(resolver, package);
    }
};

using installertest::options;

// The log lines that begin with `head`.
std::vector<std::string> linesStarting(const std::string& log, const std::string& head) {
    std::vector<std::string> out;
    for (const std::string& line : splitLines(log))
        if (line.compare(0, head.size(), head) == 0) out.push_back(line);
    return out;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The pool of one run, its two sources and the installer; the pool's packages are freed last.
struct Pool {
    ~Pool() {
        installer.reset();
        dirSource.reset();
        sysSource.reset();
        for (Package* p : repo.pkgList) delete p;
        for (Package* p : repo.removedPackages) delete p;
    }
    Repository repo;
    std::unique_ptr<SourceSysRPM> sysSource;
    std::unique_ptr<SourceDirectory> dirSource;
    std::unique_ptr<TestInstaller> installer;
};

class InstallerTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        installertest::plainOptions();
        fresh();
    }

    // An empty database (but the /bin/sh provider), package directory and pool.
    void fresh() {
        pool.reset();
        db.reset();  // gives back the HOME it replaced
        db.reset(new testutil::PrivateRpmDatabase);
        db->registerShell();
        packages.reset();
        packages.reset(new testutil::TempDir);
        pool.reset(new Pool);
    }

    // Really installs fixtures (files and scriptlets) before the run.
    void preinstall(const std::vector<std::string>& fixtures) {
        for (const std::string& f : fixtures) {
            const testutil::RunResult r = testutil::run({"/usr/bin/rpm", "-U", rpmFixture(f)});
            ASSERT_EQ(r.status, 0) << f << ": " << r.err;
        }
    }

    // The package directory offers copies of `fixtures` (under the name given after '=' when
    // there is one); the pool reads it and the installed packages, then the installer starts.
    void load(const std::vector<std::string>& fixtures) {
        for (const std::string& f : fixtures) {
            const std::string::size_type eq = f.find('=');
            const std::string source = rpmFixture(f.substr(0, eq));
            const std::string target = *packages / (eq == std::string::npos ? f : f.substr(eq + 1));
            testutil::run({"/bin/mkdir", "-p", target.substr(0, target.rfind('/'))});
            const testutil::RunResult r = testutil::run({"/bin/cp", source, target});
            ASSERT_EQ(r.status, 0) << r.err;
        }
        pool->sysSource.reset(new SourceSysRPM(&pool->repo));
        pool->dirSource.reset(new SourceDirectory(&pool->repo, packages->path()));
        pool->repo.getBriefInfo();
        pool->repo.getFullInfo();
        pool->installer.reset(new TestInstaller(&pool->repo, &manager));
    }

    TestInstaller& installer() { return *pool->installer; }
    Repository& repo() { return pool->repo; }

    // The pooled package of `name` (and arch, when given) that is not installed.
    const Package* offered(const std::string& name, const std::string& version = "", const std::string& arch = "") {
        for (Package* p : repo().pkgList)
            if (p->getType() != 's' && name == p->getName() &&
                (version.empty() || p->getVersion()->getVersion() == version) && (arch.empty() || arch == p->getArch()))
                return p;
        throw std::runtime_error("no offered package " + name + " " + version + " " + arch);
    }
    std::string fileOf(const Package* p) { return const_cast<Package*>(p)->getFileName(); }

    // The pooled packages of a name, as "kind name-version-release.arch", in pool order.
    std::vector<std::string> pooled(const std::string& name) {
        std::vector<std::string> out;
        for (Package* p : repo().pkgList)
            if (name == p->getName()) out.push_back(std::string(1, static_cast<char>(p->getType())) + " " + p->toString());
        return out;
    }

    const Package* remover(const std::string& name) { return repo().addRemoverFor(name); }

    std::unique_ptr<testutil::PrivateRpmDatabase> db;
    std::unique_ptr<testutil::TempDir> packages;
    ComponentManager manager;
    std::unique_ptr<Pool> pool;
};

typedef InstallerTest RpmInstallGroups;

struct GroupCase {
    const char* title;
    std::vector<std::string> list;  // offered names, in list order ("name.arch" for foo)
    std::vector<std::string> groups;
    std::vector<std::string> installed;
};

TEST_F(RpmInstallGroups, EachGroupHoldsAPackageWithWhatItNeedsThatIsNotInstalled) {
    const std::vector<GroupCase> cases = {
        {"independent", {"vntest-e"}, {"vntest-e-1.0-1.noarch"}, {"vntest-e-1.0.noarch"}},
        {"a needs b: b first",
         {"vntest-a", "vntest-b"},
         {"vntest-b-1.0-1.noarch", "vntest-a-1.0-1.noarch"},
         {"vntest-a-1.0.noarch", "vntest-b-1.0.noarch"}},
        {"c and d need each other: one group",
         {"vntest-c", "vntest-d"},
         {"vntest-d-1.0-1.noarch vntest-c-1.0-1.noarch"},
         {"vntest-c-1.0.noarch", "vntest-d-1.0.noarch"}},
        {"one version in two architectures: one group",
         {"vntest-foo.i386", "vntest-foo.x86_64"},
         {"vntest-foo-1.0-1.x86_64 vntest-foo-1.0-1.i386"},
         {"vntest-foo-1.0.i386", "vntest-foo-1.0.x86_64"}},
    };
    for (const GroupCase& c : cases) {
        SCOPED_TRACE(c.title);
        fresh();
        std::vector<std::string> files;
        for (const std::string& n : c.list) files.push_back(n + ".rpm");
        load(files);
        cpkgs_t list;
        for (const std::string& n : c.list) {
            const std::string::size_type dot = n.find('.');
            list.push_back(dot == std::string::npos ? offered(n) : offered(n.substr(0, dot), "", n.substr(dot + 1)));
        }
        installer().setList(list);
        installer().installPackages(list, false);
        EXPECT_EQ(installer().groups, c.groups);
        EXPECT_EQ(db->installed(), c.installed);
        for (const Package* p : list) EXPECT_EQ(p->getType(), 's') << p->toString();
    }
}

// What a table row runs, given the loaded pool.
typedef std::function<cpkgs_t()> ListOf;

typedef InstallerTest RpmInstallCommands;

TEST_F(RpmInstallCommands, EachKindOfGroupRunsItsCommandLines) {
    const std::string pwned = "/tmp/pwned";
    struct CommandCase {
        const char* title;
        bool debug;
        std::vector<std::string> before;   // really installed first
        std::vector<std::string> offered;  // fixture files in the package directory
        ListOf list;
        std::function<std::vector<std::string>()> commands;  // the "Execute command" lines
        std::vector<std::string> installed;
    };
    std::string scriptRan;
    const std::vector<CommandCase> cases = {
        {"debug: -v after the mode, two blanks before --test",
         true,
         {},
         {"vntest-c.rpm", "vntest-d.rpm"},
         [&] { return cpkgs_t{offered("vntest-c"), offered("vntest-d")}; },
         [&] {
             const std::string files = fileOf(offered("vntest-d")) + " " + fileOf(offered("vntest-c")) + " ";
             return std::vector<std::string>{"Execute command rpm -U -v  --test " + files,
                                             "Execute command rpm -U -v " + files};
         },
         {"vntest-c-1.0.noarch", "vntest-d-1.0.noarch"}},
        {"one remover: erase by the bare name, no blank after it",
         false,
         {"vntest-e.rpm"},
         {},
         [&] { return cpkgs_t{remover("vntest-e")}; },
         [&] {
             return std::vector<std::string>{"Execute command rpm -e  --test vntest-e", "Execute command rpm -e vntest-e"};
         },
         {}},
        {"kernel: install mode",
         false,
         {},
         {"vntest-kern.rpm"},
         [&] { return cpkgs_t{offered("vntest-kern")}; },
         [&] {
             const std::string file = fileOf(offered("vntest-kern")) + " ";
             return std::vector<std::string>{"Execute command rpm -i  --test " + file, "Execute command rpm -i " + file};
         },
         {"vntest-kern-1.0.noarch"}},
        {"a file name with shell syntax stays one word",
         false,
         {},
         {"vntest-e.rpm=x $(touch " + pwned + ").rpm"},
         [&] { return cpkgs_t{offered("vntest-e")}; },
         [&] {
             const std::string file = "'" + fileOf(offered("vntest-e")) + "' ";
             return std::vector<std::string>{"Execute command rpm -U  --test " + file, "Execute command rpm -U " + file};
         },
         {"vntest-e-1.0.noarch"}},
        {"script package: sh and its file",
         false,
         {},
         {},
         [&] {
             scriptRan = *packages / "script-ran";
             testutil::writeFile(*packages / "vntest-script.sh", "echo ran > " + scriptRan + "\n");
             StdPackage* script = new StdPackage("vntest-script", "1.0");
             script->setFileName(*packages / "vntest-script.sh");
             script->setType('u');
             repo().addPackage(script, nullptr);
             return cpkgs_t{script};
         },
         [&] { return std::vector<std::string>{"Execute command sh " + packages->path() + "/vntest-script.sh "}; },
         {}},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.title);
        fresh();
        preinstall(c.before);
        load(c.offered);
        options().debug = c.debug;
        const cpkgs_t list = c.list();
        const std::vector<std::string> commands = c.commands();
        testutil::LogCapture log;
        installer().setList(list);
        installer().installPackages(list, false);
        EXPECT_EQ(linesStarting(log.text(), "Execute command "), commands);
        EXPECT_EQ(db->installed(), c.installed);
        for (const Package* p : list) {
            if (p->getType() != 'd') {
                EXPECT_EQ(p->getType(), 's') << p->toString();
            }
        }
    }
    EXPECT_NE(::access(scriptRan.c_str(), F_OK), -1) << "the script package did not run";
    EXPECT_EQ(::access(pwned.c_str(), F_OK), -1) << "a file name ran as a command";
}

TEST_F(RpmInstallCommands, GroupsThatCannotBeInstalledRaiseBeforeAnyCommand) {
    struct FailCase {
        const char* title;
        std::vector<std::string> offered;
        ListOf group;
        std::string codes;
        std::string text;
        std::string logged;  // a level-1 line that goes with it
        std::vector<std::string> commands;
    };
    auto script = [&](const std::string& name, const std::string& body) {
        testutil::writeFile(*packages / (name + ".sh"), body);
        StdPackage* p = new StdPackage(name, "1.0");
        p->setFileName(*packages / (name + ".sh"));
        p->setType('u');
        repo().addPackage(p, nullptr);
        return p;
    };
    const std::vector<FailCase> cases = {
        {"kernel grouped with another package",
         {"vntest-kern.rpm", "vntest-e.rpm"},
         [&] { return cpkgs_t{offered("vntest-kern"), offered("vntest-e")}; },
         "(5,1,1,3)",
         "Unable to install the kernel package.\n",
         "",
         {}},
        {"two script packages",
         {},
         [&] { return cpkgs_t{script("vntest-s1", "true\n"), script("vntest-s2", "true\n")}; },
         "(5,1,1,3)",
         "Unable to install a shell-based package because of dependency cycle.\n",
         "",
         {}},
        {"a failing script",
         {},
         [&] { return cpkgs_t{script("vntest-s3", "exit 3\n")}; },
         "(6,1,3,3)",
         "An error occurred during installation of the vntest-s3-1.0 package.\n",
         Messages::getMessage("install_error") + "PKGDIR/vntest-s3.sh ",
         {"Execute command sh PKGDIR/vntest-s3.sh "}},
        {"a package of no known kind",
         {},
         [&] {
             Package* p = new Package("vntest-odd", "1.0");
             p->setFileName(*packages / "vntest-odd.bin");
             p->setType('u');
             repo().addPackage(p, nullptr);
             return cpkgs_t{p};
         },
         "(3,1,1,3)",
         Messages::getMessage("err_unkn_pkgtype") + "\n",
         "First package in install group is unknown type, can't install it (vntest-odd-1.0)",
         {}},
    };
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.title);
        fresh();
        load(c.offered);
        const cpkgs_t group = c.group();
        testutil::LogCapture log;
        const error e = raisedError([&] { installer().installGroup(group); });
        EXPECT_EQ(codesOf(e), c.codes);
        EXPECT_EQ(e.text(), c.text);
        std::string logged = c.logged;
        if (logged.find("PKGDIR") != std::string::npos) logged.replace(logged.find("PKGDIR"), 6, packages->path());
        if (!logged.empty()) {
            EXPECT_EQ(linesStarting(log.text(), logged), std::vector<std::string>{logged}) << log.text();
        }
        std::vector<std::string> commands = c.commands;
        for (std::string& line : commands)
            if (line.find("PKGDIR") != std::string::npos) line.replace(line.find("PKGDIR"), 6, packages->path());
        EXPECT_EQ(linesStarting(log.text(), "Execute command "), commands);
        EXPECT_EQ(db->installed(), std::vector<std::string>{});
    }
}

TEST_F(RpmInstallCommands, AFailingTestRunStopsTheInstallationAndMarksOnlyTheFailedGroup) {
    load({"vntest-e.rpm", "vntest-own2.rpm"});
    // Installed behind the pool's back: only rpm sees that own2 would take over its file.
    preinstall({"vntest-own1.rpm"});
    const cpkgs_t list = {offered("vntest-e"), offered("vntest-own2")};
    testutil::TreeCatalogue catalogue("tarnix");
    for (const Package* p : list) ProductsProgress::instance()->add_product_package(catalogue.release, p->getName());
    const std::string e = fileOf(list[0]) + " ", own2 = fileOf(list[1]) + " ";
    testutil::LogCapture log;
    installer().setList(list);
    const error raised = raisedError([&] { installer().installPackages(list, false); });
    EXPECT_EQ(codesOf(raised), "(5,1,2,3)");
    EXPECT_EQ(raised.text(), "Installation will not continue\n");
    // The real run of the failed group never comes.
    EXPECT_EQ(linesStarting(log.text(), "Execute command "),
              (std::vector<std::string>{"Execute command rpm -U  --test " + e, "Execute command rpm -U " + e,
                                        "Execute command rpm -U  --test " + own2}));
    EXPECT_EQ(db->installed(), (std::vector<std::string>{"vntest-e-1.0.noarch", "vntest-own1-1.0.noarch"}));
    EXPECT_EQ(list[0]->getType(), 's');
    EXPECT_EQ(list[1]->getType(), 'u');
    const std::map<std::string, ProductsProgress::PackageEntry> progress = ProductsProgress::instance()->packagesSnapshot();
    ASSERT_EQ(progress.size(), 2u);
    for (const auto& entry : progress) {
        EXPECT_EQ(entry.second.stage, 3) << entry.first;
    }
}

typedef InstallerTest RpmInstallRemovers;

TEST_F(RpmInstallRemovers, TwoRemoversGoIntoOneTransactionInAChild) {
    struct RemoverCase {
        const char* title;
        bool dropFile;  // the new package's file vanishes before the run
        std::string codes;
        std::vector<std::string> logged;
        std::vector<std::string> installed;
    };
    const std::vector<RemoverCase> cases = {
        {"the obsoleter replaces both", false, "", {"Committing changes...", "Installation with rpm transaction OK"},
         {"vntest-new-1.0.noarch"}},
        {"an error in the child", true, "(6,1,3,3)",
         {"ERROR: Unable to install the package PKGFILE because opening package file failed."},
         {"vntest-old1-1.0.noarch", "vntest-old2-1.0.noarch"}},
    };
    for (const RemoverCase& c : cases) {
        SCOPED_TRACE(c.title);
        fresh();
        preinstall({"vntest-old1.rpm", "vntest-old2.rpm"});
        load({"vntest-new.rpm"});
        const cpkgs_t group = {offered("vntest-new"), remover("vntest-old1"), remover("vntest-old2")};
        const std::string file = fileOf(group[0]);
        if (c.dropFile) {
            ASSERT_EQ(::unlink(file.c_str()), 0);
        }
        testutil::LogCapture log;
        if (c.codes.empty()) {
            installer().installGroup(group);
        } else {
            const error e = raisedError([&] { installer().installGroup(group); });
            EXPECT_EQ(codesOf(e), c.codes);
            EXPECT_EQ(e.text(), "An error occurred during installation of packages.\n");
        }
        Log(2) << "end of the run" << std::endl;  // the child's raw output is written with the next line
        const std::string text = log.text();
        EXPECT_EQ(linesStarting(text, "Execute command "), std::vector<std::string>{});
        EXPECT_EQ(linesStarting(text, "Removing the package "),
                  std::vector<std::string>{});  // the step's title goes to the record, not the log
        EXPECT_EQ(linesStarting(text, "package "),
                  (std::vector<std::string>{"package vntest-new-1.0-1.noarch", "package dummy_obsoleter_vntest-old1-0.0",
                                            "package dummy_obsoleter_vntest-old2-0.0"}));
        for (std::string line : c.logged) {
            if (line.find("PKGFILE") != std::string::npos) line.replace(line.find("PKGFILE"), 7, file);
            EXPECT_TRUE(contains(text, line + "\n")) << text;
        }
        EXPECT_EQ(db->installed(), c.installed);
    }
}

// The atexit handler of the test process: any other process that ends through exit() leaves
// its pid in the marker file.
pid_t markerOwner;
std::string* markerPath;
void markForeignExit() {
    if (::getpid() == markerOwner) return;
    std::ofstream(*markerPath, std::ios::app) << ::getpid() << "\n";
}

// The pids of the running processes whose command line is exactly `argv`.
std::vector<pid_t> processesRunning(const std::vector<std::string>& argv) {
    std::string wanted;
    for (const std::string& a : argv) wanted += a + '\0';
    std::vector<pid_t> out;
    DIR* proc = ::opendir("/proc");
    if (!proc) return out;
    while (struct dirent* entry = ::readdir(proc)) {
        const pid_t pid = std::atoi(entry->d_name);
        if (pid <= 0) continue;
        std::ifstream in(std::string("/proc/") + entry->d_name + "/cmdline");
        std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string statText((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::string::size_type close = statText.rfind(')');
        const bool zombie = close != std::string::npos && statText.compare(close + 2, 1, "Z") == 0;
        if (line == wanted && !zombie) out.push_back(pid);
    }
    ::closedir(proc);
    return out;
}

TEST_F(RpmInstallRemovers, ATerminationRequestEndsTheChildAndItsScriptlets) {
    preinstall({"vntest-slow.rpm", "vntest-e.rpm"});
    load({});
    const cpkgs_t group = {remover("vntest-slow"), remover("vntest-e")};
    const std::string marker = *packages / "exit-marker";
    const std::string result = testutil::inChild([&] {
        markerOwner = ::getpid();
        markerPath = new std::string(marker);
        std::atexit(markForeignExit);
        // Asks to stop once the slow package's removal script sleeps, and only once.
        std::atomic<bool> asked(false);
        std::thread requester([&] {
            for (int i = 0; i < 200 && processesRunning({"sleep", "30"}).empty(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            asked = true;
            requestTermination(SIGTERM);
        });
        std::string out;
        const auto start = std::chrono::steady_clock::now();
        try {
            installer().installGroup(group);
            out = "no error";
        } catch (const error& e) {
            out = codesOf(e) + " " + e.text();
        }
        requester.join();
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
        if (seconds >= 25) out += " (the sleep ran to its end)";
        if (!asked) out += " (never asked)";
        return out;
    });
    EXPECT_EQ(result,
              "(4,1,2,2) An error occurred during execution of an RPM transaction:\n"
              "an unhandled signal was received from the system.\n");
    // The scriptlet went with its group; no process but the test's own left through exit().
    for (int i = 0; i < 40 && !processesRunning({"sleep", "30"}).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(processesRunning({"sleep", "30"}), std::vector<pid_t>{});
    EXPECT_EQ(testutil::readFile(marker), "");
}

typedef InstallerTest RpmInstallHolds;

TEST_F(RpmInstallHolds, HeldPackagesAreNeitherReplacedNorRemovedAndNothingIsDowngraded) {
    struct HoldCase {
        const char* title;
        std::string name;
        std::string version;
        std::vector<std::string> holds;
        std::string codes;  // "" passes
        std::string text;
    };
    const std::string downgrade = Messages::fill("err_downgrade", "vntest-e") + "\n";
    const std::vector<HoldCase> cases = {
        {"held, newer version", "vntest-e", "2.0", {"^vntest-e$"}, "(5,1,1,1)",
         "Unable to replace the package vntest-e-1.0-1.noarch because you told the system not to do so.\n"},
        {"held, same version", "vntest-e", "1.0", {"^vntest-e$"}, "", ""},
        {"not held, newer version", "vntest-e", "2.0", {"^vntest-x$"}, "", ""},
        {"held, older version", "vntest-e", "0.9", {"^vntest-e$"}, "(5,1,1,2)", downgrade},
        {"not held, older version", "vntest-e", "0.9", {}, "(5,1,1,2)", downgrade},
        {"obsoleter of a held package", "vntest-obs-e", "", {"^vntest-e$"}, "(5,1,1,1)",
         "Unable to remove the package vntest-e because you told the system not to do so.\n"},
        {"obsoleter, other holds", "vntest-obs-e", "", {"^vntest-x$", "^other"}, "", ""},
    };
    db->registerInstalled({"vntest-e.rpm"});
    load({"vntest-e.rpm", "vntest-e-2.0.rpm", "vntest-e-0.9.rpm", "vntest-obs-e.rpm"});
    for (const HoldCase& c : cases) {
        SCOPED_TRACE(c.title);
        installer().setList({offered(c.name, c.version)});
        if (c.codes.empty()) {
            EXPECT_NO_THROW(installer().checkPackageSet(c.holds));
            continue;
        }
        const error e = raisedError([&] { installer().checkPackageSet(c.holds); });
        EXPECT_EQ(codesOf(e), c.codes);
        EXPECT_EQ(e.text(), c.text);
    }
    // Installed packages in the list are not looked at; a bad pattern is an error.
    installer().setList({offered("vntest-e", "2.0")});
    EXPECT_FALSE(raisedError([&] { installer().checkPackageSet({"(vntest"}); }).text().empty());
}

typedef InstallerTest RpmInstallSteps;

TEST_F(RpmInstallSteps, TheResolverOfAStepHasAHundredAttempts) {
    struct BoundCase {
        int unhappy;
        std::string codes;
        std::vector<std::string> installed;
    };
    const std::vector<BoundCase> cases = {
        {99, "", {"vntest-e-1.0.noarch"}},
        {100, "(5,1,1,3)", {}},
    };
    for (const BoundCase& c : cases) {
        SCOPED_TRACE(c.unhappy);
        fresh();
        load({"vntest-e.rpm"});
        installer().unhappyAttempts = c.unhappy;
        const cpkgs_t list = {offered("vntest-e")};
        installer().setList(list);
        if (c.codes.empty()) {
            installer().installPackages(list, false);
        } else {
            const error e = raisedError([&] { installer().installPackages(list, false); });
            EXPECT_EQ(codesOf(e), c.codes);
            EXPECT_EQ(e.text(), "Unable to install the requested packages because there are package dependency problems.\n");
        }
        EXPECT_EQ(installer().attempts, 100);
        EXPECT_EQ(db->installed(), c.installed);
    }
}

TEST_F(RpmInstallSteps, InstallRunsPrepAndPostAroundTheListUnlessOnlySystemPackagesAreAsked) {
    // One selected component whose PREP and POST actions write their tags into the marker.
    testutil::TreeCatalogue catalogue("tarnix");
    std::shared_ptr<VnComponent> component = catalogue.component(*manager.arena(), "prepared", 1);
    testutil::addPrepPostActions(*component, [](const std::string& sequence) { return "echo " + sequence + " >> \"$M\""; });
    component->setSelected(true);
    manager.nodes.push_back(component);

    struct InstallCase {
        const char* title;
        bool systemOnly;
        std::string cacheFile;
        std::vector<std::string> marker;
        std::vector<std::string> installed;
        std::vector<std::string> prepared;  // "prepared command: " lines
    };
    const std::vector<InstallCase> cases = {
        {"everything", false, "", {"prep", "post"}, {"vntest-a-1.0.noarch", "vntest-b-1.0.noarch", "vntest-e-1.0.noarch"}, {}},
        {"only system packages: no actions, no build packages", true, "", {},
         {"vntest-b-1.0.noarch", "vntest-e-1.0.noarch"}, {}},
        {"cache file: commands prepared, none run", false, "/tmp/vntest-cache", {"prep", "post"}, {},
         {"prepared command: rpm -U E ", "prepared command: rpm -U B ", "prepared command: rpm -U A "}},
    };
    for (const InstallCase& c : cases) {
        SCOPED_TRACE(c.title);
        fresh();
        const std::string marker = *packages / "marker";
        testutil::ScopedEnv markerEnv("M", marker);
        load({"vntest-a.rpm", "vntest-b.rpm", "vntest-e.rpm"});
        options().systemPackagesCacheFile = c.cacheFile;
        // a comes with a build and needs b; e is a bootstrap package too.
        const_cast<Package*>(offered("vntest-a"))->setType('b');
        const cpkgs_t list = {offered("vntest-a"), offered("vntest-b"), offered("vntest-e")};
        std::vector<std::string> prepared = c.prepared;
        for (std::string& line : prepared) {
            const std::string::size_type at = line.rfind(' ', line.size() - 2) + 1;
            const std::string key = line.substr(at, line.size() - 1 - at);
            const std::string file = fileOf(offered(key == "A" ? "vntest-a" : key == "B" ? "vntest-b" : "vntest-e"));
            line = line.substr(0, at) + file + " ";
        }
        installer().setList(list);
        installer().setBootstrap({offered("vntest-e")});
        testutil::LogCapture log;
        try {
            installer().install(c.systemOnly);
        } catch (const error& e) {
            ADD_FAILURE() << e.text();
        }
        EXPECT_EQ(::access(marker.c_str(), F_OK) == 0 ? splitLines(testutil::readFile(marker)) : std::vector<std::string>{},
                  c.marker);
        EXPECT_EQ(db->installed(), c.installed);
        EXPECT_EQ(linesStarting(log.text(), "prepared command: "), prepared);
        EXPECT_EQ(linesStarting(log.text(), "Starting installation of packages"),
                  std::vector<std::string>{"Starting installation of packages"});
    }
}

TEST_F(RpmInstallSteps, WithTheCacheFileAGroupOfRemoversStartsNoChild) {
    preinstall({"vntest-old1.rpm", "vntest-old2.rpm"});
    load({"vntest-new.rpm"});
    options().systemPackagesCacheFile = "/tmp/vntest-cache";
    testutil::LogCapture log;
    installer().installGroup({offered("vntest-new"), remover("vntest-old1"), remover("vntest-old2")});
    EXPECT_FALSE(contains(log.text(), "Installing the following packages:")) << log.text();
    EXPECT_FALSE(contains(log.text(), "Committing changes...")) << log.text();
    EXPECT_EQ(db->installed(), (std::vector<std::string>{"vntest-old1-1.0.noarch", "vntest-old2-1.0.noarch"}));
}

TEST_F(RpmInstallSteps, InstalledGroupsReplaceWhatTheyObsoleteOrUpgradeInThePool) {
    preinstall({"vntest-e.rpm", "vntest-old1.rpm", "vntest-old2.rpm"});
    load({"vntest-e-2.0.rpm", "vntest-new.rpm"});
    const cpkgs_t list = {offered("vntest-e", "2.0"), offered("vntest-new")};
    installer().setList(list);
    installer().installPackages(list, false);
    EXPECT_EQ(db->installed(), (std::vector<std::string>{"vntest-e-2.0.noarch", "vntest-new-1.0.noarch"}));
    EXPECT_EQ(pooled("vntest-e"), std::vector<std::string>{"s vntest-e-2.0-1.noarch"});
    EXPECT_EQ(pooled("vntest-new"), std::vector<std::string>{"s vntest-new-1.0-1.noarch"});
    EXPECT_EQ(pooled("vntest-old1"), std::vector<std::string>{});
    EXPECT_EQ(pooled("vntest-old2"), std::vector<std::string>{});
}

TEST_F(RpmInstallSteps, TheStepTraceNamesEachDecision) {
    load({"vntest-a.rpm", "vntest-b.rpm"});
    const cpkgs_t list = {offered("vntest-a"), offered("vntest-b")};
    const std::string a = fileOf(list[0]), b = fileOf(list[1]);
    testutil::LogCapture log;
    installer().setList(list);
    installer().installPackages(list, false);
    // The resolver's own trace lies between; only the step's lines and the pool dump count.
    std::vector<std::string> trace;
    for (const std::string& line : splitLines(log.text()))
        if (line.compare(0, 26, "DEBUG: prepareInstallStep:") == 0 || line.compare(0, 8, "DEBUG: (") == 0 ||
            line.compare(0, 18, "DEBUG: ----  end o") == 0 || line.compare(0, 20, "  add to installList") == 0 ||
            (line.size() > 4 && line.compare(0, 2, "  ") == 0 && line[2] != ' ' && line[3] == ' ') ||
            line.compare(0, 20, "Number of packages: ") == 0 || line.compare(0, 31, "Installer::installPackages: tin") == 0)
            trace.push_back(line);
    const std::string step = "DEBUG: prepareInstallStep: ";
    const std::vector<std::string> expected = {
        "Installer::installPackages: tiny repository following: ",
        "Number of packages: 3",
        "  u vntest-a-1.0-1.noarch",
        "  u vntest-b-1.0-1.noarch",
        "  s vntest-sh-1.0-1.noarch",
        "  add to installList vntest-a-1.0-1.noarch",
        "  add to installList vntest-b-1.0-1.noarch",
        // First group: a needs b, so the walk goes on with b, which needs nothing new.
        step + "add init package " + a,
        step + "currPackage is " + a,
        step + "resolve results for package(s):",
        "DEBUG: (u) " + b,
        "DEBUG: ----  end of resolving results ---- ",
        step + "nonsystem_found = true;  (type != SYSTEM) ",
        step + "there is non-system packages in necessaryList, add all non-system packages to installGroup",
        step + "add " + b + " to installGroup",
        step + "currPackage is " + b,
        step + "resolve results for package(s):",
        "DEBUG: ----  end of resolving results ---- ",
        step + "there is no non-system packages in necessaryList, push only currPackage in installGroup, set groupReady flag",
        step + "groupReady = true; ( installGroup.push_back(currPackage2) ) ",
        // Second group: b is installed now.
        step + "add init package " + a,
        step + "currPackage is " + a,
        step + "resolve results for package(s):",
        "DEBUG: (s) " + b,
        "DEBUG: ----  end of resolving results ---- ",
        step + "there is no non-system packages in necessaryList, push only currPackage in installGroup, set groupReady flag",
        step + "groupReady = true; ( installGroup.push_back(currPackage2) ) ",
    };
    EXPECT_EQ(trace, expected);
}

TEST_F(RpmInstallSteps, OnlyAKernelStillToInstallCounts) {
    db->registerInstalled({"vntest-kern.rpm"});
    load({"vntest-kern.rpm", "vntest-e.rpm"});
    const Package* installedKernel = nullptr;
    for (const Package* p : repo().pkgList)
        if (p->getType() == 's' && std::string(p->getName()) == "vntest-kern") installedKernel = p;
    ASSERT_NE(installedKernel, nullptr);
    struct KernelCase {
        const char* title;
        cpkgs_t list;
        bool kernel;
    };
    const std::vector<KernelCase> cases = {
        {"empty list", {}, false},
        {"no kernel", {offered("vntest-e")}, false},
        {"a kernel to install", {offered("vntest-e"), offered("vntest-kern")}, true},
        {"an installed kernel", {installedKernel, offered("vntest-e")}, false},
    };
    for (const KernelCase& c : cases) {
        SCOPED_TRACE(c.title);
        installer().setList(c.list);
        EXPECT_EQ(installer().hasKernelPackages(), c.kernel);
        EXPECT_EQ(installer().getInstallList(), c.list);
    }
}

}  // namespace
