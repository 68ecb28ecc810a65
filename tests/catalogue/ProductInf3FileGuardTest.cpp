// The change guard over a copy of the generated update source, served by the fixture HTTP
// server on 127.0.0.1 (its request log tells how often a description was fetched) or read as
// a local directory. The new-build flag lives as long as the process and is never reset, so
// every case runs in a forked child that reports what it saw.
#include "catalogue/ProductInf3FileGuard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include "common/Log.h"
#include "common/TerminationState.h"
#include "common/error.h"
#include "sources/FileFetcher.h"
#include "support/EnglishTest.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "support/UpdateSource.h"

namespace {

namespace fs = boost::filesystem;
using testutil::codesOf;

typedef std::vector<std::string> Texts;

const char* const tarnixBuild = "tarnix/debian12/build.inf3";
const char* const vemdoBuild = "vemdo/debian12/build.inf3";

// What happens to a description on the source while the guarded scope runs.
enum Edit {
    Rewrite,     // a comment appended: a new build
    Remove,      // gone from the source
    Unreadable,  // a regular file that cannot be read (a link to /proc/self/mem)
};

// How the scope that owns the guard list ends.
enum End {
    Failure,      // an error is thrown through it
    Normal,       // it simply ends
    Termination,  // the user stopped the run: the checkpoint raises through it
};

void apply(const std::string& root, const std::string& name, Edit edit) {
    const std::string path = root + "/" + name;
    switch (edit) {
    case Rewrite:
        testutil::writeFile(path, testutil::readFile(path) + "<!-- rebuilt -->\n");
        break;
    case Remove:
        fs::remove(path);
        break;
    case Unreadable:
        fs::remove(path);
        fs::create_symlink("/proc/self/mem", path);
        break;
    }
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class ProductInf3FileGuardTest : public testutil::EnglishTest {
protected:
    struct Scope {
        Texts guarded;
        std::vector<std::pair<std::string, Edit>> edits;
        End end;
        bool quiet;
    };

    // Runs the scope in a child: the guards of `guarded` are made in order through one
    // fetcher of `sourceUrl`, the edits are made, and the scope ends as told. The report: the
    // error caught outside the scope, the flag, what reached the console (the level-0 lines)
    // and the summary (levels 0 and 1). `root` shows as "<source>".
    std::string run(const std::string& sourceUrl, const Scope& scope) {
        const std::string root = source.path();
        const std::string report = testutil::inChild([&] {
            Log::resetForTest();
            testutil::StderrCapture console;
            std::string caught = "none\n";
            try {
                std::vector<std::shared_ptr<ProductInf3FileGuard>> guards;
                FileFetcher fetcher(sourceUrl, target.path());
                fetcher.quiet = scope.quiet;
                for (const std::string& name : scope.guarded)
                    guards.push_back(std::make_shared<ProductInf3FileGuard>(fetcher, name));
                for (const auto& edit : scope.edits) apply(root, edit.first, edit.second);
                if (scope.end == Failure) throw error(2, 1, 1, 1) << "the installation failed";
                if (scope.end == Termination) {
                    requestTermination(0);
                    checkTermination();
                }
            } catch (const error& e) {
                caught = codesOf(e) + " " + e.text();
            }
            return "caught: " + caught + "flag: " + (ProductInf3FileGuard::isNewBuildAvailable() ? "set" : "clear") +
                   "\nconsole:\n" + console.text() + "summary:\n" + Log::summaryText();
        });
        return replaceAll(replaceAll(report, root, "<source>"), target.path(), "<target>");
    }

    // The paths of the GET requests that reached the server.
    static Texts gets(const testutil::HttpServer& server) {
        Texts paths;
        for (const std::string& line : server.requests())
            if (line.compare(0, 4, "GET ") == 0) paths.push_back(line.substr(4, line.find(' ', 4) - 4));
        return paths;
    }

    testutil::UpdateSourceCopy source;
    testutil::TempDir target;
};

const char* const newBuild =
    "Warning: a new build of the product was published on the server while the installation was in progress.\n";

TEST_F(ProductInf3FileGuardTest, OverHttp) {
    const struct {
        const char* label;
        Scope scope;
        Texts gets;
        std::string report;
    } rows[] = {
        {"changed, then an error leaves the run",
         {{tarnixBuild}, {{tarnixBuild, Rewrite}}, Failure, true},
         {"/tarnix/debian12/build.inf3", "/tarnix/debian12/build.inf3"},
         std::string("caught: (2,1,1,1) the installation failed\nflag: set\nconsole:\n") + newBuild + "summary:\n" +
             newBuild},
        {"unchanged, then an error leaves the run",
         {{tarnixBuild}, {}, Failure, true},
         {"/tarnix/debian12/build.inf3", "/tarnix/debian12/build.inf3"},
         "caught: (2,1,1,1) the installation failed\nflag: clear\nconsole:\nsummary:\n"},
        {"changed, then the run ends normally",
         {{tarnixBuild}, {{tarnixBuild, Rewrite}}, Normal, true},
         {"/tarnix/debian12/build.inf3"},
         "caught: none\nflag: clear\nconsole:\nsummary:\n"},
        {"changed, then the user stops the run",
         {{tarnixBuild}, {{tarnixBuild, Rewrite}}, Termination, true},
         {"/tarnix/debian12/build.inf3"},
         "caught: (2,2,2,1) Interrupted by user\nflag: clear\nconsole:\nsummary:\n"},
        {"two descriptions, one changed: one line",
         {{tarnixBuild, vemdoBuild}, {{vemdoBuild, Rewrite}}, Failure, true},
         {"/tarnix/debian12/build.inf3", "/tarnix/debian12/build.inf3", "/vemdo/debian12/build.inf3",
          "/vemdo/debian12/build.inf3"},
         std::string("caught: (2,1,1,1) the installation failed\nflag: set\nconsole:\n") + newBuild + "summary:\n" +
             newBuild},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        testutil::HttpServer server(source.path());
        EXPECT_EQ(run(server.url("products.inf3"), row.scope), row.report);
        Texts seen = gets(server);
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(seen, row.gets);
    }
}

// The second fetch fails while the error unwinds: the process goes on, the error that was
// leaving the run arrives unchanged, and the failure is one warning.
TEST_F(ProductInf3FileGuardTest, FailingSecondFetchLeavesTheErrorAlone) {
    testutil::HttpServer server(source.path());
    const std::string report = run(server.url("products.inf3"), {{tarnixBuild}, {{tarnixBuild, Remove}}, Failure, true});
    EXPECT_EQ(replaceAll(report, server.url(), "<server>/"),
              "caught: (2,1,1,1) the installation failed\nflag: clear\nconsole:\nsummary:\n"
              "Warning: the description tarnix/debian12/build.inf3 could not be fetched again to look for a new "
              "build: Failed to download the package <server>/tarnix/debian12/build.inf3: The requested URL returned "
              "error: 404\n");
    EXPECT_EQ(gets(server), (Texts{"/tarnix/debian12/build.inf3", "/tarnix/debian12/build.inf3"}));
}

TEST_F(ProductInf3FileGuardTest, LocalSource) {
    const struct {
        const char* label;
        Scope scope;
        std::string report;
    } rows[] = {
        {"edited in place during a failing run",
         {{tarnixBuild}, {{tarnixBuild, Rewrite}}, Failure, true},
         std::string("caught: (2,1,1,1) the installation failed\nflag: set\nconsole:\n") + newBuild + "summary:\n" +
             newBuild},
        {"edited in place during a run that ends normally",
         {{tarnixBuild}, {{tarnixBuild, Rewrite}}, Normal, true},
         "caught: none\nflag: clear\nconsole:\nsummary:\n"},
        {"unreadable during a failing run",
         {{tarnixBuild}, {{tarnixBuild, Unreadable}}, Failure, true},
         "caught: (2,1,1,1) the installation failed\nflag: clear\nconsole:\n"
         "Failed to calculate a checksum for the file <source>/tarnix/debian12/build.inf3\n"
         "summary:\n"
         "Failed to calculate a checksum for the file <source>/tarnix/debian12/build.inf3\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(run(source.path() + "/products.inf3", row.scope), row.report);
    }
}

TEST_F(ProductInf3FileGuardTest, UnreadableCopyIsNoGuard) {
    apply(source.path(), tarnixBuild, Unreadable);
    EXPECT_EQ(run(source.path() + "/products.inf3", {{tarnixBuild}, {}, Failure, true}),
              "caught: (4,1,1,2) Failed to calculate the MD5 checksum for the file "
              "<source>/tarnix/debian12/build.inf3.\nflag: clear\nconsole:\nsummary:\n");
}

// A guard whose whole life lies inside a destructor run by another error's unwinding sees no
// error leaving its own scope: it must not compare (a test of "any exception in flight" would).
TEST_F(ProductInf3FileGuardTest, GuardMadeDuringAnotherUnwindingEndsNormally) {
    testutil::HttpServer server(source.path());
    const std::string root = source.path();
    const std::string url = server.url("products.inf3");
    const std::string report = testutil::inChild([&] {
        Log::resetForTest();
        struct Cleanup {
            std::function<void()> work;
            ~Cleanup() { work(); }
        };
        std::string caught = "none";
        try {
            Cleanup cleanup{[&] {
                FileFetcher fetcher(url, target.path());
                fetcher.quiet = true;
                ProductInf3FileGuard guard(fetcher, tarnixBuild);
                apply(root, tarnixBuild, Rewrite);
            }};
            throw error(2, 1, 1, 1) << "the installation failed";
        } catch (const error& e) {
            caught = e.text();
        }
        return "caught: " + caught + "flag: " + (ProductInf3FileGuard::isNewBuildAvailable() ? "set" : "clear") +
               "\nsummary:\n" + Log::summaryText();
    });
    EXPECT_EQ(report, "caught: the installation failed\nflag: clear\nsummary:\n");
    EXPECT_EQ(gets(server), (Texts{"/tarnix/debian12/build.inf3"}));
}

// The holder's fetcher shows the first transfer on the console; the second one is quiet.
TEST_F(ProductInf3FileGuardTest, SecondFetchIsQuiet) {
    testutil::HttpServer server(source.path());
    const std::string report =
        run(server.url("products.inf3"), {{tarnixBuild}, {{tarnixBuild, Rewrite}}, Failure, false});
    const std::string firstTransfer = "File downloading tarnix/debian12/build.inf3: 100% was finished.\n";
    EXPECT_EQ(report, "caught: (2,1,1,1) the installation failed\nflag: set\nconsole:\n" + firstTransfer + newBuild +
                          "summary:\n" + firstTransfer + newBuild);
    EXPECT_EQ(gets(server).size(), 2u);
}

}  // namespace
