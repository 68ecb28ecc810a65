#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <tinyxml.h>

#include "components/TreeCatalogue.h"
#include "main/Options.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "webui/BackendProtocol.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";

std::string printed(const TiXmlNode& node) {
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    node.Accept(&printer);
    return printer.Str();
}

class BackendProtocolTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        protocol.resetAnswer();
    }
    std::string root() { return printed(*protocol.answerRoot()); }

    BackendProtocol protocol;
};

TEST_F(BackendProtocolTest, AFreshAnswerIsAnOkRoot) {
    EXPECT_EQ(printed(*protocol.answer()), declaration + "<vantrell status=\"ok\" />");
}

// Status stays the first attribute whatever sets it later; the last status set wins.
TEST_F(BackendProtocolTest, SimpleAnswers) {
    struct Case {
        std::function<void(BackendProtocol&)> fill;
        std::string root;
    };
    const std::vector<Case> cases = {
        {[](BackendProtocol& p) {
             p.sendWarning("w");
             p.sendError("m", "user");
         },
         "<vantrell status=\"error\" error_message=\"m\" error_class=\"user\"><warning>w</warning></vantrell>"},
        {[](BackendProtocol& p) {
             p.sendError("first", "system");
             p.sendError("second", "internal");
         },
         "<vantrell status=\"error\" error_message=\"second\" error_class=\"internal\" />"},
        {[](BackendProtocol& p) { p.sendBadPage("releases"); },
         "<vantrell status=\"bad_page\"><page id=\"releases\" /></vantrell>"},
        {[](BackendProtocol& p) { p.sendCurrentPage("params"); },
         "<vantrell status=\"ok\"><page id=\"params\" /></vantrell>"},
        {[](BackendProtocol& p) { p.sendStartSelfUpgrade(); }, "<vantrell status=\"start_self_upgrade\" />"},
        {[](BackendProtocol& p) { p.sendPrepareSelfUpgrade(); }, "<vantrell status=\"prepare_self_upgrade\" />"},
        {[](BackendProtocol& p) { p.sendLog("a < b & \"c\"\nnext"); },
         "<vantrell status=\"ok\"><log>a &lt; b &amp; &quot;c&quot;&#x0A;next</log></vantrell>"},
        {[](BackendProtocol& p) { p.sendBinaryData({'f', 'o', 'o', 'b'}); },
         "<vantrell status=\"ok\"><data encoding=\"base64\">Zm9vYg==</data></vantrell>"},
        {[](BackendProtocol& p) {
             p.sendBestwithWarning({{"tarnix", "Tarnix", "10.1", {{"vemdo", "VEMDO", "4.1", "4.0"},
                                                                   {"mardell", "Mardell", "2.0", "1.5"}}},
                                    {"vemdo", "VEMDO", "4.0", {}}});
         },
         "<vantrell status=\"warning\"><bestwith_info><product id=\"tarnix\" description=\"Tarnix\" version=\"10.1\">"
         "<bestwith id=\"vemdo\" description=\"VEMDO\" version=\"4.1\" instead_of=\"4.0\" />"
         "<bestwith id=\"mardell\" description=\"Mardell\" version=\"2.0\" instead_of=\"1.5\" /></product>"
         "<product id=\"vemdo\" description=\"VEMDO\" version=\"4.0\" /></bestwith_info></vantrell>"},
    };
    for (const Case& c : cases) {
        protocol.resetAnswer();
        c.fill(protocol);
        EXPECT_EQ(root(), c.root);
    }
}

TEST_F(BackendProtocolTest, AnErrorIsLoggedForTheDebugLog) {
    testutil::LogCapture log;
    protocol.sendError("no source", "repository");
    EXPECT_EQ(log.text(), "BackendProtocol::sendError: no source\n");
}

