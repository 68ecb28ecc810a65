// The packages and disk-space pages: install lists of real .deb files that dpkg-deb makes here,
// installed packages from a dpkg-query over a status file of the test, the repository's own
// removal dummies; stand-in pagers on PATH; free space on tmpfs mounts of fixed size.
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/error.h"
#include "packages/DebPackage.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "packages/internString.h"
#include "reporting/PackagesReporter.h"
#include "support/InstalledDebs.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "wizard/ScriptedConsole.h"
#include "wizard/TextDlgDiskSpace.h"
#include "wizard/TextDlgMaker.h"
#include "wizard/TextDlgPackages.h"

namespace {

using testutil::ScriptedConsole;

using Outcome = testutil::PageOutcome;
using testutil::runPage;

const std::string rule(79, '=');
std::string header(const std::string& title) { return "\n\n\n\n\n" + title + "\n" + rule + "\n\n"; }
const std::string pressEnter = "\n\n\n(press Enter to continue) ";

// The .deb files of the suite, built once: newpkg 1.0-1, upgpkg 2.0-1, kernelpkg 6.1-1 (which
// provides "kernel").
class Debs {
public:
    Debs() {
        build("newpkg", "1.0-1", "");
        build("upgpkg", "2.0-1", "");
        build("kernelpkg", "6.1-1", "Provides: kernel\n");
    }
    std::map<std::string, std::string> files;

private:
    void build(const std::string& name, const std::string& version, const std::string& extra) {
        const std::string root = dir / name;
        ASSERT_EQ(::mkdir(root.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir((root + "/DEBIAN").c_str(), 0755), 0);
        testutil::writeFile(root + "/DEBIAN/control", "Package: " + name + "\nVersion: " + version +
                                                          "\nArchitecture: all\nMaintainer: Nobody <nobody@example.org>\n" +
                                                          extra + "Description: fixture package\n");
        const std::string file = dir / (name + ".deb");
        const testutil::RunResult r = testutil::run({"/usr/bin/dpkg-deb", "-Zgzip", "-b", root, file});
        ASSERT_EQ(r.status, 0) << r.err;
        files[name] = file;
    }
    testutil::TempDir dir;
};

class PackagesPages : public testutil::ConsoleTest {
protected:
    static void SetUpTestSuite() { debs = new Debs; }
    static void TearDownTestSuite() {
        delete debs;
        debs = nullptr;
    }
    void SetUp() override {
        ConsoleTest::SetUp();
        installed.reset(new testutil::InstalledDebs({{"upgpkg", "1.0-1"}, {"oldpkg", "1.0-1"}}));
    }
    void TearDown() override {
        installed.reset();
        ConsoleTest::TearDown();
    }

    Repository& repo() { return installed->repo; }
    // The package of a .deb of the suite, read into the pool, of `kind`.
    const Package* deb(const std::string& name, char kind = 'u') {
        Package* p = Package::create("placeholder", "0", debs->files.at(name));
        p->readInfo();
        // The reader takes identity only; the package lists what its control data provides.
        if (name == "kernelpkg") p->addProvide("kernel");
        p->setType(kind);
        repo().addPackage(p, nullptr);
        return p;
    }
    const Package* installedPackage(const char* name) { return repo().getInstalledPackage(internString(name)); }
    // A dummy of that name that obsoletes nothing.
    const Package* dummy(const char* name) {
        Package* p = new DebPackage(name, "1.0-1");
        p->setType('d');
        repo().addPackage(p, nullptr);
        return p;
    }
    std::string report(const std::vector<const Package*>& list) {
        std::ostringstream text;
        PackagesReporter(&list, &repo()).putText(text);
        return text.str();
    }

