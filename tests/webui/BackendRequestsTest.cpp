// Reading the request documents of the web pages: one row per document, with the values read
// or the exact complaint.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <functional>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/tinybind.h"
#include "main/Options.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "webui/BackendProtocol.h"

namespace {

const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

std::string request(const std::string& inner) { return decl + "<request>" + inner + "</request>"; }

// What reading `f` left: "" when it raised nothing, the codes and text of an `error`, or
// "xml: " and the access layer's text.
std::string raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const error& e) {
        return testutil::codesOf(e) + " " + e.text();
    } catch (const tinybind::err& e) {
        return "xml: " + e.message;
    }
    return "";
}

std::string compact(const TiXmlNode& node) {
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    node.Accept(&printer);
    return printer.Str();
}

class BackendRequests : public testutil::EnglishTest {};

TEST_F(BackendRequests, RequestDocument) {
    struct Row {
        const char* text;
        const char* command;
        const char* raised;
    };
    const Row rows[] = {
        {"<?xml version=\"1.0\"?><request><command value=\"get_progress\"/></request>", "get_progress", ""},
        {"<request><command/></request>", "", ""},
        {"", "", "(3,1,1,3) no XML root node in request package\n"},
        {"get_progress", "", "(3,1,1,3) no XML root node in request package\n"},
        {"<?xml version=\"1.0\"?>", "", "(3,1,1,3) no XML root node in request package\n"},
        {"<Request><command value=\"x\"/></Request>", "",
         "(3,1,1,3) XML root node in request must have named 'request'.\n"},
        {"<answer/>", "", "(3,1,1,3) XML root node in request must have named 'request'.\n"},
        {"<request><Command value=\"x\"/></request>", "",
         "xml: There is no child element 'command' in tag 'request'"},
    };
    for (const Row& row : rows) {
        WebRequest read;
        EXPECT_EQ(raised([&] { read = BackendProtocol::readRequest(row.text); }), row.raised) << row.text;
        if (!*row.raised) {
            EXPECT_EQ(read.command, row.command) << row.text;
            ASSERT_TRUE(read.root);
            EXPECT_EQ(read.root->ValueStr(), "request");
        }
    }
}

TEST_F(BackendRequests, ProductSelection) {
    struct Row {
        const char* inner;
        // "product/release/type/customize" per entry, each followed by ";".
        const char* read;
        const char* raised;
    };
    const Row rows[] = {
        {"<products><product id=\"tarnix\" release_id=\"tarnix-12\" installation_type=\"Typical\"/>"
         "<product id=\"mardell\" release_id=\"mardell-3\" installation_type=\"Custom\" customize=\"yes\"/>"
         "<product id=\"vemdo\" customize=\"false\"/><product id=\"x\" customize=\"true\"/></products>",
         "tarnix/tarnix-12/Typical/0;mardell/mardell-3/Custom/1;vemdo///0;x///1;", ""},
        {"<products/>", "", ""},
        {"<products><product id=\"tarnix\" customize=\"1\"/></products>", "",
         "xml: There is incorrect boolean attribute 'customize' in element product (row:1 col:58). Must be "
         "'true' or 'false'."},
        {"<product id=\"tarnix\"/>", "", "xml: There is no child element 'products' in tag 'request'"},
    };
    for (const Row& row : rows) {
        TiXmlDocument doc;
        doc.Parse(request(row.inner).c_str());
        std::string read;
        EXPECT_EQ(raised([&] {
                      for (const ProductSelection& s : BackendProtocol::parseProductSelection(doc.RootElement()))
                          read += s.productId + "/" + s.releaseId + "/" + s.installationType + "/" +
                                  (s.customize ? "1" : "0") + ";";
                  }),
                  row.raised)
            << row.inner;
        EXPECT_EQ(read, row.read) << row.inner;
    }
}

TEST_F(BackendRequests, ComponentSelection) {
    struct Row {
        const char* inner;
        const char* read;
        const char* raised;
    };
    const Row rows[] = {
        {"<products><product id=\"tarnix\"><components><component id=\"base\"/><component id=\"webmail\"/>"
         "<component id=\"base\"/></components></product><product id=\"mardell\"><components/></product>"
         "</products>",
         "tarnix: base webmail base;mardell:;", ""},
        {"<products><product id=\"tarnix\"/></products>", "",
         "xml: There is no child element 'components' in tag 'product'"},
        {"<components/>", "", "xml: There is no child element 'products' in tag 'request'"},
    };
    for (const Row& row : rows) {
        TiXmlDocument doc;
        doc.Parse(request(row.inner).c_str());
        std::string read;
        EXPECT_EQ(raised([&] {
                      for (const auto& product : BackendProtocol::parseComponentSelection(doc.RootElement())) {
                          read += product.first + ":";
                          for (const std::string& id : product.second) read += " " + id;
                          read += ";";
                      }
                  }),
                  row.raised)
            << row.inner;
        EXPECT_EQ(read, row.read) << row.inner;
    }
}

