#include "Options.h"

#include <boost/format.hpp>
#include <sstream>

#include "../common/CommaSeparatedValues.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/ShellQuote.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../common/utils.h"
#include "../webui/Certificate.h"

const char defaultUpdateServerUrl[] = "http://updates.corvane.example/";

CommandLineArgs commandLineArgs;

namespace {

// The product a selection without "--select-product-id" is for: the control panel.
const char defaultProductId[] = "tarnix";

}  // namespace

ReleaseSelection::ReleaseSelection(const std::string& productId_, int kind_)
    : productId(productId_), kind(kind_) {
    if (kind == ById) throw internalError("ReleaseSelection", 27);
}

ReleaseSelection::ReleaseSelection(const std::string& productId_, int kind_, const std::string& releaseId_)
    : productId(productId_), kind(kind_), releaseId(releaseId_) {
    if (kind == ById && releaseId.empty()) throw internalError("ReleaseSelection", 33);
}

Options& Options::instance() {
    // Never freed: threads and the exit path read it up to the very end of the process.
    static Options* object = nullptr;
    if (object) return *object;
    try {
        object = new Options(commandLineArgs.argc, commandLineArgs.argv);
    } catch (...) {
        // Later readers (the exit path's summary mail, for one) see defaults, not half a build
        // and not a second build.
        object = new Options();
        throw;
    }
    return *object;
}

Options::Options() : source(defaultUpdateServerUrl) {
    setDefaults();
}

Options::Options(int argc, char** argv) : source(defaultUpdateServerUrl) {
    setDefaults();
    try {
        readRcFile();
    } catch (error& e) {
        e.qualify(2, 1, 1, 2) << Messages::getMessage("err_rc_syntax");
        throw;
    }
    readEnvironment();
    readOptionsIni();
    parseCommandLine(argc, argv);
    checkOptions();
}

void Options::setDefaults() {
    workMode = Console;
    command = None;
    useProductOsUpdates = true;
    target = get_home_dir() + "/" + "corvane";
    checkDiskSpace = true;
    allowUp2date = true;
    allowContainerAgent = true;
    openBrowser = true;

    truncateLog = false;
    separateLogs = false;
    sendExecutionSummary = false;
    debug = false;
    noDaemon = false;
    downloadOnly = false;
    allowKernelInstall = false;
    disableMajorUpdates = false;
    installSystemOnly = false;
    useExistingPorts = false;
    upgradeSystemPackages = false;
    showOptions = false;
    withoutSsl = false;
    reinstallPatches = false;
    interactionModeGiven = false;
}

void Options::addReleaseSelection(int kind, const std::string& productId, const std::string& releaseId) {
    if (kind == ReleaseSelection::ById) {
        releaseSelections.push_back(ReleaseSelection(productId, kind, releaseId));
        return;
    }
    releaseSelections.push_back(ReleaseSelection(productId.empty() ? defaultProductId : productId, kind, ""));
}

ComponentPreset& Options::setComponentPreset(const std::string& productId, int kind) {
    ComponentPreset& preset = componentPresets[productId];
    if (preset.kind == ComponentPreset::Everything)
        throw error(2, 1, 1, 2) << Messages::getMessage("err_comp_sel");
    preset.kind = kind;
    return preset;
}

bool Options::isProdIDSelected(const std::string& productId) const {
    bool selected = false;
    for (const ReleaseSelection& s : releaseSelections)
        if (s.productId == productId) selected = true;
    Log(3) << "Options::isProdIDSelected: " << productId << " " << (selected ? "true" : "false") << std::endl;
    return selected;
}

void Options::parseAddSource(const std::string& value, bool resolvePassword) {
    try {
        CommaSeparatedValues items(value);
        if (items.size() != 3 && items.size() != 5)
            throw error(2, 1, 1, 2) << Messages::getMessage("err_bad_src_nargs");

        AdditionalSource source;
        source.type = items[0];
        source.priority = stringToInt(items[1]);
        source.url = items[2];
        if (items.size() == 5) {
            source.user = items[3];
            source.password = items[4];
            if (source.priority < 1 || source.priority > 999)
                throw error(2, 1, 1, 2) << Messages::getMessage("err_src_priority");
            if (resolvePassword && !items[4].empty()) {
                const char* secret = ::getenv(items[4].c_str());
                if (!secret)
                    throw error() << "Can't get password from environment variable " << items[4]
                                  << " - variable is not defined";
                source.password = secret;
            }
        }

        for (AdditionalSource& known : additionalSources) {
            if (known.url == source.url) {
                known = source;
                return;
            }
        }
        additionalSources.push_back(source);
    } catch (error& e) {
        // From the rc file the fifth item is the password itself: the report names it masked.
        e.qualify(2, 1, 1, 2) << boost::format(Messages::getMessage("err_src_args")) %
                                     (resolvePassword ? value : maskAdditionalSourcePassword(value));
        throw;
    }
}

void Options::setComponentOption(std::string productId, const std::string& text) {
    if (productId.empty()) productId = defaultProductId;
    std::istringstream in(text);
    std::string name, value;
    if (parseRcLine(in, name, value)) componentOptions[productId][name] = value;
}

void Options::setUserInteractionMode(const char* optionName, const char* value) {
    const std::string mode = value ? value : "";
    if (mode == "textUI")
        workMode = Console;
    else if (mode == "webUI")
        workMode = Web;
    else
        throw error(3, 1, 1, 2) << "Invalid argument for option --" << optionName << "=" << mode;
    interactionModeGiven = true;
}

void Options::setNotifyEmail(const std::string& address) {
    if (!address.empty() && address[0] == '-') throw error(2, 1, 1, 2) << Messages::getMessage("err_not_email");
    notifyEmail = address;
}

void Options::appendPackageList(std::vector<std::string>& list, const std::string& value) {
    CommaSeparatedValues items(value);
    list.insert(list.end(), items.begin(), items.end());
}

void Options::checkOptions() {
    if (showOptions && command != ShowComponents)
        throw error(3, 1, 1, 2) << "Option --show-options have effect only with --show-components\n";

    if (workMode != Web) return;
    if (!sslCertificate.empty()) {
        if (!fileops::exists(sslCertificate))
            throw error(2, 2, 1, 2) << boost::format(Messages::getMessage("err_misfile")) % sslCertificate;
        return;
    }
    if (withoutSsl) return;
    try {
        const std::string path = defaultCertificatePath();
        sslCertificate = certificateExists(path) ? useExistingCertificate(path) : generateSelfSignedCertificate(path);
    } catch (error& e) {
        e.qualify(2, 2, 1, 2) << Messages::getMessage("err_ssl_strong_recomended");
        throw;
    }
}

std::string Options::getCommandLine() {
    std::string line;
    for (int i = 0; i < commandLineArgs.argc && commandLineArgs.argv && commandLineArgs.argv[i]; ++i) {
        line += shellQuote(commandLineArgs.argv[i]);
        line += ' ';
    }
    return line;
}

std::string Options::maskAdditionalSourcePassword(const std::string& value) {
    std::vector<std::string> items;
    try {
        items = CommaSeparatedValues(value);
    } catch (const error&) {
        // Unreadable as a list: keep what stands before the fifth item, hide the rest.
        size_t comma = std::string::npos;
        for (int n = 0; n < 4; ++n) {
            comma = value.find(',', comma == std::string::npos ? 0 : comma + 1);
            if (comma == std::string::npos) return value;
        }
        return value.substr(0, comma + 1) + "***";
    }
    if (items.size() < 5) return value;
    return items[0] + "," + items[1] + "," + items[2] + "," + items[3] + ",***";
}