    static Debs* debs;
    std::unique_ptr<testutil::InstalledDebs> installed;
    testutil::TempDir scratch;
};

Debs* PackagesPages::debs = nullptr;

std::string packagesPage(int fresh, int upgraded, int removed, bool kernel) {
    std::string text = header("Packages to install") + "There are " + std::to_string(fresh) +
                       " packages required for the product to function properly, which\n"
                       "were not found in your system.\n\n"
                       "There are " +
                       std::to_string(upgraded) +
                       " packages that need to be upgraded\n"
                       "in order to install the product.\n\n";
    if (removed > 0)
        text += "There are " + std::to_string(removed) + " packages that are installed, but will be removed.\n\n";
    if (kernel) text += "A new system kernel will be installed.\n";
    return text +
           "\n\n"
           "N) Install packages;\n"
           "S) Show a list of packages; L) Return to primary components list;\n"
           "Q) Cancel installing; \n"
           "Select an action [N]: ";
}

TEST_F(PackagesPages, CountsWhatTheInstallationDoes) {
    struct Row {
        const char* label;
        std::vector<const Package*> list;
        int fresh, upgraded, removed;
    };
    const Row rows[] = {
        {"build and installed packages are never counted",
         {deb("newpkg", 'b'), installedPackage("upgpkg"), installedPackage("oldpkg")}, 0, 0, 0},
        {"a removal dummy", {repo().addRemoverFor("oldpkg")}, 0, 0, 1},
        {"new, upgraded, and dummies without obsoletes",
         {deb("newpkg"), deb("upgpkg"), dummy("upgpkg"), dummy("ghost"), deb("kernelpkg", 't')}, 2, 2, 0},
    };
    for (const Row& row : rows) {
        TextDlgPackages page(row.list, &repo(), false);
        EXPECT_EQ(row.fresh, page.newCount) << row.label;
        EXPECT_EQ(row.upgraded, page.upgradeCount) << row.label;
        EXPECT_EQ(row.removed, page.removeCount) << row.label;
        const Outcome o = runPage(page, "\n");
        EXPECT_EQ(PageResult::next, o.result) << row.label << o.error;
        EXPECT_EQ(packagesPage(row.fresh, row.upgraded, row.removed, false), o.out) << row.label;
    }
    // Only build and installed packages: the repository is never read.
    TextDlgPackages unread({installedPackage("upgpkg")}, nullptr, false);
    EXPECT_EQ(0, unread.upgradeCount);
}

TEST_F(PackagesPages, AKernelNeedsTheStrongYes) {
    const std::vector<const Package*> list{deb("newpkg"), deb("kernelpkg")};
    TextDlgPackages page(list, &repo(), true);
    const std::string question =
        "\nThe installation of new kernel is required.\n"
        "kernelpkg-6.1-1.all\n"
        "Do you want to install the new system kernel?\n"
        "You will need to restart your system after installation of the new kernel.\n";
    // "yes" is not the strong yes; "no" keeps the page; then the strong yes goes on.
    const Outcome o = runPage(page, "N\nno\nX\n\nN\nyes\nYes\n");
    EXPECT_EQ(PageResult::next, o.result) << o.error;
    const std::string shown = packagesPage(2, 0, 0, true);
    EXPECT_EQ(shown + question, o.out.substr(0, shown.size() + question.size()));
    size_t pages = 0;
    for (size_t at = o.out.find(shown); at != std::string::npos; at = o.out.find(shown, at + 1)) ++pages;
    EXPECT_EQ(3u, pages);
    EXPECT_NE(std::string::npos, o.out.find("\n\nPlease type one of the listed characters.\n(press Enter to continue) "));
    for (const char* letter : {"L\n", "Q\n"}) {
        const Outcome left = runPage(page, letter);
        EXPECT_EQ(letter[0] == 'L' ? PageResult::previous : PageResult::quit, left.result) << letter;
    }
}

TEST_F(PackagesPages, LessGetsTheTextListOnItsInput) {
    const std::vector<const Package*> list{deb("newpkg"), deb("upgpkg"), repo().addRemoverFor("oldpkg")};
    testutil::CommandShims shims;
    shims.add("less", "[ \"$1\" = --version ] && exit 0\nprintf '%s\\n' \"$@\" >" + scratch / "argv" + "\ncat >" +
                          scratch / "stdin");
    // XML output must not reach the pager.
    Reporter::xmlOutput = true;
    TextDlgPackages page(list, &repo(), false);
    const Outcome o = runPage(page, "S\nQ\n");
    Reporter::xmlOutput = false;
    EXPECT_EQ(PageResult::quit, o.result) << o.error;
    EXPECT_EQ("-m\n-C\n-PmUse arrow keys for navigation and 'q' to return to installer\n",
              testutil::readFile(scratch / "argv"));
    const std::string text = testutil::readFile(scratch / "stdin");
    EXPECT_EQ(report(list), text);
    EXPECT_NE(std::string::npos, text.find("[U] upgpkg-2.0-1.all\n")) << text;
    // Straight back to the page: no message page after less.
    EXPECT_EQ(packagesPage(1, 1, 1, false) + packagesPage(1, 1, 1, false), o.out);
}

TEST_F(PackagesPages, MoreWhenLessDoesNotRunThenAMessagePage) {
    const std::vector<const Package*> list{deb("newpkg")};
    testutil::CommandShims shims;
    shims.add("less", "exit 1");
    shims.add("more", "printf '%s\\n' \"$@\" >" + scratch / "argv" + "\ncat >" + scratch / "stdin");
    TextDlgPackages page(list, &repo(), false);
    const Outcome o = runPage(page, "s\n\nQ\n");
    EXPECT_EQ(PageResult::quit, o.result) << o.error;
    EXPECT_EQ("-d\n", testutil::readFile(scratch / "argv"));
    EXPECT_EQ(report(list), testutil::readFile(scratch / "stdin"));
    EXPECT_EQ(packagesPage(1, 0, 0, false) + pressEnter + packagesPage(1, 0, 0, false), o.out);
}

TEST_F(PackagesPages, WithoutPagersTheListGoesToTheConsole) {
    const std::vector<const Package*> list{deb("newpkg")};
    const std::string text = report(list);
    const std::string dash = testutil::readFile("/usr/bin/dash");
    // In a mount namespace of its own, /usr/bin holds nothing but a shell: neither less nor
    // more (/bin is a link to usr/bin) can be found.
    const std::string outcome = testutil::inChild([&]() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0) return "unshare failed";
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return "private failed";
        if (::mount("vn-bin", "/usr/bin", "tmpfs", 0, "size=4m") != 0) return "mount failed";
        testutil::writeFile("/usr/bin/sh", dash);
        ::chmod("/usr/bin/sh", 0755);
        if (::access("/bin/more", F_OK) == 0) return "more still there";
        testutil::LogCapture log(2);
        TextDlgPackages page(list, &repo(), false);
        const Outcome o = runPage(page, "S\n\nQ\n");
        if (o.result != PageResult::quit) return "result " + std::to_string(o.result) + " " + o.error;
        if (o.out != packagesPage(1, 0, 0, false) + text + "\n" + pressEnter + packagesPage(1, 0, 0, false))
            return "output:\n" + o.out;
        if (log.text().find("Warning: neither the 'less' nor the 'more' utility was found in the system.\n") ==
            std::string::npos)
            return "log:\n" + log.text();
        return "ok";
    });
    EXPECT_EQ("ok", outcome);
}

