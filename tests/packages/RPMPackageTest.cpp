#include "packages/RPMPackage.h"

#include <gtest/gtest.h>
#include <rpm/header.h>
#include <rpm/rpmlib.h>
#include <rpm/rpmtag.h>
#include <rpm/rpmts.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "common/error.h"
#include "packages/DependencyFile.h"
#include "packages/DependencyLogical.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/RpmFixtures.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::rpmFixture;
using testutil::rpmQuery;
using testutil::splitLines;

std::string textOf(const Dependency& d) {
    std::ostringstream s;
    s << d;
    return s.str();
}

typedef Dependency* (Package::*ListEntry)(unsigned) const;

std::vector<const Dependency*> entries(const Package& p, ListEntry get) {
    std::vector<const Dependency*> out;
    for (unsigned i = 0; const Dependency* d = (p.*get)(i); ++i) out.push_back(d);
    return out;
}

std::vector<std::string> texts(const Package& p, ListEntry get) {
    std::vector<std::string> out;
    for (const Dependency* d : entries(p, get)) out.push_back(textOf(*d));
    return out;
}

std::vector<const DependencyFile*> fileProvides(const Package& p) {
    std::vector<const DependencyFile*> out;
    for (const Dependency* d : entries(p, &Package::getProvide))
        if (const DependencyFile* f = dynamic_cast<const DependencyFile*>(d)) out.push_back(f);
    return out;
}

std::vector<std::string> logicalProvides(const Package& p) {
    std::vector<std::string> out;
    for (const Dependency* d : entries(p, &Package::getProvide))
        if (dynamic_cast<const DependencyLogical*>(d)) out.push_back(textOf(*d));
    return out;
}

// Everything the header gave the package, one line per fact, for comparing two reads.
std::string describe(const Package& p) {
    std::ostringstream s;
    s << p.toString() << " built " << p.buildTime() << "\n";
    const char* lists[] = {"R", "P", "C", "O"};
    ListEntry getters[] = {&Package::getRequire, &Package::getProvide, &Package::getConflict, &Package::getObsolete};
    for (int l = 0; l < 4; ++l)
        for (const Dependency* d : entries(p, getters[l])) {
            s << lists[l] << " " << typeid(*d).name() << " " << *d;
            if (const DependencyFile* f = dynamic_cast<const DependencyFile*>(d))
                s << " " << f->getMode() << " " << f->getMd5String();
            s << "\n";
        }
    return s.str();
}

// The header of a real package file, read with librpm as the program does.
struct HeaderFree {
    void operator()(Header h) const { headerFree(h); }
};
typedef std::unique_ptr<headerToken_s, HeaderFree> HeaderPtr;

HeaderPtr headerOf(const std::string& file) {
    rpmts ts = rpmtsCreate();
    FD_t fd = Fopen(file.c_str(), "r");
    Header h = nullptr;
    const rpmRC rc = rpmReadPackageFile(ts, fd, file.c_str(), &h);
    Fclose(fd);
    rpmtsFree(ts);
    EXPECT_EQ(rc, RPMRC_OK) << file;
    return HeaderPtr(h);
}

class RpmPackageTest : public testutil::EnglishTest {
protected:
    std::unique_ptr<RPMPackage> readPackage(const std::string& file) {
        std::unique_ptr<RPMPackage> p(new RPMPackage("placeholder", "0.1-1"));
        p->setFileName(file);
        p->readInfo();
        return p;
    }

    testutil::TempDir tmp;
};

