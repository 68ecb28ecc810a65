// "/preferences.html" over HTTP: the form from the engine's settings, its POST as the
// "set_preferences" request the engine receives, rejected values and the language switch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FakeEngine.h"
#include "webui/WebPageHarness.h"

namespace {

using testutil::FakeEngine;
using webpagetest::htmlHead;

const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";

class PreferencesPage : public webpagetest::WebPageTest {
protected:
    void SetUp() override {
        WebPageTest::SetUp();
        engine.answer("get_preferences", golden("preferences/get_preferences.xml"));
    }
};

bool contains(const std::string& page, const std::string& part) { return page.find(part) != std::string::npos; }

TEST_F(PreferencesPage, SettingsOfTheEngine) {
    const std::string page = get("/preferences.html");
    EXPECT_EQ(page, htmlHead + golden("preferences/get.html"));
    // What the golden must keep whatever else changes in it.
    for (const char* part : {"<option value=\"official\" selected>", "<div id=\"mirror_url\"", "<div id=\"source_path\"",
                             "<!--\n<fieldset>\n<legend>FreeBSD ports</legend>", "</fieldset>\n-->",
                             "name=\"proxy_host\" value=\"proxy.example.invalid\"", "name=\"proxy_port\" value=\"3128\"",
                             "name=\"proxy_user\" value=\"admin\"",
                             "<input type=\"password\" name=\"proxy_pwd\" value=\"p&amp;&quot;w\"",
                             "name=\"use_proxy\" id=\"use_proxy_ctl\" value=\"true\" onclick=\"doOnOff(this, 'proxyBlock')\" checked",
                             "<button type=\"submit\" >"}) {
        EXPECT_TRUE(contains(page, part)) << part;
    }
}

TEST_F(PreferencesPage, SavedSettingsGoToTheEngine) {
    engine.answer("set_preferences", FakeEngine::document("ok"));
    const std::string answer = post("/preferences.html",
                                    "srctype=mirror&mirror_url=+http%3A%2F%2Fm%2F+&target_path=%2Ft&use_proxy=true"
                                    "&proxy_host=+h+&proxy_port=+81&login_locale=");
    EXPECT_EQ(answer, "HTTP/1.1 303 See Other\r\nLocation: /summary.html\r\n\r\n");
    EXPECT_EQ(lastRequest("set_preferences"),
              declaration +
                  "<request><command value=\"set_preferences\" /><preferences><source type=\"mirror\"><mirror "
                  "src=\"http://m/\" /><source path=\"\" /><target path=\"/t\" /></source><proxy use=\"true\" "
                  "host=\"h\" port=\" 81\"><auth use=\"false\" user=\"\" password=\"\" /></proxy></preferences>"
                  "</request>\n");
    for (const std::string& c : commands()) EXPECT_NE(c, "get_preferences");
}

TEST_F(PreferencesPage, RejectedValuesAreShownAgain) {
    const struct {
        const char* what;
        const char* answer;
        const char* golden;
        const char* description;
    } cases[] = {
        {"rejected in a field", "preferences/bad_values_field.xml", "preferences/bad_values_field.html",
         "<div class=\"form-error-description\">Invalid mirror address: &lt;x&gt;</div>"},
        {"the source type rejected by the engine", "preferences/bad_values.xml", "preferences/bad_values.html",
         "<div class=\"form-error-description\">Invalid source type: &lt;x&gt;</div>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        engine.answer("set_preferences", golden(c.answer));
        const std::string page = post("/preferences.html", "srctype=mirror&mirror_url=%3Cx%3E&target_path=%2Ft");
        EXPECT_EQ(page, htmlHead + golden(c.golden));
        EXPECT_TRUE(contains(page, c.description));
        EXPECT_FALSE(contains(page, "<x>"));
    }
    const std::string warning =
        "<div class=\"msg-warning\">Some fields contain improper values. Please specify proper values.</div>";
    const std::string page = htmlHead + golden("preferences/bad_values_field.html");
    const size_t top = page.find(warning);
    ASSERT_NE(top, std::string::npos);
    EXPECT_NE(page.find(warning, top + 1), std::string::npos);
    EXPECT_TRUE(contains(page, "<label class=\"label form-error\"><span class=\"field-name\">URL to the directory"));
}

// The language part alone decides: a code set suffix switches nothing.
TEST_F(PreferencesPage, LanguageSwitchBeforeTheSettings) {
    engine.answer("set_preferences", FakeEngine::document("ok"));
    get("/preferences.html?locale=de_DE");
    const size_t before = commands().size();
    post("/preferences.html", "srctype=official&login_locale=de_DE.UTF-8");
    std::vector<std::string> sent = commands();
    EXPECT_EQ(std::vector<std::string>(sent.begin() + before, sent.end()),
              (std::vector<std::string>{"set_preferences", "get_current_page"}));

    post("/preferences.html", "srctype=official&login_locale=fr_FR");
    const size_t after = sent.size();
    sent = commands();
    EXPECT_EQ(std::vector<std::string>(sent.begin() + after, sent.end()),
              (std::vector<std::string>{"set_locale", "set_preferences", "get_current_page"}));
    EXPECT_TRUE(contains(lastRequest("set_locale"), "<locale name=\"fr_FR\" />"));
}

TEST_F(PreferencesPage, EngineGone) {
    engine.stop();
    const std::string page = get("/preferences.html");
    EXPECT_EQ(page, htmlHead + golden("preferences/engine_gone.html"));
    EXPECT_TRUE(contains(page, "<div class=\"msg-error\">Can&#39;t connect to backend: "));
    EXPECT_TRUE(contains(page, "<button type=\"submit\" disabled>"));
    EXPECT_TRUE(contains(page, "name=\"target_path\" value=\"\""));
    // A posted form gets the same page.
    EXPECT_EQ(post("/preferences.html", "srctype=official"), page);
}

}  // namespace
