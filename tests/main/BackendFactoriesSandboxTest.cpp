// The back-end factories over real build descriptions: each row declares a host (rc-file
// overrides of the host description, read by the settings in a forked child, since the
// description is fixed by a process's first detection and the factory state is process-wide),
// writes the host's files into the sandbox's /etc and /opt, loads a one-product catalogue whose
// base component has packages of one kind, and asks the three factories.
#include "main/BackendFactories.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/BuildManager.h"
#include "common/Opsys.h"
#include "common/fileops.h"
#include "components/BuildLoading.h"
#include "components/VnComponent.h"
#include "configurators/BSDPortsConfigurator.h"
#include "configurators/BXAgentConfigurator.h"
#include "configurators/DebianAPTConfigurator.h"
#include "configurators/Up2dateConfigurator.h"
#include "configurators/YumConfigurator.h"
#include "configurators/ZypperConfigurator.h"
#include "installers/InstallBXAgent.h"
#include "installers/InstallDeb.h"
#include "installers/InstallPkg.h"
#include "installers/InstallRPM.h"
#include "installers/InstallStd.h"
#include "installers/InstallUp2date.h"
#include "installers/InstallYum.h"
#include "installers/InstallZypper.h"
#include "main/Options.h"
#include "packages/PkgPackage.h"
#include "packages/Repository.h"
#include "sources/SourceSysCache.h"
#include "sources/SourceSysDeb.h"
#include "sources/SourceSysPkg.h"
#include "sources/SourceSysRPM.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::writeFile;

const char* const systemIdFile = "/etc/sysconfig/rhn/systemid";
const char* const panelConfFile = "/etc/nvo/nvo.conf";
const char* const panelVersionFile = "/opt/nvo/version";

const char* const yumMissing = "The Yum utility is not installed in your system.";
const char* const zypperMissing = "The Zypper utility is not installed in your system.";
const char* const nativeDisabled =
    "The use of native package managers (such as yum and zypper) is not supported\n"
    "by the product being installed.\n";

std::string sourceKind(const Source* s) {
    if (!s) return "none";
    if (dynamic_cast<const SourceSysCache*>(s)) return "SourceSysCache";
    if (dynamic_cast<const SourceSysPkg*>(s)) return "SourceSysPkg";
    if (dynamic_cast<const SourceSysDeb*>(s)) return "SourceSysDeb";
    if (dynamic_cast<const SourceSysRPM*>(s)) return "SourceSysRPM";
    return "other";
}

std::string configuratorKind(const SystemSpecificConfigurator* c) {
    if (!c) return "none";
    if (dynamic_cast<const BXAgentConfigurator*>(c)) return "BXAgentConfigurator";
    if (dynamic_cast<const Up2dateConfigurator*>(c)) return "Up2dateConfigurator";
    if (dynamic_cast<const YumConfigurator*>(c)) return "YumConfigurator";
    if (dynamic_cast<const ZypperConfigurator*>(c)) return "ZypperConfigurator";
    if (dynamic_cast<const DebianAPTConfigurator*>(c)) return "DebianAPTConfigurator";
    if (dynamic_cast<const BSDPortsConfigurator*>(c)) return "BSDPortsConfigurator";
    return "other";
}

std::string installerKind(const Installer* i) {
    if (dynamic_cast<const InstallBXAgent*>(i)) return "InstallBXAgent";
    if (dynamic_cast<const InstallUp2date*>(i)) return "InstallUp2date";
    if (dynamic_cast<const InstallYum*>(i)) return "InstallYum";
    if (dynamic_cast<const InstallZypper*>(i)) return "InstallZypper";
    if (dynamic_cast<const InstallDeb*>(i)) return "InstallDeb";
    if (dynamic_cast<const InstallPkg*>(i)) return "InstallPkg";
    if (dynamic_cast<const InstallStd*>(i)) return "InstallStd";
    if (dynamic_cast<const InstallRPM*>(i)) return "InstallRPM";
    return i ? "other" : "null";
}

size_t occurrences(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
}

