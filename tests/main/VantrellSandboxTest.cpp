// The vantrell executable from the outside: standard output, standard error, exit status,
// the log file, the mail and what stays in /tmp. Runs inside the namespace helper (fresh /tmp,
// private System V IPC, throw-away /etc and /var); home is a fresh tmpfs for each test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <boost/filesystem.hpp>
#include <chrono>
#include <functional>
#include <regex>
#include <set>
#include <thread>

#include "OptionsProbe.h"
#include "common/LockProbe.h"

namespace {

const std::string bin = VN_VANTRELL_BIN;
const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";
const std::string logPath = "/tmp/vantrell3.log";
const std::string lockedByAnother = "Update operation was locked by another update process.";

extern "C" char** environ;

bool exists(const std::string& path) { return boost::filesystem::exists(boost::filesystem::symlink_status(path)); }

std::set<std::string> tmpEntries() {
    std::set<std::string> names;
    for (boost::filesystem::directory_iterator it("/tmp"), end; it != end; ++it)
        names.insert(it->path().filename().string());
    return names;
}

// Polls until `done` holds; false after `seconds`.
bool within(int seconds, const std::function<bool()>& done) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Vantrell : public optionstest::HomeFixture {
protected:
    // A fixed environment: English, no locale categories of the caller, the stand-ins (mail)
    // first on PATH, nothing that the settings read from the environment.
    testutil::RunResult vantrell(const std::vector<std::string>& args) {
        std::map<std::string, std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.compare(0, 3, "LC_") == 0) env[entry.substr(0, entry.find('='))] = testutil::unset;
        }
        for (const char* name : {"LANGUAGE", "WEB_SECRET", "TARNIX_INSTALLER_DEBUG", "XDG_CONFIG_HOME",
                                 "VANTRELL_STATUS_COOKIE", "VN_WEB_UI_DEFAULT_PAGE_OVERRIDE", "FTP_PROXY", "HTTP_PROXY",
                                 "HTTP_PROXY_AUTH", "POSIXLY_CORRECT"})
            env[name] = testutil::unset;
        env["LANG"] = "C";
        const char* path = ::getenv("PATH");
        env["PATH"] = std::string(VN_FIXTURES_DIR "/common/bin:") + (path ? path : "/usr/bin:/bin");
        env["VN_MAIL_RECORD"] = mail.path() + "/mail";
        std::vector<std::string> argv{bin};
        argv.insert(argv.end(), args.begin(), args.end());
        return testutil::run(argv, env);
    }

    std::string mailArgs() const { return testutil::readFile(mail / "mail.args"); }
    std::string mailBody() const { return testutil::readFile(mail / "mail.body"); }
    bool mailed() const { return exists(mail / "mail.args"); }

    // A detached run of the program has ended: the run lock is free and the log holds `last`.
    bool detachedRunEnded(const std::string& last) {
        return within(30, [&] {
            return exists(logPath) && contains(testutil::readFile(logPath), last) &&
                   lockprobe::fromOutside(0) == "free";
        });
    }

    testutil::TempDir mail;
};

TEST_F(Vantrell, InformationalModes) {
    const std::string usage =
        Messages::getMessage("usage10") + Messages::getMessage("usage20") + Messages::getMessage("usage30");
    ASSERT_EQ(usage.compare(0, 35, "Usage: corvane_installer [OPTIONS]\n"), 0);
    const std::string typesHeader = "Typename        Type of URL     Authentification    \n";
    struct Row {
        std::vector<std::string> args;
        std::string out;
    };
    const Row rows[] = {
        {{"--print-version-of-this-binary"}, "3.9.0\n"},
        {{"--version"}, "Corvane Products Installer 3.9.0 (built on 2011-01-18 17:45)\n"},
        {{"-v"}, "Corvane Products Installer 3.9.0 (built on 2011-01-18 17:45)\n"},
        {{"--help"}, usage},
        {{"-h"}, usage},
        {{"--usage"}, usage},
        // This machine is a Debian host: no rpm sources.
        {{"--show-additional-source-types"}, typesHeader},
        {{"--show-additional-source-types", "--override-os-vendor", "CentOS"},
         typesHeader + "repomd          network         possible            \n"
                       "directory       local           impossible          \n"},
        {{"--show-additional-sources", "--add-source", "directory,10,/srv/pkgs", "--enable-xml-output"},
         decl + "<vantrell status=\"ok\"><sources><source type=\"directory\" priority=\"10\" url=\"/srv/pkgs\" />"
                "</sources></vantrell>\n"},
        {{"--query-status"}, "\nCorvane Products Installer is not running.\n\n"},
    };
    for (const Row& row : rows) {
        const std::set<std::string> before = tmpEntries();
        const testutil::RunResult r = vantrell(row.args);
        const std::string label = optionstest::joined(row.args, " ");
        EXPECT_EQ(r.status, 0) << label;
        EXPECT_EQ(r.out, row.out) << label;
        EXPECT_EQ(r.err, "") << label;
        // No log file, and only the status query touches the lock file.
        std::set<std::string> after = tmpEntries();
        after.erase("nvo-installer.lock");
        EXPECT_EQ(after, before) << label;
    }
}

