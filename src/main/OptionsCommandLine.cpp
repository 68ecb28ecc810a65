// The command line: the option table, the parse loop and the work-mode and command rules.
#include <getopt.h>

#include <boost/format.hpp>
#include <cstdlib>
#include <vector>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/error.h"
#include "../common/utils.h"
#include "../wizard/noClearScreen.h"
#include "Options.h"
#include "Reporter.h"

namespace {

// Every long option has a value of its own. getopt_long takes an abbreviation that fits two
// names with equal argument kind and value as the first of them, without a word; with values
// of their own such an abbreviation is refused as ambiguous.
enum OptionId {
    optSource = 256,
    optSourceType,
    optDisableTarnixSysUpdates,
    optAddSource,
    optShowAdditionalSourceTypes,
    optShowAdditionalSources,
    optProxyHost,
    optProxyPort,
    optProxyUser,
    optProxyPassword,
    optSelectProductId,
    optSelectReleaseId,
    optSelectReleaseLatest,
    optSelectReleaseCurrent,
    optInstallationType,
    optInstallComponent,
    optInstallEverything,
    optUpgradeInstalledComponents,
    optSetOption,
    optCheckUpdates,
    optShowAllReleases,
    optShowOsList,
    optShowReleases,
    optShowInstallationTypes,
    optShowComponents,
    optShowOptions,
    optShowPackages,
    optConsoleInterface,
    optWebInterface,
    optSetUserInteractionMode,
    optMirrorOs,
    optInstallPackage,
    optServiceMode,
    optQueryStatus,
    optVersion,
    optPrintVersionOfThisBinary,
    optUsage,
    optHelp,
    optTarget,
    optAllowKernelInstall,
    optDisableMajorUpdates,
    optUpgradeSystemPackages,
    optInstallSystemOnly,
    optNoSpaceCheck,
    optReinstallPatch,
    optEnableXmlOutput,
    optNoDaemon,
    optNotifyEmail,
    optUseExistingPorts,
    optCvsupHost,
    optNoCvsup,
    optSupfileOrUrl,
    optOverrideOsName,
    optOverrideOsVendor,
    optOverrideOsVersion,
    optOverrideOsArch,
    optOverrideEnvironment,
    optSslCert,
    optWithoutSsl,
    optWithSsl,
    optDisableBrowser,
    optDebug,
    optTruncateLog,
    optSeparateLogs,
    optNoClear,
};

const struct option optionTable[] = {
    {"source", required_argument, nullptr, optSource},
    {"source-type", required_argument, nullptr, optSourceType},
    {"disable-tarnix-sys-updates", no_argument, nullptr, optDisableTarnixSysUpdates},
    {"add-source", required_argument, nullptr, optAddSource},
    {"show-additional-source-types", no_argument, nullptr, optShowAdditionalSourceTypes},
    {"show-additional-sources", no_argument, nullptr, optShowAdditionalSources},
    {"proxy-host", required_argument, nullptr, optProxyHost},
    {"proxy-port", required_argument, nullptr, optProxyPort},
    {"proxy-user", required_argument, nullptr, optProxyUser},
    {"proxy-password", required_argument, nullptr, optProxyPassword},
    {"select-product-id", required_argument, nullptr, optSelectProductId},
    {"select-release-id", required_argument, nullptr, optSelectReleaseId},
    {"select-release-latest", no_argument, nullptr, optSelectReleaseLatest},
    {"select-release-current", no_argument, nullptr, optSelectReleaseCurrent},
    {"installation-type", required_argument, nullptr, optInstallationType},
    {"install-component", required_argument, nullptr, optInstallComponent},
    {"install-everything", no_argument, nullptr, optInstallEverything},
    {"upgrade-installed-components", no_argument, nullptr, optUpgradeInstalledComponents},
    {"set-option", required_argument, nullptr, optSetOption},
    {"check-updates", no_argument, nullptr, optCheckUpdates},
    {"show-all-releases", no_argument, nullptr, optShowAllReleases},
    {"show-os-list", no_argument, nullptr, optShowOsList},
    {"show-releases", no_argument, nullptr, optShowReleases},
    {"show-installation-types", no_argument, nullptr, optShowInstallationTypes},
    {"show-components", no_argument, nullptr, optShowComponents},
    {"show-options", no_argument, nullptr, optShowOptions},
    {"show-packages", no_argument, nullptr, optShowPackages},
    {"console-interface", no_argument, nullptr, optConsoleInterface},
    {"web-interface", no_argument, nullptr, optWebInterface},
    {"set-user-interaction-mode", required_argument, nullptr, optSetUserInteractionMode},
    {"mirror-os", required_argument, nullptr, optMirrorOs},
    {"install-package", required_argument, nullptr, optInstallPackage},
    {"service-mode", optional_argument, nullptr, optServiceMode},
    {"query-status", no_argument, nullptr, optQueryStatus},
    {"version", no_argument, nullptr, optVersion},
    {"print-version-of-this-binary", no_argument, nullptr, optPrintVersionOfThisBinary},
    {"usage", no_argument, nullptr, optUsage},
    {"help", no_argument, nullptr, optHelp},
    {"target", required_argument, nullptr, optTarget},
    {"allow-kernel-install", no_argument, nullptr, optAllowKernelInstall},
    {"disable-major-updates", no_argument, nullptr, optDisableMajorUpdates},
    {"upgrade-system-packages", no_argument, nullptr, optUpgradeSystemPackages},
    {"install-system-only", no_argument, nullptr, optInstallSystemOnly},
    {"no-space-check", no_argument, nullptr, optNoSpaceCheck},
    {"reinstall-patch", no_argument, nullptr, optReinstallPatch},
    {"enable-xml-output", no_argument, nullptr, optEnableXmlOutput},
    {"no-daemon", no_argument, nullptr, optNoDaemon},
    {"notify-email", required_argument, nullptr, optNotifyEmail},
    {"use-existing-ports", no_argument, nullptr, optUseExistingPorts},
    {"cvsup-host", required_argument, nullptr, optCvsupHost},
    {"no-cvsup", no_argument, nullptr, optNoCvsup},
    {"supfile-or-url", required_argument, nullptr, optSupfileOrUrl},
    {"override-os-name", required_argument, nullptr, optOverrideOsName},
    {"override-os-vendor", required_argument, nullptr, optOverrideOsVendor},
    {"override-os-version", required_argument, nullptr, optOverrideOsVersion},
    {"override-os-arch", required_argument, nullptr, optOverrideOsArch},
    {"override-environment", required_argument, nullptr, optOverrideEnvironment},
    {"ssl-cert", required_argument, nullptr, optSslCert},
    {"without-ssl", no_argument, nullptr, optWithoutSsl},
    {"with-ssl", no_argument, nullptr, optWithSsl},
    {"disable-browser", no_argument, nullptr, optDisableBrowser},
    {"debug", no_argument, nullptr, optDebug},
    {"truncate-log", no_argument, nullptr, optTruncateLog},
    {"separate-logs", no_argument, nullptr, optSeparateLogs},
    {"no-clear", no_argument, nullptr, optNoClear},
    {nullptr, 0, nullptr, 0},
};

// A leading "-" hands every word that is no option back in its place (code 1), so stray words
// are collected in order and the options after them are still read, whatever POSIXLY_CORRECT
// says, and the saved argument vector is not reordered.
const char shortOptions[] = "-hv";

}  // namespace

