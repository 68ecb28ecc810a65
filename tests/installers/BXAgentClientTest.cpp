// What the agent client makes of answer texts, without an agent: package records, error
// reports, element texts and the compact form of request packets.
#include "installers/BXAgentClient.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <sstream>
#include <string>

#include "common/error.h"
#include "support/LogCapture.h"

namespace {

std::string printed(const BXAgentClient::BXADataPackage& p) {
    std::ostringstream s;
    s << p;
    return s.str();
}

// The first element of `xml`, parsed into `doc`.
TiXmlElement* parsed(TiXmlDocument& doc, const std::string& xml) {
    doc.Parse(xml.c_str());
    EXPECT_FALSE(doc.Error()) << xml << ": " << doc.ErrorDesc();
    return doc.RootElement();
}

TEST(BXAgentClientRecord, DotsOfTemplatesAndDistributives) {
    struct Case {
        const char* package;  // children of the "package" element
        const char* printed;
        const char* why;
    } cases[] = {
        {"<name>.t1</name><type>app</type><platform>x86</platform><distributive>.centos-5-x86</distributive>",
         "t1:kvtemplate:x86:centos-5-x86", "a dot marks a KV template, whatever its type said"},
        {"<name>..t2</name><type>app</type><platform>x86</platform><distributive>..centos-5-x86</distributive>",
         ".t2:kvtemplate:x86:.centos-5-x86", "only one dot goes"},
        {"<name>nvo</name><type>rpm</type><platform>x86_64</platform><distributive>centos-5-x86_64</distributive>",
         "nvo:rpm:x86_64:centos-5-x86_64", "without dots nothing changes"},
        {"<name>t3</name><type>app</type><distributive>.debian-5.0-x86</distributive>", "t3:app::debian-5.0-x86",
         "a dotted distributive alone keeps the type; a missing platform is empty"},
        {"<name>.</name><type>app</type>", ":kvtemplate::", "a lone dot"},
        {"", ":::", "no children"},
        {"<name/><type><!-- none --></type>", ":::", "elements without text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TiXmlDocument doc;
        const BXAgentClient::BXADataPackage p(parsed(doc, std::string("<package>") + c.package + "</package>"));
        EXPECT_EQ(c.printed, printed(p));
    }
    TiXmlDocument doc;
    const BXAgentClient::BXADataPackage p(
        parsed(doc, "<package><name>nvo</name><version>2:1.0-3</version></package>"));
    EXPECT_EQ("2:1.0-3", p.version) << "kept, though not printed";
}

TEST(BXAgentClientRecord, OnlyAPackageElementMakesARecord) {
    TiXmlDocument doc;
    const TiXmlElement* other = parsed(doc, "<template><name>t1</name></template>");
    const error e = testutil::raisedError([&] { BXAgentClient::BXADataPackage p(other); });
    EXPECT_EQ("(3,1,1,3)", testutil::codesOf(e));
    EXPECT_NE(std::string::npos, e.text().find("An internal error occured in vantrell")) << e.text();
}

std::string reportOf(const std::string& answer) {
    TiXmlDocument doc;
    const TiXmlElement* section = parsed(doc, answer)->FirstChildElement("data")->FirstChildElement();
    return BXAgentClient::errorText(section, answer);
}

TEST(BXAgentClientReport, TheAgentsMessageIsShownAsSent) {
    const std::string rule(42, '-');
    struct Case {
        std::string answer;
        std::string message;  // between the two rules
        const char* why;
    } cases[] = {
        {"<packet><data><pkgm><error><code>7</code><message>a<br/>b</message></error></pkgm></data></packet>", "a<br/>b",
         "markup stays"},
        {"<packet><data><pkgm><error><code>7</code><message>a &amp; b</message></error></pkgm></data></packet>",
         "a &amp; b", "entities stay"},
        {"<packet><data><pkgm><error><code>7</code><message>line\n</message></error></pkgm></data></packet>", "line\n",
         "a line end of the agent's own ends the line before the rule"},
        {"<packet><data><pkgm><error><code>7</code><message/></error></pkgm></data></packet>", "",
         "an empty element: no tags in the raw text, the element's text is used"},
        {"<packet><data><pkgm><error><code>7</code><message></message></error></pkgm></data></packet>", "",
         "nothing between the tags"},
        {"<packet><data><pkgm><x><message>elsewhere</message></x><error><code>7</code><message>own</message></error>"
         "</pkgm></data></packet>",
         "elsewhere", "kept on purpose: the first tags of the whole answer count, inside the error or not"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ("BXAgent error code: 7\nBXAgent error message:\n" + rule + "\n" + c.message + rule + "\n",
                  reportOf(c.answer));
    }
}

TEST(BXAgentClientReport, WithoutTheRawTextTheParsedMessageIsUsed) {
    TiXmlDocument doc;
    const TiXmlElement* section =
        parsed(doc, "<pkgm><error><code>12</code><message>a<br/>b &amp; c</message></error></pkgm>");
    const std::string rule(42, '-');
    EXPECT_EQ("BXAgent error code: 12\nBXAgent error message:\n" + rule + "\na" + rule + "\n",
              BXAgentClient::errorText(section, ""));
}

TEST(BXAgentClientReport, ASectionWithoutErrorIsAnInternalError) {
    TiXmlDocument doc;
    const TiXmlElement* section = parsed(doc, "<pkgm><package/></pkgm>");
    EXPECT_FALSE(BXAgentClient::hasError(section));
    const error e = testutil::raisedError([&] { BXAgentClient::errorText(section, ""); });
    EXPECT_EQ("(3,1,1,3)", testutil::codesOf(e));
}

TEST(BXAgentClientXml, ChildTextIsTheFirstTextNodeOfTheFirstNamedChild) {
    TiXmlDocument doc;
    const TiXmlElement* e = parsed(doc,
                                   "<p><a><!-- c -->one<b/>two</a><a>other</a><c><![CDATA[x<y]]></c><d><e>deep</e></d>"
                                   "<f/></p>");
    EXPECT_EQ("one", childText(e, "a"));
    EXPECT_EQ("x<y", childText(e, "c"));
    EXPECT_EQ("", childText(e, "d")) << "text of a grandchild does not count";
    EXPECT_EQ("", childText(e, "f"));
    EXPECT_EQ("", childText(e, "missing"));
}

TEST(BXAgentClientXml, ValueElementsAreWrittenCompactly) {
    TiXmlElement list("list");
    addTextChild(&list, "veid", "");
    addTextChild(&list, "name", "a&b <c> \"d\"");
    list.LinkEndChild(new TiXmlElement("get_version"));
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    list.Accept(&printer);
    EXPECT_EQ("<list><veid></veid><name>a&amp;b &lt;c&gt; &quot;d&quot;</name><get_version /></list>",
              std::string(printer.CStr()));
}

}  // namespace
