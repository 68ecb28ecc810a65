#ifndef VN_TESTS_MAIN_OPTIONSPROBE_H
#define VN_TESTS_MAIN_OPTIONSPROBE_H

// Builds the settings in a forked child (getopt, the mode and command memories, the report
// settings, the operating-system overrides and the environment are process-wide) and brings
// back every field, or the error, as lines of "name=value", with the log and standard error.

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <boost/filesystem.hpp>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/Opsys.h"
#include "common/fileops.h"
#include "main/Options.h"
#include "main/Reporter.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "wizard/noClearScreen.h"

namespace optionstest {

// Line ends inside a value as the two characters "\n", so every value stays on its line.
inline std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

inline std::string joined(const std::vector<std::string>& items, const char* separator = "|") {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
    return out;
}

inline std::string describe(const Options& o) {
    std::ostringstream s;
    s << "workMode=" << o.workMode << "\n" << "command=" << o.command << "\n";
    s << "releaseSelections=" << o.releaseSelections.size() << "\n";
    for (const ReleaseSelection& r : o.releaseSelections)
        s << "release=" << r.productId << "|" << r.kind << "|" << r.releaseId << "\n";
    for (const auto& p : o.componentPresets)
        s << "preset[" << p.first << "]=" << p.second.kind << "|" << joined(p.second.components, ",") << "|"
          << p.second.installationType << "\n";
    s << "source=" << static_cast<const std::string&>(o.source) << "\n";
    s << "additionalSources=" << o.additionalSources.size() << "\n";
    for (const AdditionalSource& a : o.additionalSources)
        s << "additional=" << a.type << "|" << a.priority << "|" << a.url << "|" << a.user << "|" << a.password << "\n";
    for (const auto& product : o.componentOptions)
        for (const auto& setting : product.second)
            s << "option[" << product.first << "][" << setting.first << "]=" << escape(setting.second) << "\n";
    s << "target=" << o.target << "\n";
    s << "proxy=" << o.proxy.host << "|" << o.proxy.port << "|" << o.proxy.user << "|" << o.proxy.password << "\n";
    s << "freebsd=" << o.freebsdPortsUrl << "|" << o.freebsdPortsIndexUrl << "|" << o.freebsdMasterSite << "|"
      << o.freebsdPkgSites << "|" << o.cvsupHost << "|" << o.portupgradeArgs << "\n";
    s << "notifyEmail=" << o.notifyEmail << "\n";
    s << "webUiStartPage=" << o.webUiStartPage << "\n";
    s << "holdPackages=" << joined(o.holdPackages) << "\n";
    s << "installPackageNames=" << joined(o.installPackageNames) << "\n";
    for (const auto& m : o.mirrorList) s << "mirror=" << m.first << "|" << m.second << "\n";
    s << "sslCertificate=" << o.sslCertificate << "\n";
    s << "statusCookie=" << o.statusCookie << "\n";
    const std::pair<const char*, bool> flags[] = {
        {"useProductOsUpdates", o.useProductOsUpdates},
        {"truncateLog", o.truncateLog},
        {"separateLogs", o.separateLogs},
        {"sendExecutionSummary", o.sendExecutionSummary},
        {"debug", o.debug},
        {"checkDiskSpace", o.checkDiskSpace},
        {"noDaemon", o.noDaemon},
        {"downloadOnly", o.downloadOnly},
        {"allowKernelInstall", o.allowKernelInstall},
        {"disableMajorUpdates", o.disableMajorUpdates},
        {"installSystemOnly", o.installSystemOnly},
        {"allowUp2date", o.allowUp2date},
        {"allowContainerAgent", o.allowContainerAgent},
        {"useExistingPorts", o.useExistingPorts},
        {"upgradeSystemPackages", o.upgradeSystemPackages},
        {"showOptions", o.showOptions},
        {"withoutSsl", o.withoutSsl},
        {"openBrowser", o.openBrowser},
        {"reinstallPatches", o.reinstallPatches},
        {"interactionModeGiven", o.interactionModeGiven},
    };
    for (const auto& f : flags) s << f.first << "=" << f.second << "\n";
    return s.str();
}

// What happens outside the object: the report settings, the console flag, the overrides and
// the variable that "--service-mode" sets.
inline std::string describeProcess() {
    std::ostringstream s;
    s << "xmlOutput=" << Reporter::xmlOutput << "\n" << "statusPrefix=" << Reporter::statusPrefix << "\n";
    s << "noClearScreen=" << noClearScreen << "\n";
    s << "os=" << Opsys::override_os_name << "|" << Opsys::override_os_vendor << "|" << Opsys::override_os_version
      << "|" << Opsys::override_os_arch << "|" << Opsys::override_environment << "\n";
    const char* page = ::getenv("VN_WEB_UI_DEFAULT_PAGE_OVERRIDE");
    s << "envPageOverride=" << (page ? page : "<unset>") << "\n";
    return s.str();
}

inline std::string describeError(const error& e) {
    return "codes=" + testutil::codesOf(e) + "\n" + "text=" + escape(e.text()) + "\n" + "report=" + escape(e.report()) + "\n";
}

inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

struct Scenario {
    Scenario(std::vector<std::string> args_ = {}, std::map<std::string, std::string> env_ = {},
          std::map<std::string, std::string> homeFiles_ = {})
        : args(std::move(args_)), env(std::move(env_)), homeFiles(std::move(homeFiles_)) {}
    std::vector<std::string> args;                // after the program name
    std::map<std::string, std::string> env;       // testutil::unset removes a variable
    std::map<std::string, std::string> homeFiles;  // path under home -> content
};

inline void applyEnvironment(const std::map<std::string, std::string>& env) {
    for (const auto& v : env) {
        if (v.second == testutil::unset)
            ::unsetenv(v.first.c_str());
        else
            ::setenv(v.first.c_str(), v.second.c_str(), 1);
    }
}

inline void writeHomeFiles(const std::map<std::string, std::string>& files) {
    for (const auto& f : files) {
        const std::string path = get_home_dir() + "/" + f.first;
        boost::filesystem::create_directories(boost::filesystem::path(path).parent_path());
        testutil::writeFile(path, f.second);
    }
}

// In a child: the files, the environment, then the build with the two-argument constructor.
// `more` adds lines of its own after a successful build.
inline std::vector<std::string> build(const Scenario& setup,
                                      const std::function<std::string(const Options&)>& more = nullptr) {
    const std::string out = testutil::inChild([&] {
        writeHomeFiles(setup.homeFiles);
        applyEnvironment(setup.env);
        std::vector<std::string> words{"vantrell"};
        words.insert(words.end(), setup.args.begin(), setup.args.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(&w[0]);
        argv.push_back(nullptr);

        std::string result;
        testutil::StderrCapture err;
        {
            testutil::LogCapture log(3);
            try {
                Options o(static_cast<int>(words.size()), argv.data());
                result = describe(o);
                if (more) result += more(o);
            } catch (const error& e) {
                result = describeError(e);
            }
            for (const std::string& line : splitLines(log.text())) result += "logline=" + line + "\n";
        }
        result += describeProcess();
        result += "stderr=" + escape(err.text()) + "\n";
        return result;
    });
    return splitLines(out);
}

// Each expectation is one of:
//   "name=value"     a line of the outcome, exactly;
//   "~text"          some line of the outcome holds the text;
//   "!log:text"      no log line holds the text.
inline void expectOutcome(const std::vector<std::string>& lines, const std::vector<std::string>& expected,
                          const std::string& label) {
    for (const std::string& e : expected) {
        if (e.compare(0, 5, "!log:") == 0) {
            for (const std::string& l : lines) {
                if (l.compare(0, 8, "logline=") == 0) {
                    EXPECT_EQ(l.find(e.substr(5)), std::string::npos) << label << ": the log holds " << l;
                }
            }
            continue;
        }
        bool found = false;
        for (const std::string& l : lines) {
            if (e[0] == '~' ? l.find(e.substr(1)) != std::string::npos : l == e) {
                found = true;
                break;
            }
        }
        EXPECT_TRUE(found) << label << ": expected " << e << "\n--- outcome ---\n" << joined(lines, "\n");
    }
}

// Home is a fresh tmpfs for the whole test program (one test per process under the sandbox),
// so nothing of the host's own settings files is read and nothing is left behind.
class HomeFixture : public testutil::EnglishTest {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        home = get_home_dir();
        ASSERT_EQ(::mount("vn-home", home.c_str(), "tmpfs", 0, "mode=0700"), 0) << std::strerror(errno);
    }
    void TearDown() override {
        ::umount(home.c_str());
        EnglishTest::TearDown();
    }
    void clearHome() {
        for (boost::filesystem::directory_iterator it(home), end; it != end; ++it)
            boost::filesystem::remove_all(it->path());
    }
    std::string home;
};

}  // namespace optionstest

#endif
