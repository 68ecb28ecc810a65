#include "packages/Package.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <typeinfo>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/error.h"
#include "packages/DebPackage.h"
#include "packages/DebVersion.h"
#include "packages/DependencyFile.h"
#include "packages/DependencyLogical.h"
#include "packages/RPMPackage.h"
#include "packages/StdPackage.h"
#include "packages/internString.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

class PackageTest : public testutil::EnglishTest {};

static_assert(!std::is_copy_constructible<Package>::value, "packages are not copied");
static_assert(!std::is_copy_assignable<Package>::value, "packages are not copied");

std::string md5sumOf(const std::string& path) {
    testutil::RunResult r = testutil::run({"/usr/bin/md5sum", path});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out.substr(0, 32);
}

// Creation and kinds ---------------------------------------------------------------------------

TEST_F(PackageTest, CreateChoosesTheKindByTheEndOfTheFileName) {
    struct Case {
        const char* file;
        const std::type_info& kind;
        const std::type_info& version;
    } cases[] = {
        {"foo-1.0-1.i386.rpm", typeid(RPMPackage), typeid(Version)},
        {"x.deb.rpm", typeid(RPMPackage), typeid(Version)},
        {"/srv/pool/foo_1.0_all.deb", typeid(DebPackage), typeid(DebVersion)},
        {"x.rpm.deb", typeid(DebPackage), typeid(DebVersion)},
        {"install-foo.sh", typeid(StdPackage), typeid(Version)},
        {"x.rpm.sh", typeid(StdPackage), typeid(Version)},
    };
    for (const Case& c : cases) {
        std::unique_ptr<Package> p(Package::create("foo", "1:2.0-3", c.file));
        EXPECT_EQ(typeid(*p), c.kind) << c.file;
        EXPECT_EQ(typeid(*p->getVersion()), c.version) << c.file;
        EXPECT_EQ(p->getFileName(), c.file);
        EXPECT_STREQ(p->getName(), "foo");
        EXPECT_EQ(p->getVersion()->toString(), "1:2.0-3");
        EXPECT_EQ(p->getType(), 'n');
    }
}

TEST_F(PackageTest, CreateRefusesOtherFileNames) {
    const char* files[] = {"a-1.0.tar.gz", "", "foo.RPM", "foo.rpm ", "foo.rpmx", "rpm", "foo.deb/"};
    for (const char* f : files) {
        error e = raisedError([&] { delete Package::create("a", "1.0", f); });
        EXPECT_EQ(e.text(), std::string("Unable to create package object from file ") + f + "\n");
        EXPECT_EQ(codesOf(e), "(0,0,0,0)") << f;
    }
    error e = raisedError([] { delete Package::create("a", "", "a.rpm"); });
    EXPECT_EQ(e.text(), "Version is not specified. Error in Version, line 91.\n");
}

TEST_F(PackageTest, NewPackageStartsEmpty) {
    Package p("foo", "1.0");
    EXPECT_EQ(p.getName(), internString("foo"));
    EXPECT_EQ(p.getArch(), internString(""));
    EXPECT_EQ(p.getType(), 'n');
    EXPECT_EQ(p.buildTime(), 0u);
    EXPECT_EQ(md5Text(p.getMd5()), std::string(32, '0'));
    EXPECT_EQ(p.fileTime, 0);
    EXPECT_EQ(p.size, 0);
    EXPECT_EQ(p.getSource(), nullptr);
    EXPECT_EQ(p.getRequire(0), nullptr);
    EXPECT_EQ(p.getProvide(0), nullptr);
    EXPECT_EQ(p.getConflict(0), nullptr);
    EXPECT_EQ(p.getObsolete(0), nullptr);
}

TEST_F(PackageTest, BaseKindCannotReadItsFile) {
    Package p("foo", "1");
    p.setFileName("foo.rpm");
    error e = raisedError([&] { p.readInfo(); });
    EXPECT_EQ(e.text(), "Internal error: the readInfo() method is not supported by the Package class\n");
    EXPECT_EQ(codesOf(e), "(0,1,1,3)");
}