void Options::parseCommandLine(int argc, char** argv) {
    if (argc < 1 || !argv) return;

    std::string productId;
    std::string releaseId;
    std::vector<std::string> strayWords;

    opterr = 1;
    optind = 0;  // a fresh scan, also when an earlier parse in this process stopped half-way
    for (;;) {
        int longIndex = -1;
        const int c = getopt_long(argc, argv, shortOptions, optionTable, &longIndex);
        if (c == -1) break;
        if (c == 1) {
            strayWords.push_back(optarg);
            continue;
        }
        const char* name = c == 'h' ? "help" : c == 'v' ? "version" : longIndex >= 0 ? optionTable[longIndex].name : "";
        const std::string value = optarg ? optarg : "";

        switch (c) {
            case '?': throw error(2, 1, 1, 2) << Messages::getMessage("err_unkn_option");

            case optSource: source = SourceUrl(value); break;
            case optSourceType: break;
            case optDisableTarnixSysUpdates: useProductOsUpdates = false; break;
            case optAddSource: parseAddSource(value, true); break;
            case optShowAdditionalSourceTypes: setWorkMode(name, ShowSourceTypes); break;
            case optShowAdditionalSources: setWorkMode(name, ShowSources); break;

            case optProxyHost: proxy.host = value; break;
            case optProxyPort: proxy.port = static_cast<int>(std::strtol(value.c_str(), nullptr, 10)); break;
            case optProxyUser: proxy.user = value; break;
            case optProxyPassword: proxy.password = value; break;

            case optSelectProductId: productId = value; break;
            case optSelectReleaseId:
                addReleaseSelection(ReleaseSelection::ById, productId, value);
                releaseId = value;
                break;
            case optSelectReleaseLatest: addReleaseSelection(ReleaseSelection::Latest, productId, ""); break;
            case optSelectReleaseCurrent: addReleaseSelection(ReleaseSelection::Current, productId, ""); break;
            case optInstallationType:
                setCommand(name, Install);
                setComponentPreset(productId, ComponentPreset::InstallationType).installationType = value;
                break;
            case optInstallComponent:
                setCommand(name, Install);
                setComponentPreset(productId, ComponentPreset::ComponentList).components.push_back(value);
                Reporter::statusPrefix = "install_";
                break;
            case optInstallEverything:
                setCommand(name, Install);
                setComponentPreset(productId, ComponentPreset::Everything);
                Reporter::statusPrefix = "install_";
                break;
            case optUpgradeInstalledComponents:
                setCommand(name, Install);
                setComponentPreset(productId, ComponentPreset::UpgradeInstalled);
                break;
            case optSetOption: setComponentOption(productId, value); break;

            case optCheckUpdates:
                setCommand(name, CheckUpdates);
                addReleaseSelection(ReleaseSelection::Current, productId, "");
                break;
            case optShowAllReleases: setCommand(name, ShowAllReleases); break;
            case optShowOsList: setCommand(name, ShowOsList); break;
            case optShowReleases:
                setCommand(name, ShowReleases);
                addReleaseSelection(ReleaseSelection::Current, productId, "");
                break;
            case optShowInstallationTypes: setCommand(name, ShowInstallationTypes); break;
            case optShowComponents: setCommand(name, ShowComponents); break;
            case optShowOptions: showOptions = true; break;
            case optShowPackages: setCommand(name, ShowPackages); break;

            case optConsoleInterface: setWorkMode(name, Console); break;
            case optWebInterface: setWorkMode(name, Web); break;
            case optSetUserInteractionMode: setUserInteractionMode(name, value.c_str()); break;
            case optMirrorOs:
                setWorkMode(name, Mirror);
                if (releaseId.empty()) throw error(2, 1, 1, 2) << Messages::getMessage("err_mirror_order");
                mirrorList.push_back(std::make_pair(releaseId, value));
                break;
            case optInstallPackage:
                setWorkMode(name, InstallPackage);
                try {
                    appendPackageList(installPackageNames, value);
                } catch (error& e) {
                    e.qualify(2, 1, 1, 2) << Messages::getMessage("err_instpkg_list");
                    throw;
                }
                break;
            case optServiceMode:
                // The web process that service mode starts gets the same arguments and a secret;
                // it must not start service mode again.
                if (getEnvValue("WEB_SECRET").empty())
                    setWorkMode(name, Service);
                else
                    Log(2) << "DEBUG: ignore option --service-mode because environment variable "
                           << "WEB_SECRET"
                           << " is allready contains value.\n";
                if (value == "update" || value == "components") {
                    webUiStartPage = value == "update" ? "update_components" : "components";
                    setEnv("VN_WEB_UI_DEFAULT_PAGE_OVERRIDE", webUiStartPage);
                }
                break;
            case optQueryStatus:
                setWorkMode(name, QueryStatus);
                Reporter::statusPrefix = "query_";
                break;
            case 'v':
            case optVersion: setWorkMode(name, Version); break;
            case optPrintVersionOfThisBinary: setWorkMode(name, BinaryVersion); break;
            case 'h':
            case optUsage:
            case optHelp: setWorkMode(name, Usage); break;

            case optTarget: target = value; break;
            case optAllowKernelInstall: allowKernelInstall = true; break;
            case optDisableMajorUpdates: disableMajorUpdates = true; break;
            case optUpgradeSystemPackages: upgradeSystemPackages = true; break;
            case optInstallSystemOnly: installSystemOnly = true; break;
            case optNoSpaceCheck: checkDiskSpace = false; break;
            case optReinstallPatch: reinstallPatches = true; break;
            case optEnableXmlOutput: Reporter::xmlOutput = true; break;
            case optNoDaemon: noDaemon = true; break;
            case optNotifyEmail: setNotifyEmail(value); break;

            case optUseExistingPorts: useExistingPorts = true; break;
            case optCvsupHost: cvsupHost = value; break;
            case optNoCvsup:
            case optSupfileOrUrl: warnDeprecatedOption(name); break;

            case optOverrideOsName: Opsys::override_os_name = value; break;
            case optOverrideOsVendor: Opsys::override_os_vendor = value; break;
            case optOverrideOsVersion: Opsys::override_os_version = value; break;
            case optOverrideOsArch: Opsys::override_os_arch = value; break;
            case optOverrideEnvironment: Opsys::override_environment = value; break;

            case optSslCert: sslCertificate = value; break;
            case optWithoutSsl: withoutSsl = true; break;
            case optWithSsl: withoutSsl = false; break;
            case optDisableBrowser: openBrowser = false; break;

            case optDebug: debug = true; break;
            case optTruncateLog: truncateLog = true; break;
            case optSeparateLogs: separateLogs = true; break;
            case optNoClear: noClearScreen = true; break;

            default: throw internalError("OptionsCommandLine", 290);
        }
    }

    for (int i = optind; i < argc; ++i) strayWords.push_back(argv[i]);
    if (!strayWords.empty()) {
        error e;
        e << Messages::getMessage("err_unkn_arg");
        for (const std::string& word : strayWords) e << word << "\n";
        throw e;
    }
}

