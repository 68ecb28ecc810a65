// The rc file, the environment and the component settings file, read from a home directory
// that the test fills; and the one process-wide settings object.
#include <sys/stat.h>

#include "OptionsProbe.h"

namespace {

using optionstest::Scenario;

class OptionsReaders : public optionstest::HomeFixture {};

struct Row {
    const char* label;
    Scenario setup;
    std::vector<std::string> expected;
};

const char rc[] = ".vantrellrc";
const char ini[] = ".vantrell/options.ini";
const std::string syntax = "Syntax error in Corvane Products Installer's configuration file:\\n";

TEST_F(OptionsReaders, RcFileEnvironmentAndSettingsFile) {
    const Row rows[] = {
        // rc file keys
        {"a yes/no key with another value",
         {{}, {}, {{rc, "DEBUG = Yes\n"}}},
         {"codes=(2,1,1,2)",
          "report=" + syntax +
              "You specified the wrong value 'Yes' for the parameter 'DEBUG'.\\nYou can use only 'yes' or 'no' values "
              "with this parameter.\\n"}},
        {"yes/no in both cases", {{}, {}, {{rc, "DEBUG = YES\nCHECK_DISK_SPACE = NO\nTRUNCATE_LOG=yes\n"}}},
         {"debug=1", "checkDiskSpace=0", "truncateLog=1"}},
        {"CLEAR_SCREEN is the opposite", {{}, {}, {{rc, "CLEAR_SCREEN = no\n"}}}, {"noClearScreen=1"}},
        {"CLEAR_SCREEN yes", {{}, {}, {{rc, "CLEAR_SCREEN = yes\n"}}}, {"noClearScreen=0"}},
        // Kept as scripts in the field rely on it: any value switches the summary on.
        {"SEND_EXECUTION_SUMMARY no still sends", {{}, {}, {{rc, "SEND_EXECUTION_SUMMARY = no\n"}}},
         {"sendExecutionSummary=1"}},
        {"HOLD_PACKAGES lines add up", {{}, {}, {{rc, "HOLD_PACKAGES = a,b\nHOLD_PACKAGES = c\n"}}},
         {"holdPackages=a|b|c"}},
        {"a broken HOLD_PACKAGES list",
         {{}, {}, {{rc, "HOLD_PACKAGES = a b,c\n"}}},
         {"codes=(2,1,1,2)", "~text=" + syntax + "Incorrect values were specified for the HOLD_PACKAGES parameter"}},
        {"an unknown key warns on the console, without its value, and reading goes on",
         {{}, {}, {{rc, "NO_SUCH_KEY = v\nTARGET = /t\n"}}},
         {"target=/t", "stderr=Unknown parameter in rc file: 'NO_SUCH_KEY' = '***'\\n"}},
        {"a misspelt password key keeps the password out of the log",
         {{}, {}, {{rc, "PROXY_PASWORD = s3cret\n"}}},
         {"stderr=Unknown parameter in rc file: 'PROXY_PASWORD' = '***'\\n", "!log:s3cret"}},
        {"a mail address that would be an option of the mail command",
         {{}, {}, {{rc, "NOTIFY_EMAIL = -oQ/tmp/x\n"}}},
         {"codes=(2,1,1,2)", "text=" + syntax + "Please specify an e-mail address in the user@example.com format\\n"}},
        {"an unknown key with an open quote still fails",
         {{}, {}, {{rc, "NO_SUCH_KEY = \"v\n"}}},
         {"codes=(2,1,1,2)", "text=" + syntax + "A closing quotation mark was not found.\\n"}},
        {"a line that starts with a digit", {{}, {}, {{rc, "1K = v\n"}}},
         {"codes=(2,1,1,2)", "text=" + syntax + "Unknown parameter in rc file: \\n"}},
        {"secrets never reach the log",
         {{},
          {},
          {{rc, "PROXY_PASSWORD = s3cret\nADDITIONAL_SOURCE = repomd,5,http://h/,bob,pw2\nPROXY_USER = bob\n"}}},
         {"logline=Option from rc file:: 'PROXY_PASSWORD' = '***'",
          "logline=Option from rc file:: 'ADDITIONAL_SOURCE' = 'repomd,5,http://h/,bob,***'",
          "logline=Option from rc file:: 'PROXY_USER' = 'bob'", "proxy=|0|bob|s3cret",
          "additional=repomd|5|http://h/|bob|pw2", "!log:s3cret", "!log:pw2"}},
        {"a wrong rc source names its password masked",
         {{}, {}, {{rc, "ADDITIONAL_SOURCE = repomd,0,http://h/,bob,pw2\n"}}},
         {"codes=(2,1,1,2)", "~text=" + syntax + "Incorrect specification of an additional source: 'repomd,0,http://h/,bob,***'",
          "!log:pw2"}},
        {"the last value wins, the command line over all",
         {{"--target", "/c"}, {}, {{rc, "TARGET = /a\nTARGET = /b\nSOURCE = http://mirror.example/\n"}}},
         {"target=/c", "source=http://mirror.example/"}},
        {"an rc source is a source location",
         {{}, {}, {{rc, "SOURCE = mirror.example\nSOURCE_TYPE = whatever\n"}}},
         {"source=http://mirror.example/"}},
        {"texts and overrides",
         {{},
          {},
          {{rc,
            "PROXY_HOST = p\nPROXY_PORT = 8080\nNOTIFY_EMAIL = a@b\nFREEBSD_PORTS_URL = u1\nFREEBSD_PORTS_INDEX_URL = u2\n"
            "FREEBSD_MASTER_SITE = u3\nFREEBSD_PKG_SITES = u4\nCVSUP_HOST = c\nPORTUPGRADE_ARGS = \"-a -b\"\n"
            "OVERRIDE_OS_NAME = N\nOVERRIDE_OS_VENDOR = V\nOVERRIDE_OS_VERSION = 1\nOVERRIDE_OS_ARCH = A\n"
            "OVERRIDE_ENVIRONMENT = E\nALLOW_TO_USE_UP2DATE = no\nALLOW_TO_USE_BXAGENT = no\n"
            "USE_EXISTING_PORTS = yes\nALLOW_KERNEL_INSTALL = yes\nUPGRADE_SYSTEM_PACKAGES = yes\n"
            "USE_TARNIX_UPDATES = no\nSEPARATE_LOGS = yes\n"}}},
         {"proxy=p|8080||", "notifyEmail=a@b", "freebsd=u1|u2|u3|u4|c|-a -b", "os=N|V|1|A|E", "allowUp2date=0",
          "allowContainerAgent=0", "useExistingPorts=1", "allowKernelInstall=1", "upgradeSystemPackages=1",
          "useProductOsUpdates=0", "separateLogs=1"}},
        {"deprecated rc keys warn", {{}, {}, {{rc, "DO_CVSUP = yes\nSUPFILE_OR_URL = x\n"}}},
         {"logline=Warning: the option DO_CVSUP is deprecated and has no effect.",
          "logline=Warning: the option SUPFILE_OR_URL is deprecated and has no effect."}},
        {"the rc file keeps the backslash rule", {{}, {}, {{rc, "TARGET = \"/t\\x41\"\n"}}}, {"target=/tx41"}},
        {"the lines around reading", {{}, {}, {{rc, "# nothing\n"}}},
         {"logline=Try to find rcfile...", "logline=Vantrell found rcfile at " + home + "/.vantrellrc"}},
        {"no rc file", {{}, {}, {}}, {"logline=Try to find rcfile...", "logline=Vantrell rcfile not found."}},

        // environment
        {"set but empty counts",
         {{}, {{"TARNIX_INSTALLER_DEBUG", ""}, {"VANTRELL_STATUS_COOKIE", "c1"}}, {{rc, "DEBUG = no\n"}}},
         {"debug=1", "statusCookie=c1"}},
        {"the start page from the environment", {{}, {{"VN_WEB_UI_DEFAULT_PAGE_OVERRIDE", "components"}}},
         {"webUiStartPage=components"}},

        // component settings file
        {"the writer's \\xNN form reads back byte for byte",
         {{}, {}, {{ini, "[tarnix]\npw=\"Gr\\xc3\\xbc\\xC3\\x9fe \\\"q\\\"\"\n\n\n\n"}}},
         {"option[tarnix][pw]=Gr\xc3\xbc\xc3\x9f" "e \"q\"",
          "logline=Read component settings from " + home + "/.vantrell/options.ini", "logline=read options.ini: prod_id=tarnix",
          "logline=read options.ini: 'pw' = '***'", "!log:\"q\""}},
        {"other escapes keep the backslash rule", {{}, {}, {{ini, "[p]\na=\"\\xZZ\\y\\x4\"\nb=\\x41\n"}}},
         {"option[p][a]=xZZyx4", "option[p][b]=\\x41"}},
        {"a setting before any section",
         {{}, {}, {{ini, "a = b\n[p]\n"}}},
         {"codes=(3,1,1,2)", "text=broken component options.ini file: [prod_id] must precede any name=val lines\\n"}},
        {"an unfinished section ends reading", {{}, {}, {{ini, "[p]\na=1\n[tar"}}},
         {"option[p][a]=1", "~logline=Warning: the section '[tar' of "}},
        {"two sections of one product merge", {{}, {}, {{ini, "[p]\na=1\nb=2\n[ p ] rest\na=3\n[q]\na=4\n"}}},
         {"option[p][a]=3", "option[p][b]=2", "option[q][a]=4"}},
        // Kept: the line parser reads the section line after a comment as a setting.
        {"a comment right before a section", {{}, {}, {{ini, "[p]\n# c\n[q]\na=1\n"}}},
         {"codes=(2,1,1,2)", "text=Unknown parameter in rc file: \\n"}},
        {"an open quote keeps its codes outside the rc file", {{}, {}, {{ini, "[p]\na=\"b\n"}}},
         {"codes=(0,1,1,0)", "text=A closing quotation mark was not found.\\n"}},
        {"the command line over the settings file",
         {{"--set-option", "a = 2"}, {}, {{ini, "[tarnix]\na=1\nb=1\n"}}},
         {"option[tarnix][a]=2", "option[tarnix][b]=1"}},
        {"a missing settings file logs nothing", {{}, {}, {}}, {"!log:component settings", "!log:ERROR", "!log:read options.ini"}},
    };
    for (const Row& row : rows) {
        clearHome();
        optionstest::expectOutcome(optionstest::build(row.setup), row.expected, row.label);
    }
}

TEST_F(OptionsReaders, RcFilePlaces) {
    struct Case {
        const char* label;
        const char* xdg;  // nullptr: unset
        std::vector<std::string> files;
        std::vector<std::string> directories;
        std::string found;  // "~" stands for home
    } cases[] = {
        {"unset: .config first", nullptr, {".config/.vantrellrc", ".vantrellrc"}, {}, "~/.config/.vantrellrc"},
        {"unset: home second", nullptr, {".vantrellrc"}, {}, "~/.vantrellrc"},
        {"a directory is passed over", nullptr, {".vantrellrc"}, {".config/.vantrellrc"}, "~/.vantrellrc"},
        {"absolute", "/tmp/cfg", {".config/.vantrellrc", ".vantrellrc"}, {}, "/tmp/cfg/.vantrellrc"},
        {"relative to home", "rel/dir", {"rel/dir/.vantrellrc", ".config/.vantrellrc"}, {}, "~/rel/dir/.vantrellrc"},
        {"empty: home + \"/\"", "", {".config/.vantrellrc", ".vantrellrc"}, {}, "~//.vantrellrc"},
        {"set: .config is not looked at", "/tmp/none", {".config/.vantrellrc", ".vantrellrc"}, {}, "~/.vantrellrc"},
        {"nowhere", nullptr, {}, {}, ""},
    };
    for (const Case& c : cases) {
        clearHome();
        boost::filesystem::remove_all("/tmp/cfg");
        boost::filesystem::create_directories("/tmp/cfg");
        testutil::writeFile("/tmp/cfg/.vantrellrc", "TARGET = /x\n");
        std::map<std::string, std::string> files;
        for (const std::string& f : c.files) files[f] = "TARGET = /x\n";
        for (const std::string& d : c.directories) boost::filesystem::create_directories(home + "/" + d);

        const std::string found = testutil::inChild([&] {
            optionstest::writeHomeFiles(files);
            if (c.xdg)
                ::setenv("XDG_CONFIG_HOME", c.xdg, 1);
            else
                ::unsetenv("XDG_CONFIG_HOME");
            return Options::findRcFile();
        });
        const std::string expected = c.found.compare(0, 1, "~") == 0 ? home + c.found.substr(1) : c.found;
        EXPECT_EQ(found, expected) << c.label;
    }
}

TEST_F(OptionsReaders, AfterAFailedBuildTheDefaultsStand) {
    const std::string out = testutil::inChild([] {
        optionstest::writeHomeFiles({{rc, "TARGET = /from-rc\nDEBUG = yes\n"}});
        static char program[] = "vantrell", bad[] = "--bogus";
        static char* argv[] = {program, bad, nullptr};
        commandLineArgs.argc = 2;
        commandLineArgs.argv = argv;
        std::string result;
        try {
            Options::instance();
            result += "first call raised nothing\n";
        } catch (const error& e) {
            result += "first=" + testutil::codesOf(e) + "\n";
        }
        try {
            const Options& o = Options::instance();
            const Options& again = Options::instance();
            result += optionstest::describe(o);
            result += std::string("same=") + (&o == &again ? "1" : "0") + "\n";
        } catch (...) {
            result += "a later call raised\n";
        }
        return result;
    });
    optionstest::expectOutcome(optionstest::splitLines(out),
                               {"first=(2,1,1,2)", "workMode=0", "target=" + home + "/corvane", "checkDiskSpace=1",
                                "debug=0", "same=1"},
                               "instance");
}

TEST_F(OptionsReaders, WebModeMakesTheDefaultCertificateOnce) {
    const std::string pem = home + "/.vantrell/vantrell.pem";
    auto webBuild = [&](const std::vector<std::string>& extra) {
        Scenario s{{"--web-interface"}, {}, {}};
        s.args.insert(s.args.end(), extra.begin(), extra.end());
        return optionstest::build(s, [](const Options&) {
            const mode_t now = ::umask(0);
            ::umask(now);
            return "umask=" + std::to_string(now) + "\n";
        });
    };

    ::umask(022);
    optionstest::expectOutcome(webBuild({"--without-ssl"}), {"workMode=2", "sslCertificate="}, "without ssl");
    EXPECT_FALSE(boost::filesystem::exists(home + "/.vantrell"));

    optionstest::expectOutcome(webBuild({}),
                               {"sslCertificate=" + pem, "umask=18",
                                "logline=Generate self-signed certificate for access to web interface to " + pem},
                               "first web run");
    struct stat st;
    ASSERT_EQ(::stat(pem.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    const testutil::RunResult names = testutil::run({"/usr/bin/openssl", "x509", "-noout", "-subject", "-issuer", "-in", pem});
    ASSERT_EQ(names.status, 0) << names.err;
    const std::vector<std::string> lines = optionstest::splitLines(names.out);
    ASSERT_EQ(lines.size(), 2u) << names.out;
    ASSERT_EQ(lines[0].compare(0, 8, "subject="), 0) << lines[0];
    ASSERT_EQ(lines[1].compare(0, 7, "issuer="), 0) << lines[1];
    EXPECT_EQ(lines[0].substr(8), lines[1].substr(7));
    EXPECT_NE(lines[0].find("O = Corvane"), std::string::npos) << lines[0];

    // A later run uses the file as it is.
    const std::string first = testutil::readFile(pem);
    optionstest::expectOutcome(webBuild({}), {"sslCertificate=" + pem, "!log:Generate self-signed"}, "second web run");
    EXPECT_EQ(testutil::readFile(pem), first);
}

TEST_F(OptionsReaders, CertificateErrorsKeepTheirCodesAndGetTheWarning) {
    // A file where the directory should be: the certificate cannot be created.
    testutil::writeFile(home + "/.vantrell", "");
    const std::vector<std::string> lines = optionstest::build({{"--web-interface"}, {}, {}});
    optionstest::expectOutcome(lines,
                               {"codes=(4,2,1,2)", "~text=Warning: We recommend that you connect to the Web-based",
                                "~Unable to create the file " + home + "/.vantrell/vantrell.pem\\n"},
                               "blocked certificate");
}

}  // namespace