// Line ends inside a value as "\n", so every value stays on its line.
std::string oneLine(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

struct Host {
    const char* name;
    const char* vendor;
    const char* version;
    const char* environment;
};

const Host debian{"Linux", "Debian", "12", ""};
const Host centos{"Linux", "CentOS", "5.5", ""};
const Host freebsd{"FreeBSD", "FreeBSD", "8.0", ""};

struct HostCase {
    Host host;
    // Package kind of the base component: "rpm", "deb", "sh", "port" or "none".
    std::string base;
    bool repodata = false;
    // More rc-file lines (ALLOW_TO_USE_...).
    std::vector<std::string> rc;
    std::string cacheFile;
    std::string source = "http://updates.example/products.inf3";
    bool registered = false;  // the Red Hat Network registration file is there
    std::string panel;        // first line of the control panel's version file; "" for no panel
};

// A catalogue of one product "p1" with one release for `host` whose base component's package
// (if any) has a file name of the kind.
void writeCatalogue(const std::string& root, const HostCase& s) {
    const std::string buildAttributes = std::string("os_name=\"") + s.host.name + "\" os_vendor=\"" + s.host.vendor +
                                        "\" os_version=\"" + s.host.version + "\" os_arch=\"x86_64\"";
    writeFile(root + "/products.inf3",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vendors><vendor><products>"
              "<product id=\"p1\" name=\"P One\" reference=\"p1/product.inf3\"/></products></vendor></vendors>\n");
    fileops::create_directory(root + "/p1/b");
    writeFile(root + "/p1/product.inf3",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<product id=\"p1\">"
              "<keypackages><keypackage>p1-base</keypackage></keypackages>"
              "<release id=\"p1-1.0\" name=\"P One 1.0\" version=\"1.0\" upgrade_allowed_from=\"0.1\">"
              "<build " + buildAttributes + " config=\"b/build.inf3\"/></release></product>\n");
    std::string file;
    if (s.base == "rpm") file = "p1-base-1.0-1.x86_64.rpm";
    if (s.base == "deb") file = "p1-base_1.0-1_all.deb";
    if (s.base == "sh" || s.base == "port") file = "p1-base-1.0-1.sh";
    const std::string package =
        file.empty() ? std::string()
                     : "<package name=\"p1-base\" file=\"" + file +
                           "\" version=\"1.0\" release=\"1\" arch=\"x86_64\" "
                           "md5=\"0123456789abcdef0123456789abcdef\" size=\"1024\" buildtime=\"1700000000\"/>";
    writeFile(root + "/p1/b/build.inf3",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<build " + buildAttributes + " environment=\"\"" +
                  (s.repodata ? " repodata=\"yes\"" : "") +
                  " build_dir=\"dist\"><product id=\"p1\"><keypackages><keypackage>p1-base</keypackage>"
                  "</keypackages><release id=\"p1-1.0\" name=\"P One 1.0\" version=\"1.0\" "
                  "upgrade_allowed_from=\"0.1\"/></product>"
                  "<component name=\"base\" description=\"Base of P One\"><keypackages>"
                  "<keypackage name=\"p1-base\"/></keypackages>" +
                  package + "</component></build>\n");
}

// The host files of the row in the sandbox's /etc and /opt; every row starts without them.
void writeHostFiles(const HostCase& s) {
    for (const char* f : {systemIdFile, panelConfFile, panelVersionFile}) ::unlink(f);
    if (s.registered) {
        fileops::create_directory("/etc/sysconfig/rhn");
        writeFile(systemIdFile, "<?xml version=\"1.0\"?>\n<params/>\n");
    }
    if (!s.panel.empty()) {
        fileops::create_directory("/etc/nvo");
        fileops::create_directory("/opt/nvo");
        writeFile(panelConfFile, "# control panel\nPRODUCT_ROOT_D /opt/nvo/\n");
        writeFile(panelVersionFile, s.panel + "\n");
    }
}

// In the child: the settings from the row's rc file and an empty command line.
void buildSettings(const testutil::TempDir& config, const HostCase& s) {
    std::string rc = std::string("OVERRIDE_OS_NAME=") + s.host.name + "\nOVERRIDE_OS_VENDOR=" + s.host.vendor +
                     "\nOVERRIDE_OS_VERSION=" + s.host.version + "\nOVERRIDE_OS_ARCH=x86_64\n";
    if (*s.host.environment) rc += std::string("OVERRIDE_ENVIRONMENT=") + s.host.environment + "\n";
    for (const std::string& line : s.rc) rc += line + "\n";
    writeFile(config / ".vantrellrc", rc);
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    static char program[] = "vantrell";
    static char* argv[] = {program, nullptr};
    commandLineArgs.argc = 1;
    commandLineArgs.argv = argv;
    Options::instance().systemPackagesCacheFile = s.cacheFile;
}

// The tree of the row's catalogue, as a driver loads it (its own repository: the installed
// packages play no part in the decision).
struct LoadedTree {
    LoadedTree(const std::string& root, const std::string& downloads) : run(repo, root, downloads) {
        FileFetcher fetcher(root + "/", downloads);
        fetcher.quiet = true;
        BuildManager catalogue(&fetcher, "");
        catalogue.checkInstallationState(&repo);
        catalogue.deselectAll();
        catalogue.selectRelease("p1", "p1-1.0");
        auto loader = run.loader(repo);
        catalogue.visit(*loader);
        loader->commit();
    }
    Repository repo;
    testutil::LoadRun run;
};

// Everything a row shows, as "name=value" lines.
std::vector<std::string> decide(const HostCase& s) {
    return testutil::splitLines(testutil::inChild([&] {
        writeHostFiles(s);
        testutil::TempDir config, root;
        buildSettings(config, s);
        writeCatalogue(root.path(), s);
        std::string out;
        testutil::LogCapture log(2);

        Repository repo;
        createSystemSource(&repo, false);
        out += "source=" + sourceKind(systemPackagesSource) + "\n";
        out += "registered=" + std::to_string(repo.sources.size()) + "\n";

        LoadedTree tree(root.path(), root / "download");
        if (s.base == "port") {
            VnComponent* base = tree.run.components.getBaseComponent("");
            base->packages.front() = new PkgPackage("p1-base", "1.0-1");
        }
        try {
            std::unique_ptr<SystemSpecificConfigurator> configurator = createSystemConfigurator(
                &repo, &tree.run.fetcher, s.source, &tree.run.components, PortsSettings(), &tree.run.sources);
            out += "configurator=" + configuratorKind(configurator.get()) + "\n";
            std::unique_ptr<Installer> installer =
                createInstaller(&repo, &tree.run.components, configurator.get(), &tree.run.sources);
            out += "installer=" + installerKind(installer.get()) + "\n";
        } catch (const error& e) {
            out += "error=" + testutil::codesOf(e) + " " + oneLine(e.text()) + "\n";
        }
        out += "oldPanel=" + std::to_string(oldFreeBsdPanel) + "\n";
        const std::string text = log.text();
        out += "yumLogged=" + std::to_string(occurrences(text, yumMissing)) + "\n";
        out += "nativeLogged=" + std::to_string(occurrences(text, nativeDisabled)) + "\n";
        return out;
    }));
}

void expectLines(const std::vector<std::string>& lines, const std::vector<std::string>& expected,
                 const std::string& label) {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    for (const std::string& e : expected) {
        bool found = false;
        for (const std::string& l : lines) found = found || l == e;
        EXPECT_TRUE(found) << label << ": expected " << e << "\n--- outcome ---\n" << all;
    }
}

class BackendFactories : public testutil::EnglishTest {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        // The rows that expect a missing tool need a host without it.
        if (fileops::exists("/usr/bin/yum") || fileops::exists("/usr/bin/zypper"))
            GTEST_SKIP() << "this host has yum or zypper";
    }
};

