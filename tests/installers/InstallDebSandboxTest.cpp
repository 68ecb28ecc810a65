// The apt installer inside the namespace helper. "InstallDeb" tests put stand-ins of apt-get
// and debconf-set-selections first on PATH (canned simulation output, recorded arguments);
// "InstallDebApt" tests run the real apt against the repository built for the run
// (tests/fixtures/apt/build-repo, Codename "vnfix"), with /etc/apt and dpkg's database on
// tmpfs of their own, so the installed packages exist only inside the namespace.
#include "installers/InstallDeb.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "common/Log.h"
#include "common/error.h"
#include "components/ComponentManager.h"
#include "components/SourceManager.h"
#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "configurators/DebianAPTConfigurator.h"
#include "installers/InstallOptions.h"
#include "main/Options.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "reporting/ProductsProgress.h"
#include "support/EnglishTest.h"
#include "support/FixtureApt.h"
#include "support/LogCapture.h"
#include "support/PrepPostActions.h"
#include "support/TestUtil.h"
#include "updates/Bootstrapper.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::splitLines;

const char* const answersFile = "/tmp/vantrell3_debconf_answ";
const char* const answers =
    "j2re1.4 j2re1.4/license boolean true\n"
    "j2sdk1.4 j2sdk1.4/license boolean true\n"
    "sun-java5-jre shared/accepted-sun-dlj-v1-1 boolean true\n"
    "\n";
const std::string aptOptions =
    "DEBIAN_FRONTEND=noninteractive LANG=C apt-get --assume-yes --show-upgraded --purge --no-reinstall -o "
    "Dpkg::options::=--force-confdef -o Dpkg::options::=--force-confold -o APT::Get::AllowUnauthenticated=true ";