TEST_F(BackendRequests, ComponentSettings) {
    struct Row {
        const char* inner;
        const char* read;
        bool internal;
    };
    const Row rows[] = {
        // The later value wins; two elements of one product share its values.
        {"<products><product id=\"tarnix\"><settings><setting id=\"port\" value=\"1\"/>"
         "<setting id=\"port\" value=\"2\"/><setting id=\"name\"/></settings></product>"
         "<product id=\"mardell\"><settings/></product>"
         "<product id=\"tarnix\"><settings><setting id=\"ssl\" value=\"yes\"/></settings></product></products>",
         "tarnix: name= port=2 ssl=yes;", false},
        {"<settings/>", "", true},
        {"<products><product id=\"tarnix\"/></products>", "", true},
    };
    for (const Row& row : rows) {
        TiXmlDocument doc;
        doc.Parse(request(row.inner).c_str());
        std::string read;
        const std::string failure = raised([&] {
            for (const auto& product : BackendProtocol::parseComponentParams(doc.RootElement())) {
                read += product.first + ":";
                for (const auto& value : product.second) read += " " + value.first + "=" + value.second;
                read += ";";
            }
        });
        EXPECT_EQ(read, row.read) << row.inner;
        if (row.internal)
            EXPECT_EQ(failure.substr(0, 48), "(3,1,1,3) An internal error occured in vantrell,") << row.inner;
        else
            EXPECT_EQ(failure, "") << row.inner;
    }
}

TEST_F(BackendRequests, LocaleLogSizeAndProductIcon) {
    const std::string internal = "(3,1,1,3) An internal error occured in vantrell,";
    struct Row {
        const char* inner;
        std::function<std::string(TiXmlElement*)> parse;
        const char* read;
        std::string raised;
    };
    auto locale = [](TiXmlElement* r) { return BackendProtocol::parseLocale(r); };
    auto size = [](TiXmlElement* r) { return std::to_string(BackendProtocol::parseLogSize(r)); };
    auto icon = [](TiXmlElement* r) {
        const auto read = BackendProtocol::parseProductIconRequest(r);
        return read.first + (read.second ? " on" : " off");
    };
    const Row rows[] = {
        {"<command value=\"set_locale\"/><locale name=\"de_DE.UTF-8\"/>", locale, "de_DE.UTF-8", ""},
        {"<command value=\"set_locale\"/><locale/>", locale, "", ""},
        {"<command value=\"set_locale\"/><Locale name=\"de\"/>", locale, "",
         "(3,1,1,3) Invalid 'set_locale' request: not found child element locale in element request\n"},
        {"<command value=\"get_log\" size=\"4096\"/>", size, "4096", ""},
        {"<command value=\"get_log\" size=\"12x\"/>", size, "",
         "(0,0,0,0) Invalid number format.\n"},
        {"<command value=\"get_log\" size=\"\"/>", size, "", internal},
        {"<command value=\"get_log\"/>", size, "", internal},
        {"<command value=\"get_product_icon\" prod_id=\"tarnix\" enabled=\"no\"/>", icon, "tarnix off", ""},
        {"<command value=\"get_product_icon\" enabled=\"true\"/>", icon, " on", ""},
        {"<command value=\"get_product_icon\" prod_id=\"tarnix\"/>", icon, "",
         "xml: There is no attribute 'enabled' in element command (row:1 col:48)"},
        {"<command value=\"get_product_icon\" prod_id=\"tarnix\" enabled=\"on\"/>", icon, "",
         "xml: There is incorrect boolean attribute 'enabled' in element command (row:1 col:48). Must be "
         "'true' or 'false'."},
    };
    for (const Row& row : rows) {
        TiXmlDocument doc;
        doc.Parse(request(row.inner).c_str());
        std::string read;
        const std::string failure = raised([&] { read = row.parse(doc.RootElement()); });
        EXPECT_EQ(read, row.read) << row.inner;
        EXPECT_EQ(failure.substr(0, row.raised.size()), row.raised) << row.inner;
        EXPECT_EQ(failure.empty(), row.raised.empty()) << row.inner << ": " << failure;
    }
}