TEST_F(PackagesPages, APagerQuitEarlyLeavesTheInstallerAlive) {
    // About 200 KiB of list, far more than a pipe holds.
    std::vector<std::unique_ptr<Package>> many;
    std::vector<const Package*> list;
    for (int i = 0; i < 3500; ++i) {
        many.emplace_back(new DebPackage("vnwiz-a-package-with-a-rather-long-name-to-fill-the-pipe-" +
                                             std::to_string(100000 + i),
                                         "1.0-1"));
        many.back()->setType('u');
        list.push_back(many.back().get());
    }
    ASSERT_GT(report(list).size(), 200u * 1024);
    testutil::CommandShims shims;
    // Reads one line, then goes, as a user who quits at once.
    shims.add("less", "[ \"$1\" = --version ] && exit 0\nread line\nexit 0");
    const std::string outcome = testutil::inChild([&]() -> std::string {
        // As the installer runs: SIGPIPE not ignored.
        ::signal(SIGPIPE, SIG_DFL);
        TextDlgPackages page(list, &repo(), false);
        const Outcome o = runPage(page, "S\nQ\n");
        if (o.result != PageResult::quit) return "result " + std::to_string(o.result) + " " + o.error;
        // The disposition is back as it was.
        struct sigaction now {};
        ::sigaction(SIGPIPE, nullptr, &now);
        if (now.sa_handler != SIG_DFL) return "SIGPIPE left changed";
        return "alive";
    });
    EXPECT_EQ("alive", outcome);
}

