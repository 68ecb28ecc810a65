// The command line: every case builds the settings in a child of its own and checks a few
// lines of the outcome (fields, error codes and texts, log lines).
#include "OptionsProbe.h"

namespace {

using optionstest::Scenario;

class OptionsCommandLine : public optionstest::HomeFixture {};

const std::string cmdOverride =
    "You specified wrong combination of options.\\nThe options %1% and %2% cannot be used together.\\n"
    "Refer to installer's help page for details (run Corvane Products Installer with --help option).\\n";

std::string overrideText(const std::string& a, const std::string& b) {
    std::string t = cmdOverride;
    t.replace(t.find("%1%"), 3, a);
    t.replace(t.find("%2%"), 3, b);
    return "text=" + t;
}

const std::string strayText =
    "Command line parse error: There must be no more arguments after options.\\n"
    "The following arguments was found after last option:\\n";

struct Row {
    const char* label;
    Scenario setup;
    std::vector<std::string> expected;
};

TEST_F(OptionsCommandLine, Table) {
    const std::string home = get_home_dir();
    const Row rows[] = {
        {"no arguments: defaults",
         {{}, {}, {}},
         {"workMode=0", "command=0", "releaseSelections=0", "source=http://updates.corvane.example/",
          "target=" + home + "/corvane", "checkDiskSpace=1", "useProductOsUpdates=1", "openBrowser=1",
          "allowUp2date=1", "allowContainerAgent=1", "debug=0", "proxy=|0||", "statusPrefix=", "xmlOutput=0"}},

        // Release selections take the product named before them.
        {"latest release without a product is the panel's", {{"--select-release-latest"}}, {"release=tarnix|0|"}},
        {"release by id keeps the empty product", {{"--select-release-id", "R"}}, {"release=|2|R"}},
        {"release by empty id is an internal error",
         {{"--select-release-id", ""}},
         {"codes=(3,1,1,3)", "~text=An internal error occured in vantrell, rev.297274 "}},
        {"a product named after the release does not count",
         {{"--select-release-latest", "--select-product-id", "P"}},
         {"release=tarnix|0|", "releaseSelections=1"}},
        {"current release of the named product",
         {{"--select-product-id", "P", "--select-release-current", "--select-release-current"}},
         {"release=P|1|", "releaseSelections=2"}},
        {"check-updates selects the current release",
         {{"--select-product-id", "P", "--check-updates"}},
         {"workMode=1", "command=1", "release=P|1|"}},

        // Components and installation.
        {"show-packages then install-component", {{"--show-packages", "--install-component", "c"}},
         {"workMode=1", "command=7", "preset[]=4|c|", "statusPrefix=install_"}},
        {"install-component then show-packages", {{"--install-component", "c", "--show-packages"}},
         {"command=7", "preset[]=4|c|"}},
        {"components of the named product",
         {{"--select-product-id", "P", "--install-component", "a", "--install-component", "b"}},
         {"command=8", "preset[P]=4|a,b|"}},
        {"installation type", {{"--installation-type", "typical"}}, {"command=8", "preset[]=3||typical", "statusPrefix="}},
        {"everything after a component keeps the component",
         {{"--install-component", "c", "--install-everything"}},
         {"preset[]=1|c|"}},
        {"a component after everything is refused",
         {{"--install-everything", "--install-component", "c"}},
         {"codes=(2,1,1,2)",
          "text=You specified the options that cannot be used together: --install-everything and --install-component."
          "\\nDecide whether you want to install all or selected components, and use the respective option.\\n"}},
        {"everything twice is refused", {{"--install-everything", "--install-everything"}}, {"codes=(2,1,1,2)"}},
        {"upgrade installed components", {{"--upgrade-installed-components"}}, {"command=8", "preset[]=2||"}},

        // Abbreviations and unknown options.
        {"an ambiguous abbreviation", {{"--sour", "x"}},
         {"codes=(2,1,1,2)", "text=You specified an unknown option.\\n",
          "~stderr=vantrell: option '--sour' is ambiguous; possibilities:"}},
        {"the exact name of a prefix of another", {{"--source", "x"}}, {"source=http://x/"}},
        {"the usage text's --separate-log", {{"--separate-log"}}, {"separateLogs=1"}},
        {"a required argument missing", {{"--target"}}, {"codes=(2,1,1,2)", "text=You specified an unknown option.\\n"}},
        {"an optional argument only after '='", {{"--service-mode", "update"}},
         {"codes=(0,0,0,0)", "text=" + strayText + "update\\n\\n", "report=" + strayText + "update\\n\\n"}},
        {"stray words are reported after all options",
         {{"--debug", "R1", "--no-daemon", "R2"}},
         {"codes=(0,0,0,0)", "text=" + strayText + "R1\\nR2\\n\\n"}},
        {"options after a stray word are read, POSIXLY_CORRECT or not",
         {{"R1", "--bogus"}, {{"POSIXLY_CORRECT", "1"}}},
         {"text=You specified an unknown option.\\n"}},
        {"words after -- are stray", {{"--debug", "--", "--no-daemon"}}, {"text=" + strayText + "--no-daemon\\n\\n"}},
        {"the second --source wins", {{"--source", "http://a/", "--source", "http://b/"}}, {"source=http://b/"}},

        // Work modes and commands.
        {"two commands", {{"--show-releases", "--show-components"}},
         {"codes=(2,1,1,2)", "report=" + overrideText("show-components", "show-releases").substr(5)}},
        {"a command after a work mode wins", {{"--web-interface", "--show-components"}}, {"workMode=1", "command=6"}},
        {"a work mode after a command names an empty option",
         {{"--show-components", "--web-interface"}},
         {overrideText("web-interface", "")}},
        {"console may be followed", {{"--console-interface", "--web-interface", "--without-ssl"}}, {"workMode=2"}},
        {"help after usage", {{"--usage", "--help"}}, {overrideText("help", "usage")}},
        {"short options have long names in messages", {{"-h", "-v"}}, {overrideText("version", "help")}},
        {"-v", {{"-v"}}, {"workMode=6"}},
        {"binary version", {{"--print-version-of-this-binary"}}, {"workMode=7"}},
        {"source types", {{"--show-additional-source-types"}}, {"workMode=9"}},
        {"sources", {{"--show-additional-sources"}}, {"workMode=10"}},
        {"query status", {{"--query-status"}}, {"workMode=11", "statusPrefix=query_"}},
        {"the interaction mode is set over any mode",
         {{"--show-components", "--set-user-interaction-mode", "webUI", "--without-ssl"}},
         {"workMode=2", "command=6", "interactionModeGiven=1"}},
        {"an unknown interaction mode",
         {{"--set-user-interaction-mode=webui"}},
         {"codes=(3,1,1,2)", "text=Invalid argument for option --set-user-interaction-mode=webui\\n"}},
        {"show-options alone", {{"--show-options"}},
         {"codes=(3,1,1,2)", "text=Option --show-options have effect only with --show-components\\n\\n"}},
        {"show-options with show-components", {{"--show-options", "--show-components"}}, {"showOptions=1"}},

        // Mirror.
        {"mirror without a release", {{"--mirror-os", "x"}},
         {"codes=(2,1,1,2)", "~text=You specified options in the wrong order.\\nFirst, you should specify"}},
        {"mirror twice", {{"--select-release-id", "R", "--mirror-os", "a", "--mirror-os", "b"}},
         {"workMode=3", "mirror=R|a", "mirror=R|b"}},

        // Service mode.
        {"service mode with a start page",
         {{"--service-mode=update"}, {{"WEB_SECRET", testutil::unset}, {"VN_WEB_UI_DEFAULT_PAGE_OVERRIDE", "old"}}},
         {"workMode=5", "webUiStartPage=update_components", "envPageOverride=update_components"}},
        {"service mode with a secret set",
         {{"--service-mode=components"}, {{"WEB_SECRET", "abc"}}},
         {"workMode=0", "webUiStartPage=components", "envPageOverride=components",
          "logline=DEBUG: ignore option --service-mode because environment variable WEB_SECRET is allready contains "
          "value."}},
        {"service mode with another page",
         {{"--service-mode=other"}, {{"WEB_SECRET", ""}, {"VN_WEB_UI_DEFAULT_PAGE_OVERRIDE", testutil::unset}}},
         {"workMode=5", "webUiStartPage=", "envPageOverride=<unset>"}},

        // Additional sources.
        {"four items",
         {{"--add-source", "a,b,c,d"}},
         {"codes=(2,1,1,2)",
          "report=Incorrect specification of an additional source: 'a,b,c,d'\\nYou must specify either three or five "
          "parameters.\\n"}},
        {"priority 0", {{"--add-source", "repomd,0,http://h/,u,\"\""}}, {"codes=(2,1,1,2)", "~\\nyou need to specify priority in the range from 1 to 999.\\n"}},
        {"priority 1000", {{"--add-source", "repomd,1000,http://h/,u,\"\""}}, {"~\\nyou need to specify priority in the range from 1 to 999.\\n"}},
        {"priorities 1 and 999, empty fifth item",
         {{"--add-source", "repomd,1,http://h/,u,\"\"", "--add-source", "repomd,999,http://g/,u,\"\""}},
         {"additional=repomd|1|http://h/|u|", "additional=repomd|999|http://g/|u|"}},
        {"three items: any priority (kept as it was)", {{"--add-source", "directory,0,/srv"}},
         {"additional=directory|0|/srv||"}},
        {"a priority that is no number", {{"--add-source", "directory,x,/srv"}},
         {"text=Incorrect specification of an additional source: 'directory,x,/srv'\\nInvalid number format.\\n"}},
        {"the same URL replaces all fields",
         {{"--add-source", "repomd,5,http://h/,ann,PW", "--add-source", "repodata,7,http://h/"}, {{"PW", "s"}}},
         {"additionalSources=1", "additional=repodata|7|http://h/||"}},
        {"the fifth item names a variable", {{"--add-source", "repomd,5,http://h/,ann,PW"}, {{"PW", "secret"}}},
         {"additional=repomd|5|http://h/|ann|secret"}},
        {"the fifth item names an unset variable",
         {{"--add-source", "repomd,5,http://h/,ann,NOPE"}, {{"NOPE", testutil::unset}}},
         {"codes=(2,1,1,2)",
          "text=Incorrect specification of an additional source: 'repomd,5,http://h/,ann,NOPE'\\n"
          "Can't get password from environment variable NOPE - variable is not defined\\n"}},

        // Settings of components.
        {"set-option without a product", {{"--set-option", "name = \"a b\""}}, {"option[tarnix][name]=a b"}},
        {"set-option for the named product", {{"--select-product-id", "P", "--set-option", "n=v"}}, {"option[P][n]=v"}},
        {"set-option with an open quote keeps its codes", {{"--set-option", "n = \"v"}},
         {"codes=(0,1,1,0)", "text=A closing quotation mark was not found.\\n"}},
        {"install-package list", {{"--install-package", "a,b"}}, {"workMode=4", "installPackageNames=a|b"}},
        {"install-package malformed list",
         {{"--install-package", "a b,c"}},
         {"codes=(2,1,1,2)", "~text=You specified an incorrect argument for the --install-package option.\\nMalformed"}},

        // Plain settings and process-wide values.
        {"proxy", {{"--proxy-host", "p", "--proxy-port", "3128x", "--proxy-user", "u", "--proxy-password", "pw"}},
         {"proxy=p|3128|u|pw"}},
        {"a proxy port that is no number", {{"--proxy-port", "abc"}}, {"proxy=|0||"}},
        {"flags",
         {{"--allow-kernel-install", "--disable-major-updates", "--upgrade-system-packages", "--install-system-only",
           "--no-space-check", "--reinstall-patch", "--no-daemon", "--use-existing-ports", "--disable-tarnix-sys-updates",
           "--debug", "--truncate-log", "--disable-browser"}},
         {"allowKernelInstall=1", "disableMajorUpdates=1", "upgradeSystemPackages=1", "installSystemOnly=1",
          "checkDiskSpace=0", "reinstallPatches=1", "noDaemon=1", "useExistingPorts=1", "useProductOsUpdates=0",
          "debug=1", "truncateLog=1", "openBrowser=0"}},
        {"texts", {{"--target", "/t", "--notify-email", "a@b", "--cvsup-host", "c", "--source-type", "ignored"}},
         {"target=/t", "notifyEmail=a@b", "freebsd=||||c|"}},
        {"a mail address that would be an option of the mail command", {{"--notify-email", "-oQ/tmp/x"}},
         {"codes=(2,1,1,2)", "text=Please specify an e-mail address in the user@example.com format\\n"}},
        {"process-wide values", {{"--enable-xml-output", "--no-clear"}}, {"xmlOutput=1", "noClearScreen=1"}},
        {"operating-system overrides",
         {{"--override-os-name", "N", "--override-os-vendor", "V", "--override-os-version", "1",
           "--override-os-arch", "A", "--override-environment", "E"}},
         {"os=N|V|1|A|E"}},
        {"deprecated options warn and go on",
         {{"--no-cvsup", "--supfile-or-url", "x", "--debug"}},
         {"debug=1", "logline=Warning: the option no-cvsup is deprecated and has no effect.",
          "logline=Warning: the option supfile-or-url is deprecated and has no effect."}},
        {"ssl options", {{"--without-ssl", "--with-ssl", "--ssl-cert", "/c.pem"}}, {"withoutSsl=0", "sslCertificate=/c.pem"}},
        {"web mode with a missing certificate file",
         {{"--web-interface", "--ssl-cert", "/nonexistent.pem"}},
         {"codes=(2,2,1,2)", "text=The file /nonexistent.pem was not found.\\n"}},
    };
    for (const Row& row : rows) optionstest::expectOutcome(optionstest::build(row.setup), row.expected, row.label);
}

// Code that parses twice in one process (a test, a restart) starts from the first argument.
TEST_F(OptionsCommandLine, ASecondParseStartsAfresh) {
    const std::vector<std::string> lines = optionstest::build({{"--show-components"}}, [](const Options&) {
        std::vector<std::string> words{"vantrell", "--debug", "--target", "/second"};
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(&w[0]);
        Options again;
        again.parseCommandLine(static_cast<int>(argv.size()), argv.data());
        return "again=" + again.target + "|" + std::to_string(again.debug) + "\n";
    });
    optionstest::expectOutcome(lines, {"command=6", "again=/second|1"}, "second parse");
}

}  // namespace
