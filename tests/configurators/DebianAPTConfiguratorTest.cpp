// What the APT configurator computes and reads without touching APT's files: the source lines,
// the proxy variable, the policy of a canned "apt-cache" (a stand-in of ours first on PATH) and
// the package look-up. The host description and the environment are process-wide, so every
// case runs in a forked child.
#include "configurators/DebianAPTConfigurator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/Opsys.h"
#include "common/error.h"
#include "components/ComponentManager.h"
#include "components/SourceManager.h"
#include "packages/DebPackage.h"
#include "packages/Repository.h"
#include "packages/Version.h"
#include "sources/Downloader.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;

// The lines of `log` that begin with one of `prefixes`.
std::string linesStarting(const std::string& log, const std::vector<std::string>& prefixes) {
    std::string out;
    for (const std::string& line : testutil::splitLines(log))
        for (const std::string& prefix : prefixes)
            if (line.rfind(prefix, 0) == 0) {
                out += line + "\n";
                break;
            }
    return out;
}

// A configurator of a run without sources, over `location`, that answers package questions
// without a configuration of APT.
class Probe : public DebianAPTConfigurator {
public:
    explicit Probe(const std::string& location, SourceManager& sources, ComponentManager& components)
        : DebianAPTConfigurator(location, components, sources) {}
    using DebianAPTConfigurator::doGetPackage;
};

struct RunOf {
    Repository repo;
    ComponentManager components;
    SourceManager sources{repo};
};

// The host description of a child; detected before any log capture.
void describeHost(const std::string& vendor, const std::string& version) {
    Opsys::override_os_vendor = vendor;
    Opsys::override_os_version = version;
    Opsys();
}

class DebianAPTConfiguratorTest : public testutil::EnglishTest {};

TEST_F(DebianAPTConfiguratorTest, SourceLines) {
    struct Row {
        const char* label;
        const char* vendor;
        const char* location;
        const char* aptRepository;
        const char* aptSource;
        const char* baseDir;
        const char* line;
        bool deprecated;
    };
    const Row rows[] = {
        {"network location", "Debian", "http://u.example/src/", "", "debian/ lenny all", "",
         "deb http://u.example/src/debian/ lenny all", false},
        {"network location, base directory", "Debian", "http://u.example/src/", "", "debian/ lenny all", "T",
         "deb http://u.example/src/T/debian/ lenny all", false},
        {"local directory", "Debian", "/srv/mirror/", "", "debian/ lenny all", "",
         "deb file:///srv/mirror/debian/ lenny all", false},
        {"local file: cut before the directory after apt_source's first '/'", "Debian", "/srv/m/x/list.inf3", "",
         "R/x y", "", "deb file:///srv/m/R/x y", false},
        {"network file, apt_source without a blank", "Debian", "http://h/m/x/products.inf3", "", "R/x", "",
         "deb http://h/m/R/x", false},
        {"local file, stop_before not in the location: no cut", "Debian", "/srv/m/x/list.inf3", "", "R/zz y", "",
         "deb file:///srv/m/x/R/zz y", false},
        // Left open: nothing to cut back to.
        {"local file, apt_source without '/': no cut", "Debian", "/srv/m/x/list.inf3", "", "debian12 bookworm main",
         "", "deb file:///srv/m/x/debian12 bookworm main", false},
        {"local file, nothing between '/' and the blank: no cut", "Debian", "/srv/m/x/list.inf3", "", "R/ y", "",
         "deb file:///srv/m/x/R/ y", false},
        {"deprecated form, Ubuntu, network location without '/'", "Ubuntu", "http://h/u", "prod", "", "",
         "deb http://h/u/ubuntu prod/", true},
        {"deprecated form, Ubuntu, network location with '/'", "Ubuntu", "http://h/u/", "prod", "", "",
         "deb http://h/u/ubuntu prod/", true},
        {"deprecated form, Debian, local file", "Debian", "/srv/m/list.inf3", "prod", "", "",
         "deb file:///srv/m/debian prod/", true},
        {"deprecated form: only vendor Ubuntu is ubuntu", "ubuntu", "http://h/u", "prod", "", "",
         "deb http://h/u/debian prod/", true},
        {"apt_source wins over apt_repository", "Ubuntu", "http://h/u/", "prod", "d/ s", "",
         "deb http://h/u/d/ s", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        const std::string answer = testutil::inChild([&] {
            describeHost(r.vendor, "8.04");
            RunOf run;
            testutil::LogCapture log(3);
            DebianAPTConfigurator apt(r.location, run.components, run.sources);
            const std::string line = apt.getSourceLine(r.aptRepository, r.aptSource, r.baseDir);
            return line + "\n" + linesStarting(log.text(), {"Warning:", "Calculated"});
        });
        EXPECT_EQ(answer, std::string(r.line) + "\n" +
                              (r.deprecated ? "Warning: deprecated attribute from config used: apt_repository\n" : "") +
                              "Calculated source line is '" + r.line + "'\n");
    }

    // Neither attribute: a broken description record.
    const std::string broken = testutil::inChild([&] {
        RunOf run;
        DebianAPTConfigurator apt("http://h/u/", run.components, run.sources);
        const error e = testutil::raisedError([&] { apt.getSourceLine("", "", "T"); });
        return codesOf(e) + " " + e.text();
    });
    EXPECT_EQ(broken, "(3,1,1,3) An internal error occured in vantrell, rev.297274 DebianAPTConfigurator, line 140.\n");
}

TEST_F(DebianAPTConfiguratorTest, ProxyVariable) {
    struct Row {
        const char* host;
        int port;
        const char* user;
        const char* password;
        const char* value;  // "unset" when not set
    };
    const Row rows[] = {
        {"", 3128, "u", "p", "unset"},
        {"h", 3128, "", "", "http://h:3128"},
        {"h", 3128, "u", "p", "http://u:p@h:3128"},
        {"h", 3128, "u", "", "http://u:@h:3128"},
        // The credentials stay one field each.
        {"h", 3128, "a@b", "p:w/", "http://a%40b:p%3Aw%2F@h:3128"},
        {"h", 8080, "Jo.Do-e_~", "p\xc3\xa9 %", "http://Jo.Do-e_~:p%C3%A9%20%25@h:8080"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.host) + " " + r.user + " " + r.password);
        const std::string answer = testutil::inChild([&] {
            ::unsetenv("http_proxy");
            Downloader::setProxy(r.host, r.port);
            Downloader::setProxyCredentials(r.user, r.password);
            RunOf run;
            testutil::LogCapture log(3);
            DebianAPTConfigurator apt("http://h/u/", run.components, run.sources);
            apt.setHttpProxyVariable();
            const char* value = std::getenv("http_proxy");
            // The password never reaches the log.
            if (log.text().find("p:w") != std::string::npos) return std::string("password logged");
            return std::string(value ? value : "unset");
        });
        EXPECT_EQ(answer, r.value);
    }
}

