#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "common/Log.h"
#include "common/error.h"
#include "packages/DebPackage.h"
#include "packages/DebVersion.h"
#include "packages/DependencyFile.h"
#include "packages/DependencyLogical.h"
#include "packages/Package.h"
#include "packages/RPMPackage.h"
#include "packages/StdPackage.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

class PackageCacheTest : public testutil::EnglishTest {};

// A stream over `text`, closed when the holder goes.
struct TextFile {
    explicit TextFile(const std::string& text) : data(text) {
        file = ::fmemopen(data.empty() ? nullptr : &data[0], data.size(), "r");
        if (data.empty()) file = std::tmpfile();
    }
    ~TextFile() { std::fclose(file); }
    std::string data;
    FILE* file;
};

std::unique_ptr<Package> readRecord(const std::string& text, int* counter = nullptr) {
    TextFile f(text);
    int own = 0;
    return std::unique_ptr<Package>(Package::createFromCache(f.file, counter ? counter : &own));
}

// Every record of `text`, skipping white space between them as the repository does.
std::vector<std::unique_ptr<Package>> readAll(FILE* file) {
    std::vector<std::unique_ptr<Package>> out;
    int counter = 0;
    for (;;) {
        int c;
        while ((c = std::getc(file)) != EOF && std::isspace(c)) {
        }
        if (c == EOF) break;
        std::ungetc(c, file);
        out.emplace_back(Package::createFromCache(file, &counter));
    }
    return out;
}

std::string provideText(const Dependency* d) {
    std::ostringstream s;
    d->print(s);
    return s.str();
}

// Records ----------------------------------------------------------------------------------------