TEST_F(RpmPackageTest, IdentityAndFileFactsAsRpmShowsThem) {
    for (const char* name : {"alpha.rpm", "alpha-md5.rpm", "alpha-signed.rpm", "epoch-none.rpm", "epoch-0.rpm",
                             "epoch-2.rpm"}) {
        SCOPED_TRACE(name);
        const std::string file = rpmFixture(name);
        std::unique_ptr<RPMPackage> p = readPackage(file);
        const Version& v = *p->getVersion();
        EXPECT_EQ(std::string(p->getName()) + "\n" + v.getVersion() + "\n" + v.getRelease() + "\n" + p->getArch() +
                      "\n" + std::to_string(p->buildTime()) + "\n",
                  rpmQuery(file, {"--queryformat", "%{NAME}\\n%{VERSION}\\n%{RELEASE}\\n%{ARCH}\\n%{BUILDTIME}\\n"}));
        EXPECT_EQ(p->getFileName(), file);

        struct stat st;
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(p->size, st.st_size);
        EXPECT_EQ(p->fileTime, st.st_mtime);
        EXPECT_EQ(md5Text(p->getMd5()), testutil::run({"/usr/bin/md5sum", file}).out.substr(0, 32));
    }
}

TEST_F(RpmPackageTest, EpochIsPresentExactlyWhenTheHeaderHasOne) {
    struct Case {
        const char* file;
        bool hasEpoch;
        uint32_t epoch;
        const char* version;
    } cases[] = {
        {"epoch-none.rpm", false, 0, "3.1-7"},
        // Epoch 0 is an epoch: it outranks a version without one in some comparisons.
        {"epoch-0.rpm", true, 0, "0:3.1-7"},
        {"epoch-2.rpm", true, 2, "2:3.1-7"},
        {"alpha.rpm", false, 0, "1.2.3-4.el5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::unique_ptr<RPMPackage> p = readPackage(rpmFixture(c.file));
        EXPECT_EQ(p->getVersion()->hasEpoch(), c.hasEpoch);
        EXPECT_EQ(p->getVersion()->getEpoch(), c.epoch);
        EXPECT_EQ(p->getVersion()->toString(), c.version);
    }
}

TEST_F(RpmPackageTest, DependenciesAsRpmListsThem) {
    const std::string file = rpmFixture("alpha.rpm");
    std::unique_ptr<RPMPackage> p = readPackage(file);

    std::vector<std::string> rpmRequires;
    for (const std::string& line : splitLines(rpmQuery(file, {"--requires"})))
        if (line.compare(0, 7, "rpmlib(") != 0) rpmRequires.push_back(line);
    EXPECT_EQ(texts(*p, &Package::getRequire), rpmRequires);
    EXPECT_EQ(texts(*p, &Package::getRequire),
              (std::vector<std::string>{"bar > 2.0", "baz < 3", "foo", "foo = 1.2", "foo <= 1.2", "foo >= 1.2"}));

    const std::string longName = "vnfix-" + std::string(140, 'p');
    EXPECT_EQ(logicalProvides(*p), splitLines(rpmQuery(file, {"--provides"})));
    EXPECT_EQ(logicalProvides(*p), (std::vector<std::string>{"vnfix-alpha = 1.2.3-4.el5", longName + " = 1.0",
                                                             "vnfix-virtual = 2.0"}));

    // rpm's own features are no requires, but a conflict or obsolete naming one stays.
    EXPECT_EQ(texts(*p, &Package::getConflict), splitLines(rpmQuery(file, {"--conflicts"})));
    EXPECT_EQ(texts(*p, &Package::getConflict),
              (std::vector<std::string>{"/etc/baz", "qux < 1:0.5", "rpmlib(Bogus)"}));
    EXPECT_EQ(typeid(*p->getConflict(0)), typeid(DependencyFile));
    EXPECT_EQ(typeid(*p->getConflict(1)), typeid(DependencyLogical));

    EXPECT_EQ(texts(*p, &Package::getObsolete), splitLines(rpmQuery(file, {"--obsoletes"})));
    EXPECT_EQ(texts(*p, &Package::getObsolete), (std::vector<std::string>{"old-alpha < 1.0", "older-alpha"}));
    for (const Dependency* d : entries(*p, &Package::getObsolete)) EXPECT_EQ(typeid(*d), typeid(DependencyLogical));
}

TEST_F(RpmPackageTest, FileProvidesAsRpmListsThem) {
    const std::string longPath = "/opt/vnfix/" + std::string(60, 'd') + "/" + std::string(60, 'e') + "/" +
                                 std::string(60, 'f') + "/a-file-at-the-end-of-a-long-path.txt";
    const std::string helloFile = tmp / "hello";
    testutil::writeFile(helloFile, "hello\n");
    const std::string helloMd5 = testutil::run({"/usr/bin/md5sum", helloFile}).out.substr(0, 32);
    const std::string helloSha256 = testutil::run({"/usr/bin/sha256sum", helloFile}).out.substr(0, 64);

    struct Case {
        const char* file;
        std::string fileTxtDigest;  // the digest text of /opt/vnfix/file.txt
    } cases[] = {
        // rpm 4.18 writes SHA-256 file digests; the first 32 hexadecimal digits are kept.
        {"alpha.rpm", helloSha256.substr(0, 32)},
        {"alpha-md5.rpm", helloMd5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = rpmFixture(c.file);
        std::unique_ptr<RPMPackage> p = readPackage(file);
        std::vector<const DependencyFile*> files = fileProvides(*p);
        const std::vector<std::string> rpmFiles = splitLines(
            rpmQuery(file, {"--queryformat", "[%{FILENAMES}\\t%{FILEMODES}\\t%{FILEDIGESTS}\\t%{FILELINKTOS}\\n]"}));
        ASSERT_EQ(files.size(), rpmFiles.size());

        std::map<std::string, const DependencyFile*> byPath;
        for (size_t i = 0; i < files.size(); ++i) {
            std::vector<std::string> fields;
            std::istringstream in(rpmFiles[i]);
            for (std::string f; std::getline(in, f, '\t');) fields.push_back(f);
            fields.resize(4);
            SCOPED_TRACE(fields[0]);
            const DependencyFile& f = *files[i];
            EXPECT_EQ(f.getName(), fields[0]);
            EXPECT_EQ(f.getMode(), std::stoi(fields[1]));
            EXPECT_EQ(f.getMaster(), p.get());
            if (S_ISLNK(f.getMode()))
                EXPECT_EQ(f.getMd5String(), fields[3]);
            else if (S_ISREG(f.getMode()))
                EXPECT_EQ(f.getMd5String(), fields[2].substr(0, 32));
            else
                EXPECT_TRUE(f.isDirectory());
            byPath[f.getName()] = &f;
        }

        ASSERT_EQ(byPath.count("/opt/vnfix/link"), 1u);
        EXPECT_EQ(byPath["/opt/vnfix/link"]->getMd5String(), "file.txt");
        ASSERT_EQ(byPath.count("/opt/vnfix/file.txt"), 1u);
        EXPECT_EQ(byPath["/opt/vnfix/file.txt"]->getMd5String(), c.fileTxtDigest);
        ASSERT_EQ(byPath.count("/opt/vnfix/dir"), 1u);
        EXPECT_TRUE(byPath["/opt/vnfix/dir"]->isDirectory());
        ASSERT_EQ(byPath.count(longPath), 1u);
        EXPECT_EQ(byPath[longPath]->getDirectory() + std::string(byPath[longPath]->getBaseName()), longPath);
    }
}

TEST_F(RpmPackageTest, HeaderWithoutFilesGivesNoFileProvides) {
    const std::string file = rpmFixture("epoch-none.rpm");
    std::unique_ptr<RPMPackage> p = readPackage(file);
    EXPECT_TRUE(fileProvides(*p).empty());
    EXPECT_EQ(logicalProvides(*p), splitLines(rpmQuery(file, {"--provides"})));
    EXPECT_EQ(p->getConflict(0), nullptr);
    EXPECT_EQ(p->getObsolete(0), nullptr);
}

TEST_F(RpmPackageTest, SignedWithAnUnknownKeyReadsLikeUnsigned) {
    const std::string signedFile = rpmFixture("alpha-signed.rpm");
    // The fixture is what the test is about: signed, and its key held by no key ring here.
    testutil::RunResult check = testutil::run({"/usr/bin/rpm", "-Kv", signedFile});
    ASSERT_NE((check.out + check.err).find("NOKEY"), std::string::npos) << check.out << check.err;

    std::unique_ptr<RPMPackage> unsignedPackage = readPackage(rpmFixture("alpha.rpm"));
    std::unique_ptr<RPMPackage> signedPackage = readPackage(signedFile);
    EXPECT_EQ(describe(*signedPackage), describe(*unsignedPackage));
    EXPECT_NE(fileProvides(*signedPackage).size(), 0u);
}

TEST_F(RpmPackageTest, UnreadablePackagesRaiseThePackageReadError) {
    const std::string textFile = tmp / "bad.rpm";
    testutil::writeFile(textFile, "this is no package\n");
    struct Case {
        std::string file;
        bool loggedByRpm;  // the header read itself failed
    } cases[] = {
        {rpmFixture("alpha-truncated.rpm"), true},
        {textFile, true},
        // A build time of 0 counts as missing.
        {rpmFixture("alpha-buildtime0.rpm"), false},
        {tmp / "missing.rpm", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        RPMPackage p("placeholder", "0.1-1");
        p.setFileName(c.file);
        testutil::StderrCapture err;
        error e = raisedError([&] { p.readInfo(); });
        EXPECT_EQ(e.text(), "Failed to read the " + c.file + " package file.\n");
        EXPECT_EQ(codesOf(e), "(4,1,1,2)");
        const bool logged = err.text().find("error: " + c.file + " cannot be read (") != std::string::npos;
        EXPECT_EQ(logged, c.loggedByRpm) << err.text();
        EXPECT_EQ(p.getProvide(0), nullptr);
    }
}

TEST_F(RpmPackageTest, ReadFailureKeepsWhatWasReadBefore) {
    RPMPackage p("placeholder", "0.1-1");
    p.setFileName(rpmFixture("alpha-buildtime0.rpm"));
    raisedError([&] { p.readInfo(); });
    EXPECT_EQ(p.toString(), "vnfix-alpha-1.2.3-4.el5.noarch");
    EXPECT_EQ(p.buildTime(), 0u);
}

TEST_F(RpmPackageTest, EmptyFileNameIsAnInternalError) {
    RPMPackage p("placeholder", "0.1-1");
    testutil::LogCapture log(3);
    error e = raisedError([&] { p.readInfo(); });
    EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 RPMPackage, line 415.\n");
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    std::ostringstream trace;
    trace << "RPMPackage::readInfo(): this=" << static_cast<const void*>(&p) << "\n";
    EXPECT_NE(log.text().find(trace.str()), std::string::npos) << log.text();
    // The made-up file name of a package without one is not taken for a file.
    EXPECT_STREQ(p.getName(), "placeholder");
}

TEST_F(RpmPackageTest, ConfigurationFailureIsRaisedByEveryConstruction) {
    testutil::TempDir emptyConfig;
    struct Case {
        std::map<std::string, std::string> env;
        std::string out;
    } cases[] = {
        {{{"RPM_CONFIGDIR", emptyConfig.path()}},
         "(4,1,1,2) Failed to initialize the RPM library.\n"
         "(4,1,1,2) Failed to initialize the RPM library.\n"
         "summary:\nrpmReadConfigFiles() failed.\nrpmReadConfigFiles() failed.\n"},
        {{{"RPM_CONFIGDIR", testutil::unset}}, "made probe-1.0-1\nmade probe-1.0-1\nsummary:\n"},
    };
    for (const Case& c : cases) {
        testutil::RunResult r = testutil::run({testutil::program("prog_rpm_config")}, c.env);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.out) << r.err;
    }
}

TEST_F(RpmPackageTest, DependencyTextTable) {
    struct Case {
        uint32_t flags;
        const char* version;
        const char* text;
    } cases[] = {
        {0x0C, "1.2", "foo >= 1.2"},
        {0x0A, "1.2", "foo <= 1.2"},
        {0x08, "1.2", "foo = 1.2"},
        {0x02, "1.2", "foo < 1.2"},
        {0x04, "1.2", "foo > 1.2"},
        // No relation bit: the two blanks stay, and the whole text reads as one name.
        {0x00, "1.2", "foo  1.2"},
        // Other bits (pre-requirement, script contexts) do not count.
        {0x1000 | 0x40 | 0x08, "1.2", "foo = 1.2"},
        {0x0C, "", "foo"},
        {0x00, "", "foo"},
        {0x0E, "1:2-3", "foo <>= 1:2-3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(rpmDependencyText("foo", c.version, c.flags), c.text);
    }
}

TEST_F(RpmPackageTest, HeaderReadersTakeOnlyTheirEntryType) {
    RPMPackage configReader("placeholder", "0.1-1");
    HeaderPtr h = headerOf(rpmFixture("alpha.rpm"));
    ASSERT_TRUE(h);
    std::string text = "left";
    std::vector<uint32_t> numbers = {1};
    std::vector<std::string> strings = {"left"};

    // The summary is stored for translation; librpm hands it out as a plain string.
    EXPECT_TRUE(rpmHeaderGetString(h.get(), RPMTAG_SUMMARY, text));
    EXPECT_EQ(text, "Fixture package with dependencies and files");
    EXPECT_TRUE(rpmHeaderGetInt32Array(h.get(), RPMTAG_REQUIREFLAGS, numbers));
    EXPECT_EQ(numbers.size(), 9u);
    EXPECT_TRUE(rpmHeaderGetStringArray(h.get(), RPMTAG_CONFLICTNAME, strings));
    EXPECT_EQ(strings, (std::vector<std::string>{"/etc/baz", "qux", "rpmlib(Bogus)"}));

    EXPECT_FALSE(rpmHeaderGetString(h.get(), RPMTAG_BUILDTIME, text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(rpmHeaderGetString(h.get(), RPMTAG_BASENAMES, text));
    EXPECT_FALSE(rpmHeaderGetInt32Array(h.get(), RPMTAG_FILEMODES, numbers));
    EXPECT_TRUE(numbers.empty());
    EXPECT_FALSE(rpmHeaderGetInt32Array(h.get(), RPMTAG_NAME, numbers));
    EXPECT_FALSE(rpmHeaderGetStringArray(h.get(), RPMTAG_NAME, strings));
    EXPECT_TRUE(strings.empty());
    EXPECT_FALSE(rpmHeaderGetStringArray(h.get(), RPMTAG_EPOCH, strings));
}

// Headers no rpmbuild writes: a real package's header, altered, then read as the program
// reads any header.
TEST_F(RpmPackageTest, AlteredHeadersTable) {
    const std::string file = rpmFixture("alpha.rpm");
    RPMPackage configReader("placeholder", "0.1-1");  // the constructor has librpm read its configuration
    HeaderPtr original = headerOf(file);
    ASSERT_TRUE(original);

    auto replaceStrings = [](Header h, rpmTagVal tag, std::vector<const char*> values) {
        headerDel(h, tag);
        for (const char* v : values) EXPECT_EQ(headerPutString(h, tag, v), 1);
    };
    auto replaceNumbers = [](Header h, rpmTagVal tag, std::vector<uint32_t> values) {
        headerDel(h, tag);
        EXPECT_EQ(headerPutUint32(h, tag, values.data(), values.size()), 1);
    };
    const std::string pkgread = "Failed to read the " + file + " package file.\n";

    struct Case {
        const char* what;
        std::function<void(Header)> alter;
        std::string error;  // empty: read without error
        std::function<void(const Package&)> check;
    } cases[] = {
        {"an obsolete naming a path",
         [&](Header h) {
             replaceStrings(h, RPMTAG_OBSOLETENAME, {"/x"});
             replaceStrings(h, RPMTAG_OBSOLETEVERSION, {""});
             replaceNumbers(h, RPMTAG_OBSOLETEFLAGS, {0});
         },
         "",
         [](const Package& p) {
             ASSERT_NE(p.getObsolete(0), nullptr);
             EXPECT_EQ(typeid(*p.getObsolete(0)), typeid(DependencyLogical));
             EXPECT_EQ(textOf(*p.getObsolete(0)), "/x");
             EXPECT_EQ(p.getObsolete(1), nullptr);
         }},
        {"no requires, conflicts or obsoletes",
         [&](Header h) {
             for (rpmTagVal t : {RPMTAG_REQUIRENAME, RPMTAG_REQUIREVERSION, RPMTAG_REQUIREFLAGS, RPMTAG_CONFLICTNAME,
                                 RPMTAG_CONFLICTVERSION, RPMTAG_CONFLICTFLAGS, RPMTAG_OBSOLETENAME,
                                 RPMTAG_OBSOLETEVERSION, RPMTAG_OBSOLETEFLAGS})
                 headerDel(h, t);
         },
         "",
         [](const Package& p) {
             EXPECT_EQ(p.getRequire(0), nullptr);
             EXPECT_EQ(p.getConflict(0), nullptr);
             EXPECT_EQ(p.getObsolete(0), nullptr);
             EXPECT_EQ(fileProvides(p).size(), 8u);
         }},
        {"no base names", [&](Header h) { headerDel(h, RPMTAG_BASENAMES); }, "",
         [](const Package& p) {
             EXPECT_TRUE(fileProvides(p).empty());
             EXPECT_EQ(logicalProvides(p).size(), 3u);
         }},
        {"no summary", [&](Header h) { headerDel(h, RPMTAG_SUMMARY); }, pkgread, nullptr},
        {"no provide names", [&](Header h) { headerDel(h, RPMTAG_PROVIDENAME); }, pkgread, nullptr},
        {"require names without versions", [&](Header h) { headerDel(h, RPMTAG_REQUIREVERSION); }, pkgread, nullptr},
        {"fewer require names than flags",
         [&](Header h) { replaceStrings(h, RPMTAG_REQUIRENAME, {"foo"}); }, pkgread, nullptr},
        {"fewer provide versions than flags",
         [&](Header h) { replaceStrings(h, RPMTAG_PROVIDEVERSION, {"1"}); }, pkgread, nullptr},
        {"a directory index past the directory names",
         [&](Header h) {
             std::vector<uint32_t> indexes;
             ASSERT_TRUE(rpmHeaderGetInt32Array(h, RPMTAG_DIRINDEXES, indexes));
             indexes.back() = 9999;
             replaceNumbers(h, RPMTAG_DIRINDEXES, indexes);
         },
         pkgread, nullptr},
        {"fewer base names than directory indexes",
         [&](Header h) { replaceStrings(h, RPMTAG_BASENAMES, {"one"}); }, pkgread, nullptr},
        {"no link targets", [&](Header h) { headerDel(h, RPMTAG_FILELINKTOS); }, pkgread, nullptr},
        {"fewer digests than directory indexes",
         [&](Header h) { replaceStrings(h, RPMTAG_FILEDIGESTS, {""}); },
         "An internal error occured in vantrell, rev.297274 RPMPackage, line 648.\n", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HeaderPtr h(headerCopy(original.get()));
        c.alter(h.get());
        RPMPackage p("placeholder", "0.1-1");
        if (c.error.empty()) {
            p.readHeader(h.get(), file);
            c.check(p);
        } else {
            error e = raisedError([&] { p.readHeader(h.get(), file); });
            EXPECT_EQ(e.text(), c.error);
            EXPECT_EQ(codesOf(e), c.error == pkgread ? "(4,1,1,2)" : "(3,1,1,3)");
        }
    }
}

}  // namespace
