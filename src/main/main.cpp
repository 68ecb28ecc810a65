// The vantrell executable: banner, settings, informational modes, lock test, background
// start, run phase; every way out goes through the exit path.
#include <curl/curl.h>
#include <signal.h>
#include <sys/stat.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>

#include "../common/BuildInfo.h"
#include "../common/Lock.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Progress.h"
#include "../common/error.h"
#include "../common/exec_cmd.h"
#include "../common/utils.h"
#include "../reporting/AddSourceTypesReporter.h"
#include "../reporting/AddSourcesReporter.h"
#include "../reporting/ReportSummary.h"
#include "../reporting/StatusReporter.h"
#include "../updates/SelfUpgrade.h"
#include "../webui/launchWebInterface.h"
#include "../webui/web_ui.h"
#include "../wizard/run_text_wizard.h"
#include "Options.h"
#include "Reporter.h"
#include "RunFailure.h"
#include "finishExecution.h"
#include "mainRoutines.h"
#include "runCommandLine.h"
#include "runMirror.h"

namespace {

// "usage10", "usage20" and "usage30", nothing between or after them.
void printUsage() {
    std::cout << Messages::getMessage("usage10") << Messages::getMessage("usage20")
              << Messages::getMessage("usage30");
    std::cout.flush();
}

void writeBanner(int argc, char** argv, struct tm& start) {
    // The first lookup chooses the catalogue and logs the locale: before the banner, not inside it.
    const std::string& name = Messages::getMessage("Vantrell");
    Log(1) << "\n\n" << name << " " << buildinfo::version << " (built on "
           << buildinfo::buildTime << " svn rev. " << buildinfo::sourceRevision << ") started at "
           << "(timezone " << tzname[0] << ") " << std::asctime(&start) << "Command line arguments: ";
    for (const std::string& word : argumentsForLog(argc, argv)) Log(1) << word << " ";
    Log(1) << "\n\n";
}

void report(int status, const std::string& message) {
    Reporter r(status, message, "");
    r.put(std::cout);
}

// Starts a web-mode copy of this program that inherits a fresh login secret, and hands the
// secret to the caller.
void runServiceMode() {
    if (Lock::test(Lock::slotRun) != 0) {
        StatusReporter r(reportBusy, Messages::getMessage("status_busy"), "");
        r.put(std::cout);
        return;
    }
    makeWebSecret();
    launchCommand(Options::getCommandLine() + " --web-interface --with-ssl --disable-browser");
    sleepSeconds(1);
    const std::string secret = getEnvValue("WEB_SECRET");
    const std::string& launched = Messages::getMessage("status_daemon_launched");
    if (Reporter::xmlOutput) {
        TiXmlElement data("data");
        data.SetAttribute("secret", secret);
        Reporter r(reportOk, launched, "");
        r.putXml(std::cout, &data);
    } else {
        std::cout << launched << "\n" << "Secret: " << secret;
    }
}

// Modes 5 to 11 end the run here, with status 0 whatever they report.
void answerInformationalMode(Options& options) {
    switch (options.workMode) {
        case Options::Service: runServiceMode(); break;
        case Options::Version:
            std::cout << Messages::getMessage("Vantrell") << " " << buildinfo::version << " (built on "
                      << buildinfo::buildTime << ")" << "\n";
            break;
        case Options::Usage: printUsage(); break;
        case Options::ShowSourceTypes: {
            AddSourceTypesReporter r(reportOk, "", "");
            r.put(std::cout);
            break;
        }
        case Options::ShowSources: {
            AddSourcesReporter r(reportOk, "", "", options.additionalSources);
            r.put(std::cout);
            break;
        }
        case Options::QueryStatus: {
            const bool busy = Lock::test(Lock::slotRun) != 0;
            StatusReporter r(busy ? reportBusy : reportOk,
                             Messages::getMessage(busy ? "status_locked_by_another" : "status_not_locked"), "");
            r.put(std::cout);
            break;
        }
        default: return;
    }
    std::cout.flush();
    exitWithSuccess();
}

void settingsPhase() {
    Options& options = Options::instance();
    if (options.workMode == Options::BinaryVersion) {
        std::cout << buildinfo::version << "\n";
        std::cout.flush();
        exitWithSuccess();
    }
    if (options.debug) {
        Log(2) << "Debug mode is switched on: All output will be written to the log file." << std::endl;
        Log::fileLevel = 3;
    }
    SelfUpgrade::runCachedIfNewer();
    answerInformationalMode(options);
}

void lockTest(const Options& options) {
    if (Lock::test(Lock::slotRun) == 0) return;
    if (options.command == Options::ShowReleases)
        report(reportError, "Installer is busy.");
    else
        report(reportBusy, Messages::getMessage("status_locked_by_another"));
    exitWithError();
}

// XML installs report at once and go on detached; the caller's script does not wait for them.
void backgroundStart(Options& options) {
    if (options.noDaemon || options.command != Options::Install || !Reporter::xmlOutput) return;
    report(reportOk, "Installation started");
    std::cout.flush();
    Log(2) << "Installer was successfully started. The packages are being installed in the background mode."
           << std::endl;
    // The detached process works in "/": relative paths must not change their meaning.
    makeSettingsAbsolute(options);
    if (::daemon(0, 0) != 0)
        throw error(4, 1, 1, 2) << "Can't start the installation in the background: " << std::strerror(errno);
}

void openLogFile(const Options& options, struct tm& start) {
    std::string name = "/tmp/vantrell3.log";
    if (options.separateLogs) {
        char buffer[4096];
        buffer[0] = 1;
        const size_t length = std::strftime(buffer, sizeof buffer, "/tmp/vantrell3_%F_%H%M.log", &start);
        if (length == 0 && buffer[0] != 0) throw error(4, 1, 1, 2) << Messages::getMessage("err_date_get");
        name = buffer;
    }
    Log::openFile(name.c_str(), options.truncateLog);
}

// No SA_RESTART: a blocking call in the running code returns with EINTR and reaches the
// next checkpoint.
void installSignalHandlers() {
    setInterruptingHandler(SIGINT, onSignal);
    setInterruptingHandler(SIGHUP, onSignal);
}

void dispatch(const Options& options, Progress& progress) {
    switch (options.workMode) {
        case Options::Console:
            run_text_wizard();
            progress.finish();
            break;
        case Options::CommandLine:
            try {
                runCommandLine();
            } catch (const error& e) {
                progress.fail(e.report());
                throw;
            } catch (...) {
                progress.fail("An unknown internal error has occurred.");
                throw;
            }
            progress.finish();
            break;
        case Options::Web: driver::web_ui(); break;
        case Options::Mirror:
            Log(0) << Messages::getMessage("mirroring_mode_is_deprecated") << std::endl;
            runMirror();
            break;
        case Options::InstallPackage: throwNotImplemented();
        default: throw error(3, 1, 1, 3) << Messages::getMessage("err_undef_wmode");
    }
}

void runPhase(Options& options, struct tm& start) {
    Lock runLock(Lock::slotRun, false);
    openLogFile(options, start);
    options.proxy.exportToEnvironment();
    Progress progress;
    installSignalHandlers();
    dispatch(options, progress);
    report(reportOk, "");
    exitWithSuccess();
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread exists: libcurl's global set-up is not safe to run from two at once.
    curl_global_init(CURL_GLOBAL_DEFAULT);

    commandLineArgs.argc = argc;
    commandLineArgs.argv = argv;
    const time_t now = std::time(nullptr);
    // localtime, not localtime_r: it also sets tzname, which the banner shows.
    struct tm start = *std::localtime(&now);

    ReportSummary::setVersion(buildinfo::version, buildinfo::buildTime, buildinfo::sourceRevision);
    writeBanner(argc, argv, start);
    ::umask(022);

    try {
        settingsPhase();
    } catch (const error& e) {
        RunFailure::fromSettingsError(e).end();
    } catch (...) {
        RunFailure::fromCurrentException().end();
    }
    Options& options = Options::instance();

    try {
        lockTest(options);
    } catch (error& e) {
        RunFailure::fromLockTestError(e).end();
    } catch (...) {
        RunFailure::fromCurrentException().end();
    }

    try {
        backgroundStart(options);
        runPhase(options, start);
    } catch (...) {
        RunFailure::fromCurrentException().end();
    }
}