// The record the caller fills before parsing: every field differs from what the rows send.
WebPreferences current() {
    WebPreferences p;
    p.source = "/srv/old";
    p.target = "/var/old";
    p.proxyHost = "old-proxy";
    p.proxyPort = 3128;
    p.proxyUser = "old-user";
    p.proxyPassword = "old-pw";
    p.portsUse = "system";
    p.portsTarball = "/old.tgz";
    p.portsCvsup = "old-cvsup";
    p.portsMasterSiteOverride = "old-override";
    p.portsTarget = "/usr/oldports";
    return p;
}

std::string fields(const WebPreferences& p) {
    return p.source + "|" + p.target + "|" + p.proxyHost + "|" + std::to_string(p.proxyPort) + "|" + p.proxyUser +
           "|" + p.proxyPassword + "|" + p.portsUse + "|" + p.portsTarball + "|" + p.portsCvsup + "|" +
           p.portsMasterSiteOverride + "|" + p.portsTarget;
}

const std::string oldProxy = "old-proxy|3128|old-user|old-pw";
const std::string oldPorts = "system|/old.tgz|old-cvsup|old-override|/usr/oldports";
const std::string goodPorts =
    "<ports use=\"custom\"><tarball src=\"/tmp/ports.tgz\"/><cvsup use=\"true\" from=\"cvsup.example.org\"/>"
    "<master_site_override>ftp://m.example.org/</master_site_override><target path=\"/usr/ports\"/></ports>";
// The same as the answer prints it.
const std::string goodPortsEchoed =
    "<ports use=\"custom\"><tarball src=\"/tmp/ports.tgz\" /><cvsup use=\"true\" from=\"cvsup.example.org\" />"
    "<master_site_override>ftp://m.example.org/</master_site_override><target path=\"/usr/ports\" /></ports>";

