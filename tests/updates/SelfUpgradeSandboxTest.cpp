// The self-upgrade: the required version that descriptions demand, the cache of downloaded
// installer executables, the download from a fixture update source, the restart command line,
// the restart itself (in forked children, with compiled fake installers) and the start-up
// check through the real program. The cache lies under /var: inside the namespace helper.
// Everything process-wide (the required version, the checked executable, the host
// description) starts fresh in a child of its own for each case.
#include "updates/SelfUpgrade.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <tinyxml.h>

#include <boost/filesystem.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/BuildManager.h"
#include "common/Opsys.h"
#include "common/checked_pointer"
#include "common/hostinfo.h"
#include "main/Options.h"
#include "sources/FileFetcher.h"
#include "sources/SourceUrl.h"
#include "support/EnglishTest.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/UpdateSource.h"

namespace {

namespace fs = boost::filesystem;
using testutil::codesOf;

const std::string cacheDir = "/var/cache/corvane_installer";

// then the required version and the executables directory, in brackets.
std::string check(const std::string& xml, const std::string& before = std::string()) {
    return testutil::inChild([&]() -> std::string {
        Messages::setLocale("en_US");
        std::string outcome;
        try {
            if (!before.empty()) {
                TiXmlDocument first;
                first.Parse(before.c_str());
                SelfUpgrade::check_required_VN_version(*first.RootElement());
            }
            TiXmlDocument document;
            document.Parse(xml.c_str());
            SelfUpgrade::check_required_VN_version(*document.RootElement());
            outcome = "passed";
        } catch (const SelfUpgrade::NeedSelfUpgrade&) {
            outcome = "need";
        } catch (const error& e) {
            outcome = codesOf(e) + " " + e.text();
        }
        return outcome + " [" + SelfUpgrade::requiredVersion() + "] [" + SelfUpgrade::binaryDirectory() + "]";
    });
}

TEST(SelfUpgradeTest, RaisesNeedSelfUpgradeOnlyForANewerRequiredVersion) {
    struct Row {
        const char* label;
        std::string xml;
        std::string before;
        std::string outcome;
    } rows[] = {
        {"no requirement", "<build/>", "", "passed [] []"},
        {"the own version", "<build><required_vantrell version=\"3.9.0\"/></build>", "", "passed [3.9.0] [Corvane_Installer]"},
        {"an older one", "<build><required_vantrell version=\"3.8.99\"/></build>", "", "passed [3.8.99] [Corvane_Installer]"},
        {"one step newer", "<build><required_vantrell version=\"3.9.1\"/></build>", "", "need [3.9.1] [Corvane_Installer]"},
        // Segments compare as numbers, not as text.
        {"3.10.0", "<build><required_vantrell version=\"3.10.0\"/></build>", "", "need [3.10.0] [Corvane_Installer]"},
        {"own directory", "<vendors><required_vantrell version=\"4.0\" binary_directory=\"bin/new\"/></vendors>", "",
         "need [4.0] [bin/new]"},
        {"empty directory", "<product><required_vantrell version=\"4.0\" binary_directory=\"\"/></product>", "",
         "need [4.0] [Corvane_Installer]"},
        // Only the first "required_vantrell" child counts, and only a direct child.
        {"first child only",
         "<build><required_vantrell version=\"3.0\"/><required_vantrell version=\"9.0\"/></build>", "",
         "passed [3.0] [Corvane_Installer]"},
        {"grandchild ignored", "<build><product><required_vantrell version=\"9.0\"/></product></build>", "",
         "passed [] []"},
        // An empty version forgets an earlier demand but leaves the directory it set.
        {"empty after a demand", "<build><required_vantrell version=\"\"/></build>",
         "<build><required_vantrell version=\"3.0\" binary_directory=\"old\"/></build>", "passed [] [old]"},
        {"absent version after a demand", "<build><required_vantrell/></build>",
         "<build><required_vantrell version=\"3.0\"/></build>", "passed [] [Corvane_Installer]"},
        {"no requirement after a demand", "<build/>", "<build><required_vantrell version=\"3.0\"/></build>",
         "passed [3.0] [Corvane_Installer]"},
        {"unreadable version", "<build><required_vantrell version=\"-1\"/></build>", "",
         "(1,1,1,3) Unable to obtain the latest version of Corvane Products Installer: \n"
         "Version is not specified. Error in Version, line 91.\n [-1] [Corvane_Installer]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(row.outcome, check(row.xml, row.before));
    }
}

TEST(SelfUpgradeTest, LogsEntryAndExit) {
    const std::string log = testutil::inChild([] {
        testutil::LogCapture capture(3);
        TiXmlDocument passing, needing;
        passing.Parse("<build><required_vantrell version=\"1.0\"/></build>");
        needing.Parse("<build><required_vantrell version=\"9.0\"/></build>");
        SelfUpgrade::check_required_VN_version(*passing.RootElement());
        try {
            SelfUpgrade::check_required_VN_version(*needing.RootElement());
        } catch (const SelfUpgrade::NeedSelfUpgrade&) {
        }
        return capture.text();
    });
    EXPECT_EQ("DEBUG: SelfUpgrade::check_required_VN_version entry\n"
              "DEBUG: SelfUpgrade::check_required_VN_version out\n"
              "DEBUG: SelfUpgrade::check_required_VN_version entry\n",
              log);
}


// --- helpers of the cases below -----------------------------------------------------------------

// This host's executable name, found in a child: the test process itself never detects the
// host, so a child can still set the overrides.
const std::string& hostName() {
    static const std::string name = testutil::inChild([] { return SelfUpgrade::executableName(); });
    return name;
}

std::string cached() { return cacheDir + "/" + hostName(); }

// The fake installer with mark 'A' or 'B'.
std::string fake(char mark) { return testutil::program(mark == 'A' ? "prog_fake_installer_a" : "prog_fake_installer_b"); }

std::string md5Of(const std::string& path) {
    char out[33];
    return md5File(path.c_str(), out) ? std::string(out) : std::string("unreadable");
}

unsigned modeOf(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0xffff;
}

bool exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }

// An executable copy (the file system's own copy fails between some of the test's mounts).
void copyProgram(const std::string& from, const std::string& to) {
    testutil::writeFile(to, testutil::readFile(from));
    ::chmod(to.c_str(), 0755);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// What a description demanding `version` leaves behind (the drivers catch the request).
void require(const std::string& version) {
    TiXmlDocument document;
    document.Parse(("<vendors><required_vantrell version=\"" + version + "\"/></vendors>").c_str());
    try {
        SelfUpgrade::check_required_VN_version(*document.RootElement());
    } catch (const SelfUpgrade::NeedSelfUpgrade&) {
    }
}

// `program` as this host's executable in `dir`, with a ".md5sum" holding `sum` (its own sum
// followed by its name, as md5sum writes it, when not given).
void place(const std::string& dir, const std::string& program, const std::string* sum = nullptr) {
    fs::create_directories(dir);
    const std::string target = dir + "/" + hostName();
    fs::remove(target);
    copyProgram(program, target);
    testutil::writeFile(target + ".md5sum", sum ? *sum : md5Of(target) + "  " + hostName() + "\n");
}

// The error that `f` raises as "(codes) text", or "no error".
template <class F>
std::string failure(F f) {
    try {
        f();
    } catch (const error& e) {
        return codesOf(e) + " " + e.text();
    }
    return "no error";
}

// Each case starts without a cache and without the fakes' settings.
class SelfUpgradeCase : public testutil::EnglishTest {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        fs::remove_all(cacheDir);
        ::unsetenv("FAKE_INSTALLER_VERSION");
        ::setenv("FAKE_INSTALLER_RECORD", (tmp / "record").c_str(), 1);
        // The download's console progress is of no interest here.
        Log::consoleLevel = -1;
    }
    void TearDown() override {
        Log::consoleLevel = 0;
        ::unsetenv("FAKE_INSTALLER_RECORD");
        ::unsetenv("FAKE_INSTALLER_VERSION");
        fs::remove_all(cacheDir);
        EnglishTest::TearDown();
    }
    std::string record() const { return exists(tmp / "record") ? testutil::readFile(tmp / "record") : "(none)"; }

    testutil::TempDir tmp;
};

// --- helpers ------------------------------------------------------------------------------------

TEST_F(SelfUpgradeCase, ExecutableNameFollowsTheOverriddenHost) {
    EXPECT_EQ(testutil::inChild([] {
                  Opsys::override_os_vendor = "CentOS";
                  Opsys::override_os_version = "5.5";
                  Opsys::override_os_arch = "i686";
                  return SelfUpgrade::executableName();
              }),
              "corvane_installer_CentOS_5.5_i686");
}

TEST_F(SelfUpgradeCase, CacheDirIsMadePrivateWithoutTouchingTheUmask) {
    const mode_t before = ::umask(022);
    EXPECT_EQ(SelfUpgrade::cacheDir(), cacheDir + "/");
    EXPECT_EQ(::umask(022), 022u) << "the process umask is never changed";
    EXPECT_EQ(modeOf(cacheDir), 0700u);
    // An existing directory is used as it is.
    ::chmod(cacheDir.c_str(), 0775);
    EXPECT_EQ(SelfUpgrade::cacheDir(), cacheDir + "/");
    EXPECT_EQ(modeOf(cacheDir), 0775u);
    ::umask(before);
}

TEST_F(SelfUpgradeCase, ReadMd5FileTakesTheFirstWord) {
    struct Row {
        const char* label;
        const char* content;  // null: no file
        std::string outcome;
    } rows[] = {
        {"as md5sum writes it", "0123456789abcdef0123456789abcdef  name\n", "0123456789abcdef0123456789abcdef"},
        {"leading blanks and lines", "\n \t 0123456789abcdef0123456789abcdef", "0123456789abcdef0123456789abcdef"},
        {"upper case stays as written", "0123456789ABCDEF0123456789ABCDEF", "0123456789ABCDEF0123456789ABCDEF"},
        {"empty", "", "(0,0,0,0) Unable to download the MD5 sum for the new Corvane Installer binary.\n"},
        {"only white space", " \n\t\n", "(0,0,0,0) Unable to download the MD5 sum for the new Corvane Installer binary.\n"},
        {"missing", nullptr, "(0,0,0,0) Unable to download the MD5 sum for the new Corvane Installer binary.\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string path = tmp / "sum";
        fs::remove(path);
        if (row.content) testutil::writeFile(path, row.content);
        std::string outcome;
        const std::string failed = failure([&] { outcome = SelfUpgrade::readMd5File(path); });
        EXPECT_EQ(failed == "no error" ? outcome : failed, row.outcome);
    }
    // A huge word is not read whole.
    testutil::writeFile(tmp / "long", std::string(1 << 20, 'a'));
    EXPECT_LE(SelfUpgrade::readMd5File(tmp / "long").size(), 64u);
}

TEST_F(SelfUpgradeCase, GetExecutableVersionAsksTheProgram) {
    // A name that the shell would split or expand.
    const std::string odd = tmp / "it's a $fake";
    copyProgram(fake('A'), odd);
    struct Row {
        const char* label;
        std::string path;
        const char* version;  // FAKE_INSTALLER_VERSION, null: unset
        std::string result;
        std::string log;
    } rows[] = {
        {"reports one", fake('A'), "3.9.1", "3.9.1", "DEBUG: SelfUpgrade: version is 3.9.1\n"},
        {"quoted name", odd, "4.0", "4.0", "DEBUG: SelfUpgrade: version is 4.0\n"},
        {"missing", tmp / "missing", "4.0", "",
         "Warning: unable to get version from VN executable " + tmp / "missing" + "\n"},
        {"not a program", tmp / "record-less", "4.0", "",
         "Warning: unable to get version from VN executable " + tmp / "record-less" + "\n"},
    };
    testutil::writeFile(tmp / "record-less", "plain text\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        testutil::ScopedEnv version("FAKE_INSTALLER_VERSION", row.version);
        testutil::LogCapture capture(3);
        EXPECT_EQ(SelfUpgrade::getExecutableVersion(row.path), row.result);
        EXPECT_TRUE(contains(capture.text(), row.log)) << capture.text();
    }
}

// --- download -----------------------------------------------------------------------------------

// The fixture update source served over HTTP; the source as the list's directory and as the
// list's file both reach the executables directory beside the list.
TEST_F(SelfUpgradeCase, DownloadFetchesSumThenExecutableIntoThePrivateCache) {
    testutil::HttpServer server(testutil::updateSource());
    const std::string sumRequest = "GET /Corvane_Installer/" + hostName() + ".md5sum HTTP/1.1";
    const std::string fileRequest = "GET /Corvane_Installer/" + hostName() + " HTTP/1.1";
    const std::string served = testutil::updateSource() + "/Corvane_Installer/" + hostName();
    ASSERT_TRUE(exists(served)) << "the update source has no executable for this host";
    ::setenv("FAKE_INSTALLER_VERSION", "3.9.1", 1);
    size_t seen = 0;
    for (const std::string& source : {server.url(), server.url("products-newer-installer.inf3")}) {
        SCOPED_TRACE(source);
        fs::remove_all(cacheDir);
        const std::string outcome = testutil::inChild([&] {
            require("3.9.1");
            const mode_t before = ::umask(022);
            std::string result = failure([&] { SelfUpgrade::download(source); });
            result += ::umask(before) == 022 ? "" : " umask changed";
            // Again: the copy in the cache has the sum, only the sum file travels.
            result += " | " + failure([&] { SelfUpgrade::download(source); });
            return result;
        });
        EXPECT_EQ(outcome, "no error | no error");
        const std::vector<std::string> all = server.requests();
        const std::vector<std::string> requests(all.begin() + static_cast<long>(seen), all.end());
        seen = all.size();
        EXPECT_EQ(requests, (std::vector<std::string>{sumRequest, fileRequest, sumRequest}));
        EXPECT_EQ(modeOf(cacheDir), 0700u);
        EXPECT_EQ(modeOf(cached()), 0500u);
        EXPECT_EQ(md5Of(cached()), md5Of(served));
        EXPECT_EQ(testutil::readFile(cached() + ".md5sum"), testutil::readFile(served + ".md5sum"));
    }
}

TEST_F(SelfUpgradeCase, DownloadFailuresNameTheRequiredVersion) {
    const std::string notFound =
        "The required version '3.9.1' was not found on the server.\n"
        "This could happen because of configuration error at the download site.\n";
    const std::string served = tmp / "source/Corvane_Installer/";
    struct Row {
        const char* label;
        std::string sum;      // the served ".md5sum"; "own" for the right one
        const char* version;  // what the fake reports
        std::string required;
        std::string outcome;
    } rows[] = {
        {"satisfied", "own", "3.9.1", "3.9.1", "no error"},
        {"newer than required", "own", "3.10.0", "3.9.1", "no error"},
        {"empty sum file", "", "3.9.1", "3.9.1",
         "(1,1,1,3) " + notFound + "Unable to download the MD5 sum for the new Corvane Installer binary.\n"},
        {"too old", "own", "3.9.0", "3.9.1",
         "(1,1,1,3) " + notFound +
             "The version 3.9.0 that was downloaded is not suitable for installation of the product you selected.\n"},
        {"no version reported", "own", "", "3.9.1",
         "(1,1,1,3) " + notFound + "Version is not specified. Error in Version, line 91.\n"},
        {"wrong sum", "0123456789abcdef0123456789abcdef", "3.9.1", "3.9.1",
         "(4,1,1,2) " + notFound + "The MD5 checksum of the " + cached() +
             " file does not match the value specified in the configuration file.\n"},
        // A demand that a later description emptied: any version will do.
        {"requirement withdrawn", "own", "3.9.0", "", "no error"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        fs::remove_all(tmp / "source");
        fs::remove_all(cacheDir);
        place(served, fake('A'));
        if (row.sum != "own") testutil::writeFile(served + hostName() + ".md5sum", row.sum);
        testutil::HttpServer server(tmp / "source");
        testutil::ScopedEnv version("FAKE_INSTALLER_VERSION", row.version);
        EXPECT_EQ(testutil::inChild([&] {
                      require("3.9.1");
                      if (row.required.empty()) require("");
                      return failure([&] { SelfUpgrade::download(server.url()); });
                  }),
                  row.outcome);
    }

    // Nothing to fetch: the transfer error, with the same line.
    fs::remove_all(tmp / "source");
    fs::create_directories(tmp / "source");
    testutil::HttpServer empty(tmp / "source");
    const std::string outcome = testutil::inChild([&] {
        require("3.9.1");
        return failure([&] { SelfUpgrade::download(empty.url()); });
    });
    EXPECT_EQ(outcome.substr(0, 10 + notFound.size()), "(1,2,1,2) " + notFound) << outcome;
    EXPECT_TRUE(contains(outcome, "404")) << outcome;
}

// --- restart command line -----------------------------------------------------------------------

// The state arguments over a small catalogue of tarnix (R1, R2), mardell (M1) and an add-on,
// with the start arguments "vantrell --show-all-releases".
TEST_F(SelfUpgradeCase, StateArgumentsCarryTheRunOnTheCommandLine) {
    const std::string fixture = std::string(VN_FIXTURES_DIR) + "/updates/state-catalogue/";
    const std::string start = "vantrell --show-all-releases --source S --target T";
    const std::string end = " --disable-browser --set-user-interaction-mode textUI";
    Downloader::Proxy proxy{"h", 3128, "", ""};
    Downloader::Proxy withUser{"h", 3128, "u", "p"};
    Downloader::Proxy userOnly{"", 3128, "u", "p"};
    struct Row {
        const char* label;
        std::vector<std::string> selected;  // release ids, in catalogue order unless reversed
        bool reversed;
        Downloader::Proxy proxy;
        bool catalogue;
        std::string arguments;
    } rows[] = {
        {"two products", {"R1", "M1"}, false, proxy, true,
         start + " --proxy-host h --proxy-port 3128 --select-release-id R1 --select-product-id mardell "
                 "--select-release-id M1" + end},
        {"proxy user", {"R1", "M1"}, false, withUser, true,
         start + " --proxy-host h --proxy-port 3128 --proxy-user u --proxy-password p --select-release-id R1 "
                 "--select-product-id mardell --select-release-id M1" + end},
        {"a user without a host", {"R1"}, false, userOnly, true, start + " --select-release-id R1" + end},
        {"nothing selected", {}, false, proxy, true, start + " --proxy-host h --proxy-port 3128" + end},
        {"no catalogue", {"R1"}, false, proxy, false, start + " --proxy-host h --proxy-port 3128" + end},
        {"another product only", {"M1"}, false, userOnly, true,
         start + " --select-product-id mardell --select-release-id M1" + end},
        {"two default releases", {"R1", "R2"}, false, userOnly, true,
         start + " --select-release-id R1 --select-release-id R2" + end},
        // After another product, the default one is named too.
        {"default product after another", {"R1", "M1"}, true, userOnly, true,
         start + " --select-product-id mardell --select-release-id M1 --select-product-id tarnix "
                 "--select-release-id R1" + end},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(testutil::inChild([&] {
                      char* startArgs[] = {const_cast<char*>("vantrell"), const_cast<char*>("--show-all-releases"),
                                           nullptr};
                      commandLineArgs.argc = 2;
                      commandLineArgs.argv = startArgs;
                      checked_autoclean_pointer<BuildManager> catalogue;
                      if (row.catalogue) {
                          FileFetcher fetcher(fixture, tmp / "target");
                          fetcher.quiet = true;
                          catalogue.reset(new BuildManager(&fetcher, ""));
                          for (const auto& release : catalogue->getReleases())
                              for (const std::string& id : row.selected) release->selected |= release->id == id;
                          if (row.reversed)
                              std::reverse(catalogue->getReleases().begin(), catalogue->getReleases().end());
                      }
                      // Only the strings count; the location as given is the one passed on.
                      SourceUrl source;
                      source.assign("S");
                      char** list = SelfUpgrade::get_arguments_with_state("textUI", source, "T", row.proxy, catalogue);
                      std::string text;
                      for (char** p = list; *p; ++p) text += (text.empty() ? "" : " ") + std::string(*p);
                      return text;
                  }),
                  row.arguments);
    }

    // A selected release of a product without an id, after another product: the internal error.
    EXPECT_EQ(testutil::inChild([&] {
                  FileFetcher fetcher(fixture, tmp / "target");
                  fetcher.quiet = true;
                  checked_autoclean_pointer<BuildManager> catalogue(new BuildManager(&fetcher, ""));
                  auto nameless = std::make_shared<Product>("", "", std::vector<std::vector<std::string>>{{"k"}});
                  auto release = std::make_shared<Release>(nameless, "X1", "", "1.0", "0.1");
                  release->selected = true;
                  for (const auto& r : catalogue->getReleases()) r->selected = r->id == "M1";
                  catalogue->getReleases().push_back(release);
                  return failure([&] {
                      SelfUpgrade::get_arguments_with_state("webUI", SourceUrl(), "", Downloader::Proxy(), catalogue);
                  });
              }),
              "(3,1,1,3) An internal error occured in vantrell, rev.297274 SelfUpgrade, line 190.\n");
}

// --- restart ------------------------------------------------------------------------------------

TEST_F(SelfUpgradeCase, RestartRunsTheDownloadedExecutableWithTheStateArguments) {
    testutil::HttpServer server(testutil::updateSource());
    ::setenv("FAKE_INSTALLER_VERSION", "3.9.1", 1);
    testutil::LogCapture capture(3);
    const std::string outcome = testutil::inChild([&]() -> std::string {
        char* startArgs[] = {const_cast<char*>("/usr/sbin/vantrell"), nullptr};
        commandLineArgs.argc = 1;
        commandLineArgs.argv = startArgs;
        require("3.9.1");
        SelfUpgrade::download(server.url());
        char** list = SelfUpgrade::get_arguments_with_state("textUI", SourceUrl(server.url()), "/opt/t",
                                                            Downloader::Proxy{"h", 3128, "u", "p"},
                                                            checked_autoclean_pointer<BuildManager>());
        SelfUpgrade::restart(list);
    });
    EXPECT_EQ(outcome, "") << "the child became the fake and ended well";
    EXPECT_EQ(record(), cached() + "\n--source\n" + server.url() +
                            "\n--target\n/opt/t\n--proxy-host\nh\n--proxy-port\n3128\n--proxy-user\nu\n"
                            "--proxy-password\np\n--disable-browser\n--set-user-interaction-mode\ntextUI\nmark A\n");
    const std::string log = capture.text();
    EXPECT_TRUE(contains(log, "Doing restart of Corvane Installer...\n")) << log;
    EXPECT_TRUE(contains(log, "DEBUG: try to do execv with following args: '" + cached() + "' '--source' '" +
                                  server.url() +
                                  "' '--target' '/opt/t' '--proxy-host' 'h' '--proxy-port' '3128' '--proxy-user' "
                                  "'u' '--proxy-password' '***' '--disable-browser' "
                                  "'--set-user-interaction-mode' 'textUI'\n"))
        << log;
    EXPECT_FALSE(contains(log, "'p'")) << log;
}

// restart() runs the file whose sum was checked, even when the name was given another file
// afterwards; without a checked file it checks the cached one itself.
TEST_F(SelfUpgradeCase, RestartRunsOnlyACheckedFile) {
    testutil::HttpServer server(testutil::updateSource());
    ::setenv("FAKE_INSTALLER_VERSION", "3.9.1", 1);
    std::string outcome = testutil::inChild([&]() -> std::string {
        SelfUpgrade::download(server.url());
        // Another executable takes the name after the check.
        const std::string swapped = cached() + ".new";
        copyProgram(fake('B'), swapped);
        ::rename(swapped.c_str(), cached().c_str());
        char* args[] = {const_cast<char*>("x"), const_cast<char*>("--after-swap"), nullptr};
        SelfUpgrade::restart(args);
    });
    EXPECT_EQ(outcome, "");
    EXPECT_EQ(record(), cached() + "\n--after-swap\nmark A\n");

    struct Row {
        const char* label;
        std::string content;  // of the cached file
        std::string sum;      // of its ".md5sum"; "own" for the right one
        std::string err;
    } rows[] = {
        {"random bytes", std::string("\x7f\x13\x99 no program here \x01\x02", 24), "own",
         "Can't re-run Vantrell: Exec format error\n"},
        {"sum mismatch", "#!/bin/sh\necho never\n", "0123456789abcdef0123456789abcdef",
         "Can't re-run Vantrell: The MD5 checksum of the " + cached() +
             " file does not match the value specified in the configuration file.\n"},
        {"empty sum file", "#!/bin/sh\necho never\n", "",
         "Can't re-run Vantrell: Unable to download the MD5 sum for the new Corvane Installer binary.\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        fs::remove(tmp / "record");
        fs::create_directories(cacheDir);
        testutil::writeFile(cached(), row.content);
        testutil::writeFile(cached() + ".md5sum", row.sum == "own" ? md5Of(cached()) : row.sum);
        ::chmod(cached().c_str(), 0500);
        const std::string err = tmp / "stderr";
        outcome = testutil::inChild([&]() -> std::string {
            const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 2);
            char* args[] = {const_cast<char*>("x"), nullptr};
            SelfUpgrade::restart(args);
        });
        EXPECT_EQ(outcome, "[child status 256]");
        EXPECT_EQ(testutil::readFile(err), row.err);
        EXPECT_EQ(record(), "(none)");
    }
}

// A local update source: the executable is copied into the cache and run from there; the
// source tree stays as it is, and an older cached executable is replaced.
TEST_F(SelfUpgradeCase, LocalSourceIsCopiedIntoTheCache) {
    ASSERT_EQ(::mount("vn-srv", "/srv", "tmpfs", 0, "mode=0755"), 0) << std::strerror(errno);
    place("/srv/src/Corvane_Installer", fake('B'));
    testutil::writeFile("/srv/src/products.inf3", "<vendors/>\n");
    const std::string source = "/srv/src/Corvane_Installer/" + hostName();
    ::chmod(source.c_str(), 0755);
    const std::string sourceSum = testutil::readFile(source + ".md5sum");
    ::setenv("FAKE_INSTALLER_VERSION", "3.9.1", 1);
    for (const std::string& updateSource : {std::string("/srv/src/"), std::string("/srv/src/products.inf3")}) {
        SCOPED_TRACE(updateSource);
        fs::remove(tmp / "record");
        place(cacheDir, fake('A'));
        ::chmod(cacheDir.c_str(), 0700);
        const std::string outcome = testutil::inChild([&]() -> std::string {
            require("3.9.1");
            SelfUpgrade::download(updateSource);
            char* args[] = {const_cast<char*>("vantrell"), const_cast<char*>("--web-interface"), nullptr};
            SelfUpgrade::restart(args);
        });
        EXPECT_EQ(outcome, "");
        EXPECT_EQ(record(), cached() + "\n--web-interface\nmark B\n");
        EXPECT_EQ(md5Of(cached()), md5Of(fake('B')));
        EXPECT_EQ(testutil::readFile(cached() + ".md5sum"), sourceSum) << "the start-up check uses it";
        EXPECT_EQ(modeOf(cached()), 0500u);
        EXPECT_EQ(modeOf(source), 0755u);
        EXPECT_EQ(md5Of(source), md5Of(fake('B')));
        for (fs::directory_iterator it(cacheDir), last; it != last; ++it)
            EXPECT_TRUE(it->path().string() == cached() || it->path().string() == cached() + ".md5sum")
                << "left behind: " << it->path();
    }
    ::umount("/srv");
}

// --- the start-up check, through the program ---------------------------------------------------

struct StartRow {
    const char* label;
    std::string cachedProgram;  // what lies in the cache: a fake, the program itself or nothing
    std::string version;        // what the fake reports
    std::string sum;            // the ".md5sum": "own" for the right one
    unsigned directoryMode;
    bool foreignOwner;          // the cache directory belongs to someone else
    bool runAsCachedFile;       // the program is started by the cache path
    // Afterwards:
    std::string record;         // "(none)", or what the fake recorded
    bool versionPrinted;
    bool cachedKept;
    int status;
    std::string outStart;       // the beginning of standard output, when it matters
};

void PrintTo(const StartRow& row, std::ostream* out) { *out << row.label; }

class SelfUpgradeStart : public SelfUpgradeCase, public ::testing::WithParamInterface<StartRow> {};

TEST_P(SelfUpgradeStart, VersionRun) {
    const StartRow& row = GetParam();
    fs::create_directories(cacheDir);
    if (!row.cachedProgram.empty()) {
        std::string sum = row.sum;
        if (sum == "UPPER") {
            sum = md5Of(row.cachedProgram);
            for (char& c : sum) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        place(cacheDir, row.cachedProgram, row.sum == "own" ? nullptr : &sum);
        ::chmod(cached().c_str(), 0500);
    }
    ::chmod(cacheDir.c_str(), row.directoryMode);
    if (row.foreignOwner) {
        ASSERT_EQ(::chown(cacheDir.c_str(), 65534, 65534), 0);
    }
    const std::string program = row.runAsCachedFile ? cached() : VN_VANTRELL_BIN;
    const testutil::RunResult r =
        testutil::run({program, "--version"}, {{"LANG", "C"},
                                                {"LC_ALL", testutil::unset},
                                                {"FAKE_INSTALLER_VERSION", row.version},
                                                {"FAKE_INSTALLER_RECORD", tmp / "record"}});
    const std::string expectedRecord =
        row.record == "(none)" ? row.record : cached() + "\n--version\nmark " + row.record + "\n";
    EXPECT_EQ(record(), expectedRecord);
    EXPECT_EQ(r.status, row.status) << r.out << r.err;
    EXPECT_EQ(contains(r.out, "Corvane Products Installer 3.9.0 (built on"), row.versionPrinted) << r.out;
    EXPECT_EQ(r.out.compare(0, row.outStart.size(), row.outStart), 0) << r.out;
    if (!row.cachedProgram.empty()) {
        EXPECT_EQ(exists(cached()), row.cachedKept);
        EXPECT_TRUE(exists(cached() + ".md5sum")) << "the sum file always stays";
    }
}

const std::string vantrellBin = VN_VANTRELL_BIN;

INSTANTIATE_TEST_SUITE_P(
    Rows, SelfUpgradeStart,
    ::testing::Values(
        StartRow{"newer", fake('A'), "3.9.1", "own", 0700, false, false, "A", false, true, 0, ""},
        StartRow{"much newer", fake('B'), "3.10.0", "own", 0700, false, false, "B", false, true, 0, ""},
        StartRow{"the same version", fake('A'), "3.9.0", "own", 0700, false, false, "(none)", true, false, 0, ""},
        StartRow{"no version", fake('A'), "", "own", 0700, false, false, "(none)", true, true, 0, ""},
        StartRow{"nothing cached", "", "3.9.1", "own", 0700, false, false, "(none)", true, true, 0, ""},
        StartRow{"group-writable cache", fake('A'), "3.9.1", "own", 0775, false, false, "(none)", true, true, 0, ""},
        StartRow{"cache of another user", fake('A'), "3.9.1", "own", 0700, true, false, "(none)", true, true, 0, ""},
        // Sums are compared as text: the lower-case digest never equals an upper-case one.
        StartRow{"upper-case sum", fake('A'), "3.9.1", "UPPER", 0700, false, false, "(none)", true, true, 0, ""},
        StartRow{"wrong sum", fake('A'), "3.9.1", "0123456789abcdef0123456789abcdef", 0700, false, false, "(none)",
                 true, true, 0, ""},
        StartRow{"empty sum file", fake('A'), "3.9.1", "", 0700, false, false, "(none)", false, true, 1,
                 "\nERROR: Unable to download the MD5 sum for the new Corvane Installer binary."},
        // Started as the cached file itself: it is not run again, and not cleaned either.
        StartRow{"running from the cache", vantrellBin, "", "own", 0700, false, true, "(none)", true, true, 0, ""}),
    [](const ::testing::TestParamInfo<StartRow>& info) {
        std::string name;
        for (const char* c = info.param.label; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

}  // namespace
