// The listings of additional source types and of the configured additional sources.
#include <gtest/gtest.h>

#include <sstream>

#include "common/Opsys.h"
#include "main/Options.h"
#include "main/Reporter.h"
#include "reporting/AddSourceTypesReporter.h"
#include "reporting/AddSourcesReporter.h"
#include "support/TestUtil.h"

namespace {

const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";
const std::string typesHeader = "Typename        Type of URL     Authentification    \n";
const std::string typesRows = "repomd          network         possible            \n"
                              "directory       local           impossible          \n";
const std::string typesXml =
    "<source type=\"repomd\" url_type=\"network\" auth=\"possible\" />"
    "<source type=\"directory\" url_type=\"local\" auth=\"impossible\" />";

// In a child: the vendor override counts only before the first detection of the process.
std::string sourceTypes(const std::string& vendor, bool xml) {
    return testutil::inChild([&] {
        Opsys::override_os_name = "Linux";
        Opsys::override_os_vendor = vendor;
        Opsys::override_os_version = "1";
        Opsys::override_os_arch = "x86_64";
        Reporter::xmlOutput = xml;
        std::ostringstream out;
        AddSourceTypesReporter r(0, "", "");
        r.put(out);
        return out.str();
    });
}

TEST(AddSourceTypesReporter, RowsFollowThePackageSystemOfTheHost) {
    struct Row {
        const char* vendor;
        bool rows;
    };
    const Row rows[] = {{"CentOS", true},  {"RedHat", true}, {"SuSE", true},   {"Debian", false},
                        {"Ubuntu", false}, {"FreeBSD", false}, {"MacOS", false}};
    for (const Row& row : rows) {
        EXPECT_EQ(sourceTypes(row.vendor, false), typesHeader + (row.rows ? typesRows : "")) << row.vendor;
        EXPECT_EQ(sourceTypes(row.vendor, true),
                  decl + "<vantrell status=\"ok\">" + (row.rows ? "<sources>" + typesXml + "</sources>" : "<sources />") +
                      "</vantrell>\n")
            << row.vendor;
    }
}

class AddSourcesListing : public ::testing::Test {
protected:
    void TearDown() override { Reporter::xmlOutput = false; }

    std::string list(const std::vector<AdditionalSource>& sources, bool xml) {
        Reporter::xmlOutput = xml;
        std::ostringstream out;
        AddSourcesReporter r(0, "", "", sources);
        r.put(out);
        return out.str();
    }
};

AdditionalSource source(const std::string& type, int priority, const std::string& url) {
    AdditionalSource s;
    s.type = type;
    s.priority = priority;
    s.url = url;
    s.user = "user";
    s.password = "secret";
    return s;
}

TEST_F(AddSourcesListing, TextAndXmlWithoutCredentials) {
    EXPECT_EQ(list({}, false), "Type            Priority        URL             \n");
    EXPECT_EQ(list({}, true), decl + "<vantrell status=\"ok\"><sources /></vantrell>\n");

    const std::vector<AdditionalSource> sources = {
        source("directory", 10, "/srv/pkgs"),
        source("repomd", 500, "http://mirror.example/centos/5/os/x86_64/?a=1&b=2"),
    };
    EXPECT_EQ(list(sources, false),
              "Type            Priority        URL             \n"
              "directory       10              /srv/pkgs       \n"
              "repomd          500             http://mirror.example/centos/5/os/x86_64/?a=1&b=2\n");
    const std::string xml = list(sources, true);
    EXPECT_EQ(xml, decl + "<vantrell status=\"ok\"><sources>"
                          "<source type=\"directory\" priority=\"10\" url=\"/srv/pkgs\" />"
                          "<source type=\"repomd\" priority=\"500\" url=\"http://mirror.example/centos/5/os/x86_64/?a=1&amp;b=2\" />"
                          "</sources></vantrell>\n");
    EXPECT_EQ(xml.find("secret"), std::string::npos);
}

}  // namespace