TEST_F(BackendRequests, Preferences) {
    struct Row {
        const char* label;
        std::string preferences;
        std::string record;
        // The answer's root when the values are refused; "" when accepted.
        std::string answer;
    };
    const std::string server = defaultUpdateServerUrl;
    const Row rows[] = {
        {"only a proxy block", "<proxy use=\"true\" host=\"p.example.org\" port=\"8080\"/>",
         "/srv/old|/var/old|p.example.org|8080|old-user|old-pw|" + oldPorts, ""},
        {"every block", "<source type=\"mirror\"><mirror src=\"http://m.example.org/\"/><target path=\"/var/dl\"/>"
                        "</source><proxy use=\"true\" host=\"p\" port=\"\"><auth use=\"true\" user=\"u\" password=\"pw\"/>"
                        "</proxy>" + goodPorts,
         "http://m.example.org/|/var/dl|p|0|u|pw|custom|/tmp/ports.tgz|cvsup.example.org|ftp://m.example.org/|/usr/ports",
         ""},
        {"the default update server", "<source type=\"tarnix\"><target path=\"/var/dl\"/></source>",
         server + "|/var/dl|" + oldProxy + "|" + oldPorts, ""},
        {"a local source", "<source type=\"local\"><source path=\"/srv/updates\"/><target path=\"/var/dl\"/></source>",
         "/srv/updates|/var/dl|" + oldProxy + "|" + oldPorts, ""},
        {"proxy not used and auth not used",
         "<proxy use=\"false\" host=\"new\" port=\"1\"/>",
         "/srv/old|/var/old|" + oldProxy + "|" + oldPorts, ""},
        {"auth not used keeps the user", "<proxy use=\"true\" host=\"new\" port=\"1\"><auth use=\"yes\" user=\"n\"/></proxy>",
         "/srv/old|/var/old|new|1|old-user|old-pw|" + oldPorts, ""},
        {"ports not custom empty the tarball although one is given",
         "<ports use=\"system\"><tarball src=\"/tmp/ports.tgz\"/><cvsup use=\"false\" from=\"c\"/>"
         "<master_site_override/><target path=\"/usr/ports\"/></ports>",
         "/srv/old|/var/old|" + oldProxy + "|system||old-cvsup||/usr/ports", ""},
        {"an unknown source type takes the target",
         "<source type=\"ftp\"><target path=\"/var/dl\"/></source>",
         "/srv/old|/var/dl|" + oldProxy + "|" + oldPorts,
         "<vantrell status=\"bad_values\"><preferences><source type=\"ftp\"><target path=\"/var/dl\" />"
         "<error>Invalid source type: ftp</error></source></preferences></vantrell>"},
        {"an empty type and no target",
         "<source type=\"\"/>" + goodPorts,
         "/srv/old|/var/old|" + oldProxy +
             "|custom|/tmp/ports.tgz|cvsup.example.org|ftp://m.example.org/|/usr/ports",
         "<vantrell status=\"bad_values\"><preferences><source type=\"\"><error>Attribute &apos;type&apos; is empty</error>"
         "<error>XML error: There is no child element &apos;target&apos; in tag &apos;source&apos;</error></source>" +
             goodPortsEchoed +
             "</preferences></vantrell>"},
        {"a mirror without its address still reads the other blocks",
         "<source type=\"mirror\"><target path=\"/var/dl\"/></source><proxy use=\"true\" host=\"p\" port=\"81\"/>"
         + goodPorts,
         "/srv/old|/var/old|p|81|old-user|old-pw|custom|/tmp/ports.tgz|cvsup.example.org|ftp://m.example.org/|/usr/ports",
         "<vantrell status=\"bad_values\"><preferences><source type=\"mirror\"><target path=\"/var/dl\" />"
         "<error>XML error: There is no child element &apos;mirror&apos; in tag &apos;source&apos;</error></source>"
         "<proxy use=\"true\" host=\"p\" port=\"81\" />" + goodPortsEchoed + "</preferences></vantrell>"},
        {"two broken blocks count apart",
         "<source type=\"local\"><target path=\"/var/dl\"/></source><ports use=\"custom\"><cvsup/></ports>",
         "/srv/old|/var/old|" + oldProxy + "|custom|/old.tgz|old-cvsup|old-override|/usr/oldports",
         "<vantrell status=\"bad_values\"><preferences><source type=\"local\"><target path=\"/var/dl\" />"
         "<error>XML error: There is no child element &apos;source&apos; in tag &apos;source&apos;</error></source>"
         "<ports use=\"custom\"><cvsup /><error>XML error: There is no child element &apos;tarball&apos; in tag "
         "&apos;ports&apos;</error>"
         "</ports></preferences></vantrell>"},
    };
    for (const Row& row : rows) {
        TiXmlDocument doc;
        doc.Parse(request("<command value=\"set_preferences\"/><preferences>" + row.preferences + "</preferences>")
                      .c_str());
        TiXmlElement* preferences = doc.RootElement()->FirstChildElement("preferences");
        BackendProtocol protocol;
        protocol.resetAnswer();
        WebPreferences record = current();
        bool accepted = false;
        EXPECT_EQ(raised([&] { accepted = protocol.parsePreferences(record, preferences); }), "") << row.label;
        EXPECT_EQ(fields(record), row.record) << row.label;
        EXPECT_EQ(accepted, row.answer.empty()) << row.label;
        EXPECT_EQ(compact(*protocol.answerRoot()), row.answer.empty() ? "<vantrell status=\"ok\" />" : row.answer)
            << row.label;
    }
}

TEST_F(BackendRequests, ANonNumericProxyPortFailsTheWholeCommand) {
    TiXmlDocument doc;
    doc.Parse(request("<preferences><source type=\"ftp\"><target path=\"/t\"/></source>"
                      "<proxy use=\"true\" host=\"p\" port=\"80a\"/>" + goodPorts + "</preferences>")
                  .c_str());
    BackendProtocol protocol;
    protocol.resetAnswer();
    WebPreferences record = current();
    EXPECT_EQ(raised([&] {
                  protocol.parsePreferences(record, doc.RootElement()->FirstChildElement("preferences"));
              }),
              "(0,0,0,0) Invalid number format.\n");
    EXPECT_EQ(record.portsTarget, "/usr/oldports") << "the ports block is not reached";
    EXPECT_EQ(compact(*protocol.answerRoot()), "<vantrell status=\"ok\" />") << "no half answer";
}

TEST_F(BackendRequests, AnErrorWriterAppendsOnlyWhenAsked) {
    TiXmlElement source("source");
    {
        ElementErrorWriter writer{tinybind::Element(&source)};
        writer << "Invalid source type: " << 7;
    }
    EXPECT_EQ(compact(source), "<source />") << "going out of scope writes nothing";
    ElementErrorWriter writer{tinybind::Element(&source)};
    writer << "first";
    writer.append();
    EXPECT_EQ(compact(source), "<source><error>first</error></source>");
    ElementErrorWriter empty{tinybind::Element()};
    EXPECT_NE(raised([&] { empty.append(); }).find("An internal error occured"), std::string::npos);
}

}  // namespace