TEST_F(BackendFactories, DecisionTable) {
    struct Row {
        const char* label;
        HostCase setup;
        std::vector<std::string> expected;
    };
    auto setup = [](Host host, const char* base, bool repodata) {
        HostCase s;
        s.host = host;
        s.base = base;
        s.repodata = repodata;
        return s;
    };
    auto with = [](HostCase s, const std::function<void(HostCase&)>& change) {
        change(s);
        return s;
    };
    const std::string yumError = std::string("error=(4,1,1,2) ") + yumMissing + "\\n";
    const Row rows[] = {
        // The builds without repodata="yes" are told on every host, Debian included.
        {"the Debian host with a .deb base",
         setup(debian, "deb", false),
         {"source=SourceSysDeb", "registered=1", "configurator=DebianAPTConfigurator", "installer=InstallDeb",
          "nativeLogged=1"}},
        {"Debian with repodata: nothing logged",
         setup(debian, "deb", true),
         {"configurator=DebianAPTConfigurator", "nativeLogged=0"}},
        {"Apple: no source at all",
         setup({"MacOS", "Apple", "10.5", ""}, "sh", false),
         {"source=none", "registered=0", "configurator=none", "installer=InstallStd"}},
        {"a cache file wins on Apple",
         with(setup({"MacOS", "Apple", "10.5", ""}, "sh", false),
              [](HostCase& s) { s.cacheFile = VN_FIXTURES_DIR "/components/suse/php4.cache"; }),
         {"source=SourceSysCache", "registered=1"}},
        {"a cache file wins on Debian",
         with(setup(debian, "deb", false),
              [](HostCase& s) { s.cacheFile = VN_FIXTURES_DIR "/components/suse/php4.cache"; }),
         {"source=SourceSysCache", "registered=1", "configurator=DebianAPTConfigurator"}},
        // The first failed check is logged, the second raises.
        {"CentOS with repodata and no yum",
         setup(centos, "rpm", true),
         {"source=SourceSysRPM", yumError, "yumLogged=1", "nativeLogged=0"}},
        {"CentOS without repodata: no yum asked for",
         setup(centos, "rpm", false),
         {"configurator=none", "installer=InstallRPM", "nativeLogged=1", "yumLogged=0"}},
        {"a .sh base without a configurator",
         setup(centos, "sh", false),
         {"configurator=none", "installer=InstallStd"}},
        {"SuSE 10.3 has no zypper configurator",
         setup({"Linux", "SuSE", "10.3", ""}, "rpm", true),
         {"source=SourceSysRPM", "configurator=none", "installer=InstallRPM"}},
        // As text "9.1" sorts after "11.0"; as a version it is older.
        {"SuSE 9.1 is older than 11.0",
         setup({"Linux", "SuSE", "9.1", ""}, "rpm", true),
         {"configurator=none", "installer=InstallRPM"}},
        {"SuSE 11.0 with repodata and no zypper",
         setup({"Linux", "SuSE", "11.0", ""}, "rpm", true),
         {std::string("error=(4,1,1,2) ") + zypperMissing + "\\n"}},
        {"SuSE 11.0 without repodata skips zypper",
         setup({"Linux", "SuSE", "11.0", ""}, "rpm", false),
         {"configurator=none", "installer=InstallRPM"}},
        // up2date needs neither repodata nor a check.
        {"registered RedHat el4 gets up2date",
         with(setup({"Linux", "RedHat", "el4", ""}, "rpm", false), [](HostCase& s) { s.registered = true; }),
         {"configurator=Up2dateConfigurator", "installer=InstallUp2date", "nativeLogged=0"}},
        {"up2date not allowed",
         with(setup({"Linux", "RedHat", "el4", ""}, "rpm", false),
              [](HostCase& s) {
                  s.registered = true;
                  s.rc = {"ALLOW_TO_USE_UP2DATE=no"};
              }),
         {"configurator=none", "installer=InstallRPM"}},
        {"unregistered RedHat el4",
         setup({"Linux", "RedHat", "el4", ""}, "rpm", false),
         {"configurator=none", "installer=InstallRPM"}},
        // Without repodata a missing yum is only logged, and the package kind decides.
        {"registered RedHat el5 without repodata",
         with(setup({"Linux", "RedHat", "el5", ""}, "rpm", false), [](HostCase& s) { s.registered = true; }),
         {"configurator=none", "installer=InstallRPM", "yumLogged=1", "nativeLogged=1"}},
        {"registered RedHat el5 with repodata",
         with(setup({"Linux", "RedHat", "el5", ""}, "rpm", true), [](HostCase& s) { s.registered = true; }),
         {yumError, "yumLogged=0"}},
        {"a container host falls through to the package kind",
         setup({"Linux", "Debian", "12", "bx"}, "deb", false),
         {"configurator=DebianAPTConfigurator", "installer=InstallDeb"}},
        {"a container host with the agent not allowed",
         with(setup({"Linux", "Debian", "12", "bx"}, "deb", false),
              [](HostCase& s) { s.rc = {"ALLOW_TO_USE_BXAGENT=no"}; }),
         {"configurator=DebianAPTConfigurator", "installer=InstallDeb"}},
        {"FreeBSD with an 8.0.1 panel",
         with(setup(freebsd, "port", false), [](HostCase& s) { s.panel = "8.0.1 FreeBSD 8.0 80100"; }),
         {"source=SourceSysPkg", "configurator=BSDPortsConfigurator", "installer=InstallPkg", "oldPanel=1"}},
        {"FreeBSD with an 8.1.0 panel",
         with(setup(freebsd, "port", false), [](HostCase& s) { s.panel = "8.1.0 FreeBSD 8.0 81000"; }),
         {"configurator=BSDPortsConfigurator", "oldPanel=0"}},
        {"FreeBSD without a panel",
         setup(freebsd, "port", false),
         {"configurator=BSDPortsConfigurator", "oldPanel=0"}},
        // The flag is for FreeBSD hosts only.
        {"ports on another host with an old panel",
         with(setup(centos, "port", false), [](HostCase& s) { s.panel = "8.0.1 CentOS 5 80100"; }),
         {"configurator=BSDPortsConfigurator", "oldPanel=0"}},
        {"FreeBSD from a local source",
         with(setup(freebsd, "port", false),
              [](HostCase& s) {
                  s.source = "/srv/x/products.inf3";
                  s.panel = "8.0.1 FreeBSD 8.0 80100";
              }),
         {"error=(2,1,1,3) Installation from a local source is not supported on this operating system.\\n",
          "oldPanel=0"}},
        // The port test comes first, so its error names the empty component.
        {"a base without packages",
         setup(debian, "none", false),
         {"error=(1,1,1,3) There are no packages in the base component.\\n"}},
    };
    for (const Row& row : rows) expectLines(decide(row.setup), row.expected, row.label);
}