TEST_F(PackagesPages, AnErrorWhileShowingLeavesThePageWithItsLine) {
    // Build packages only: counting never reads the repository, the report does.
    const std::vector<const Package*> list{deb("newpkg", 'b')};
    TextDlgPackages page(list, nullptr, false);
    const Outcome o = runPage(page, "S\n");
    EXPECT_EQ(0, o.result);
    EXPECT_EQ(0u, o.error.find("Failed to show the list of packages.\nTry of use NULL pointer")) << o.error;
    // Only the codes the inner error left open are filled.
    const error e = testutil::raisedError([&] { page.showPackages(); });
    EXPECT_EQ(3, e.e_class);
    EXPECT_EQ(1, e.e_sys);
}

// --- Disk space

class DiskSpacePage : public testutil::ConsoleTest {
protected:
    void mountSpace(const std::string& dir, const char* size) {
        ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0) << dir;
        ASSERT_EQ(::mount("vn-space", dir.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()), 0) << dir;
    }
};

std::string diskPage(const std::string& dir, const std::string& required, const std::string& available) {
    return header("Disk space") +
           "Product and operating system packages will be downloaded and saved to the \n"
           "directory '" +
           dir + "'.\n\nRequired disk space: " + required + "\n\nAvailable disk space: " + available +
           "\n\n\nN) Next page; P) Go back; Q) Cancel installing\nSelect an action [N]: ";
}

TEST_F(DiskSpacePage, ShowsMegabytesAndGoesOnOnlyWithMoreFreeThanNeeded) {
    mountSpace("/tmp/space", "1536k");
    struct Row {
        uint64_t required;
        std::string input;
        int result;
        std::string requiredText;
        int pages;
    };
    const Row rows[] = {
        {0, "N\n", PageResult::next, "unknown.", 1},
        {1536, "N\n\nP\n", PageResult::previous, "1.50 Mb.", 3},
        {1535, "N\n", PageResult::next, "1.50 Mb.", 1},
        {1, "x\n\nQ\n", PageResult::quit, "0.00 Mb.", 2},
    };
    for (const Row& row : rows) {
        TextDlgDiskSpace page("/tmp/space", row.required);
        EXPECT_EQ(1536u, page.available);
        const Outcome o = runPage(page, row.input);
        EXPECT_EQ(row.result, o.result) << row.required << o.error;
        const std::string shown = diskPage("/tmp/space", row.requiredText, "1.50 Mb.");
        std::string expected;
        for (int i = 0; i < row.pages; ++i) expected += shown;
        if (row.input[0] == 'x') expected = shown + "\n\nPlease type one of the listed characters.\n(press Enter to continue) " + shown;
        EXPECT_EQ(expected, o.out) << row.required;
    }
}

TEST_F(DiskSpacePage, FourTebibytesFreeAreCountedIn64Bits) {
    mountSpace("/tmp/huge", "4t");
    auto page = createTextDlgMaker()->createDiskSpace("/tmp/huge", 1);
    EXPECT_EQ(4294967296ull, page->available);
    const Outcome o = runPage(*page, "N\n");
    EXPECT_EQ(PageResult::next, o.result) << o.error;
    EXPECT_EQ(diskPage("/tmp/huge", "0.00 Mb.", "4194304.00 Mb."), o.out);
}

TEST_F(DiskSpacePage, UnmeasurableSpaceKeepsThePage) {
    testutil::LogCapture log(0);
    TextDlgDiskSpace page("/nonexistent/vnwiz", 0);
    EXPECT_EQ(0u, page.available);
    const Outcome o = runPage(page, "N\nP\n");
    EXPECT_EQ(PageResult::previous, o.result) << o.error;
    const std::string shown = diskPage("/nonexistent/vnwiz", "unknown.", "0.00 Mb.");
    EXPECT_EQ(shown + shown, o.out);
}

}  // namespace
