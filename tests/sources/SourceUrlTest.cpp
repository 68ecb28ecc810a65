#include "sources/SourceUrl.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <boost/algorithm/string/replace.hpp>
#include <boost/filesystem.hpp>
#include <sstream>

#include "common/Messages.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

class SourceUrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        // Relative locations are looked up from the working directory: a private one with a
        // directory "repo", a file "list.inf3" and an absolute directory "<tmp>/srv/repo".
        old = boost::filesystem::current_path().string();
        boost::filesystem::create_directories(tmp / "srv/repo");
        boost::filesystem::create_directories(tmp / "repo");
        testutil::writeFile(tmp / "list.inf3", "x");
        testutil::writeFile(tmp / "file", "x");
        boost::filesystem::current_path(tmp.path());
        cwd = boost::filesystem::current_path().string();
    }
    void TearDown() override { boost::filesystem::current_path(old); }

    // "{cwd}" stands for the working directory.
    std::string expand(std::string text) const {
        boost::algorithm::replace_all(text, "{cwd}", cwd);
        return text;
    }

    testutil::TempDir tmp;
    std::string old;
    std::string cwd;
};

TEST_F(SourceUrlTest, NormalisesLocations) {
    struct Case {
        const char* given;
        const char* expected;
        const char* why;
    } cases[] = {
        {"", "", "stays empty"},
        {"host/updates", "http://host/updates/", "no scheme, no local path: network with hope"},
        {"host", "http://host/", ""},
        {"http://host", "http://host/", ""},
        {"http://host/dir/", "http://host/dir/", "already a base"},
        {"http://", "", "nothing after the scheme"},
        {"ftp://", "", ""},
        {"http://host/dir/products.inf3", "http://host/dir/products.inf3", "a catalogue file stays a file"},
        {"http://host/dir/products.xml", "http://host/dir/products.xml/", "only .inf3 names stay files"},
        {"http://host.inf3", "http://host.inf3/", ".inf3 in the host part: no '/' after the scheme"},
        {"HTTP://host", "HTTP://host/", "schemes in any case; the text keeps its own"},
        {"Http://host/dir", "Http://host/dir/", ""},
        {"fTp://", "", ""},
        {"FILE://{cwd}/srv/repo", "{cwd}/srv/repo/", "a local source in any case, never a URL"},
        {"File://repo", "{cwd}/repo/", ""},
        {"ftp://host/pub", "ftp://host/pub/", ""},
        {"https://host/pub", "https://host/pub/", "not a known scheme, but it has ://"},
        {"file://{cwd}/srv/repo", "{cwd}/srv/repo/", "existing directory"},
        {"file://repo", "{cwd}/repo/", "relative after file://"},
        {"file://missing", "missing", "a missing path is left alone"},
        {"{cwd}/srv/repo", "{cwd}/srv/repo/", ""},
        {"{cwd}/srv/repo/", "{cwd}/srv/repo/", "no second '/'"},
        {"/srv/missing-vantrell-test", "/srv/missing-vantrell-test", "missing: no '/' added"},
        {"{cwd}/file", "{cwd}/file", "an existing file gets no '/'"},
        {"repo", "{cwd}/repo/", "existing relative directory"},
        {"list.inf3", "{cwd}/list.inf3", "existing relative file"},
        {"C:\\updates", "C:\\updates", "drive path: local, missing, unchanged"},
        {"C:", "http://C:/", "too short for the drive rule"},
    };
    for (const Case& c : cases) {
        SourceUrl url(expand(c.given));
        EXPECT_EQ(static_cast<const std::string&>(url), expand(c.expected)) << c.given << ": " << c.why;
    }
}

TEST_F(SourceUrlTest, SplitsLocations) {
    struct Case {
        const char* location;
        const char* basename;
        const char* dirname;
    } cases[] = {
        {"http://host/a/products.inf3", "products.inf3", "http://host/a/"},
        {"http://host/a/", "", "http://host/a/"},
        {"/srv/repo/x.inf3", "x.inf3", "/srv/repo/"},
        {"abc", "abc", "/"},
        {"", "", "/"},
        {"/", "", "/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(urlBasename(c.location), c.basename) << c.location;
        EXPECT_EQ(urlDirname(c.location), c.dirname) << c.location;
    }
}

TEST_F(SourceUrlTest, AbsolutePathIsOnlyALeadingSlash) {
    struct Case {
        const char* path;
        bool absolute;
    } cases[] = {
        {"", false}, {"repo/x", false}, {"C:\\x", false}, {"/", true}, {"//host/x", true}, {"/..", true},
    };
    for (const Case& c : cases) EXPECT_EQ(isAbsolutePath(c.path), c.absolute) << c.path;
}

// The lines of SourceUrl itself, without the file system's traces.
std::string sourceUrlLines(const std::string& log) {
    std::istringstream in(log);
    std::string out;
    for (std::string line; std::getline(in, line);)
        if (line.find("SourceUrl: ") != std::string::npos) out += line + "\n";
    return out;
}

TEST_F(SourceUrlTest, LogsTheRuleThatDecided) {
    struct Case {
        const char* given;
        const char* lines;
    } cases[] = {
        {"", "SourceUrl: original source url is \n"},
        {"host/updates",
         "SourceUrl: original source url is host/updates\n"
         "DEBUG: SourceUrl: process as network with hope on success.\n"
         "SourceUrl: fixed url is http://host/updates/\n"},
        {"http://",
         "SourceUrl: original source url is http://\n"
         "DEBUG: SourceUrl: process as network source, 'http://' or 'ftp://' proto specified.\n"
         "SourceUrl: fixed url is \n"},
        {"file://repo",
         "SourceUrl: original source url is file://repo\n"
         "DEBUG: SourceUrl: process as local source, 'file://' proto specified.\n"
         "SourceUrl: fixed url is {cwd}/repo/\n"},
        {"/srv/x",
         "SourceUrl: original source url is /srv/x\n"
         "DEBUG: SourceUrl: process as local, '/' at begin is unix path.\n"
         "SourceUrl: fixed url is /srv/x\n"},
        {"D:\\x",
         "SourceUrl: original source url is D:\\x\n"
         "DEBUG: SourceUrl: process as local, <drive> letter and ':\\' at begin, seems windows path.\n"
         "SourceUrl: fixed url is D:\\x\n"},
        {"repo",
         "SourceUrl: original source url is repo\n"
         "DEBUG: SourceUrl: process as local because 'url' exist in filesystem.\n"
         "SourceUrl: fixed url is {cwd}/repo/\n"},
    };
    for (const Case& c : cases) {
        testutil::LogCapture log(3);
        SourceUrl url(c.given);
        EXPECT_EQ(sourceUrlLines(log.text()), expand(c.lines)) << c.given;
    }
}

TEST_F(SourceUrlTest, OnlyTheMessagesOfLevelTwoWithoutDebugging) {
    testutil::LogCapture log(2);
    SourceUrl url("host");
    EXPECT_EQ(log.text(), "SourceUrl: original source url is host\nSourceUrl: fixed url is http://host/\n");
}

}  // namespace