void mustRun(const std::string& command) {
    const testutil::RunResult r = testutil::shell(command);
    ASSERT_EQ(r.status, 0) << command << "\n" << r.out << r.err;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// "kind name-version" of each package.
std::vector<std::string> described(const cpkgs_t& list) {
    std::vector<std::string> out;
    for (const Package* p : list) out.push_back(std::string(1, static_cast<char>(p->getType())) + " " + p->toString());
    return out;
}

// Where each text stands in `log`, in the order given; npos for one missing or out of order.
std::vector<size_t> positionsInOrder(const std::string& log, const std::vector<std::string>& parts) {
    std::vector<size_t> at;
    size_t from = 0;
    for (const std::string& part : parts) {
        const size_t found = log.find(part, from);
        at.push_back(found);
        if (found != std::string::npos) from = found + part.size();
    }
    return at;
}

// Each text stands in `log`, in the order given.
void expectInOrder(const std::string& log, const std::vector<std::string>& parts) {
    const std::vector<size_t> at = positionsInOrder(log, parts);
    for (size_t i = 0; i < at.size(); ++i) EXPECT_NE(at[i], std::string::npos) << parts[i] << "\n" << log;
    for (size_t i = 0; i < at.size(); ++i) EXPECT_NE(at[i], std::string::npos) << parts[i] << "\n" << log;
}

using installertest::options;

// One run: its pool, tree, configurator and installer; the packages are freed last, the pool
// never frees its own.
struct World {
    ~World() {
        installer.reset();
        for (Package* p : created) delete p;
        for (Package* p : repo.pkgList) delete p;
    }
    std::vector<Package*> created;
    Repository repo;
    ComponentManager manager;
    SourceManager sources{repo};
    DebianAPTConfigurator apt{"/nonexistent/products.inf3", manager, sources};
    std::unique_ptr<InstallDeb> installer;
};

class InstallDebTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        ASSERT_EQ(std::string(::getenv("VN_SANDBOXED") ? "yes" : "no"), "yes");
        options();
        catalogue.build->os_release_name = "vnfix";
        fresh();
    }
    void TearDown() override {
        world.reset();
        testutil::EnglishTest::TearDown();
    }
    void fresh() {
        world.reset();
        world.reset(new World);
    }
    Repository& repo() { return world->repo; }
    InstallDeb& installer() { return *world->installer; }

    // A build package of the pool, as the build's package list gives it.
    Package* buildPackage(const std::string& name, const std::string& version) {
        Package* p = new Package(name, version);
        p->setArch("all");
        p->setType('b');
        repo().addPackage(p, nullptr);
        return p;
    }
    // A package the test owns, outside the pool.
    Package* loose(const std::string& name, const std::string& version, char kind) {
        world->created.push_back(new Package(name, version));
        world->created.back()->setType(kind);
        return world->created.back();
    }
    // A top-level component of the build holding `packages`; selected ones are to be installed.
    VnComponent* component(const std::string& name, const std::vector<Package*>& packages, bool selected) {
        std::shared_ptr<VnComponent> c = catalogue.component(*world->manager.arena(), name, 1);
        for (Package* p : packages) {
            world->created.push_back(new Package(p->getName(), p->getVersion()->toString()));
            Package* entry = world->created.back();
            entry->setArch(p->getArch());
            c->packages.push_back(entry);
        }
        c->setSelected(selected);
        world->manager.nodes.push_back(c);
        return c.get();
    }
    // "base" with the base package; "conflict", "java" and "broken" on optional components.
    void standardTree(bool conflictSelected, bool brokenSelected = false) {
        component("base", {buildPackage("vntest-deb-base", "1.0-1")}, true);
        component("conflict", {buildPackage("vntest-deb-conflict", "1.0-1")}, conflictSelected);
        component("java", {buildPackage("sun-java6-jre", "1.0-1")}, false);
        component("broken", {buildPackage("vntest-deb-broken", "1.0-1")}, brokenSelected);
    }
    InstallDeb& make() {
        world->installer.reset(new InstallDeb(&world->repo, &world->manager, &world->apt));
        return *world->installer;
    }
    // The packages the run created itself (apt's plan) are freed with the test's.
    cpkgs_t resolve() {
        const cpkgs_t list = installer().resolveAll();
        for (const Package* p : list)
            if (p->getType() == 'u') world->created.push_back(const_cast<Package*>(p));
        return list;
    }

    // apt-get and the tools it names, as stand-ins: each call's arguments, one per line,
    // are appended to calls/<name>; apt-get prints `canned` and exits with `status`.
    void fakeApt(const std::string& canned, int status) {
        testutil::writeFile(probe / "canned", canned);
        shims.add("apt-get", "printf '%s\\n' \"$@\" >>" + probe / "apt-get.calls" + "; printf '%s\\n' ---- >>" +
                                 probe / "apt-get.calls" + "; cat " + probe / "canned" + "; exit " +
                                 std::to_string(status));
    }
    std::string aptCalls() { return exists(probe / "apt-get.calls") ? testutil::readFile(probe / "apt-get.calls") : ""; }

    // The real apt of this machine, reading only the fixture repository; old 1.0 and lib
    // 1:1.0-1 installed into an empty dpkg database.
    void realApt() { testutil::useFixtureApt(); }
    std::string dpkgQuery() {
        const testutil::RunResult r = testutil::run({"/usr/bin/dpkg-query", "-W", "-f", "${Package} ${Version}\\n"});
        return r.out;
    }

    testutil::TreeCatalogue catalogue{"tarnix"};
    std::unique_ptr<World> world;
    testutil::TempDir probe;
    testutil::CommandShims shims;
};

TEST_F(InstallDebTest, AptGetCommandKeepsToTheBaseBuildsRelease) {
    const struct {
        const char* release;
        std::string tail;
    } rows[] = {
        {"bookworm", " -t 'bookworm*' "},
        {"", " -t '*' "},
        // The quote inside a release name cannot end the shell word.
        {"a'b", " -t 'a'\\''b*' "},
    };
    standardTree(false);
    make();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.release);
        catalogue.build->os_release_name = row.release;
        EXPECT_EQ(installer().aptGetCommand(), aptOptions + row.tail);
    }
    catalogue.build->os_release_name = "bookworm";
    EXPECT_EQ(installer().aptGetCommand(),
              "DEBIAN_FRONTEND=noninteractive LANG=C apt-get --assume-yes --show-upgraded --purge --no-reinstall -o "
              "Dpkg::options::=--force-confdef -o Dpkg::options::=--force-confold -o "
              "APT::Get::AllowUnauthenticated=true  -t 'bookworm*' ");
}