std::vector<Options::ArgumentPiece> Options::findProxyPasswords(int argc, char** argv) {
    std::vector<ArgumentPiece> found;
    if (argc < 1 || !argv) return found;
    // getopt may reorder what it is given; the caller's vector stays as it is.
    std::vector<char*> words(argv, argv + argc);
    words.push_back(nullptr);

    const int savedOpterr = opterr;
    opterr = 0;
    optind = 0;
    for (;;) {
        const int c = getopt_long(argc, words.data(), shortOptions, optionTable, nullptr);
        if (c == -1) break;
        if (c != optProxyPassword || !optarg) continue;
        // The value is the last word the option used: a word of its own, or its tail after '='.
        const int index = optind - 1;
        const char* word = words[index];
        const size_t offset = optarg == word ? 0 : static_cast<size_t>(optarg - word);
        found.push_back(ArgumentPiece{index, offset});
    }
    opterr = savedOpterr;
    optind = 0;
    return found;
}

void Options::setCommand(const char* optionName, int newCommand) {
    static std::string lastCommandOption;
    workMode = CommandLine;
    // Listing the packages of an installation is one request, in either order.
    if ((command == Install && newCommand == ShowPackages) || (command == ShowPackages && newCommand == Install)) {
        command = ShowPackages;
        return;
    }
    if (command != None && command != newCommand)
        throw error(2, 1, 1, 2) << boost::format(Messages::getMessage("err_cmd_override")) % optionName %
                                       lastCommandOption;
    command = newCommand;
    lastCommandOption = optionName;
}

void Options::setWorkMode(const char* optionName, int mode) {
    static std::string lastWorkModeOption;
    if (mode == Mirror && workMode == Mirror) return;
    if (workMode != Console)
        throw error(2, 1, 1, 2) << boost::format(Messages::getMessage("err_cmd_override")) % optionName %
                                       lastWorkModeOption;
    workMode = mode;
    lastWorkModeOption = optionName;
}

void Options::warnDeprecatedOption(const std::string& name) {
    const std::string& text = Messages::getMessage("warn_deprecated_option");
    // A translation may lack the place for the name, or hold a broken one: the warning is
    // still written.
    std::string line;
    try {
        boost::format f(text);
        f.exceptions(boost::io::all_error_bits ^ (boost::io::too_many_args_bit | boost::io::too_few_args_bit));
        line = (f % name).str();
    } catch (const boost::io::format_error&) {
        line = text + " " + name;
    }
    Log(1) << line << std::endl;
}
