// The readers of the rc file, the environment and the component settings file, and the line
// parser they share with "--set-option".
#include <boost/format.hpp>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../wizard/noClearScreen.h"
#include "Options.h"

namespace {

// isspace of the C locale, whatever locale the process runs in.
bool isSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isNameChar(char c) {
    return isLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

size_t skipSpace(const std::string& line, size_t i) {
    while (i < line.size() && isSpace(static_cast<unsigned char>(line[i]))) ++i;
    return i;
}

error lineError(const char* key, const std::string& line) {
    error e(2, 1, 1, 2);
    e << boost::format(Messages::getMessage(key)) % line;
    return e;
}

// The pieces of a value from `i` on; see parseRcLine.
std::string readValue(const std::string& line, size_t i, bool hexEscapes) {
    std::string value;
    std::string pending;  // white space after the last piece, kept only when another follows
    while (i < line.size()) {
        const char c = line[i];
        if (isSpace(static_cast<unsigned char>(c))) {
            pending += c;
            ++i;
            continue;
        }
        if (c == '#') break;
        value += pending;
        pending.clear();
        if (c != '"') {
            while (i < line.size() && !isSpace(static_cast<unsigned char>(line[i])) && line[i] != '#')
                value += line[i++];
            continue;
        }
        ++i;
        for (;;) {
            // Class and support are the caller's: the rc file makes this a user error.
            if (i >= line.size()) throw error(0, 1, 1, 0) << Messages::getMessage("err_noquote_closed");
            const char q = line[i];
            if (q == '"') {
                ++i;
                break;
            }
            if (q != '\\') {
                value += q;
                ++i;
                continue;
            }
            if (i + 1 >= line.size()) throw error(0, 1, 1, 0) << Messages::getMessage("err_noquote_closed");
            if (hexEscapes && line[i + 1] == 'x' && i + 3 < line.size() && hexDigit(line[i + 2]) >= 0 &&
                hexDigit(line[i + 3]) >= 0) {
                value += static_cast<char>(hexDigit(line[i + 2]) * 16 + hexDigit(line[i + 3]));
                i += 4;
            } else {
                value += line[i + 1];
                i += 2;
            }
        }
    }
    return value;
}

typedef std::function<void(Options&, const std::string& key, const std::string& value)> RcHandler;

RcHandler text(std::string Options::*field) {
    return [field](Options& o, const std::string&, const std::string& v) { o.*field = v; };
}

RcHandler flag(bool Options::*field) {
    return [field](Options& o, const std::string& k, const std::string& v) { o.*field = Options::parseBool(k, v); };
}

RcHandler global(std::string* variable) {
    return [variable](Options&, const std::string&, const std::string& v) { *variable = v; };
}

const std::map<std::string, RcHandler>& rcKeys() {
    static const std::map<std::string, RcHandler> keys = {
        {"SOURCE_TYPE", [](Options&, const std::string&, const std::string&) {}},
        {"SOURCE", [](Options& o, const std::string&, const std::string& v) { o.source = SourceUrl(v); }},
        {"USE_TARNIX_UPDATES", flag(&Options::useProductOsUpdates)},
        {"ADDITIONAL_SOURCE", [](Options& o, const std::string&, const std::string& v) { o.parseAddSource(v, false); }},
        {"FREEBSD_PORTS_URL", text(&Options::freebsdPortsUrl)},
        {"FREEBSD_PORTS_INDEX_URL", text(&Options::freebsdPortsIndexUrl)},
        {"FREEBSD_MASTER_SITE", text(&Options::freebsdMasterSite)},
        {"FREEBSD_PKG_SITES", text(&Options::freebsdPkgSites)},
        {"PORTUPGRADE_ARGS", text(&Options::portupgradeArgs)},
        {"TARGET", text(&Options::target)},
        {"PROXY_HOST", [](Options& o, const std::string&, const std::string& v) { o.proxy.host = v; }},
        {"PROXY_PORT",
         [](Options& o, const std::string&, const std::string& v) {
             o.proxy.port = static_cast<int>(std::strtol(v.c_str(), nullptr, 10));
         }},
        {"PROXY_USER", [](Options& o, const std::string&, const std::string& v) { o.proxy.user = v; }},
        {"PROXY_PASSWORD", [](Options& o, const std::string&, const std::string& v) { o.proxy.password = v; }},
        {"ALLOW_KERNEL_INSTALL", flag(&Options::allowKernelInstall)},
        {"UPGRADE_SYSTEM_PACKAGES", flag(&Options::upgradeSystemPackages)},
        {"DO_CVSUP", [](Options&, const std::string& k, const std::string&) { Options::warnDeprecatedOption(k); }},
        {"SUPFILE_OR_URL",
         [](Options&, const std::string& k, const std::string&) { Options::warnDeprecatedOption(k); }},
        {"CVSUP_HOST", text(&Options::cvsupHost)},
        {"NOTIFY_EMAIL", [](Options& o, const std::string&, const std::string& v) { o.setNotifyEmail(v); }},
        {"HOLD_PACKAGES",
         [](Options& o, const std::string&, const std::string& v) {
             try {
                 o.appendPackageList(o.holdPackages, v);
             } catch (error& e) {
                 e.qualify(2, 1, 1, 2) << Messages::getMessage("err_holdpkgs_list");
                 throw;
             }
         }},
        {"CLEAR_SCREEN",
         [](Options&, const std::string& k, const std::string& v) { noClearScreen = !Options::parseBool(k, v); }},
        {"TRUNCATE_LOG", flag(&Options::truncateLog)},
        {"SEPARATE_LOGS", flag(&Options::separateLogs)},
        // Any value switches the report on, "no" as well: scripts in the field rely on it.
        {"SEND_EXECUTION_SUMMARY",
         [](Options& o, const std::string&, const std::string&) { o.sendExecutionSummary = true; }},
        {"ALLOW_TO_USE_UP2DATE", flag(&Options::allowUp2date)},
        {"ALLOW_TO_USE_BXAGENT", flag(&Options::allowContainerAgent)},
        {"USE_EXISTING_PORTS", flag(&Options::useExistingPorts)},
        {"DEBUG", flag(&Options::debug)},
        {"CHECK_DISK_SPACE", flag(&Options::checkDiskSpace)},
        {"OVERRIDE_OS_NAME", global(&Opsys::override_os_name)},
        {"OVERRIDE_OS_VENDOR", global(&Opsys::override_os_vendor)},
        {"OVERRIDE_OS_VERSION", global(&Opsys::override_os_version)},
        {"OVERRIDE_OS_ARCH", global(&Opsys::override_os_arch)},
        {"OVERRIDE_ENVIRONMENT", global(&Opsys::override_environment)},
    };
    return keys;
}

}  // namespace

bool Options::parseRcLine(std::istream& in, std::string& name, std::string& value) {
    return parseRcLine(in, name, value, false);
}

bool Options::parseRcLine(std::istream& in, std::string& name, std::string& value, bool hexEscapes) {
    name.clear();
    value.clear();
    std::string line;
    size_t i = 0;
    for (;;) {
        if (!in.good() || !std::getline(in, line)) return false;
        i = skipSpace(line, 0);
        if (i < line.size() && line[i] != '#') break;
    }

    if (!isLetter(line[i])) throw error(2, 1, 1, 2) << Messages::getMessage("err_rc_param");
    const size_t start = i;
    while (i < line.size() && isNameChar(line[i])) ++i;
    name = line.substr(start, i - start);

    i = skipSpace(line, i);
    if (i == line.size() || line[i] == '#') throw lineError("err_rc_line", line);
    if (line[i] != '=') throw lineError("err_rc_eqsign", line);
    i = skipSpace(line, i + 1);
    if (i == line.size() || line[i] == '#') throw lineError("err_rc_value", line);

    value = readValue(line, i, hexEscapes);
    return true;
}

bool Options::parseBool(const std::string& key, const std::string& value) {
    if (value == "yes" || value == "YES") return true;
    if (value == "no" || value == "NO") return false;
    throw error(2, 1, 1, 2) << boost::format(Messages::getMessage("err_bool_val")) % value % key;
}

std::string Options::findRcFile() {
    const std::string home = get_home_dir();
    std::string directory;
    if (const char* xdg = ::getenv("XDG_CONFIG_HOME")) {
        const std::string configured = xdg;
        directory = (!configured.empty() && configured[0] == '/') ? configured : home + "/" + configured;
    } else {
        directory = home + "/.config";
    }
    for (const std::string& candidate : {directory + "/" + ".vantrellrc", home + "/" + ".vantrellrc"})
        if (fileops::exists(candidate) && fileops::is_file(candidate)) return candidate;
    return std::string();
}

void Options::readRcFile() {
    Log(1) << "Try to find rcfile..." << std::endl;
    const std::string path = findRcFile();
    if (path.empty()) {
        Log(1) << "Vantrell rcfile not found." << std::endl;
        return;
    }
    Log(1) << "Vantrell found rcfile at " << path << std::endl;

    std::ifstream in(path.c_str());
    if (!in) throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_rcfile_open")) % path;

    std::string name, value;
    while (parseRcLine(in, name, value)) {
        // The file holds passwords in clear; the log never does. The value of an unknown key
        // is not shown either: it may be a password under a misspelt key.
        std::string shown = value;
        if (name == "PROXY_PASSWORD" || rcKeys().count(name) == 0)
            shown = "***";
        else if (name == "ADDITIONAL_SOURCE")
            shown = maskAdditionalSourcePassword(value);
        Log(2) << "Option from rc file:: '" << name << "' = '" << shown << "'" << std::endl;
        applyRcSetting(name, value);
    }
}

void Options::applyRcSetting(const std::string& name, const std::string& value) {
    const auto& keys = rcKeys();
    auto it = keys.find(name);
    if (it == keys.end()) {
        // A misspelt password key must not put the password in the log: the value is not shown.
        Log(0) << Messages::getMessage("err_rc_param") << "'" << name << "' = '***'" << std::endl;
        return;
    }
    it->second(*this, name, value);
}

void Options::readEnvironment() {
    // Set counts, even to an empty text.
    if (::getenv("TARNIX_INSTALLER_DEBUG")) debug = true;
    if (const char* page = ::getenv("VN_WEB_UI_DEFAULT_PAGE_OVERRIDE")) webUiStartPage = page;
    if (const char* cookie = ::getenv("VANTRELL_STATUS_COOKIE")) statusCookie = cookie;
}

void Options::readOptionsIni() {
    const std::string path = get_home_dir() + "/" + ".vantrell/options.ini";
    if (!fileops::exists(path)) return;
    Log(2) << "Read component settings from " << path << "\n";

    std::ifstream in(path.c_str());
    if (!in) {
        const int why = errno;
        Log(1) << "ERROR: " << boost::format(Messages::getMessage("err_fileread2")) % path % std::strerror(why)
               << std::endl;
        return;
    }

    std::string productId;
    while (in.good()) {
        int c = in.get();
        while (c != EOF && isSpace(c)) c = in.get();
        if (c == EOF) break;

        if (c == '[') {
            std::string id;
            bool closed = false;
            for (int ch = in.get(); ch != EOF; ch = in.get()) {
                if (ch == ']') {
                    closed = true;
                    break;
                }
                if (!isSpace(ch)) id += static_cast<char>(ch);
            }
            if (!closed) {
                Log(1) << "Warning: the section '[" << id << "' of " << path
                       << " has no closing ']' before the end of the file; it is ignored." << std::endl;
                break;
            }
            std::string rest;
            std::getline(in, rest);
            productId = id;
            Log(2) << "read options.ini: prod_id=" << productId << "\n";
            continue;
        }

        in.putback(static_cast<char>(c));
        std::string name, value;
        if (!parseRcLine(in, name, value, true)) break;
        // Component settings include passwords, and their types are not known yet: the
        // parameter loader logs the values that may be shown.
        Log(2) << "read options.ini: '" << name << "' = '***'" << std::endl;
        if (productId.empty())
            throw error(3, 1, 1, 2) << "broken component options.ini file: [prod_id] must precede any name=val lines";
        componentOptions[productId][name] = value;
    }
}