TEST_F(Vantrell, NotImplementedWorkModeInTextAndXml) {
    testutil::RunResult r = vantrell({"--install-package", "foo"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "\nERROR: Not implement yet\n\n");
    EXPECT_EQ(r.err, "");
    const std::string log = testutil::readFile(logPath);
    EXPECT_TRUE(contains(log, "\n\nCorvane Products Installer 3.9.0 (built on 2011-01-18 17:45 svn rev. 297274) started at "
                              "(timezone "))
        << log;
    EXPECT_TRUE(contains(log, "Command line arguments: " + bin + " --install-package foo \n\n")) << log;
    EXPECT_TRUE(contains(log, "\nError: Not implement yet\n\n")) << log;
    EXPECT_FALSE(contains(log, "Exit with error")) << "a level-3 line without --debug";

    r = vantrell({"--install-package", "foo", "--enable-xml-output"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, decl + "<vantrell status=\"error\" error_message=\"Not implement yet&#x0A;\" "
                            "error_class=\"e_class broken\" />\n");
    EXPECT_EQ(r.err, "ERROR: Not implement yet\n\n");
}

TEST_F(Vantrell, DebugRunLogsItsExit) {
    const testutil::RunResult r = vantrell({"--install-package", "foo", "--debug"});
    EXPECT_EQ(r.status, 1);
    const std::string log = testutil::readFile(logPath);
    EXPECT_TRUE(contains(log, "Debug mode is switched on: All output will be written to the log file.\n")) << log;
    EXPECT_TRUE(contains(log, "DEBUG: SelfUpgrade: current version VN is 3.9.0\n")) << log;
    EXPECT_TRUE(contains(log, "Error: Not implement yet\n\nExit with error\n")) << log;
}

TEST_F(Vantrell, WorkModesReachTheirDrivers) {
    struct Row {
        std::vector<std::string> args;
        std::string err;
        std::string progress;  // the status query afterwards
    };
    const Row rows[] = {
        {{}, "", "\nCorvane Products Installer is not running.\n\n"},
        {{"--select-release-id", "R", "--mirror-os", "centos5"},
         Messages::getMessage("mirroring_mode_is_deprecated") + "\n", ""},
        {{"--web-interface", "--without-ssl"}, "", ""},
    };
    for (const Row& row : rows) {
        const std::string label = optionstest::joined(row.args, " ");
        const testutil::RunResult r = vantrell(row.args);
        EXPECT_EQ(r.status, 1) << label;
        EXPECT_EQ(r.out, "\nERROR: Not implement yet\n\n") << label;
        EXPECT_EQ(r.err, row.err) << label;
        if (!row.progress.empty()) {
            EXPECT_EQ(vantrell({"--query-status"}).out, row.progress) << label;
        }
    }
    // The command-line driver, with the default update source out of reach, marks the progress
    // record failed for the status service.
    const std::string unreachable = "Failed to read the product information from the file: Can't process products.inf3";
    const testutil::RunResult r = vantrell({"--show-releases"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind("\nERROR: " + unreachable, 0), 0u) << r.out;
    EXPECT_EQ(vantrell({"--query-status"}).out.rfind(
                  "\nCorvane Products Installer is not running.\n\nVantrell failed: " + unreachable, 0),
              0u);
}

TEST_F(Vantrell, UnknownOptionEndsBeforeAnyFile) {
    const testutil::RunResult r = vantrell({"--bogus"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, bin + ": unrecognized option '--bogus'\n");
    EXPECT_EQ(r.out, "\nERROR: You specified an unknown option.\n\n");
    EXPECT_FALSE(exists(logPath));
    EXPECT_FALSE(exists(lockprobe::lockFile));
}

TEST_F(Vantrell, AnotherRunHoldsTheRunLock) {
    auto holder = lockprobe::holder(0);
    struct Row {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    };
    const std::string busyXml = decl + "<vantrell status=\"busy\" error_message=\"" + lockedByAnother + "\" />\n";
    const Row rows[] = {
        {{"--show-releases"}, 1, "\nERROR: Installer is busy.\n", ""},
        {{"--show-releases", "--enable-xml-output"}, 0,
         decl + "<vantrell status=\"error\" error_message=\"Installer is busy.\" />\n", "ERROR: Installer is busy.\n"},
        {{"--show-components"}, 1, "\nBUSY: " + lockedByAnother + "\n", ""},
        {{"--show-components", "--enable-xml-output"}, 0, busyXml, ""},
        {{"--install-package", "foo"}, 1, "\nBUSY: " + lockedByAnother + "\n", ""},
        {{"--query-status"}, 0, "\nBUSY: " + lockedByAnother + "\n\n", ""},
        {{"--query-status", "--enable-xml-output"}, 0,
         decl + "<vantrell status=\"query_busy\" error_message=\"" + lockedByAnother +
             "\"><progress><stage stage=\"0\" stage_n=\"0\" id=\"\" title=\"\" />"
             "<step step=\"0\" step_n=\"0\" id=\"\" title=\"\" /></progress></vantrell>\n",
         ""},
        {{"--service-mode"}, 0, "\nBUSY: Another instance of Corvane Products Installer is already running.\n\n", ""},
        // Informational modes that do not need the lock answer as always.
        {{"--version"}, 0, "Corvane Products Installer 3.9.0 (built on 2011-01-18 17:45)\n", ""},
    };
    for (const Row& row : rows) {
        const std::string label = optionstest::joined(row.args, " ");
        const testutil::RunResult r = vantrell(row.args);
        EXPECT_EQ(r.status, row.status) << label;
        EXPECT_EQ(r.out, row.out) << label;
        EXPECT_EQ(r.err, row.err) << label;
    }
    EXPECT_FALSE(exists(logPath)) << "a refused run must not touch the running installation's log";
    EXPECT_EQ(lockprobe::fromOutside(0), "held");
}

TEST_F(Vantrell, XmlInstallDetaches) {
    const testutil::RunResult r = vantrell({"--enable-xml-output", "--install-everything"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, decl + "<vantrell status=\"install_ok\" error_message=\"Installation started\" />\n");
    EXPECT_EQ(r.err, "");
    ASSERT_TRUE(detachedRunEnded("Error: Failed to read the product information")) << "the detached run did not end";
    const std::string log = testutil::readFile(logPath);
    EXPECT_TRUE(contains(log, "Installer was successfully started. The packages are being installed in the background "
                              "mode.\n"))
        << log;
    EXPECT_EQ(vantrell({"--query-status"}).out.rfind(
                  "\nCorvane Products Installer is not running.\n\nVantrell failed: Failed to read the product information",
                  0),
              0u);
}

TEST_F(Vantrell, NoDaemonInstallStaysInTheForeground) {
    const testutil::RunResult r = vantrell({"--enable-xml-output", "--install-everything", "--no-daemon"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind(decl + "<vantrell status=\"install_error\" error_message=\"Failed to read the product "
                                 "information from the file: ",
                          0),
              0u)
        << r.out;
    EXPECT_TRUE(contains(r.out, "error_class=\"repository\" />\n")) << r.out;
}

TEST_F(Vantrell, SummaryMailHidesTheProxyPassword) {
    struct Row {
        std::vector<std::string> args;
        std::string subject;
        int status;
        std::string shown;  // how the password argument appears in the body
    };
    const Row rows[] = {
        {{"--version", "--notify-email", "ops@example.org", "--proxy-password", "s3$cr"},
         "The Panel was successfully updated.", 0, "--proxy-password *** "},
        {{"--version", "--notify-email", "ops@example.org", "--proxy-pa=s3$cr"}, "The Panel was successfully updated.", 0,
         "--proxy-pa=*** "},
        {{"--install-package", "foo", "--notify-email", "ops@example.org", "--proxy-password=s3$cr"},
         "Failed to update the Panel.", 1, "--proxy-password=*** "},
        {{"--install-package", "foo", "--enable-xml-output", "--notify-email", "ops@example.org", "--proxy-passw",
          "s3$cr"},
         "Failed to update the Panel.", 0, "--proxy-passw *** "},
    };
    for (const Row& row : rows) {
        const std::string label = optionstest::joined(row.args, " ");
        boost::filesystem::remove(logPath);
        const testutil::RunResult r = vantrell(row.args);
        EXPECT_EQ(r.status, row.status) << label;
        ASSERT_TRUE(mailed()) << label;
        EXPECT_EQ(mailArgs(), "-s\n" + row.subject + "\nops@example.org\n") << label;
        const std::string body = mailBody();
        const std::string end = "\n\n---\nCorvane Products Installer.";
        EXPECT_TRUE(body.size() > end.size() && body.compare(body.size() - end.size(), end.size(), end) == 0) << body;
        EXPECT_TRUE(contains(body, "Command line arguments: ")) << body;
        EXPECT_TRUE(contains(body, row.shown)) << body;
        EXPECT_FALSE(contains(body, "A message was sent to")) << "written after the body was taken";
        const std::string log = exists(logPath) ? testutil::readFile(logPath) : "";
        for (const std::string& text : {body, r.out, r.err, log}) EXPECT_FALSE(contains(text, "s3$cr")) << label;
        if (row.status == 1) {
            EXPECT_TRUE(contains(log, "A message was sent to ops@example.org\n")) << log;
        }
        boost::filesystem::remove(mail / "mail.args");
    }
}

TEST_F(Vantrell, FailedMailDoesNotChangeTheOutcome) {
    const testutil::RunResult r = [&] {
        ::setenv("VN_MAIL_EXIT", "1", 1);
        testutil::RunResult result = vantrell({"--version", "--notify-email", "ops@example.org"});
        ::unsetenv("VN_MAIL_EXIT");
        return result;
    }();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Corvane Products Installer 3.9.0 (built on 2011-01-18 17:45)\n");
    EXPECT_TRUE(mailed());
}

TEST_F(Vantrell, ServiceModeStartsTheWebProcessWithTheSameArguments) {
    const std::string target = "/tmp/a b$HOME`x`'q \xc3\xa9";
    const testutil::RunResult r = vantrell({"--service-mode", "--target", target});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(std::regex_match(r.out, std::regex("Corvane Products Installer daemon launched\\.\nSecret: [a-z]{20}")))
        << r.out;
    // The web process runs the web mode (its driver is not there yet) with the same arguments.
    ASSERT_TRUE(detachedRunEnded("Error: Not implement yet")) << "the web process did not run";
    const std::string log = testutil::readFile(logPath);
    EXPECT_TRUE(contains(log, "Command line arguments: " + bin + " --service-mode --target " + target +
                                  " --web-interface --with-ssl --disable-browser \n"))
        << log;
    EXPECT_TRUE(exists(home + "/.vantrell/vantrell.pem")) << "the web process made its certificate";
    EXPECT_FALSE(exists("/tmp/a b")) << "nothing ran the target as shell text";
}

TEST_F(Vantrell, ServiceModeInXmlNamesTheSecretInAnElement) {
    const testutil::RunResult r = vantrell({"--service-mode", "--enable-xml-output", "--without-ssl"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(std::regex_match(r.out, std::regex(std::regex_replace(decl, std::regex("[?.]"), "\\$&") +
                                                   "<vantrell status=\"ok\" error_message=\"Corvane Products Installer "
                                                   "daemon launched\\.\"><data secret=\"[a-z]{20}\" /></vantrell>\n")))
        << r.out;
    EXPECT_TRUE(detachedRunEnded("Error: Not implement yet"));
}

TEST_F(Vantrell, LogLinkIsNotFollowed) {
    testutil::writeFile("/tmp/victim", "keep\n");
    ASSERT_EQ(::symlink("/tmp/victim", logPath.c_str()), 0);
    const testutil::RunResult r = vantrell({"--install-package", "foo"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "\nERROR: Not implement yet\n\n");
    EXPECT_EQ(testutil::readFile("/tmp/victim"), "keep\n");
    EXPECT_TRUE(boost::filesystem::is_symlink(logPath));
}

TEST_F(Vantrell, SeparateLogsNameTheStartTime) {
    const testutil::RunResult r = vantrell({"--install-package", "foo", "--separate-logs"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(exists(logPath));
    int logs = 0;
    for (const std::string& name : tmpEntries()) {
        if (!std::regex_match(name, std::regex("vantrell3_[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{4}\\.log"))) continue;
        ++logs;
        EXPECT_TRUE(contains(testutil::readFile("/tmp/" + name), "Error: Not implement yet")) << name;
    }
    EXPECT_EQ(logs, 1);
}

}  // namespace