TEST_F(PackageTest, CreationSequenceFollowsTheOrderOfMaking) {
    Package a("a", "1");
    std::unique_ptr<Package> b(Package::create("b", "1", "b.deb"));
    Package c("a", "1");
    EXPECT_LT(a.creationSequence(), b->creationSequence());
    EXPECT_LT(b->creationSequence(), c.creationSequence());
}

// Text forms -------------------------------------------------------------------------------------

TEST_F(PackageTest, PrintAndFileNameTable) {
    struct Case {
        const char* name;
        const char* version;  // null: no version
        const char* arch;     // null: none set
        const char* printed;
        const char* fileName;
    } cases[] = {
        {"bash", "3.2-24.el5", "i386", "bash-3.2-24.el5.i386", "bash-3.2"},
        {"foo", "1:2.0-3", nullptr, "foo-1:2.0-3", "foo-1:2.0"},
        {"foo", "2.0", "", "foo-2.0.noarch", "foo-2.0"},
        {"foo", nullptr, nullptr, "foo", "foo-(no version)"},
        {"foo", nullptr, "x86_64", "foo.x86_64", "foo-(no version)"},
    };
    for (const Case& c : cases) {
        Package p(c.name, c.version ? new Version(c.version) : nullptr);
        if (c.arch) p.setArch(c.arch);
        std::ostringstream s;
        p.print(s);
        EXPECT_EQ(s.str(), c.printed);
        EXPECT_EQ(p.toString(), c.printed);
        EXPECT_EQ(p.getFileName(), c.fileName) << c.printed;
        // The made-up name stays.
        EXPECT_EQ(&p.getFileName(), &p.getFileName());
        p.setFileName("given.rpm");
        EXPECT_EQ(p.getFileName(), "given.rpm");
    }
}

TEST_F(PackageTest, LogStatementsShowTheFullText) {
    testutil::LogCapture log(2);
    Package p("bash", "3.2-24.el5");
    p.setArch("i386");
    Log(2) << "Installing " << p << "\n";
    Log(2) << p << " done\n";
    EXPECT_EQ(log.text(), "Installing bash-3.2-24.el5.i386\nbash-3.2-24.el5.i386 done\n");
}

TEST_F(PackageTest, ArchitectureIsPooledAndEmptyMeansNoarch) {
    Package p("foo", "1");
    p.setArch("");
    EXPECT_EQ(p.getArch(), internString("noarch"));
    std::string arch = "x86_64";
    p.setArch(arch);
    EXPECT_EQ(p.getArch(), internString("x86_64"));
}

TEST_F(PackageTest, VersionlessPackageRaisesTheNullPointerError) {
    Package p("foo", static_cast<Version*>(nullptr));
    for (auto f : {+[](Package& x) { x.getVersion(); }, +[](Package& x) { x.getSelfDependency(); }}) {
        error e = raisedError([&] { f(p); });
        EXPECT_EQ(e.text().rfind("Try of use NULL pointer: ", 0), 0u) << e.text();
        EXPECT_EQ(codesOf(e), "(3,1,0,3)");
    }
}

// Setters -----------------------------------------------------------------------------------------

TEST_F(PackageTest, NumbersFromText) {
    Package p("foo", "1");
    p.setBuildTime("1234567890");
    EXPECT_EQ(p.buildTime(), 1234567890u);
    p.setBuildTime(nullptr);
    EXPECT_EQ(p.buildTime(), 0u);

    struct Size {
        const char* text;
        int64_t value;
    } sizes[] = {{"3221225472", 3221225472LL}, {"2147483648", 2147483648LL}, {"0", 0},
                 {"9223372036854775807", INT64_MAX}, {"4096", 4096}};
    for (const Size& s : sizes) {
        p.setSize(s.text);
        EXPECT_EQ(p.size, s.value) << s.text;
    }

    const char* bad[] = {"12a", " 1", "1.5", "0x10", "9223372036854775808"};
    for (const char* b : bad) {
        p.setSize("7");
        error e = raisedError([&] { p.setSize(b); });
        EXPECT_EQ(e.text(), "Invalid number format.\n") << b;
        EXPECT_EQ(p.size, 7) << b;
        e = raisedError([&] { p.setBuildTime(b); });
        EXPECT_EQ(e.text(), "Invalid number format.\n") << b;
    }
    error e = raisedError([&] { p.setBuildTime("4294967296"); });
    EXPECT_EQ(e.text(), "Invalid number format.\n");
}

