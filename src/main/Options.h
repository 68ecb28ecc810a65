#ifndef VN_MAIN_OPTIONS_H
#define VN_MAIN_OPTIONS_H

#include <istream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../sources/Downloader.h"
#include "../sources/SourceUrl.h"

// One release the run works on.
class ReleaseSelection {
public:
    enum Kind { Latest = 0, Current = 1, ById = 2 };

    // Latest or Current; ById needs a release id and raises an internal error here.
    ReleaseSelection(const std::string& productId, int kind);
    // ById with an empty release id raises an internal error.
    ReleaseSelection(const std::string& productId, int kind, const std::string& releaseId);

    std::string productId;
    int kind;
    std::string releaseId;  // empty for Latest and Current
};

// How the components of one product are chosen in batch work.
class ComponentPreset {
public:
    enum Kind { None = 0, Everything = 1, UpgradeInstalled = 2, InstallationType = 3, ComponentList = 4 };

    int kind = None;
    std::vector<std::string> components;  // only "--install-component" fills it
    std::string installationType;         // only "--installation-type" fills it
};

// A further package source. The URL identifies the entry.
class AdditionalSource {
public:
    std::string type;
    int priority = 0;
    std::string url;
    std::string user;
    std::string password;
};

// The default update source: the maker's update server.
extern const char defaultUpdateServerUrl[];

// The arguments of the process, saved by main before the first Options::instance call.
struct CommandLineArgs {
    int argc = 0;
    char** argv = nullptr;
};
extern CommandLineArgs commandLineArgs;

// The settings of a run. Built once per process, on the first instance() call, from the
// defaults, the rc file, the environment, the component settings file and the command line,
// each overriding the one before; the consistency checks run last. Other code only reads it.
class Options {
public:
    enum WorkMode {
        Console = 0,
        CommandLine = 1,
        Web = 2,
        Mirror = 3,
        InstallPackage = 4,
        Service = 5,
        Version = 6,
        BinaryVersion = 7,
        Usage = 8,
        ShowSourceTypes = 9,
        ShowSources = 10,
        QueryStatus = 11,
    };
    enum Command {
        None = 0,
        CheckUpdates = 1,
        ShowAllReleases = 2,
        ShowOsList = 3,
        ShowReleases = 4,
        ShowInstallationTypes = 5,
        ShowComponents = 6,
        ShowPackages = 7,
        Install = 8,
    };

    // The first call builds from commandLineArgs. A build that raises `error` leaves the
    // defaults-only object in place and raises again; later calls return that object.
    static Options& instance();

    // The build: defaults, rc file, environment, options.ini, command line, checks.
    Options(int argc, char** argv);
    // Defaults only; reads nothing.
    Options();

    void setDefaults();

    void addReleaseSelection(int kind, const std::string& productId, const std::string& releaseId);
    ComponentPreset& setComponentPreset(const std::string& productId, int kind);
    bool isProdIDSelected(const std::string& productId) const;
    // "type,priority,url[,user,password]". With `resolvePassword` the fifth item names the
    // environment variable that holds the password.
    void parseAddSource(const std::string& value, bool resolvePassword);
    // One "name = value" line, stored under the product ("tarnix" when empty).
    void setComponentOption(std::string productId, const std::string& text);
    void setUserInteractionMode(const char* optionName, const char* value);
    void appendPackageList(std::vector<std::string>& list, const std::string& value);
    void checkOptions();

    // Where an argument vector holds a "--proxy-password" value: argument `index` from byte
    // `offset` on (0 for a separate word, after the '=' of "--proxy-pa=value"). The option
    // parser's own rules find them, abbreviations included; it prints nothing meanwhile.
    struct ArgumentPiece {
        int index;
        size_t offset;
    };
    static std::vector<ArgumentPiece> findProxyPasswords(int argc, char** argv);

    // The saved command line as one shell text: every argument quoted for /bin/sh, each
    // followed by one blank.
    static std::string getCommandLine();

    // The readers.
    static std::string findRcFile();
    void readRcFile();
    void readEnvironment();
    void readOptionsIni();
    void parseCommandLine(int argc, char** argv);

    // Reads lines up to the next setting line and splits it into name and value; false at the
    // end of the stream.
    static bool parseRcLine(std::istream& in, std::string& name, std::string& value);
    // The same; with `hexEscapes`, "\x" and two hexadecimal digits inside a quoted piece is
    // that byte (the form in which the component settings file is written).
    static bool parseRcLine(std::istream& in, std::string& name, std::string& value, bool hexEscapes);
    // Exactly "yes"/"YES" or "no"/"NO".
    static bool parseBool(const std::string& key, const std::string& value);
    // The level-1 warning for an option or rc key that no longer does anything.
    static void warnDeprecatedOption(const std::string& name);

    // The address of the report mail; one that begins with '-' would reach the mail command
    // as an option: error (2,1,1,2) "err_not_email".
    void setNotifyEmail(const std::string& address);
    void setCommand(const char* optionName, int command);
    void setWorkMode(const char* optionName, int mode);

    std::map<std::string, std::map<std::string, std::string>> componentOptions;
    int workMode;
    int command;
    std::vector<ReleaseSelection> releaseSelections;
    std::map<std::string, ComponentPreset> componentPresets;
    SourceUrl source;
    bool useProductOsUpdates;
    std::vector<AdditionalSource> additionalSources;
    std::string freebsdPortsUrl;
    std::string freebsdPortsIndexUrl;
    std::string freebsdMasterSite;
    std::string freebsdPkgSites;
    std::string cvsupHost;
    std::string systemPackagesCacheFile;
    std::string portupgradeArgs;
    std::string target;
    Downloader::Proxy proxy;
    bool truncateLog;
    bool separateLogs;
    bool sendExecutionSummary;
    std::string notifyEmail;
    bool debug;
    bool checkDiskSpace;
    bool noDaemon;
    bool downloadOnly;
    std::string webUiStartPage;
    std::vector<std::string> holdPackages;
    bool allowKernelInstall;
    bool disableMajorUpdates;
    bool installSystemOnly;
    bool allowUp2date;
    bool allowContainerAgent;
    bool useExistingPorts;
    bool upgradeSystemPackages;
    bool showOptions;
    std::string sslCertificate;
    bool withoutSsl;
    bool openBrowser;
    std::vector<std::pair<std::string, std::string>> mirrorList;  // (release id, os id)
    std::vector<std::string> installPackageNames;
    bool reinstallPatches;
    std::string statusCookie;
    bool interactionModeGiven;

private:
    void applyRcSetting(const std::string& name, const std::string& value);
    // The value as the log and the reports may show it: a fifth item (a password) as "***".
    static std::string maskAdditionalSourcePassword(const std::string& value);
};

#endif
