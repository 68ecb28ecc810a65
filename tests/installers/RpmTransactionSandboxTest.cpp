// The librpm transaction over a private rpm database: HOME is a temporary directory whose
// .rpmmacros points %_dbpath into it (librpm reads it once per process, and each test runs in
// a process of its own), and the packages are the vntest fixtures built at test time, whose
// payloads lie under the sandbox's private /opt.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "installers/RpmTransaction.h"
#include "packages/Package.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/RpmFixtures.h"
#include "support/TestUtil.h"

namespace {

using testutil::rpmFixture;

// Standard output joins standard error while it lives, as in the installer's child.
class StdoutToStderr {
public:
    StdoutToStderr() : saved(::dup(1)) {
        std::fflush(stdout);
        ::dup2(2, 1);
    }
    ~StdoutToStderr() {
        std::fflush(stdout);
        ::dup2(saved, 1);
        ::close(saved);
    }

private:
    int saved;
};

class RpmTransactionTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        db.reset();  // gives back the HOME it replaced
        db.reset(new testutil::PrivateRpmDatabase);
        // Scriptlets need a /bin/sh that the database knows of.
        db->registerShell();
    }

    void rpmInstall(const std::string& fixture) {
        const testutil::RunResult r = testutil::run({"/usr/bin/rpm", "-U", rpmFixture(fixture)});
        ASSERT_EQ(r.status, 0) << r.err;
    }

    std::vector<std::string> installed() { return db->installed(); }

    Package* file(const std::string& path) {
        packages.emplace_back(new Package("pkg", "1.0"));
        packages.back()->setFileName(path);
        return packages.back().get();
    }
    Package* fixture(const std::string& name) { return file(rpmFixture(name)); }

    std::unique_ptr<testutil::PrivateRpmDatabase> db;
    std::vector<std::unique_ptr<Package>> packages;
};

typedef RpmTransactionTest RpmTransactionRun;

struct RunCase {
    const char* title;
    std::vector<std::string> before;   // installed first (rpm -U)
    std::vector<std::string> add;      // fixtures
    std::vector<std::string> remove;   // labels
    std::vector<std::string> after;    // rpm -qa
};

TEST_F(RpmTransactionRun, InstallsUpgradesAndErasesInOneGo) {
    const std::vector<RunCase> cases = {
        {"independent", {}, {"vntest-e.rpm"}, {}, {"vntest-e-1.0.noarch"}},
        {"requirer with its need", {}, {"vntest-a.rpm", "vntest-b.rpm"}, {},
         {"vntest-a-1.0.noarch", "vntest-b-1.0.noarch"}},
        {"mutual requirers", {}, {"vntest-c.rpm", "vntest-d.rpm"}, {},
         {"vntest-c-1.0.noarch", "vntest-d-1.0.noarch"}},
        {"two architectures", {}, {"vntest-foo.i386.rpm", "vntest-foo.x86_64.rpm"}, {},
         {"vntest-foo-1.0.i386", "vntest-foo-1.0.x86_64"}},
        {"upgrade replaces", {"vntest-e.rpm"}, {"vntest-e-2.0.rpm"}, {}, {"vntest-e-2.0.noarch"}},
        {"obsoleter with erases", {"vntest-old1.rpm", "vntest-old2.rpm"}, {"vntest-new.rpm"},
         {"vntest-old1", "vntest-old2"}, {"vntest-new-1.0.noarch"}},
        {"erase by full label", {"vntest-e.rpm", "vntest-b.rpm"}, {}, {"vntest-e-1.0-1.noarch"},
         {"vntest-b-1.0.noarch"}},
        {"erase of an unknown name", {"vntest-e.rpm"}, {}, {"vntest-nothing"}, {"vntest-e-1.0.noarch"}},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.title);
        SetUp();
        for (const std::string& f : c.before) rpmInstall(f);
        testutil::StderrCapture capture;
        {
            StdoutToStderr joined;
            RpmTransaction t(RpmTransaction::Texts::fromCatalogue());
            for (const std::string& f : c.add) t.add(*fixture(f));
            for (const std::string& n : c.remove) t.remove(n);
            t.check();
            t.run();
        }
        EXPECT_EQ(installed(), c.after);
        // rpm names every package it installs as it goes.
        for (const std::string& f : c.add) {
            const std::string label = testutil::rpmQuery(rpmFixture(f), {"--qf", "%{name}-%{version}"});
            EXPECT_NE(capture.text().find(label), std::string::npos) << capture.text();
        }
        EXPECT_EQ(capture.text().find("Failed adding"), std::string::npos) << capture.text();
    }
}

