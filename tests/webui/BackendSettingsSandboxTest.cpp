// The settings answer over the settings of a real tree (tests/fixtures/webui/components): goldens
// in tests/fixtures/webui/answers.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "WebAnswersRun.h"
#include "components/Param.h"
#include "components/ParamString.h"
#include "components/VnComponent.h"
#include "support/LogCapture.h"

namespace {

using listingtest::Outcome;
using webanswers::answer;
using webanswers::golden;
using webanswers::Loaded;

class BackendSettings : public listingtest::ListingTest {};

// The answer's setting element of that id, compact; "" when absent.
std::string settingOf(const std::string& answerText, const std::string& id) {
    TiXmlDocument doc;
    doc.Parse(answerText.c_str());
    std::function<const TiXmlElement*(const TiXmlElement*)> find = [&](const TiXmlElement* e) -> const TiXmlElement* {
        if (e->ValueStr() == "setting" && e->Attribute("id") && std::string(e->Attribute("id")) == id) return e;
        for (const TiXmlElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement())
            if (const TiXmlElement* f = find(c)) return f;
        return nullptr;
    };
    const TiXmlElement* found = doc.RootElement() ? find(doc.RootElement()) : nullptr;
    return found ? webanswers::compact(*found) : "";
}

TEST_F(BackendSettings, Answers) {
    struct Row {
        const char* label;
        std::function<void(Loaded&)> prepare;
        const char* golden;
    };
    const Row rows[] = {
        // Nothing set: defaults, both branches of the enum, the boolean's sub-setting.
        {"defaults", nullptr, "settings-defaults.xml"},
        // Set values choose their branch; a refused value turns the answer into bad_values.
        {"set and refused values",
         [](Loaded& run) {
             run.component("tarnix", "webmail")->setSelected(true);
             run.setting("ssl")->setValue("no");
             run.setting("storage")->setValue("maildir");
             run.setting("max_upload")->setValue("5x");
             run.setting("admin_password")->setValue("abc");
             run.setting("api_token")->setValue("t0ken-value");
             run.setting("data_dir")->setValue("/srv/tarnix");
         },
         "settings-set.xml"},
    };
    for (const Row& row : rows) {
        const Outcome o = answer([&](Loaded& run, BackendProtocol& protocol) {
            if (row.prepare) row.prepare(run);
            testutil::LogCapture log(3);
            protocol.sendComponentParams(&run.load.params);
            std::cerr << log.text();
        });
        EXPECT_EQ(o.raised, "") << row.label << "\n" << o;
        EXPECT_EQ(o.out, golden(row.golden)) << row.label;
        EXPECT_NE(o.err.find("DEBUG: BackendProtocol::sendComponentParams entry\n"), std::string::npos) << o.err;
    }
}

TEST_F(BackendSettings, ARefusedValueStandsInPlaceWithItsComplaint) {
    const Outcome o = answer([](Loaded& run, BackendProtocol& protocol) {
        run.setting("max_upload")->setValue("5x");
        run.setting("admin_password")->setValue("abc");
        run.setting("storage")->setValue("tape");
        protocol.sendComponentParams(&run.load.params);
    });
    ASSERT_EQ(o.raised, "") << o;
    EXPECT_EQ(o.out.substr(0, 30), "<vantrell status=\"bad_values\">");
    // No detail: the message alone.
    EXPECT_EQ(settingOf(o.out, "max_upload"),
              "<setting id=\"max_upload\" type=\"integer\" value=\"5x\"><name>Upload</name>"
              "<description>Largest attachment in MB</description>"
              "<error-message>Specify a number of megabytes.</error-message>"
              "<error>Specify a number of megabytes.</error></setting>");
    // With the validation's detail after " - ".
    const std::string password = settingOf(o.out, "admin_password");
    EXPECT_NE(password.find("<setting id=\"admin_password\" type=\"password\" value=\"abc\">"), std::string::npos)
        << password;
    const size_t from = password.find("<error-message>") + 15;
    const std::string message = password.substr(from, password.find("</error-message>") - from);
    EXPECT_EQ(message.substr(0, 44), "Specify a password of 6 to 16 characters. - ") << message;
    EXPECT_NE(password.find("<error>" + message + "</error>"), std::string::npos) << password;
    // An enumeration keeps its displayed value as default.
    EXPECT_NE(settingOf(o.out, "storage").find("<setting id=\"storage\" type=\"enum\" value=\"tape\" default=\"mbox\">"),
              std::string::npos)
        << settingOf(o.out, "storage");
}

TEST_F(BackendSettings, TheLogLineMasksSecretValues) {
    const Outcome o = answer([](Loaded& run, BackendProtocol& protocol) {
        run.setting("admin_password")->setValue("s3cret-pw");
        run.setting("api_token")->setValue("t0ken-value");
        protocol.sendComponentParams(&run.load.params);
        std::cerr << maskedForLog(*protocol.answerRoot(), protocol.secretSettingIds(), false);
    });
    ASSERT_EQ(o.raised, "") << o;
    EXPECT_NE(o.out.find("value=\"s3cret-pw\""), std::string::npos) << "the answer keeps the values";
    EXPECT_NE(o.out.find("value=\"t0ken-value\""), std::string::npos);
    EXPECT_EQ(o.err.find("s3cret-pw"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("t0ken-value"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("<setting id=\"admin_password\" type=\"password\" value=\"***\">"), std::string::npos);
    EXPECT_NE(o.err.find("<setting id=\"api_token\" type=\"string\" value=\"***\">"), std::string::npos);
    EXPECT_NE(o.err.find("<setting id=\"data_dir\" type=\"string\" value=\"/var/lib/tarnix\">"), std::string::npos);
}

// A setting that two components own; the descriptions have no way to say so, the test adds the
// second owner itself.
class SharedSetting : public ParamString {
public:
    SharedSetting(VnComponent* first, VnComponent* second)
        : ParamString(first, "shared_port", "", "", "") {
        components.push_back(checked_pointer<VnComponent>(second));
        setTexts("Port", "Port both use", "");
    }
};

TEST_F(BackendSettings, ASharedSettingHangsUnderItsProduct) {
    const Outcome o = answer([](Loaded& run, BackendProtocol& protocol) {
        SharedSetting shared(run.component("tarnix", "base"), run.component("tarnix", "mta-light"));
        shared.setValue("8080");
        BackendProtocol::ParamSender sender(protocol);
        sender.visit(run.setting("api_token"));
        sender.visit(std::shared_ptr<Param>(&shared, [](Param*) {}));
    });
    ASSERT_EQ(o.raised, "") << o;
    EXPECT_EQ(o.out,
              "<vantrell status=\"ok\"><products><product id=\"tarnix\" name=\"Tarnix\"><components>"
              "<component id=\"base\"><description>Base of Tarnix</description><settings>"
              "<setting id=\"api_token\" type=\"string\" value=\"\"><name>Token</name>"
              "<description>Token of the statistics service</description><error-message></error-message></setting>"
              "</settings></component></components><settings>"
              "<setting id=\"shared_port\" type=\"string\" value=\"8080\"><name>Port</name>"
              "<description>Port both use</description><error-message></error-message></setting></settings></product>"
              "</products></vantrell>");
}

TEST_F(BackendSettings, APathThatLeadsNowhereNamesItsStep) {
    struct Row {
        const char* label;
        std::function<void(BackendProtocol::ParamSender&, Loaded&)> steps;
        std::string raised;
    };
    const Row rows[] = {
        {"a branch that is no choice",
         [](BackendProtocol::ParamSender& sender, Loaded& run) {
             sender.visit(run.setting("storage"));
             sender.enterSubParams(run.setting("storage"));
             sender.enterBranch(run.setting("storage"), "tape");
         },
         "(3,1,1,3) in iterate tag stack: can't find node <choice[id]='tape'>\n"},
        {"sub-settings of a setting not written",
         [](BackendProtocol::ParamSender& sender, Loaded& run) { sender.enterSubParams(run.setting("ssl")); },
         "(3,1,1,3) in iterate tag stack: can't find node <setting[id]='ssl'>\n"},
    };
    for (const Row& row : rows) {
        const Outcome o = answer([&](Loaded& run, BackendProtocol& protocol) {
            BackendProtocol::ParamSender sender(protocol);
            row.steps(sender, run);
        });
        EXPECT_EQ(o.raised, row.raised) << row.label << "\n" << o;
    }
    const Outcome none = answer([](Loaded&, BackendProtocol& protocol) { protocol.sendComponentParams(nullptr); });
    EXPECT_EQ(none.raised.substr(0, 48), "(3,1,1,3) An internal error occured in vantrell,") << none;
    EXPECT_EQ(none.out, "<vantrell status=\"ok\" />");
}

}  // namespace