TEST_F(PackageCacheTest, RecordTable) {
    struct Case {
        const char* record;
        const std::type_info& kind;
        const char* name;
        const char* version;  // toString()
        const char* arch;
        const char* file;
    } cases[] = {
        {"N:foo\nV:1.0\nX:\n", typeid(RPMPackage), "foo", "1.0", "all", "dummy_filename_foo-1.0.rpm"},
        // rpm's "(none)" counts as empty.
        {"N:foo\nE:(none)\nV:2.0\nL:(none)\nX:\n", typeid(RPMPackage), "foo", "2.0", "all", "dummy_filename_foo-2.0.rpm"},
        {"N:foo\nE:1\nV:2.0\nL:3\nX:\n", typeid(RPMPackage), "foo", "1:2.0-3", "all", "dummy_filename_foo-1:2.0-3.rpm"},
        {"N:\nV:1\nX:\n", typeid(RPMPackage), "nameless", "1", "all", "dummy_filename_nameless-1.rpm"},
        // An empty first value may be given again.
        {"N:\nN:b\nV:1\nX:\n", typeid(RPMPackage), "b", "1", "all", "dummy_filename_b-1.rpm"},
        {"F:bar_installed.deb\nN:bar\nV:1:2.0~rc1-1\nA:amd64\nX:\n", typeid(DebPackage), "bar", "1:2.0~rc1-1",
         "amd64", "bar_installed.deb"},
        {"F:/opt/std/install-foo.sh\nN:foo\nV:3.1\nX:\n", typeid(StdPackage), "foo", "3.1", "all",
         "/opt/std/install-foo.sh"},
        // "(none)" goes wherever it stands, also inside a value; comments and blanks around
        // lines do not count; the value starts after the blanks behind the colon.
        {"# made by hand\n  N:   fo(none)o  \nV:1.(none)0\n#X:\nA:(none)\nX:ignored\n", typeid(RPMPackage), "foo",
         "1.0", "all", "dummy_filename_foo-1.0.rpm"},
        // A deletion that brings a new "(none)" together deletes that one too.
        {"N:foo\nV:1((none)none).0\nX:\n", typeid(RPMPackage), "foo", "1.0", "all", "dummy_filename_foo-1.0.rpm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        std::unique_ptr<Package> p = readRecord(c.record);
        EXPECT_EQ(typeid(*p), c.kind);
        EXPECT_STREQ(p->getName(), c.name);
        EXPECT_EQ(p->getVersion()->toString(), c.version);
        EXPECT_STREQ(p->getArch(), c.arch);
        EXPECT_EQ(p->getFileName(), c.file);
        EXPECT_EQ(p->getType(), 'n');
        if (c.kind == typeid(DebPackage)) {
            EXPECT_EQ(typeid(*p->getVersion()), typeid(DebVersion));
        }
    }
}

TEST_F(PackageCacheTest, FileFactsAndListsOfARecord) {
    const std::string digest = "0123456789abcdef0123456789ABCDEF";
    std::unique_ptr<Package> p = readRecord(
        "F:foo-1.0-1.x86_64.rpm\nN:foo\nV:1.0\nL:1\nA:x86_64\nf:1700000000\ns:3000000000\nB:1600000000\nS:ignored\n"
        "M:" + digest + "\nR:bar >= 2.0\nR:rpmlib(PayloadIsXz) <= 5.2-1\nR:/bin/sh\nC:baz < 1\nO:old-foo\nX:\n");
    EXPECT_EQ(p->fileTime, 1700000000);
    EXPECT_EQ(p->size, 3000000000LL);
    EXPECT_EQ(p->buildTime(), 1600000000u);
    EXPECT_EQ(md5Text(p->getMd5()), "0123456789abcdef0123456789abcdef");
    ASSERT_NE(p->getRequire(1), nullptr);
    EXPECT_EQ(provideText(p->getRequire(0)), "bar >= 2.0");
    // rpm's own needs are dropped; a path is a file dependency.
    EXPECT_NE(dynamic_cast<DependencyFile*>(p->getRequire(1)), nullptr);
    EXPECT_EQ(p->getRequire(2), nullptr);
    EXPECT_EQ(provideText(p->getConflict(0)), "baz < 1");
    EXPECT_EQ(provideText(p->getObsolete(0)), "old-foo");
    EXPECT_EQ(p->getProvide(0), nullptr);
}

TEST_F(PackageCacheTest, ProvideTable) {
    const std::string sha256 = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
    struct Case {
        std::string lines;  // after N:foo V:1
        bool file;
        int mode;
        std::string digest;  // getMd5String() of a file dependency
    } cases[] = {
        {"P:/usr/bin/foo\n", false, 0, ""},
        {"P:foo-libs = 1.0\n", false, 0, ""},
        {"P:/usr/bin/foo\nm:33261\n", true, 33261, ""},
        // A digest alone makes a file dependency of mode 0 (a regular file to rpm).
        {"P:/usr/bin/foo\n5:" + sha256 + "\n", true, 0, sha256.substr(0, 32)},
        // rpm 4.18 writes SHA-256: the first 32 digits are kept.
        {"P:/usr/bin/foo\nm:33188\n5:" + sha256 + "\n", true, 33188, sha256.substr(0, 32)},
        // The last line of each kind wins; the order of m and 5 does not matter.
        {"P:/usr/bin/foo\n5:" + sha256 + "\nm:1\nm:33188\n", true, 33188, sha256.substr(0, 32)},
        // A link keeps its target text; a directory has no digest.
        {"P:/usr/bin/foo\nm:41471\n5:../lib/foo\n", true, 41471, "../lib/foo"},
        {"P:/usr/bin/foo\nm:16877\n5:(none)\n", true, 16877, ""},
        // Empty texts count as absent.
        {"P:/usr/bin/foo\nm:\n5:\n", false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        std::unique_ptr<Package> p = readRecord("N:foo\nV:1\n" + c.lines + "X:\n");
        const Dependency* d = p->getProvide(0);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(p->getProvide(1), nullptr);
        EXPECT_EQ(d->getMaster(), p.get());
        const DependencyFile* f = dynamic_cast<const DependencyFile*>(d);
        EXPECT_EQ(f != nullptr, c.file);
        if (!c.file) {
            EXPECT_NE(dynamic_cast<const DependencyLogical*>(d), nullptr);
        }
        if (!f) continue;
        EXPECT_EQ(f->getName(), "/usr/bin/foo");
        EXPECT_EQ(f->getMode(), c.mode);
        EXPECT_EQ(f->getMd5String(), c.digest);
    }
}

TEST_F(PackageCacheTest, TwoProvidesInARowAndProvideBeforeOtherLists) {
    std::unique_ptr<Package> p =
        readRecord("N:foo\nV:1\nP:/a/b\nm:33188\nP:/a/c\nP:cap\nR:dep\nP:/a/d\nm:41471\n5:t\nX:\n");
    EXPECT_NE(dynamic_cast<DependencyFile*>(p->getProvide(0)), nullptr);
    EXPECT_NE(dynamic_cast<DependencyLogical*>(p->getProvide(1)), nullptr);
    EXPECT_EQ(provideText(p->getProvide(2)), "cap");
    EXPECT_EQ(provideText(p->getProvide(3)), "/a/d");
    EXPECT_EQ(provideText(p->getRequire(0)), "dep");
}

TEST_F(PackageCacheTest, LineCounterCountsEveryLineReadAndRunsOnAcrossRecords) {
    const std::string text =
        "N:a\nV:1\n# comment\nP:/x\nm:41471\n5:t\nX:\n"
        "\n\n"
        "N:b\nV:2\nX:\n";
    TextFile f(text);
    std::vector<std::unique_ptr<Package>> all = readAll(f.file);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_STREQ(all[1]->getName(), "b");

    // The blank lines the caller skipped are not counted.
    int counter = 40;
    TextFile g(text);
    delete Package::createFromCache(g.file, &counter);
    EXPECT_EQ(counter, 47);
    int c;
    while ((c = std::getc(g.file)) == '\n') {
    }
    std::ungetc(c, g.file);
    delete Package::createFromCache(g.file, &counter);
    EXPECT_EQ(counter, 50);
}

TEST_F(PackageCacheTest, UnknownTagOnlyWarns) {
    testutil::LogCapture log(3);
    std::unique_ptr<Package> p = readRecord("N:foo\nQ:x\nV:1\nX:\n");
    EXPECT_STREQ(p->getName(), "foo");
    EXPECT_EQ(p->getVersion()->toString(), "1");
    EXPECT_EQ(log.text(), "Warning: unknow tag in cache, whole line is: Q:x'\n");
}

// Errors ----------------------------------------------------------------------------------------

TEST_F(PackageCacheTest, ErrorTable) {
    const std::string lineStart = "Error in Package::createFromCache: input line  ";
    struct Case {
        std::string record;
        std::string text;  // error text, newest line first
        std::string log;   // what the log file got
        std::string codes = "(1,1,1,3)";
    } cases[] = {
        {"N:a\nN:b\nX:\n", lineStart + "2: N:b\nDuplicate entries in package description.\n",
         "Invalid cache format: tag 'N' occured twice, second in 'N:b'"},
        {"N:foo\nV:1\nP:x\n", lineStart + "3: P:x\nMalformed package description.\n", ""},
        // The end is found while looking at the line after the "m:" line.
        {"N:foo\nV:1\nP:/x\nm:1", lineStart + "4: m:1\nMalformed package description.\n", ""},
        {"N:foo\nV:1\n", "The file is incomplete\n", "createFromCache(): package must terminated with 'X' "},
        {"N:foo\n\nV:1\nX:\n",
         lineStart + "2: \nMalformed package description:\none of the lines is too short to be a description.\n", ""},
        {"N:foo\nV\nX:\n",
         lineStart + "2: V\nMalformed package description:\none of the lines is too short to be a description.\n", ""},
        {"N:foo\n(none)\nX:\n",
         lineStart + "2: \nMalformed package description:\none of the lines is too short to be a description.\n", ""},
        {"N:foo\nV=1\nX:\n",
         lineStart + "2: V=1\nMalformed entry in the package description: the second character is not a colon.\n", ""},
        {"N:foo\nX:\n", lineStart + "2: X:\nVersion number is missing from the package description.\n",
         " 'A=' 'E=' 'F=' 'L=' 'N=foo' 'V='\n"},
        {"S:x\nN:foo\nf:5\nB:\nR:bar\n",
         lineStart + "5: R:bar\nVersion number is missing from the package description.\n",
         " 'A=' 'B=' 'E=' 'F=' 'L=' 'N=foo' 'S=x' 'V=' 'f=5'\n"},
        {"N:foo\nV:1\nR:bar\nV:2\nX:\n", lineStart + "4: V:2\nMalformed package description.\n",
         "Invalid cache format: multi-occured fields mixed with single-occured fields\n" + lineStart + "4:V:2\n"},
        {"F:a.tar\nN:a\nV:1\nX:\n", lineStart + "4: X:\nUnable to create package object from file a.tar\n", ""},
        {"N:a\nV:1\ns:12a\nR:b\n", lineStart + "4: R:b\nInvalid number format.\n", ""},
        {"N:a\nV:1\nf:99999999999\nX:\n", lineStart + "4: X:\nInvalid number format.\n", ""},
        // Codes already set stay.
        {"N:a\nV:1\nM:abc\nX:\n", lineStart + "4: X:\nMD5 string size is not 32- 3 abc\n", "", "(3,1,1,3)"},
        {"N:a\nV:1\nP:/x\nm:7x\nX:\n", lineStart + "4: m:7x\nInvalid number format.\n", ""},
        {"N:a\nV:1\nP:/x\nm\nX:\n",
         lineStart + "4: m\nMalformed package description:\none of the lines is too short to be a description.\n", ""},
        {"N:a\nV:1\nP:/x\n5x\nX:\n",
         lineStart + "4: 5x\nMalformed entry in the package description: the second character is not a colon.\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        testutil::LogCapture log(2);
        error e = raisedError([&] { readRecord(c.record); });
        EXPECT_EQ(e.text(), c.text);
        EXPECT_EQ(codesOf(e), c.codes);
        EXPECT_EQ(log.text(), c.log);
    }
}

TEST_F(PackageCacheTest, ErrorsOfVersionsAndDependenciesNameTheLine) {
    struct Case {
        const char* record;
        std::string text;
        const char* codes;
    } cases[] = {
        {"N:a\nV:-1\nX:\n", "3: X:\nVersion is not specified. Error in Version, line 91.\n", "(1,1,1,3)"},
        {"N:a\nV:1\nR:b = -1\nX:\n", "3: R:b = -1\nVersion is not specified. Error in Version, line 91.\n",
         "(1,1,1,3)"},
        {"N:a\nV:1\nP:\nX:\n",
         "3: P:\nAn internal error occured in vantrell, rev.297274 DependencyLogical, line 27.\n", "(3,1,1,3)"},
    };
    for (const Case& c : cases) {
        testutil::LogCapture log(2);
        error e = raisedError([&] { readRecord(c.record); });
        EXPECT_EQ(e.text(), "Error in Package::createFromCache: input line  " + c.text) << c.record;
        EXPECT_EQ(codesOf(e), c.codes) << c.record;
    }
}

// Whole lines ------------------------------------------------------------------------------------

TEST_F(PackageCacheTest, LongLinesAreReadWhole) {
    // Paths and requires of real packages run past a kilobyte.
    std::string path = "/opt";
    while (path.size() < 3000) path += "/" + std::string(200, 'd');
    path += "/P:not-a-line";
    const std::string require = "lib" + std::string(2000, 'r') + " >= 1.0";
    std::unique_ptr<Package> p =
        readRecord("N:foo\nV:1\nR:" + require + "\nP:" + path + "\nm:33188\n5:" + std::string(32, 'a') + "\nX:\n");
    EXPECT_EQ(provideText(p->getRequire(0)), require);
    EXPECT_EQ(p->getRequire(1), nullptr);
    EXPECT_EQ(provideText(p->getProvide(0)), path);
    EXPECT_EQ(p->getProvide(1), nullptr);
}

TEST_F(PackageCacheTest, ALineOfMoreThanAMebibyteIsRefused) {
    const std::string value(1 << 20, 'v');
    error e = raisedError([&] { readRecord("N:foo\nV:" + value + "\nX:\n"); });
    EXPECT_EQ(e.text(), "Error in Package::createFromCache: input line  2: V:" + std::string(254, 'v') +
                            "...\nMalformed package description.\n");
    EXPECT_EQ(codesOf(e), "(1,1,1,3)");
}

// Records of real producers ------------------------------------------------------------------------

// This host's packages in the Debian producer's shape. The status line is filtered out before
// reading, as the installed-Debian source does: only records whose status begins "install ok".
TEST_F(PackageCacheTest, EveryInstalledDebianPackageOfThisHostReads) {
    testutil::RunResult dump = testutil::run(
        {"/usr/bin/dpkg-query", "-W", "-f",
         "${Status}\nF:${Package}_installed.deb\nN:${Package}\nV:${Version}\nA:${Architecture}\nX:\n"});
    ASSERT_EQ(dump.status, 0) << dump.err;

    std::string kept;
    size_t wanted = 0;
    std::istringstream in(dump.out);
    std::string status;
    while (std::getline(in, status)) {
        std::string record;
        std::string line;
        while (std::getline(in, line)) {
            record += line + "\n";
            if (line == "X:") break;
        }
        if (status.compare(0, 10, "install ok") != 0) continue;
        kept += record;
        ++wanted;
    }
    ASSERT_GT(wanted, 50u);

    TextFile f(kept);
    std::vector<std::unique_ptr<Package>> all = readAll(f.file);
    ASSERT_EQ(all.size(), wanted);
    for (const auto& p : all) {
        EXPECT_EQ(typeid(*p), typeid(DebPackage)) << p->getName();
        EXPECT_EQ(typeid(*p->getVersion()), typeid(DebVersion)) << p->getName();
        EXPECT_EQ(p->getFileName(), std::string(p->getName()) + "_installed.deb");
    }
}

// A package built here by rpmbuild and read back through rpm's own query, in the full-read
// shape of the installed-rpm source.
TEST_F(PackageCacheTest, RecordOfARealRpmReadsWhole) {
    testutil::TempDir tmp;
    testutil::writeFile(tmp / ".rpmmacros", "%_topdir " + tmp.path() + "/rpmbuild\n%_dbpath " + tmp.path() +
                                                "/rpmdb\n%_tmppath " + tmp.path() + "/tmp\n");
    std::string longDir;
    for (int i = 0; i < 6; ++i) longDir += (i ? "/" : "") + std::string(190, static_cast<char>('a' + i));
    const std::string longPath = "/opt/lp/" + longDir + "/file.txt";
    ASSERT_GT(longPath.size(), 1100u);
    testutil::writeFile(tmp / "lp.spec",
                        "Name: lp\nVersion: 1.2\nRelease: 3\nSummary: long paths\nLicense: none\nBuildArch: noarch\n"
                        "Requires: bash >= 3.0\n%description\nlong paths\n%install\n"
                        "mkdir -p %{buildroot}/opt/lp/" + longDir + " %{buildroot}/opt/lp/dir\n"
                        "echo long > %{buildroot}" + longPath + "\n"
                        "echo regular > %{buildroot}/opt/lp/regular\n"
                        "ln -s regular %{buildroot}/opt/lp/link\n"
                        "%files\n/opt/lp\n");
    const std::map<std::string, std::string> env = {{"HOME", tmp.path()}, {"LC_ALL", "C"}};
    testutil::RunResult built = testutil::run(
        {"/usr/bin/rpmbuild", "-bb", "--nodeps", "--quiet", "--define", "_build_id_links none", tmp / "lp.spec"}, env);
    ASSERT_EQ(built.status, 0) << built.err;
    const std::string rpmFile = tmp / "rpmbuild/RPMS/noarch/lp-1.2-3.noarch.rpm";

    const char* format =
        "F:system_installed_%{NAME}-%{VERSION}-%{RELEASE}.%{ARCH}.rpm\nN:%{NAME}\nE:%{EPOCH}\nV:%{VERSION}\n"
        "L:%{RELEASE}\nA:%{ARCH}\nf:%{INSTALLTIME}\nB:%{BUILDTIME}\n"
        "[R:%{REQUIRENAME} %{REQUIREFLAGS:depflags} %{REQUIREVERSION}\n]"
        "[P:%{PROVIDENAME} %{PROVIDEFLAGS:depflags} %{PROVIDEVERSION}\n]"
        "[P:%{FILENAMES}\nm:%{FILEMODES}\n5:%{FILEMD5S}%{FILELINKTOS}\n]X:\n";
    testutil::RunResult query = testutil::run({"/usr/bin/rpm", "-qp", "--queryformat", format, rpmFile}, env);
    ASSERT_EQ(query.status, 0) << query.err;
    testutil::RunResult digests =
        testutil::run({"/usr/bin/rpm", "-qp", "--queryformat", "[%{FILENAMES} %{FILEMD5S}\n]", rpmFile}, env);
    ASSERT_EQ(digests.status, 0) << digests.err;
    std::string regularDigest;
    std::istringstream lines(digests.out);
    for (std::string l; std::getline(lines, l);)
        if (l.compare(0, 16, "/opt/lp/regular ") == 0) regularDigest = l.substr(16);
    ASSERT_EQ(regularDigest.size(), 64u) << digests.out;

    int counter = 0;
    TextFile f(query.out);
    std::unique_ptr<Package> p(Package::createFromCache(f.file, &counter));
    EXPECT_EQ(typeid(*p), typeid(RPMPackage));
    EXPECT_EQ(p->getFileName(), "system_installed_lp-1.2-3.noarch.rpm");
    EXPECT_EQ(p->getVersion()->toString(), "1.2-3");
    EXPECT_STREQ(p->getArch(), "noarch");
    EXPECT_GT(p->buildTime(), 0u);

    std::map<std::string, const DependencyFile*> files;
    for (unsigned i = 0; const Dependency* d = p->getProvide(i); ++i)
        if (const DependencyFile* df = dynamic_cast<const DependencyFile*>(d)) files[df->getName()] = df;
    // The long path is one provide and nothing of it spilled into another line.
    ASSERT_EQ(files.count(longPath), 1u);
    EXPECT_TRUE(files[longPath]->isRegularFile());
    ASSERT_EQ(files.count("/opt/lp/link"), 1u);
    EXPECT_EQ(files["/opt/lp/link"]->getMd5String(), "regular");
    ASSERT_EQ(files.count("/opt/lp/regular"), 1u);
    EXPECT_EQ(files["/opt/lp/regular"]->getMd5String(), regularDigest.substr(0, 32));
    ASSERT_EQ(files.count("/opt/lp/dir"), 1u);
    EXPECT_TRUE(files["/opt/lp/dir"]->isDirectory());
    EXPECT_EQ(files["/opt/lp/dir"]->getDigest(), nullptr);

    bool bash = false;
    for (unsigned i = 0; const Dependency* d = p->getRequire(i); ++i) {
        EXPECT_EQ(provideText(d).find("rpmlib("), std::string::npos) << provideText(d);
        if (provideText(d) == "bash >= 3.0") bash = true;
    }
    EXPECT_TRUE(bash);
    // Every line of the query was read, no more and no less.
    size_t queryLines = 0;
    for (char c : query.out) queryLines += c == '\n';
    EXPECT_EQ(static_cast<size_t>(counter), queryLines);
}

// Writing ----------------------------------------------------------------------------------------

TEST_F(PackageCacheTest, WrittenRecordIsExact) {
    std::unique_ptr<Package> p(Package::create("foo", "2:1.0-3", "foo-1.0-3.x86_64.rpm"));
    p->setType('s');
    p->setArch("x86_64");
    p->fileTime = 1700000000;
    p->size = 3000000000LL;
    p->setBuildTime(-1);
    p->addRequire("bar >= 1.2");
    p->addProvide("foo-libs");
    p->addProvideDependency(new DependencyFile("/usr/bin/foo", 0100755, std::string(64, 'A'), p.get()));
    p->addProvideDependency(new DependencyFile("/usr/bin/zero", 0100644, std::string(32, '0'), p.get()));
    p->addProvideDependency(new DependencyFile("/usr/bin/link", 0120777, "foo", p.get()));
    p->addConflict("baz");
    p->addObsolete("old < 1");
    char* buffer = nullptr;
    size_t length = 0;
    FILE* out = ::open_memstream(&buffer, &length);
    p->writeToCache(out, nullptr);
    std::fclose(out);
    std::string text(buffer, length);
    std::free(buffer);
    EXPECT_EQ(text,
              "F:foo-1.0-3.x86_64.rpm\nN:foo\nE:2\nV:1.0\nL:3\nA:x86_64\nf:1700000000\ns:3000000000\nB:4294967295\n"
              "M:00000000000000000000000000000000\nR:bar >= 1.2\nP:foo-libs\n"
              "P:/usr/bin/foo\nm:33261\n5:aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n"
              "P:/usr/bin/zero\nm:33188\n5:\n"
              "P:/usr/bin/link\nm:41471\n5:foo\n"
              "C:baz\nO:old < 1\nX:\n");
}

TEST_F(PackageCacheTest, SkippedPackagesAreOnlyLogged) {
    struct Case {
        const char* name;
        const char* file;
        char type;
        std::string log;
    } cases[] = {
        {"foo", "foo.rpm", 'n', "skip dump package of no type\n"},
        {"", "foo.rpm", 's', "Cant dump package if name or filename is empty(name= filename=foo.rpm\n"},
    };
    for (const Case& c : cases) {
        testutil::LogCapture log(2);
        std::unique_ptr<Package> p(Package::create(c.name, "1.0", c.file));
        p->setType(c.type);
        testutil::TempDir tmp;
        FILE* out = std::fopen((tmp / "cache").c_str(), "w");
        p->writeToCache(out, "other.rpm");
        std::fclose(out);
        EXPECT_EQ(testutil::readFile(tmp / "cache"), "") << c.log;
        EXPECT_EQ(log.text(), c.log);
    }
    testutil::LogCapture log(2);
    std::unique_ptr<Package> p(Package::create("foo", "1.0", "foo.rpm"));
    p->setType('s');
    p->setFileName("");
    p->writeToCache(stdout, nullptr);
    EXPECT_EQ(log.text(), "Cant dump package if name or filename is empty(name=foo filename=\n");
}

TEST_F(PackageCacheTest, WrittenRecordsReadBack) {
    struct Case {
        const char* name;
        const char* version;
        const char* file;
        const char* arch;
        bool files;
    } cases[] = {
        {"foo", "1.0-1.el5", "foo-1.0-1.el5.i386.rpm", "i386", false},
        {"foo", "3:1.0-1", "foo-1.0-1.x86_64.rpm", "x86_64", true},
        {"bar", "1:2.0~rc1-1ubuntu2", "bar_installed.deb", "amd64", true},
        {"baz", "2.0+dfsg", "pool/b/baz_2.0+dfsg_all.deb", "all", false},
        {"std", "1.0", "install-std.sh", "noarch", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::unique_ptr<Package> p(Package::create(c.name, c.version, c.file));
        p->setType('s');
        p->setArch(c.arch);
        p->fileTime = 1234567890;
        p->size = 3000000000LL;
        p->setBuildTime(1200000000);
        p->setMd5("d41d8cd98f00b204e9800998ecf8427e");
        p->addRequire("libc.so.6()(64bit)");
        p->addRequire("dep >= 1:2.0-3");
        p->addProvide(c.name);
        p->addProvide("virtual = 5");
        if (c.files) {
            p->addProvideDependency(new DependencyFile("/usr/bin/x", 0100755, std::string(32, 'c'), p.get()));
            p->addProvideDependency(new DependencyFile("/usr/share/x", 040755, "", p.get()));
            p->addProvideDependency(new DependencyFile("/usr/bin/y", 0120777, "x", p.get()));
        }
        p->addConflict("other < 2");
        p->addObsolete("old");

        FILE* cache = std::tmpfile();
        p->writeToCache(cache, nullptr);
        std::rewind(cache);
        std::unique_ptr<Package> q(Package::createFromCache(cache, nullptr));
        std::fclose(cache);

        EXPECT_EQ(typeid(*q), typeid(*p));
        EXPECT_EQ(typeid(*q->getVersion()), typeid(*p->getVersion()));
        EXPECT_EQ(q->getName(), p->getName());
        EXPECT_EQ(q->getVersion()->toString(), c.version);
        EXPECT_EQ(q->getArch(), p->getArch());
        EXPECT_EQ(q->getFileName(), c.file);
        EXPECT_EQ(q->fileTime, 1234567890);
        EXPECT_EQ(q->size, 3000000000LL);
        EXPECT_EQ(q->buildTime(), 1200000000u);
        EXPECT_EQ(md5Text(q->getMd5()), "d41d8cd98f00b204e9800998ecf8427e");
        auto same = [](const Dependency* a, const Dependency* b) {
            if (!a || !b) return a == b;
            if (typeid(*a) != typeid(*b) || provideText(a) != provideText(b)) return false;
            const DependencyFile* fa = dynamic_cast<const DependencyFile*>(a);
            const DependencyFile* fb = dynamic_cast<const DependencyFile*>(b);
            return !fa || (fa->getMode() == fb->getMode() && fa->getMd5String() == fb->getMd5String());
        };
        for (unsigned i = 0; i < 8; ++i) {
            EXPECT_TRUE(same(p->getRequire(i), q->getRequire(i))) << "require " << i;
            EXPECT_TRUE(same(p->getProvide(i), q->getProvide(i))) << "provide " << i;
            EXPECT_TRUE(same(p->getConflict(i), q->getConflict(i))) << "conflict " << i;
            EXPECT_TRUE(same(p->getObsolete(i), q->getObsolete(i))) << "obsolete " << i;
        }
        EXPECT_NE(q->getProvide(c.files ? 4 : 1), nullptr);
    }
}

TEST_F(PackageCacheTest, OverrideNameIsWrittenAsTheFileName) {
    std::unique_ptr<Package> p(Package::create("foo", "1.0", "foo.rpm"));
    p->setType('b');
    FILE* cache = std::tmpfile();
    p->writeToCache(cache, "elsewhere/foo-1.0.rpm");
    std::rewind(cache);
    std::unique_ptr<Package> q(Package::createFromCache(cache, nullptr));
    std::fclose(cache);
    EXPECT_EQ(q->getFileName(), "elsewhere/foo-1.0.rpm");
    // No epoch was given, so none is written and none comes back.
    EXPECT_FALSE(q->getVersion()->hasEpoch());
}

// The package element -------------------------------------------------------------------------

std::unique_ptr<Package> fromXml(const std::string& xml) {
    TiXmlDocument doc;
    doc.Parse(xml.c_str());
    EXPECT_FALSE(doc.Error()) << xml;
    return std::unique_ptr<Package>(Package::createFromXml(*doc.RootElement()));
}

TEST_F(PackageCacheTest, PackageElementTable) {
    struct Case {
        const char* xml;
        const std::type_info& kind;
        const char* version;
        const char* arch;
        int64_t size;
        uint32_t buildTime;
        const char* md5;
    } cases[] = {
        {"<package name='foo' file='foo-1.0-1.i386.rpm' version='1.0' release='1' arch='i386' "
         "md5='0123456789ABCDEF0123456789abcdef' buildtime='1200000000' size='3000000000'/>",
         typeid(RPMPackage), "1.0-1", "i386", 3000000000LL, 1200000000u, "0123456789abcdef0123456789abcdef"},
        // An empty release gives the version alone; an empty arch is "noarch".
        {"<package name='foo' file='pool/foo_1.0_all.deb' version='1:1.0' release='' arch='' md5='' buildtime='0' "
         "size='0'/>",
         typeid(DebPackage), "1:1.0", "noarch", 0, 0u, "00000000000000000000000000000000"},
        {"<package name='foo' file='install-foo.sh' version='2.5' release='7' arch='noarch' md5='' buildtime='1' "
         "size='2'/>",
         typeid(StdPackage), "2.5-7", "noarch", 2, 1u, "00000000000000000000000000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        std::unique_ptr<Package> p = fromXml(c.xml);
        EXPECT_EQ(typeid(*p), c.kind);
        EXPECT_STREQ(p->getName(), "foo");
        EXPECT_EQ(p->getVersion()->toString(), c.version);
        EXPECT_STREQ(p->getArch(), c.arch);
        EXPECT_EQ(p->size, c.size);
        EXPECT_EQ(p->buildTime(), c.buildTime);
        EXPECT_EQ(md5Text(p->getMd5()), c.md5);
        EXPECT_EQ(p->getType(), 'n');
    }
}

TEST_F(PackageCacheTest, PackageElementErrors) {
    const std::string badTag = "There is an error in Corvane Products Installer's configuration file.\n";
    const std::string full = "name='foo' file='foo.rpm' version='1.0' release='1' arch='x' md5='' buildtime='1' size='2'";
    auto without = [&full](const std::string& attribute) {
        const size_t at = full.find(attribute + "=");
        const size_t end = full.find('\'', full.find('\'', at) + 1);
        return "<package " + full.substr(0, at) + full.substr(end + 1) + "/>";
    };
    struct Case {
        std::string xml;
        std::string text;
        std::string codes;
        std::string log;
    } cases[] = {
        {without("name"), badTag, "(1,1,1,3)", "No 'name' attribute for tag 'package'\n"},
        {without("file"), badTag, "(1,1,1,3)", "No 'file' attribute for tag 'package'\n"},
        {without("version"), badTag, "(1,1,1,3)", "No 'version' attribute for tag 'package'\n"},
        {without("release"), badTag, "(1,1,1,3)", "No 'release' attribute for tag 'package'\n"},
        {without("arch"), badTag, "(1,1,1,3)", "No 'arch' attribute for tag 'package'\n"},
        {without("md5"), badTag, "(1,1,1,3)", "No 'md5' attribute for tag 'package'\n"},
        {without("buildtime"), badTag, "(1,1,1,3)", "No 'buildtime' attribute for tag 'package'\n"},
        {without("size"), badTag, "(1,1,1,3)", "No 'size' attribute for tag 'package'\n"},
        // The attributes are looked at in order: the first missing one is named.
        {"<package file='foo.rpm'/>", badTag, "(1,1,1,3)", "No 'name' attribute for tag 'package'\n"},
        {"<package name='foo' file='' version='1.0' release='1' arch='x'/>",
         "Unable to create package object from file \n", "(0,0,0,0)", ""},
        {"<package name='foo' file='foo.rpm' version='1.0' release='1' arch='x' md5='' buildtime='1x' size='2'/>",
         "Invalid number format.\n", "(0,0,0,0)", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        testutil::LogCapture log(2);
        error e = raisedError([&] { fromXml(c.xml); });
        EXPECT_EQ(e.text(), c.text);
        EXPECT_EQ(codesOf(e), c.codes);
        EXPECT_EQ(log.text(), c.log);
    }
}

}  // namespace
