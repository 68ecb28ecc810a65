#include "packages/DebVersion.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/error.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

class DebVersionTest : public testutil::EnglishTest {};

int sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int debCompare(const std::string& a, const std::string& b) { return DebVersion(a).compare(DebVersion(b)); }

// dpkg's own answer, as a sign.
int dpkgSign(const std::string& a, const std::string& b) {
    for (const char* op : {"lt", "eq"}) {
        testutil::RunResult r = testutil::run({"/usr/bin/dpkg", "--compare-versions", a, op, b});
        EXPECT_TRUE(r.status == 0 || r.status == 1) << a << " " << op << " " << b << ": " << r.err;
        if (r.status == 0) return op[0] == 'l' ? -1 : 0;
    }
    return 1;
}

TEST_F(DebVersionTest, PeerCasesOfDpkgAndApt) {
    std::ifstream in(VN_FIXTURES_DIR "/packages/debvercmp-cases.tsv");
    ASSERT_TRUE(in) << "fixture missing";
    std::string line;
    std::getline(in, line);  // header
    int rows = 0;
    while (std::getline(in, line)) {
        // Fields are split on tabs only: a few versions keep a leading or trailing blank.
        std::vector<std::string> f;
        std::stringstream s(line);
        for (std::string field; std::getline(s, field, '\t');) f.push_back(field);
        ASSERT_GE(f.size(), 3u) << line;
        EXPECT_EQ(sign(debCompare(f[0], f[1])), std::stoi(f[2])) << "'" << f[0] << "' vs '" << f[1] << "' (" << f[3] << ")";
        ++rows;
    }
    EXPECT_EQ(rows, 171);
}

TEST_F(DebVersionTest, AgreesWithDpkg) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"1.0~rc1", "1.0", -1},
        {"1.0", "1.0a", -1},
        // '+' weighs its code plus 256, letters their code.
        {"1.0a", "1.0+b1", -1},
        {"1.0~rc1", "1.0~rc1~", 1},
        {"1.0~", "1.0", -1},
        {"1.0+", "1.0.", -1},
        {"1.01", "1.1", 0},
        {"1.10", "1.9", 1},
        {"1.0010", "1.9", 1},
        {"000", "0", 0},
        {"1:0.5", "2.0", 1},
        {"0:2.0", "2.0", 0},
        {"2:1", "10:0", -1},
        {"2.0-1", "2.0-1ubuntu1", -1},
        {"2.0", "2.0-0", 0},
        {"2.0-1-3", "2.0-1-10", -1},
        // The upstream version runs to the last hyphen: 2.0-1 is longer than 2.0.
        {"2.0-1-3", "2.0-2", 1},
        {"1.2.3-a.b", "1.2.3-a+b", 1},
        {"1.0A", "1.0a", -1},
        {"ab", "a", 1},
        {"a", "a0", 0},
        {"1:2:3", "1:2:3-0", 0},
        // A raw difference of weights that is exactly -255 ('A' against '@') is still only "less".
        {"1.0A", "1.0@", -1},
        // Trailing blanks end the version, as in dpkg.
        {"1.0 ", "1.0", 0},
        {"\t1.0", "1.0", 0},
        // dpkg reads bytes of 128 and above as negative characters: lighter than '+'.
        {"1.0\xc3\xa9", "1.0+", -1},
        {"1.0\xc3\xa9", "1.0~", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("'") + c.a + "' vs '" + c.b + "'");
        EXPECT_EQ(dpkgSign(c.a, c.b), c.expected);
        EXPECT_EQ(debCompare(c.a, c.b), c.expected);
        EXPECT_EQ(debCompare(c.b, c.a), -c.expected);
    }
}

TEST_F(DebVersionTest, OperatorsFollowTheDebianOrder) {
    DebVersion rc("1.0~rc1");
    DebVersion release("1.0");
    EXPECT_TRUE(rc < release);
    EXPECT_TRUE(release > rc);
    EXPECT_FALSE(rc == release);
    EXPECT_TRUE(DebVersion("1.01") == DebVersion("1.1"));
    // Under the rpm rules '~' is a plain separator and 1.0~rc1 would be the newer.
    EXPECT_TRUE(Version("1.0~rc1") > Version("1.0"));
}

TEST_F(DebVersionTest, VersionParseNormalisesBeforeTheComparison) {
    // The epoch text that is no number reads as 0 and is written "0:".
    EXPECT_EQ(DebVersion("x:1.0").toString(), "0:1.0");
    EXPECT_EQ(debCompare("x:1.0", "1.0"), 0);
    // An empty version part reads "no_versioning_data".
    EXPECT_EQ(DebVersion("5:").toString(), "5:no_versioning_data");
    EXPECT_EQ(debCompare("5:", "4:9"), 1);
}