TEST_F(RpmTransactionRun, FailuresRaiseTheirKeysAndChangeNothing) {
    struct FailCase {
        const char* title;
        std::vector<std::string> before;  // installed first (rpm -U)
        std::function<void(RpmTransaction&)> fill;
        std::string codes;
        std::string text;      // the error's text, %s as the path where it has one
        std::string stderrHas;  // rpm's own report
    };
    const std::string missing = "/nonexistent/vntest-x.rpm";
    const std::vector<FailCase> cases = {
        {"missing file", {}, [&](RpmTransaction& t) { t.add(*file(missing)); }, "(4,1,2,2)",
         "Unable to install the package " + missing + " because opening package file failed.\n", ""},
        {"not a package", {},
         [&](RpmTransaction& t) {
             testutil::writeFile(*db / "junk.rpm", "not a package\n");
             t.add(*file(*db / "junk.rpm"));
         },
         "(4,1,1,2)", "Unable to install the package %s because reading the package header failed.\n", ""},
        {"a remover", {},
         [&](RpmTransaction& t) {
             Package* p = fixture("vntest-e.rpm");
             p->setType('d');
             t.add(*p);
         },
         "(3,1,2,3)", "RpmTransaction::add(): pkg is dummyRemover, use 'remove()' method instead.\n", ""},
        {"unmet dependency", {},
         [&](RpmTransaction& t) {
             t.add(*fixture("vntest-a.rpm"));
             t.check();
         },
         "(5,1,1,3)", Messages::getMessage("err_rpmtrans_check") + "\n", "vntest-b is needed by vntest-a"},
        {"erase of a needed package", {"vntest-b.rpm", "vntest-a.rpm"},
         [&](RpmTransaction& t) {
             t.remove("vntest-b");
             t.check();
         },
         "(5,1,1,3)", Messages::getMessage("err_rpmtrans_check") + "\n", "vntest-b is needed by"},
        {"file conflict found by the run", {"vntest-own1.rpm"},
         [&](RpmTransaction& t) {
             t.add(*fixture("vntest-own2.rpm"));
             t.check();
             t.run();
         },
         "(6,1,3,3)", "An error occurred during installation of packages.\n", "Error while running transaction\n"},
    };
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.title);
        SetUp();
        for (const std::string& f : c.before) rpmInstall(f);
        const std::vector<std::string> before = installed();
        testutil::StderrCapture capture;
        const error e = testutil::raisedError([&] {
            StdoutToStderr joined;
            RpmTransaction t(RpmTransaction::Texts::fromCatalogue());
            c.fill(t);
            t.check();
            t.run();
        });
        EXPECT_EQ(testutil::codesOf(e), c.codes);
        std::string text = c.text;
        if (text.find("%s") != std::string::npos) text.replace(text.find("%s"), 2, *db / "junk.rpm");
        EXPECT_EQ(e.text(), text);
        EXPECT_NE(capture.text().find(c.stderrHas), std::string::npos) << capture.text();
        EXPECT_EQ(installed(), before);
    }
}

TEST_F(RpmTransactionRun, ADatabaseThatCannotBeOpenedIsReported) {
    testutil::writeFile(*db / ".rpmmacros", "%_dbpath /proc/vntest-no-db\n");
    const error e = testutil::raisedError([] { RpmTransaction t(RpmTransaction::Texts::fromCatalogue()); });
    EXPECT_EQ(testutil::codesOf(e), "(4,1,1,2)");
    EXPECT_EQ(e.text(), "Failed to open RPM database.\n");
}

}  // namespace
