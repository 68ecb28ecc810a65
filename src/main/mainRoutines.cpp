#include "mainRoutines.h"

#include <boost/filesystem/operations.hpp>

#include "../common/TerminationState.h"
#include "../common/error.h"
#include "../common/exec_cmd.h"
#include "../common/fileops.h"
#include "Options.h"

void onSignal(int signal) { requestTermination(signal); }

void reportSelinuxState() {
    const char* command = nullptr;
    if (fileops::exists("/usr/bin/getenforce"))
        command = "/usr/bin/getenforce";
    else if (fileops::exists("/usr/sbin/getenforce"))
        command = "/usr/sbin/getenforce";
    if (!command) return;
    try {
        executeCommand(command, false, false);
    } catch (const error&) {
        // Only a hint for the reader of the log; the run's own failure is what counts.
    }
}

void throwNotImplemented() { throw error(0, 0, 0, 0) << "Not implement yet"; }

std::vector<std::string> argumentsForLog(int argc, char** argv) {
    std::vector<std::string> words;
    for (int i = 0; i < argc && argv && argv[i]; ++i) words.push_back(argv[i]);
    for (const Options::ArgumentPiece& secret : Options::findProxyPasswords(argc, argv))
        words[secret.index] = words[secret.index].substr(0, secret.offset) + "***";
    return words;
}

namespace {

void makeAbsolute(std::string& path) {
    if (path.empty() || path[0] == '/') return;
    path = boost::filesystem::absolute(path).string();
}

}  // namespace

void makeSettingsAbsolute(Options& options) {
    makeAbsolute(options.target);
    makeAbsolute(options.sslCertificate);
    // A network source names its scheme; every other form is a local path.
    std::string& source = options.source;
    if (source.find("://") == std::string::npos) makeAbsolute(source);
    for (AdditionalSource& s : options.additionalSources)
        if (s.type == "directory") makeAbsolute(s.url);
}