TEST_F(DebVersionTest, UncomparableSidesGiveMinus255AndOneLine) {
    struct Case {
        const char* a;
        const char* b;
        const char* line;
    } cases[] = {
        {"1.0 beta", "1.0", "version a has bad syntax: version string has embedded spaces\n"},
        {"1.0", "1.0 beta", "version b has bad syntax: version string has embedded spaces\n"},
        {"<unknown>", "1.0", "version a is noninformative\n"},
        {"1.0", "<unknown>", "version b is noninformative\n"},
        // Text a is handled fully first; its emptiness is asked only after b has been read.
        {"<unknown>", "1 x", "version b has bad syntax: version string has embedded spaces\n"},
        {"1 x", "<unknown>", "version a has bad syntax: version string has embedded spaces\n"},
        {"<unknown>", "<unknown>", "version a is noninformative\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        testutil::StderrCapture err;
        EXPECT_EQ(debCompare(c.a, c.b), -255);
        EXPECT_EQ(err.text(), c.line);
    }

    // Such a version is "less" even than itself.
    testutil::StderrCapture err;
    DebVersion bad("1.0 beta");
    EXPECT_TRUE(bad < bad);
    EXPECT_FALSE(bad == bad);
    EXPECT_FALSE(bad > bad);
}

// The Debian reading of a version is made when its text is set; every way of setting the
// text afterwards must make it again, or the version compares by its old text. Before each
// change "1.0-1" is older than `other`; after it, the comparison gives `after`.
TEST_F(DebVersionTest, ComparesByItsTextAfterEveryChange) {
    struct Case {
        const char* name;
        void (*change)(Version&);
        const char* text;
        const char* other;
        int after;
    } cases[] = {
        {"setRelease", [](Version& v) { v.setRelease("9"); }, "1.0-9", "1.0-5", 1},
        {"setEpoch", [](Version& v) { v.setEpoch(2); }, "2:1.0-1", "1.5", 1},
        {"parse", [](Version& v) { v.parse("1.5~rc1"); }, "1.5~rc1-1", "1.5~beta", 1},
        {"parse of a text that ends in '-'", [](Version& v) { v.parse("2.0-"); }, "2.0-1", "1.5", 1},
        {"assignment through the base", [](Version& v) { v = Version("3.0"); }, "3.0", "2.0", 1},
        {"a text dpkg refuses", [](Version& v) { v.parse("1.0 beta"); }, "1.0 beta-1", "1.5", -255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DebVersion v("1.0-1");
        ASSERT_EQ(v.compare(DebVersion(c.other)), -1);
        c.change(v);
        EXPECT_EQ(v.toString(), c.text);
        testutil::StderrCapture err;
        const int r = v.compare(DebVersion(c.other));
        EXPECT_EQ(r == -255 ? -255 : sign(r), c.after);
        // And as the other side.
        const int back = DebVersion(c.other).compare(v);
        EXPECT_EQ(back == -255 ? -255 : -sign(back), c.after);
    }
}

TEST_F(DebVersionTest, CopiesAndOtherVersionKindsCompareByTheirTexts) {
    // A copy keeps a reading of its own: the original may go first.
    std::unique_ptr<DebVersion> original(new DebVersion("1:2.0~rc1-3"));
    const DebVersion copy(*original);
    original.reset();
    EXPECT_EQ(copy.compare(DebVersion("1:2.0-1")), -1);
    EXPECT_EQ(copy.compare(DebVersion("1:2.0~rc1-3")), 0);

    // Against a version of the rpm rules the Debian rules still read both full texts.
    EXPECT_EQ(DebVersion("1.0~rc1").compare(Version("1.0")), -1);
    EXPECT_EQ(DebVersion("1.0").compare(Version("1.0~rc1")), 1);
    EXPECT_EQ(DebVersion("2:1.0-1").compare(Version("2:1.0-1")), 0);
    testutil::StderrCapture err;
    EXPECT_EQ(DebVersion("1.0").compare(Version("1.0 beta")), -255);
    EXPECT_EQ(err.text(), "version b has bad syntax: version string has embedded spaces\n");
}

TEST_F(DebVersionTest, TripleParseTable) {
    struct Case {
        std::string text;
        std::string reason;
        unsigned long epoch;
        const char* upstream;
        const char* revision;
    } cases[] = {
        {"", "version string is empty", 0, "", ""},
        {"1.0 beta", "version string has embedded spaces", 0, "", ""},
        {"1 :2", "version string has embedded spaces", 0, "", ""},
        {"x:1.0", "epoch in version is not number", 0, "", ""},
        {"1a:1.0", "epoch in version is not number", 0, "", ""},
        {"1:", "nothing after colon in version number", 0, "", ""},
        {"2.0-1-3", "", 0, "2.0-1", "3"},
        {"1:2:3-4", "", 1, "2:3", "4"},
        {"  7:2.0-1\t ", "", 7, "2.0", "1"},
        {"-1", "", 0, "", "1"},
        {"1.0-", "", 0, "1.0", ""},
        // Blanks only: a triple that says nothing, refused later by the comparison.
        {"   ", "", 0, "", ""},
        // dpkg's number reader takes an empty epoch as 0.
        {":1", "", 0, "1", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.text + "'");
        DebVersion::Triple t;
        t.epoch = 99;
        EXPECT_EQ(DebVersion::parseTriple(c.text, t), c.reason);
        if (!c.reason.empty()) {
            EXPECT_EQ(t.epoch, 99u) << "a failed parse leaves the triple alone";
            continue;
        }
        EXPECT_EQ(t.epoch, c.epoch);
        EXPECT_EQ(t.upstream, c.upstream);
        EXPECT_EQ(t.revision, c.revision);
    }
}

TEST_F(DebVersionTest, PartComparisonsAreInternalErrors) {
    DebVersion a("1.0");
    DebVersion b("2.0");
    const std::vector<error> errors = {
        raisedError([&] { a.compareEpoch(b); }),
        raisedError([&] { a.compareVersion(b); }),
        raisedError([&] { a.compareRelease(b); }),
        raisedError([&] { a.compareStrings("1", "2"); }),
    };
    for (const error& e : errors) {
        EXPECT_EQ(e.text(), "An internal error occurred in DebVersion, line &lt;line number&gt;\n");
        EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    }
}

}  // namespace