TEST_F(DebianAPTConfiguratorTest, PolicyOfTheHostsRelease) {
    struct Row {
        const char* label;
        const char* vendor;
        const char* version;
        const char* fixture;
        const char* outcome;  // "found" or the error's text
        const char* warnings;
        bool cdrom;
    };
    const std::string notFound = "Not found source for system packages (release ";
    const Row rows[] = {
        {"older format, Debian 5.0.4", "Debian", "5.0.4", "policy-lenny.txt", "found",
         "Warning: not connected 'contrib' repository section\nWarning: not connected 'non-free' repository section\n",
         false},
        {"older format, Debian 5.0.1: the same major.minor", "Debian", "5.0.1", "policy-lenny.txt", "found",
         "Warning: not connected 'contrib' repository section\nWarning: not connected 'non-free' repository section\n",
         false},
        {"older format, Debian 5.1", "Debian", "5.1", "policy-lenny.txt",
         "(0,0,0,0) Not found source for system packages (release 5.1) in APT software sources configuration\n", "",
         false},
        {"Ubuntu 8.04 without its release", "Ubuntu", "8.04", "policy-hardy.txt",
         "(0,0,0,0) Not found source for system packages (release 8.04) in APT software sources configuration\n", "",
         false},
        {"Ubuntu 8.04 with every section", "Ubuntu", "8.04", "policy-hardy-full.txt", "found", "", false},
        {"Ubuntu 8.04.4 with every section", "Ubuntu", "8.04.4", "policy-hardy-full.txt", "found", "", false},
        // The archive is at 12.15 while the host says 12.11; the section is no longer last.
        {"current format, Debian 12.11", "Debian", "12.11", "policy-bookworm.txt", "found",
         "Warning: not connected 'non-free' repository section\n", false},
        {"current format, Debian 13.1", "Debian", "13.1", "policy-bookworm.txt",
         "(0,0,0,0) Not found source for system packages (release 13.1) in APT software sources configuration\n", "",
         false},
        {"current format, Debian 1.2: a major number is no prefix", "Debian", "1.2", "policy-bookworm.txt",
         "(0,0,0,0) Not found source for system packages (release 1.2) in APT software sources configuration\n", "",
         false},
        {"a CD source without a release line", "Debian", "5.0.4", "policy-cdrom.txt",
         "(0,0,0,0) Not found source for system packages (release 5.0.4) in APT software sources configuration\n", "",
         true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        const std::string answer = testutil::inChild([&] {
            describeHost(r.vendor, r.version);
            testutil::CommandShims shims;
            shims.add("apt-cache", std::string("exec cat ") + VN_FIXTURES_DIR + "/configurators/" + r.fixture);
            RunOf run;
            testutil::LogCapture log(3);
            DebianAPTConfigurator apt("http://h/u/", run.components, run.sources);
            std::string outcome = "found";
            try {
                apt.checkSourceForCurrentRelease();
            } catch (const error& e) {
                outcome = codesOf(e) + " " + e.text();
            }
            return outcome + "|" + linesStarting(log.text(), {"Warning:"}) + "|" + (apt.cdrom_in_sources ? "cdrom" : "");
        });
        EXPECT_EQ(answer, std::string(r.outcome) + "|" + r.warnings + "|" + (r.cdrom ? "cdrom" : ""));
    }

    // The sections seen, whatever the release of their lines.
    const std::string sections = testutil::inChild([&] {
        describeHost("Debian", "12.11");
        testutil::CommandShims shims;
        shims.add("apt-cache", std::string("exec cat ") + VN_FIXTURES_DIR + "/configurators/policy-bookworm.txt");
        RunOf run;
        testutil::LogCapture log(3);
        DebianAPTConfigurator apt("http://h/u/", run.components, run.sources);
        apt.checkSourceForCurrentRelease();
        return linesStarting(log.text(), {"DEBUG: checkSourceForCurrentRelease"});
    });
    EXPECT_EQ(sections,
              "DEBUG: checkSourceForCurrentRelease: find source for OS release 12.11 (search for match without patch "
              "level- 12.11)\n"
              "DEBUG: checkSourceForCurrentRelease: 12,o=Debian,a=oldstable-security,n=bookworm-security,"
              "l=Debian-Security,c=main\n"
              "DEBUG: checkSourceForCurrentRelease: add found section 'main' \n"
              "DEBUG: checkSourceForCurrentRelease: 12-updates,o=Debian,a=oldstable-updates,n=bookworm-updates,"
              "l=Debian,c=main\n"
              "DEBUG: checkSourceForCurrentRelease: add found section 'main' \n"
              "DEBUG: checkSourceForCurrentRelease: 12.15,o=Debian,a=oldstable,n=bookworm,l=Debian,c=contrib\n"
              "DEBUG: checkSourceForCurrentRelease: add found section 'contrib' \n"
              "DEBUG: checkSourceForCurrentRelease: 12.15,o=Debian,a=oldstable,n=bookworm,l=Debian,c=main\n"
              "DEBUG: checkSourceForCurrentRelease: add found section 'main' \n");
}

TEST_F(DebianAPTConfiguratorTest, PackageLookUp) {
    testutil::TempDir dir;
    struct Row {
        const char* label;
        std::string name;
        std::string script;
        std::string answer;
        std::string log;
    };
    const std::string policyOf = "printf '%s:\\n  Installed: (none)\\n  Candidate: ";
    const Row rows[] = {
        {"a candidate", "vnfix-core", policyOf + "1:2.3-4\\n  Version table:\\n' \"$1\"",
         "vnfix-core 1:2.3-4 u package_from_apt_cache",
         "Package vnfix-core with version '1:2.3-4' is available from apt\n"},
        {"only the first candidate counts", "vnfix-core",
         policyOf + "2.0-1\\nCandidate: 3.0-1\\n' \"$1\"", "vnfix-core 2.0-1 u package_from_apt_cache",
         "Package vnfix-core with version '2.0-1' is available from apt\n"},
        {"no candidate", "foo", policyOf + "(none)\\n' \"$1\"", "null", "Package foo not found in apt-cache\n"},
        {"not known at all", "foo", "exit 0", "null", "Package foo not found in apt-cache\n"},
        {"apt-cache fails", "foo", "echo 'E: broken cache' >&2; exit 100",
         "(4,1,1,2) Failed to retrieve the information about the foo package from the apt repository.\n", ""},
        // The name is one argument, never shell text.
        {"a name with shell text", "a;touch " + (dir / "pwned"), policyOf + "(none)\\n' \"$1\"", "null",
         "Package a;touch " + (dir / "pwned") + " not found in apt-cache\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        const std::string answer = testutil::inChild([&] {
            ::setenv("LC_ALL", "de_DE.UTF-8", 1);
            ::unsetenv("LANG");
            testutil::CommandShims shims;
            // Records its arguments and the locale it ran in.
            shims.add("apt-cache", "echo \"$# $*|$LC_ALL $LANG\" >>" + (dir / "calls") + "\nshift\n" + r.script);
            RunOf run;
            testutil::LogCapture log(3);
            Probe apt("http://h/u/", run.sources, run.components);
            std::string out;
            try {
                Package* p = apt.doGetPackage(r.name);
                if (!p) {
                    out = "null";
                } else {
                    std::ostringstream s;
                    s << p->getName() << " " << *p->getVersion() << " " << static_cast<char>(p->getType()) << " "
                      << p->getFileName() << (dynamic_cast<DebPackage*>(p) ? "" : " not a DebPackage");
                    out = s.str();
                    delete p;
                }
            } catch (const error& e) {
                out = codesOf(e) + " " + e.text();
            }
            const char* all = std::getenv("LC_ALL");
            const char* lang = std::getenv("LANG");
            return out + "|" + linesStarting(log.text(), {"Package "}) + "|" + (all ? all : "") + " " + (lang ? lang : "");
        });
        EXPECT_EQ(answer, r.answer + "|" + r.log + "|C C");
        const std::vector<std::string> calls = testutil::splitLines(testutil::readFile(dir / "calls"));
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), "2 policy " + r.name + "|C C");
    }
    EXPECT_NE(testutil::shell("test -e " + (dir / "pwned")).status, 0);
}

}  // namespace