TEST_F(PackageTest, DigestFromText) {
    Package p("foo", "1");
    p.setMd5("D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(md5Text(p.getMd5()), "d41d8cd98f00b204e9800998ecf8427e");
    p.setMd5("00112233445566778899aabbccddeeff0123456789abcdef0123456789abcdef");
    EXPECT_EQ(md5Text(p.getMd5()), "00112233445566778899aabbccddeeff");

    testing::internal::CaptureStdout();
    error e = raisedError([&] { p.setMd5("abc"); });
    EXPECT_EQ(e.text(), "MD5 string size is not 32- 3 abc\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "the package's own digest is no pool record";
    EXPECT_EQ(md5Text(p.getMd5()), "00112233445566778899aabbccddeeff") << "a bad text changes nothing";

    p.setMd5(nullptr);
    EXPECT_EQ(md5Text(p.getMd5()), std::string(32, '0'));
}

// Dependency lists -------------------------------------------------------------------------------

TEST_F(PackageTest, AddingDependenciesTable) {
    enum Kind { None, Logical, File };
    struct Case {
        const char* text;
        Kind require;
        Kind other;  // provide, conflict, obsolete
    } cases[] = {
        {"rpmlib(CompressedFileNames) <= 3.0.4-1", None, Logical},
        {"rpmlib(PayloadIsXz)", None, Logical},
        {"rpmlibfoo", Logical, Logical},
        {"RPMLIB(x)", Logical, Logical},
        {"rpmlib", Logical, Logical},
        {"/usr/bin/perl", File, File},
        {"perl", Logical, Logical},
        {"perl >= 5.8", Logical, Logical},
        {"", None, None},
        {nullptr, None, None},
    };
    auto kindOf = [](const Dependency* d) {
        if (!d) return None;
        return dynamic_cast<const DependencyFile*>(d) ? File : Logical;
    };
    for (const Case& c : cases) {
        const std::string label = c.text ? c.text : "(null)";
        Package p("foo", "1");
        p.addRequire(c.text);
        p.addProvide(c.text);
        p.addConflict(c.text);
        p.addObsolete(c.text);
        EXPECT_EQ(kindOf(p.getRequire(0)), c.require) << label;
        EXPECT_EQ(kindOf(p.getProvide(0)), c.other) << label;
        EXPECT_EQ(kindOf(p.getConflict(0)), c.other) << label;
        EXPECT_EQ(kindOf(p.getObsolete(0)), c.other) << label;
        for (Dependency* d : {p.getRequire(0), p.getProvide(0), p.getConflict(0), p.getObsolete(0)}) {
            if (d) {
                EXPECT_EQ(d->getMaster(), &p) << label;
            }
        }
        EXPECT_EQ(p.getRequire(1), nullptr);
        EXPECT_EQ(p.getProvide(1), nullptr);
    }
}

TEST_F(PackageTest, BadDependencyTextsPassTheirErrorsAndAddNothing) {
    Package p("foo", "1");
    p.addRequire("a");
    const char* bad[] = {"bar = ", "bar >= -1"};
    for (const char* b : bad) {
        error e = raisedError([&] { p.addRequire(b); });
        EXPECT_EQ(e.text(), "Version is not specified. Error in Version, line 91.\n") << b;
        e = raisedError([&] { p.addConflict(b); });
        EXPECT_EQ(e.text(), "Version is not specified. Error in Version, line 91.\n") << b;
    }
    EXPECT_EQ(p.getRequire(0)->getName(), "a");
    EXPECT_EQ(p.getRequire(1), nullptr);
    EXPECT_EQ(p.getConflict(0), nullptr);
}

TEST_F(PackageTest, ListsKeepTheirOrderAndRemovedRequiresStayUsable) {
    Package p("foo", "1");
    p.addRequire("a");
    p.addRequire("b >= 2");
    p.addRequire("/bin/c");
    EXPECT_EQ(p.getRequire(3), nullptr);
    Dependency* removed = p.getRequire(0);
    Dependency* former1 = p.getRequire(1);
    Dependency* former2 = p.getRequire(2);

    p.removeRequire(0);
    EXPECT_EQ(p.getRequire(0), former1);
    EXPECT_EQ(p.getRequire(1), former2);
    EXPECT_EQ(p.getRequire(2), nullptr);
    // An index's entry for it may still be read.
    EXPECT_EQ(removed->getName(), "a");
    EXPECT_EQ(removed->getMaster(), &p);

    p.removeRequire(2);  // past the end: nothing
    EXPECT_EQ(p.getRequire(1), former2);
    p.removeRequire(1);
    EXPECT_EQ(p.getRequire(0), former1);
    EXPECT_EQ(p.getRequire(1), nullptr);
}

TEST_F(PackageTest, ProvideDependencyIsTakenOver) {
    Package p("foo", "1");
    Package other("other", "1");
    p.addProvide("foo-api = 2");
    p.addProvideDependency(new DependencyLogical("bar = 3", &other));
    EXPECT_EQ(p.getProvide(1)->getName(), "bar");
    EXPECT_EQ(p.getProvide(1)->getMaster(), &other) << "the master stays what the maker gave";
    EXPECT_EQ(p.getProvide(2), nullptr);
}

// Queries -----------------------------------------------------------------------------------------

TEST_F(PackageTest, ProvidesConsultsOnlyTheProvideList) {
    Package p("foo", "1.0-1");
    DependencyLogical onSelf("foo", nullptr);
    EXPECT_FALSE(p.provides(&onSelf)) << "the package's own name does not count here";
    EXPECT_TRUE(onSelf.isSatisfiedBy(&p)) << "but it does for isSatisfiedBy";

    p.addProvide("bar = 2");
    p.addProvide("/usr/bin/bar");
    struct Case {
        const char* require;
        bool provided;
    } cases[] = {{"bar", true}, {"bar >= 1", true}, {"bar > 2", false}, {"/usr/bin/bar", true}, {"baz", false}};
    for (const Case& c : cases) {
        std::unique_ptr<Dependency> d(p.createDependency(c.require));
        EXPECT_EQ(p.provides(d.get()), c.provided) << c.require;
    }
}

TEST_F(PackageTest, KernelPackages) {
    struct Case {
        const char* name;
        const char* provide;  // null: none
        bool kernel;
    } cases[] = {
        {"kernel", nullptr, true},
        {"kernel-smp", "kernel = 2.6.9-42", true},
        {"kernel-smp", "kernel-drm", false},
        {"foo", "kernel", true},
        {"kernel-devel", nullptr, false},
        {"Kernel", nullptr, false},
    };
    for (const Case& c : cases) {
        Package p(c.name, "2.6.9-42");
        if (c.provide) p.addProvide(c.provide);
        EXPECT_EQ(p.isKernel(), c.kernel) << c.name << " / " << (c.provide ? c.provide : "-");
    }
}

TEST_F(PackageTest, SelfDependencyIsMadeOnceThroughCreateDependency) {
    Package p("foo", "1:2.0-3");
    Dependency* self = p.getSelfDependency();
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(p.getSelfDependency(), self);
    EXPECT_EQ(self->getMaster(), &p);
    std::ostringstream s;
    s << *self;
    EXPECT_EQ(s.str(), "foo = 1:2.0-3");

    // A kind that makes its own dependencies gets its own kind here too.
    struct Marking : Package {
        using Package::Package;
        int made = 0;
        Dependency* createDependency(const std::string& text) override {
            ++made;
            return Package::createDependency(text);
        }
    } m("bar", "1");
    m.getSelfDependency();
    m.getSelfDependency();
    EXPECT_EQ(m.made, 1);
}

TEST_F(PackageTest, DependsOnFollowsTheResolversOfTheRequires) {
    Package a("a", "1");
    Package b("b", "1");
    Package c("c", "1");
    a.addRequire("x");
    a.addRequire("y");
    b.addProvide("y = 1");
    c.addProvide("x");
    EXPECT_FALSE(a.dependsOn(&b));
    a.getRequire(1)->addResolver(b.getProvide(0));
    EXPECT_TRUE(a.dependsOn(&b));
    EXPECT_FALSE(a.dependsOn(&c)) << "c could resolve x, but nothing says so";
    EXPECT_FALSE(b.dependsOn(&a));
}

// File facts --------------------------------------------------------------------------------------

TEST_F(PackageTest, FileFactsOfRealFiles) {
    testutil::TempDir tmp;
    struct Case {
        const char* name;
        std::string content;
    } cases[] = {
        {"small.rpm", "hello\n"},
        {"binary.deb", std::string("\0\x01\xff\n\r", 5)},
        {"block.rpm", std::string(8192 * 3 + 17, 'z')},
    };
    for (const Case& c : cases) {
        const std::string path = tmp / c.name;
        testutil::writeFile(path, c.content);
        struct utimbuf times = {1000000000, 1234567890};
        ASSERT_EQ(::utime(path.c_str(), &times), 0);

        Package p("foo", "1");
        p.setFileName(path);
        p.readFileFacts();
        EXPECT_EQ(md5Text(p.getMd5()), md5sumOf(path)) << c.name;
        EXPECT_EQ(p.size, static_cast<int64_t>(c.content.size())) << c.name;
        EXPECT_EQ(p.fileTime, 1234567890) << c.name;
        EXPECT_TRUE(p.checkMd5()) << c.name;

        testutil::writeFile(path, c.content + "changed");
        EXPECT_FALSE(p.checkMd5()) << c.name;
    }
}

TEST_F(PackageTest, EmptyFileLogsThatItsSizeIsUnknown) {
    testutil::TempDir tmp;
    const std::string path = tmp / "empty.rpm";
    testutil::writeFile(path, "");
    testutil::LogCapture log;
    testutil::StderrCapture err;
    Package p("foo", "1");
    p.size = 5;
    p.setFileName(path);
    p.readFileFacts();
    EXPECT_EQ(p.size, 0);
    EXPECT_EQ(md5Text(p.getMd5()), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(log.text(), "ERROR: Can't get size for " + path + "\n");
    EXPECT_EQ(err.text(), "ERROR: Can't get size for " + path + "\n") << "a level-0 line reaches the console";
}

TEST_F(PackageTest, UnreadableFileRaisesAndKeepsDigestAndSize) {
    testutil::TempDir tmp;
    ASSERT_EQ(::mkdir((tmp / "dir.rpm").c_str(), 0755), 0);
    struct utimbuf times = {1000000000, 1111111111};
    ASSERT_EQ(::utime((tmp / "dir.rpm").c_str(), &times), 0);
    const char* const digest = "00112233445566778899aabbccddeeff";

    struct Case {
        std::string path;
        int fileTime;  // afterwards
    } cases[] = {{tmp / "dir.rpm", 1111111111}, {tmp / "missing.rpm", 0}};
    for (const Case& c : cases) {
        Package p("foo", "1");
        p.setMd5(digest);
        p.size = 42;
        p.setFileName(c.path);
        error e = raisedError([&] { p.readFileFacts(); });
        EXPECT_EQ(e.text(), "Unable to get MD5 checksum of " + c.path + " file.\n");
        EXPECT_EQ(codesOf(e), "(3,1,1,3)");
        EXPECT_EQ(p.fileTime, c.fileTime) << "the time is taken first";
        EXPECT_EQ(md5Text(p.getMd5()), digest);
        EXPECT_EQ(p.size, 42);
        EXPECT_FALSE(p.checkMd5());
    }
}

}  // namespace