TEST_F(BackendProtocolTest, NoDocumentAndNoDataAreInternalErrors) {
    BackendProtocol fresh;
    EXPECT_EQ(codesOf(raisedError([&] { fresh.answer(); })), "(3,1,1,3)");
    EXPECT_EQ(codesOf(raisedError([&] { fresh.answerRoot(); })), "(3,1,1,3)");
    EXPECT_EQ(codesOf(raisedError([&] { fresh.sendWarning("w"); })), "(3,1,1,3)");
    const error e = raisedError([&] { protocol.sendBinaryData({}); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text().rfind("An internal error occured in vantrell, rev.", 0), 0u) << e.text();
    EXPECT_EQ(root(), "<vantrell status=\"ok\" />");
}

// All requirements of one component stand under one element, in order of first appearance.
TEST_F(BackendProtocolTest, DependencyWarningsGroupByComponent) {
    testutil::TreeCatalogue tree("tarnix");
    auto a = tree.component("A");
    auto b = tree.component("B");
    auto c = tree.component("C");
    auto d = tree.component("D");
    protocol.sendDependenciesWarning({{a.get(), b.get()}, {d.get(), b.get()}, {a.get(), c.get()}});
    EXPECT_EQ(root(),
              "<vantrell status=\"warning\"><dependencies_info>"
              "<component id=\"A\" description=\"A description\"><requires id=\"B\" description=\"B description\" />"
              "<requires id=\"C\" description=\"C description\" /></component>"
              "<component id=\"D\" description=\"D description\"><requires id=\"B\" description=\"B description\" />"
              "</component></dependencies_info></vantrell>");
}

TEST_F(BackendProtocolTest, Preferences) {
    struct Case {
        std::string source;
        Downloader::Proxy proxy;
        std::string preferences;
    };
    const std::vector<Case> cases = {
        {defaultUpdateServerUrl, {"h", 3128, "", ""},
         "<preferences><source type=\"tarnix\"><target path=\"/t\" /></source>"
         "<proxy use=\"true\" host=\"h\" port=\"3128\" /></preferences>"},
        {"/srv/updates/products.inf3", {"", 0, "u", "p"},
         "<preferences><source type=\"local\"><source path=\"/srv/updates/products.inf3\" /><target path=\"/t\" />"
         "</source><proxy use=\"false\" /></preferences>"},
        {"http://mirror.example.invalid/vn/", {"proxy.local", 8080, "u", "p&q"},
         "<preferences><source type=\"mirror\"><mirror src=\"http://mirror.example.invalid/vn/\" />"
         "<target path=\"/t\" /></source><proxy use=\"true\" host=\"proxy.local\" port=\"8080\">"
         "<auth user=\"u\" password=\"p&amp;q\" /></proxy></preferences>"},
        // Only the exact default address is the maker's server.
        {std::string(defaultUpdateServerUrl) + "sub/", {"", 0, "", ""},
         "<preferences><source type=\"mirror\"><mirror src=\"" + std::string(defaultUpdateServerUrl) +
             "sub/\" /><target path=\"/t\" /></source><proxy use=\"false\" /></preferences>"},
    };
    for (const Case& c : cases) {
        protocol.resetAnswer();
        protocol.sendPreferences(c.source, "/t", c.proxy);
        EXPECT_EQ(root(), "<vantrell status=\"ok\">" + c.preferences + "</vantrell>") << c.source;
    }
}

TEST_F(BackendProtocolTest, TheSecretSettingIdsBelongToOneAnswer) {
    protocol.addSecretSettingId("db_password");
    EXPECT_EQ(protocol.secretSettingIds(), std::set<std::string>{"db_password"});
    protocol.resetAnswer();
    EXPECT_TRUE(protocol.secretSettingIds().empty());
}

TEST(MaskedForLog, SecretsNeverReachTheText) {
    TiXmlDocument document;
    document.Parse(
        "<vantrell status=\"ok\"><proxy use=\"true\"><auth user=\"u\" password=\"p1\" /></proxy>"
        "<setting id=\"admin\" type=\"password\" value=\"p2\" />"
        "<setting id=\"db\" type=\"string\" value=\"p3\" default=\"p4\" />"
        "<setting id=\"name\" type=\"string\" value=\"plain\" />"
        "<request password=\"p5\"><setting id=\"x\" value=\"v\">text</setting></request></vantrell>");
    const TiXmlElement& root = *document.RootElement();
    struct Case {
        std::set<std::string> ids;
        bool all;
        std::string text;
    };
    const std::string head = "<vantrell status=\"ok\"><proxy use=\"true\"><auth user=\"u\" password=\"***\" /></proxy>"
                             "<setting id=\"admin\" type=\"password\" value=\"***\" />";
    const std::vector<Case> cases = {
        {{}, false,
         head + "<setting id=\"db\" type=\"string\" value=\"p3\" default=\"p4\" />"
                "<setting id=\"name\" type=\"string\" value=\"plain\" />"
                "<request password=\"***\"><setting id=\"x\" value=\"v\">text</setting></request></vantrell>"},
        {{"db"}, false,
         head + "<setting id=\"db\" type=\"string\" value=\"***\" default=\"***\" />"
                "<setting id=\"name\" type=\"string\" value=\"plain\" />"
                "<request password=\"***\"><setting id=\"x\" value=\"v\">text</setting></request></vantrell>"},
        {{}, true,
         head + "<setting id=\"db\" type=\"string\" value=\"***\" default=\"***\" />"
                "<setting id=\"name\" type=\"string\" value=\"***\" />"
                "<request password=\"***\"><setting id=\"x\" value=\"***\">text</setting></request></vantrell>"},
    };
    for (const Case& c : cases) EXPECT_EQ(maskedForLog(root, c.ids, c.all), c.text);
    // The answer itself keeps its values.
    EXPECT_NE(printed(root).find("password=\"p1\""), std::string::npos);
}

}  // namespace
