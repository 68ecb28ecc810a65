// What ends a failed run: each type that can leave a phase of the run, mapped to its log line
// and report. Every row runs in a child of its own, since the termination state, the log and
// the catalogue are process-wide.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/TerminationState.h"
#include "common/error.h"
#include "common/tinybind.h"
#include "main/RunFailure.h"
#include "packages/PkgManager.h"
#include "sources/HttpError.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "updates/SelfUpgrade.h"
#include "webui/WebUiTransport.h"

namespace {

const std::string sysStableRepAgain =
    "Not all packages were installed.\nPlease try installing packages again later.\n";
const std::string suppMaybe =
    "Please resolve this issue and try installing the packages again.\n"
    "If you cannot resolve the issue on your own, contact product technical support for assistance.";
const std::string suppNeed = "Please, contact product technical support.";

std::string describe(const RunFailure& f) {
    return "hint=" + std::to_string(f.selinuxHint) + " timeout=" + std::to_string(f.idleTimeout) +
           " status=" + std::to_string(f.status) + " class=" + f.errorClass + "\nlog=" + f.logLine +
           "\nmessage=" + f.message;
}

std::string expected(bool hint, bool timeout, const std::string& errorClass, const std::string& log,
                     const std::string& message) {
    RunFailure f;
    f.selinuxHint = hint;
    f.idleTimeout = timeout;
    f.errorClass = errorClass;
    f.logLine = log;
    f.message = message;
    return describe(f);
}

std::string caught(const std::function<void()>& raise) {
    return testutil::inChild([&] {
        Messages::setLocale("en_US");
        try {
            raise();
        } catch (...) {
            return describe(RunFailure::fromCurrentException());
        }
        return std::string("nothing raised");
    });
}

struct Row {
    const char* label;
    std::function<void()> raise;
    std::string expected;
};

class RunFailureChain : public testutil::EnglishTest {};

TEST_F(RunFailureChain, EachCaughtTypeHasItsRow) {
    const std::string notFound = "File not found\n";
    const Row rows[] = {
        {"404 under the default server needs support, whatever it was raised with",
         [] { throw http_error("http://updates.corvane.example/tarnix/products.inf3", 404) << "File not found"; },
         expected(true, false, "repository", "Error: " + notFound + sysStableRepAgain + suppNeed,
                  notFound + sysStableRepAgain + suppNeed)},
        {"404 from another host keeps its support text",
         [] { throw http_error("http://mirror.example/updates.corvane.example/products.inf3", 404) << "File not found"; },
         expected(true, false, "repository", "Error: " + notFound + sysStableRepAgain + suppMaybe,
                  notFound + sysStableRepAgain + suppMaybe)},
        {"a host name that only begins like the default server's is another host",
         [] { throw http_error("http://updates.corvane.example.net/products.inf3", 404) << "File not found"; },
         expected(true, false, "repository", "Error: " + notFound + sysStableRepAgain + suppMaybe,
                  notFound + sysStableRepAgain + suppMaybe)},
        {"another code from the default server keeps its support text",
         [] { throw http_error("http://updates.corvane.example/products.inf3", 403) << "File not found"; },
         expected(true, false, "repository", "Error: " + notFound + sysStableRepAgain + suppMaybe,
                  notFound + sysStableRepAgain + suppMaybe)},
        {"an error already in the log is not logged again",
         [] {
             error e(2, 1, 1, 2);
             e << "bad value";
             e.mark(0);
             throw e;
         },
         expected(true, false, "user", "", "bad value\n")},
        {"a stopped run gives no SELinux hint",
         [] {
             requestTermination(2);
             checkTermination();
         },
         expected(false, false, "user", "Error: Interrupted by user\n",
                  "Interrupted by user\n")},
        {"XML parse error: its own text, no class",
         [] { throw tinybind::parse_err(9, "Error reading end tag.", 3, 4); },
         expected(false, false, "", "An error occurred while parsing XML data: Error reading end tag.",
                  "Error reading end tag.")},
        {"resolver restart request", [] { throw PkgManager::unhappy(); },
         expected(false, false, "", "", "Unexpected 'unhappy' exception caught")},
        {"web idle timeout: only its console notice",
         [] { throw WebUiTransport::timeout(); },
         expected(false, true, "",
                  " Corvane Products Installer was closed because of a long period of inactivity.", "")},
        {"self-upgrade request nobody took", [] { throw SelfUpgrade::NeedSelfUpgrade(); },
         expected(false, false, "", "", "Unexpected 'NeedSelfUpgrade' exception caught")},
        {"standard exception: the encoded type name and its text",
         [] { throw std::runtime_error("boom"); },
         expected(true, false, "", "Unexpected 'St13runtime_error' caught: boom",
                  "Unexpected 'St13runtime_error' caught: boom")},
        {"anything else", [] { throw 42; },
         expected(true, false, "", "Unexpected exception caught", "Unexpected exception caught")},
    };
    for (const Row& row : rows) EXPECT_EQ(caught(row.raise), row.expected) << row.label;
}

TEST_F(RunFailureChain, SettingsErrorKeepsItsClass) {
    error e(2, 1, 1, 2);
    e << "You specified an unknown option.";
    EXPECT_EQ(describe(RunFailure::fromSettingsError(e)),
              expected(false, false, "user", "Error: You specified an unknown option.\n",
                       "You specified an unknown option.\n"));
    e.mark(0);
    EXPECT_EQ(RunFailure::fromSettingsError(e).logLine, "");
}

TEST_F(RunFailureChain, LockTestErrorNamesTheCheckAndHasNoClass) {
    error e(0, 0, 0, 0);
    e << "Can't open lock file";
    const RunFailure f = RunFailure::fromLockTestError(e);
    const std::string report =
        "Failed to check whether Corvane Products Installer is already running.\nCan't open lock file\n" +
        std::string("Not all packages were installed.\n") + suppMaybe;
    EXPECT_EQ(describe(f), expected(false, false, "", "Error: " + report, report));
    EXPECT_EQ(testutil::codesOf(e), "(4,1,1,2)");
}

TEST_F(RunFailureChain, IdleTimeoutEndsWithItsNoticeAndStatusZero) {
    testutil::TempDir dir;
    const std::string out = dir / "out", err = dir / "err";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT, 0600), 1);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT, 0600), 2);
        Messages::setLocale("en_US");
        // The web mode silences the console once it has shown its address.
        Log::consoleLevel = -1;
        try {
            throw WebUiTransport::timeout();
        } catch (...) {
            RunFailure::fromCurrentException().end();
        }
        ::_exit(99);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(testutil::readFile(out), "") << "no report";
    EXPECT_EQ(testutil::readFile(err),
              " Corvane Products Installer was closed because of a long period of inactivity.\n");
}

}  // namespace
