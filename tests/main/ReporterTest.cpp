// The report format: plain text and the XML document, byte for byte.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <sstream>

#include "main/Reporter.h"
#include "support/TestUtil.h"

namespace {

const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";

class ReporterFormat : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        Reporter::xmlOutput = false;
        Reporter::statusPrefix.clear();
    }
};

struct Row {
    const char* label;
    bool xml;
    const char* prefix;
    int status;
    std::string message;
    std::string errorClass;
    std::string out;
    std::string err;
};

TEST_F(ReporterFormat, PutTable) {
    const Row rows[] = {
        {"text ok without message: an empty line", false, "", 0, "", "", "\n\n", ""},
        {"text error keeps the lines of a report", false, "", 1, "first\nsecond\n", "internal",
         "\nERROR: first\nsecond\n\n", ""},
        {"text busy", false, "", 2, "locked", "", "\nBUSY: locked\n", ""},
        {"text unknown status has no lead-in word", false, "", 7, "m", "c", "\nm\n", ""},
        {"text leaves XML special characters alone", false, "", 1, "a & <b> \"q\"", "", "\nERROR: a & <b> \"q\"\n", ""},
        {"xml ok without prefix", true, "", 0, "", "", decl + "<vantrell status=\"ok\" />\n", ""},
        {"xml error: newlines as character references, class last", true, "", 1, "Not implement yet\n", "e_class broken",
         decl + "<vantrell status=\"error\" error_message=\"Not implement yet&#x0A;\" error_class=\"e_class broken\" />\n",
         "ERROR: Not implement yet\n\n"},
        {"xml busy goes nowhere but standard output", true, "query_", 2, "locked", "",
         decl + "<vantrell status=\"query_busy\" error_message=\"locked\" />\n", ""},
        {"xml class without message is not written", true, "", 1, "", "internal", decl + "<vantrell status=\"error\" />\n",
         "ERROR: \n"},
        {"xml unknown status keeps only the prefix", true, "install_", 5, "m", "",
         decl + "<vantrell status=\"install_\" error_message=\"m\" />\n", ""},
        {"xml ok message with a class", true, "install_", 0, "Installation started", "x",
         decl + "<vantrell status=\"install_ok\" error_message=\"Installation started\" error_class=\"x\" />\n", ""},
        {"xml escapes and switches to single quotes around a double quote", true, "", 0, "a&b <c> \"d\" 'e'\t", "",
         decl + "<vantrell status=\"ok\" error_message='a&amp;b &lt;c&gt; &quot;d&quot; &apos;e&apos;&#x09;' />\n", ""},
    };
    for (const Row& row : rows) {
        Reporter::xmlOutput = row.xml;
        Reporter::statusPrefix = row.prefix;
        std::ostringstream out;
        std::string err;
        {
            testutil::StderrCapture capture;
            Reporter r(row.status, row.message, row.errorClass);
            EXPECT_EQ(&r.put(out), &out) << row.label;
            err = capture.text();
        }
        EXPECT_EQ(out.str(), row.out) << row.label;
        EXPECT_EQ(err, row.err) << row.label;
    }
}

TEST_F(ReporterFormat, PutXmlCopiesTheContentWithEverythingBelowIt) {
    TiXmlElement content("progress");
    content.SetAttribute("finished", "true");
    TiXmlElement child("error");
    child.InsertEndChild(TiXmlText("disk <full>"));
    content.InsertEndChild(child);
    content.InsertEndChild(TiXmlElement("stage"));

    std::ostringstream out;
    Reporter(2, "busy now", "").putXml(out, &content);
    EXPECT_EQ(out.str(), decl +
                             "<vantrell status=\"busy\" error_message=\"busy now\"><progress finished=\"true\">"
                             "<error>disk &lt;full&gt;</error><stage /></progress></vantrell>\n");
    // The caller's element is left as it was.
    EXPECT_EQ(content.Parent(), nullptr);
    EXPECT_STREQ(content.FirstChildElement()->Value(), "error");
}

}  // namespace
