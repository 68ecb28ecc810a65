// "/summary.html" over HTTP: whole pages compared with goldens (tests/fixtures/webui/summary/*.html)
// for the engine's canned answers.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/Opsys.h"
#include "support/FakeEngine.h"
#include "webui/PageBase.h"
#include "webui/WebPageHarness.h"

namespace {

using testutil::FakeEngine;
using webpagetest::htmlHead;

class SummaryPage : public webpagetest::WebPageTest {};

struct PageCase {
    const char* what;
    std::string answer;  // to get_releases_list
    const char* golden;
};

TEST_F(SummaryPage, AnswersAsPages) {
    const PageCase cases[] = {
        // From a real releases answer: Tarnix 9.5 installed with 10.1 as an upgrade, VEMDO new.
        {"an installed product with an upgrade and a new product", golden("summary/get_releases_list.xml"),
         "two_products.html"},
        {"a self-upgrade being prepared", FakeEngine::document("prepare_self_upgrade"), "prepare_self_upgrade.html"},
        {"the engine cannot reach the update server", FakeEngine::document("no_connect"), "no_connect.html"},
        {"the engine fails the command", FakeEngine::document("error", "error_message=\"No &lt;catalogue&gt;\""),
         "error.html"},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.what);
        engine.answer("get_releases_list", c.answer);
        EXPECT_EQ(get("/summary.html"), htmlHead + golden(std::string("summary/") + c.golden));
    }
    // A POST is served as a GET.
    EXPECT_EQ(post("/summary.html", "a=b"), htmlHead + golden("summary/error.html"));
}

TEST_F(SummaryPage, TheRequestCarriesTheSessionId) {
    engine.answer("get_releases_list", golden("summary/get_releases_list.xml"));
    get("/summary.html");
    EXPECT_EQ(lastRequest("get_releases_list"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?><request><command "
              "value=\"get_releases_list\" session_id=\"" + cookie + "\" /></request>");
}

TEST_F(SummaryPage, SelfUpgradeReady) {
    engine.answer("get_releases_list", FakeEngine::document("start_self_upgrade"));
    std::string expected = golden("summary/prepare_self_upgrade.html");
    const std::string preparing = "Downloading new Corvane Products Installer version...";
    expected.replace(expected.find(preparing), preparing.size(), "Corvane Products Installer was updated.");
    EXPECT_EQ(get("/summary.html"), htmlHead + expected);
}

// The notice names the host's system as the program detects it.
TEST_F(SummaryPage, NoProductsForThisSystem) {
    engine.answer("get_releases_list", FakeEngine::document("ok", "", "<other /><products />"));
    std::ostringstream system;
    system << Opsys();
    std::string expected = golden("summary/no_products.html");
    const std::string place = "@SYSTEM@";
    expected.replace(expected.find(place), place.size(), htmlText(system.str()));
    EXPECT_EQ(get("/summary.html"), htmlHead + expected);
}

TEST_F(SummaryPage, EngineGone) {
    engine.stop();
    EXPECT_EQ(get("/summary.html"), htmlHead + golden("summary/engine_gone.html"));
}

TEST_F(SummaryPage, LocaleSwitchComesFirst) {
    engine.answer("get_releases_list", golden("summary/get_releases_list.xml"));
    const std::string page = get("/summary.html?locale=de_DE");
    EXPECT_EQ(page.rfind(htmlHead, 0), 0u) << page;
    const std::vector<std::string> sent = commands();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(sent.end() - 2, sent.end()),
              (std::vector<std::string>{"set_locale", "get_releases_list"}));
}

}  // namespace