TEST_F(InstallDebTest, PackageArgumentsByKind) {
    Package* requirer = loose("requirer", "1.0", 'd');
    requirer->addRequire("wanted-by-component >= 2.0");
    requirer->addRequire("second-need");
    const struct {
        const char* what;
        cpkgs_t list;
        bool systemOnly;
        const char* args;
    } rows[] = {
        {"component requirer: its first need", {requirer}, false, "wanted-by-component "},
        {"remover: nothing", {repo().addRemoverFor("gone")}, false, ""},
        {"build package pinned to its version", {loose("bp", "1.0-1", 'b')}, false, "bp=1.0-1 "},
        {"build package with an epoch", {loose("bp", "2:1.5-3", 'b')}, false, "bp=2:1.5-3 "},
        {"build package with a tilde version: quoted", {loose("bp", "1.0~rc1-1", 'b')}, false, "'bp=1.0~rc1-1' "},
        // An epoch alone leaves the version part empty.
        {"build package without a version part: by name", {loose("bp", "0:", 'b')}, false, "bp "},
        {"build package, system only: nothing", {loose("bp", "1.0-1", 'b')}, true, ""},
        // Only build packages are pinned: apt chooses the version of the others.
        {"package of apt's plan: by name", {loose("up", "1.0-1", 'u')}, true, "up "},
        {"a name that is shell syntax: one quoted word", {loose("x;touch /tmp/pwned", "1", 'u')}, false,
         "'x;touch /tmp/pwned' "},
        {"order kept", {loose("b1", "1", 'b'), loose("u1", "2", 'u'), requirer}, false, "b1=1 u1 wanted-by-component "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(InstallDeb::aptPackageArguments(row.list, row.systemOnly), row.args);
    }
}

TEST_F(InstallDebTest, SimulationLinesBecomeTheInstallList) {
    const struct {
        const char* what;
        const char* output;
        std::vector<std::string> added;  // after the base package
    } rows[] = {
        {"new package, then its Conf line", "Inst libfoo (1.2-3 Debian:5.0/stable)\nConf libfoo (1.2-3 Debian:5.0/stable)\n",
         {"u libfoo-1.2-3"}},
        // The upgrade's Inst line has the old version in brackets before the parenthesis and
        // does not match; its Conf line adds the package.
        {"upgrade", "Inst lib [1:1.0-1] (2:1.5-3 x [all])\n", {}},
        {"upgrade and its Conf line", "Inst lib [1:1.0-1] (2:1.5-3 x [all])\nConf lib (2:1.5-3 x [all])\n",
         {"u lib-2:1.5-3"}},
        {"a removal as apt prints it, twice: the remover twice", "Purg old [1.0]\nPurg old [1.0]\n",
         {"d dummy_obsoleter_old-0.0", "d dummy_obsoleter_old-0.0"}},
        {"Remv with brackets", "Remv gone [2.0-1]\n", {"d dummy_obsoleter_gone-0.0"}},
        {"Remv with a parenthesis", "Remv gone (2.0-1 x)\n", {"d dummy_obsoleter_gone-0.0"}},
        {"surrounding white space", "  \tInst spaced (1.0 x)   \n", {"u spaced-1.0"}},
        {"a package already listed is not added again", "Inst vntest-deb-base (1.0-1 vnfix [all])\n", {}},
        {"other lines are only logged",
         "Reading package lists...\nInst (1.0 x)\nInst Upper (1.0 x)\nConf broken [1.0]\nThe following NEW packages\n", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fresh();
        component("base", {buildPackage("vntest-deb-base", "1.0-1")}, true);
        make();
        fakeApt(row.output, 0);
        testutil::LogCapture log;
        std::vector<std::string> expected = {"b vntest-deb-base-1.0-1.all"};
        expected.insert(expected.end(), row.added.begin(), row.added.end());
        EXPECT_EQ(described(resolve()), expected);
        EXPECT_TRUE(contains(log.text(), "Checking whether the package dependencies are resolved.\n"));
        for (const std::string& line : splitLines(row.output)) {
            std::string trimmed = line.substr(line.find_first_not_of(" \t"));
            trimmed.erase(trimmed.find_last_not_of(" \t") + 1);
            EXPECT_TRUE(contains(log.text(), "DEBUG: output: " + trimmed + "\n")) << trimmed;
        }
    }
}

TEST_F(InstallDebTest, TheSimulationIsAskedForTheWholeListAndItsPlanLogged) {
    standardTree(true);
    make();
    fakeApt("Purg old [1.0]\nInst libfoo (1.2-3 Debian:5.0/stable)\n", 0);
    testutil::LogCapture log;
    resolve();
    EXPECT_EQ(aptCalls(),
              "--assume-yes\n--show-upgraded\n--purge\n--no-reinstall\n-o\nDpkg::options::=--force-confdef\n-o\n"
              "Dpkg::options::=--force-confold\n-o\nAPT::Get::AllowUnauthenticated=true\n-t\nvnfix*\n--just-print\n"
              "install\nvntest-deb-base=1.0-1\nvntest-deb-conflict=1.0-1\n----\n");
    const std::string text = log.text();
    expectInOrder(text, {"DEBUG: resolve with apt: Purg old\n", "  add to remove list dummy_obsoleter_old-0.0\n",
                         "DEBUG: resolve with apt: Inst libfoo\n", "  add to install list libfoo-1.2-3\n"});
}

TEST_F(InstallDebTest, AFailingSimulationLeavesItsDetailsInTheLog) {
    standardTree(false);
    make();
    fakeApt("Reading package lists...\n  E: no way\n", 100);
    testutil::LogCapture log;
    const error e = raisedError([&] { resolve(); });
    EXPECT_EQ(e.text(), "Installation will not continue\n");
    EXPECT_EQ(codesOf(e), "(5,1,1,3)");
    Log(0) << "end of test\n";
    const std::string text = log.text();
    // The capture keeps the lines as apt-get wrote them.
    expectInOrder(
        text, {"---X--- `apt-get` output ---------------------\nReading package lists...\n  E: no way\n\n"
               "---------------------- `apt-get` output ---X---\n",
               "Collecting error details into log file...\n", "Sources list:\n", "Installed in system packages:\n"});
}

TEST_F(InstallDebTest, NothingSelectedRunsNoSimulationAndInstallsNothing) {
    component("base", {buildPackage("vntest-deb-base", "1.0-1")}, false);
    make();
    fakeApt("", 0);
    testutil::LogCapture log;
    EXPECT_TRUE(resolve().empty());
    installer().install(false);
    EXPECT_EQ(aptCalls(), "");
    EXPECT_TRUE(contains(log.text(), "Installing packages\n"));
    EXPECT_TRUE(contains(log.text(), "You did not specify which packages must be installed.\n"));
    EXPECT_FALSE(contains(log.text(), "Install command execution success"));
}

TEST_F(InstallDebTest, ResolvingTwiceIsAnInternalError) {
    standardTree(false);
    make();
    fakeApt("", 0);
    resolve();
    const error e = raisedError([&] { resolve(); });
    EXPECT_TRUE(contains(e.text(), "InstallDeb, line 80.")) << e.text();
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
}

TEST_F(InstallDebTest, InstallPackagesOutcomes) {
    standardTree(false);
    make();
    const struct {
        const char* what;
        cpkgs_t list;
        bool systemOnly;
        int status;
        const char* error;  // "" for none
        const char* codes;
        bool runs;
    } rows[] = {
        {"installed", {loose("up", "1.0", 'u')}, false, 0, "", "", true},
        {"apt-get fails", {loose("up", "1.0", 'u')}, false, 100, "An error occurred on attempt to install packages.\n",
         "(6,1,3,3)", true},
        {"empty list", {}, false, 0, "", "", false},
        {"only build packages, system only", {loose("bp", "1.0", 'b'), loose("bp2", "1.0", 'b')}, true, 0, "", "",
         false},
        {"only a remover", {repo().addRemoverFor("old")}, false, 0, "", "", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ::unlink((probe / "apt-get.calls").c_str());
        fakeApt("", row.status);
        testutil::LogCapture log;
        if (*row.error) {
            const error e = raisedError([&] { installer().installPackages(row.list, row.systemOnly); });
            EXPECT_EQ(e.text(), row.error);
            EXPECT_EQ(codesOf(e), row.codes);
        } else {
            installer().installPackages(row.list, row.systemOnly);
        }
        EXPECT_EQ(aptCalls().empty(), !row.runs) << aptCalls();
        EXPECT_EQ(contains(log.text(), "DEBUG:  installed packages: "), row.runs && !*row.error) << log.text();
    }
}

TEST_F(InstallDebTest, AShellWordInAPackageNameStaysAnArgument) {
    standardTree(false);
    make();
    fakeApt("", 0);
    installer().installPackages({loose("x;touch /tmp/pwned", "1", 'u')}, false);
    EXPECT_FALSE(exists("/tmp/pwned"));
    EXPECT_TRUE(contains(aptCalls(), "\ninstall\nx;touch /tmp/pwned\n----\n")) << aptCalls();
}

TEST_F(InstallDebTest, ACdromSourceIsWarnedOfAndTheInstallGoesOn) {
    standardTree(false);
    make();
    fakeApt("", 0);
    world->apt.cdrom_in_sources = true;
    testutil::LogCapture log(0);
    installer().installPackages({loose("up", "1.0", 'u')}, false);
    EXPECT_TRUE(contains(log.text(),
                         "\n\nWarning: The CD/DVD sources were detected in APT sources list.\nThis may cause Corvane "
                         "Products Installer to hang when APT tries to install something from the CD/DVD.\n\n"))
        << log.text();
    EXPECT_FALSE(aptCalls().empty());
}

TEST_F(InstallDebTest, JavaLicenceAnswersAreGivenToDebconfAndRemoved) {
    const std::string target = probe / "planted-target";
    const struct {
        const char* what;
        const char* package;
        bool planted;   // a link to the test's file stands at the fixed name beforehand
        int debconf;    // exit status of debconf-set-selections
        bool answered;
    } rows[] = {
        {"runtime package", "sun-java6-jre", false, 0, true},
        {"sdk", "j2sdk1.4", false, 0, true},
        {"a link planted at the name", "j2re1.4", true, 0, true},
        {"debconf fails", "sun-java6-jdk", false, 1, true},
        {"other package: no answers", "sun-java6-jre-extra", false, 0, false},
    };
    standardTree(false);
    make();
    fakeApt("", 0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ::unlink((probe / "debconf.calls").c_str());
        ::unlink(answersFile);
        testutil::writeFile(target, "keep\n");
        if (row.planted) {
            ASSERT_EQ(::symlink(target.c_str(), answersFile), 0);
        }
        // Keeps what it was given and its mode, then passes it on to the real tool.
        shims.add("debconf-set-selections", "stat -c %a \"$1\" >>" + probe / "debconf.calls" + "; cat \"$1\" >>" +
                                                probe / "debconf.calls" + "; /usr/bin/debconf-set-selections \"$1\" " +
                                                "&& exit " + std::to_string(row.debconf));
        testutil::LogCapture log(1);
        if (row.debconf) {
            const error e = raisedError([&] { installer().installPackages({loose(row.package, "1", 'u')}, false); });
            EXPECT_EQ(e.text(), "Unable to pass the default installation options to the packages.\n");
            EXPECT_EQ(codesOf(e), "(4,1,1,3)");
        } else {
            installer().installPackages({loose(row.package, "1", 'u')}, false);
        }
        const std::string calls = exists(probe / "debconf.calls") ? testutil::readFile(probe / "debconf.calls") : "";
        EXPECT_EQ(calls, row.answered ? std::string("600\n") + answers : "");
        EXPECT_EQ(contains(log.text(), "Need to install java, set default selections for j2re1.4 and j2sdk1.4\n"),
                  row.answered);
        EXPECT_FALSE(exists(answersFile));
        EXPECT_EQ(testutil::readFile(target), "keep\n");
    }
    // The answers reached debconf's database (in the namespace's /var).
    const testutil::RunResult shown = testutil::shell("debconf-show j2sdk1.4");
    EXPECT_TRUE(contains(shown.out, "j2sdk1.4/license")) << shown.out << shown.err;
}

TEST_F(InstallDebTest, ConstructorRefusals) {
    standardTree(false);
    {
        const error e = raisedError([&] { InstallDeb made(&world->repo, &world->manager, nullptr); });
        EXPECT_EQ(e.text(), "Internal error: incompatible system configurator type.\n");
        EXPECT_EQ(codesOf(e), "(3,1,1,3)");
        EXPECT_EQ(ProductsProgress::instance(), nullptr);
    }
    // apt-get whited out of /usr/bin by an overlay in this namespace.
    mustRun("mkdir -p /tmp/usrbin/upper /tmp/usrbin/work && mknod /tmp/usrbin/upper/apt-get c 0 0 && "
            "mount -t overlay vn-usrbin -o lowerdir=/usr/bin,upperdir=/tmp/usrbin/upper,workdir=/tmp/usrbin/work "
            "/usr/bin");
    ASSERT_FALSE(exists("/usr/bin/apt-get"));
    const error e = raisedError([&] { InstallDeb made(&world->repo, &world->manager, &world->apt); });
    EXPECT_EQ(e.text(), "The 'apt' utility was not found in the system.\n");
    EXPECT_EQ(codesOf(e), "(4,1,1,2)");
    EXPECT_EQ(ProductsProgress::instance(), nullptr);
}

// --- The real apt over the fixture repository.
typedef InstallDebTest InstallDebApt;

TEST_F(InstallDebApt, ApTsPlanWithAnUpgradeAndARemovalThenTheHoldCheck) {
    realApt();
    standardTree(true);
    make();
    testutil::LogCapture log;
    EXPECT_EQ(described(resolve()),
              (std::vector<std::string>{"b vntest-deb-base-1.0-1.all", "b vntest-deb-conflict-1.0-1.all",
                                        "d dummy_obsoleter_vntest-deb-old-0.0", "u vntest-deb-lib-2:1.5-3"}));
    const error e = raisedError([&] { installer().checkPackageSet({"^vntest-deb-old$"}); });
    EXPECT_EQ(e.text(), "Unable to remove the package vntest-deb-old because you told the system not to do so.\n");
    // A simulation changes nothing.
    EXPECT_EQ(dpkgQuery(), "vntest-deb-lib 1:1.0-1\nvntest-deb-old 1.0\n");
}

TEST_F(InstallDebApt, FailingSimulations) {
    const struct {
        const char* what;
        const char* release;
        bool broken;
        const char* line;  // one line of apt's output
    } rows[] = {
        {"a need nobody provides", "vnfix", true, "E: Unable to correct problems, you have held broken packages."},
        {"an unknown release", "lenny", false,
         "E: The value 'lenny*' is invalid for APT::Default-Release as such a release is not available in the sources"},
    };
    realApt();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fresh();
        catalogue.build->os_release_name = row.release;
        standardTree(false, row.broken);
        make();
        testutil::LogCapture log;
        const error e = raisedError([&] { resolve(); });
        EXPECT_EQ(e.text(), "Installation will not continue\n");
        EXPECT_EQ(codesOf(e), "(5,1,1,3)");
        Log(0) << "end of test\n";
        const std::string text = log.text();
        expectInOrder(
            text, {"---X--- `apt-get` output ---------------------\n", "Reading package lists...\n",
                   "---------------------- `apt-get` output ---X---\n", "Collecting error details into log file...\n",
                   "Sources list:\n", "# the fixture repository is in sources.list.d\n",
                   "Installed in system packages:\n", "vntest-deb-old"});
        EXPECT_TRUE(contains(text, row.line)) << text;
    }
}

TEST_F(InstallDebApt, InstallRunsPrepAptGetAndPost) {
    realApt();
    standardTree(false);
    VnComponent* base = dynamic_cast<VnComponent*>(world->manager.nodes.front().get());
    testutil::addPrepPostActions(*base, [](const std::string& sequence) { return "echo " + sequence + "-marker"; });
    make();
    testutil::LogCapture log;
    resolve();
    installer().install(false);
    Log(0) << "end of test\n";
    EXPECT_EQ(dpkgQuery(), "vntest-deb-base 1.0-1\nvntest-deb-lib 2:1.5-3\nvntest-deb-old 1.0\n");
    const std::string text = log.text();
    expectInOrder(text, {"Installing packages\n", "prep-marker", "Setting up vntest-deb-base (1.0-1) ...",
                                "post-marker", "Install command execution success\n"});
    ASSERT_NE(ProductsProgress::instance(), nullptr);
    EXPECT_TRUE(ProductsProgress::instance()->is_started());
}

}  // namespace