// An installer for a base kind that only a configurator serves, asked for without one.
TEST_F(BackendFactories, InstallerWithoutConfiguratorForDebianPackages) {
    HostCase s;
    s.host = debian;
    s.base = "deb";
    const std::string out = testutil::inChild([&] {
        testutil::TempDir config, root;
        buildSettings(config, s);
        writeCatalogue(root.path(), s);
        LoadedTree tree(root.path(), root / "download");
        const error e = testutil::raisedError(
            [&] { createInstaller(&tree.repo, &tree.run.components, nullptr, &tree.run.sources); });
        return testutil::codesOf(e) + " " + e.text();
    });
    EXPECT_EQ(out, "(3,1,1,3) Internal error in main, line 144: unknown package system.\n");
}

// The remembered source: kept and warned of while it lives, forgotten with its repository.
TEST_F(BackendFactories, SystemSourceLivesWithItsRepository) {
    const std::string out = testutil::inChild([&] {
        HostCase s;
        s.host = debian;
        testutil::TempDir config;
        buildSettings(config, s);
        testutil::LogCapture log(0);
        std::string result;
        const char* const warning = "Warning: system reader Source is already allocated\n";

        std::unique_ptr<Repository> first(new Repository);
        createSystemSource(first.get(), false);
        Source* made = systemPackagesSource;
        createSystemSource(first.get(), true);
        result += "kept=" + std::to_string(made != nullptr && systemPackagesSource == made) +
                  " sources=" + std::to_string(first->sources.size()) +
                  " warned=" + std::to_string(occurrences(log.text(), warning)) + "\n";

        // The web driver's "clear": the repository goes, a new one is made.
        first.reset();
        result += "forgotten=" + std::to_string(systemPackagesSource == nullptr) + "\n";
        Repository second;
        createSystemSource(&second, true);
        result += "fresh=" + std::to_string(second.sources.size()) + " " + sourceKind(systemPackagesSource) +
                  " warned=" + std::to_string(occurrences(log.text(), warning)) + "\n";

        // Without the flag a further source replaces the remembered one.
        Source* current = systemPackagesSource;
        createSystemSource(&second, false);
        result += "replaced=" + std::to_string(systemPackagesSource != current && systemPackagesSource != nullptr) +
                  " sources=" + std::to_string(second.sources.size()) + "\n";
        return result;
    });
    EXPECT_EQ(out,
              "kept=1 sources=1 warned=1\n"
              "forgotten=1\n"
              "fresh=1 SourceSysDeb warned=1\n"
              "replaced=1 sources=2\n");
}

}  // namespace
