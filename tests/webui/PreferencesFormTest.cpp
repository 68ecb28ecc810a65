// The preferences form: the engine's `preferences` element in, page variables out; the posted
// form in, the "set_preferences" request out.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <map>
#include <string>

#include "support/EnglishTest.h"
#include "support/TestUtil.h"
#include "webui/preferencesPage.h"

namespace {

const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";

std::string fixture(const std::string& name) {
    return testutil::readFile(std::string(VN_FIXTURES_DIR) + "/webui/preferences/" + name);
}

// The variables of the page for the first `preferences` element of an answer text.
PageVariables variablesOf(const std::string& answer) {
    TiXmlDocument document;
    document.Parse(answer.c_str());
    EXPECT_FALSE(document.Error()) << document.ErrorDesc();
    const TiXmlElement* preferences = document.RootElement();
    if (preferences && preferences->ValueStr() != "preferences") preferences = preferences->FirstChildElement("preferences");
    PreferencesForm form;
    if (preferences) readPreferences(preferences, form);
    PageVariables v;
    preferencesVariables(form, preferences != nullptr, v);
    return v;
}

std::string requestOf(const std::string& body) {
    return setPreferencesRequest(postedPreferences(body.c_str(), static_cast<int>(body.size())));
}

class PreferencesForm_ : public testutil::EnglishTest {};

struct AnswerCase {
    const char* what;
    std::string answer;
    std::map<std::string, std::string> expected;
};

// The engine's settings answers (default source, mirror, local path; proxy with and without
// authentication) and the ports element the page also accepts.
TEST_F(PreferencesForm_, AnswersBecomeVariables) {
    const std::string sel = " selected";
    const AnswerCase cases[] = {
        {"default source, proxy with authentication: the FreeBSD part stays hidden",
         fixture("get_preferences.xml"),
         {{"target_path", "/var/cache/vantrell"}, {"mirror_url", ""}, {"use_proxy", "checked"},
          {"proxy_host", "proxy.example.invalid"}, {"proxy_port", "3128"}, {"proxy_user", "admin"},
          {"proxy_pwd", "p&amp;&quot;w"}, {"proxy_auth", "checked"}, {"freebsd_specific_begin", "<!--"},
          {"freebsd_specific_end", "-->"}, {"use_product_ports", ""}, {"warning_msg", ""},
          {"submit_disabled", ""}, {"proxy_status", "label"}, {"proxy_errmsg", ""}}},
        {"an authentication switched off",
         "<preferences><proxy use=\"true\" host=\"h\" port=\"1\"><auth use=\"false\" user=\"u\" /></proxy></preferences>",
         {{"proxy_auth", ""}, {"proxy_user", "u"}, {"use_proxy", "checked"}}},
        {"a mirror; a proxy switched off keeps no host",
         "<preferences><source type=\"mirror\"><mirror src=\"http://m/&quot;x\" /><target path=\"/t\" /></source>"
         "<proxy use=\"false\" /></preferences>",
         {{"mirror_url", "http://m/&quot;x"}, {"target_path", "/t"}, {"use_proxy", ""}, {"proxy_host", ""}}},
        {"a local path; an unknown type keeps the default",
         "<preferences><source type=\"local\"><source path=\"/media/products.inf3\" /><target path=\"/t\" /></source>"
         "</preferences>",
         {{"source_path", "/media/products.inf3"}}},
        {"custom ports with a writable directory and cvsup",
         "<preferences><ports use=\"custom\"><tarball src=\"ftp://t/ports.tgz\" /><target path=\"/usr/ports\" "
         "readonly=\"false\" /><cvsup use=\"true\" from=\"cvsup.example\" /><master_site_override>http://a/&lt;"
         "</master_site_override></ports></preferences>",
         {{"use_custom_ports", "checked"}, {"use_product_ports", ""}, {"tarball_url", "ftp://t/ports.tgz"},
          {"ports_dir", "/usr/ports"}, {"readonly_ports_dir", ""}, {"do_cvsup", "checked"},
          {"cvsup_url", "cvsup.example"}, {"master_site_override", "http://a/&lt;"}, {"freebsd_specific_begin", ""},
          {"freebsd_specific_end", ""}}},
        {"ports directory without readonly stays read-only; any readonly but false too",
         "<preferences><ports use=\"system\"><target path=\"/usr/ports\" /></ports></preferences>",
         {{"use_system_ports", "checked"}, {"readonly_ports_dir", "disabled"}}},
        {"readonly=\"yes\"",
         "<preferences><ports use=\"product\"><target path=\"/p\" readonly=\"yes\" /></ports></preferences>",
         {{"use_product_ports", "checked"}, {"readonly_ports_dir", "disabled"}}},
        {"ports not supported",
         "<preferences><ports use=\"not_supported\" /></preferences>",
         {{"freebsd_specific_begin", "<!--"}, {"use_system_ports", ""}, {"use_product_ports", ""}, {"use_custom_ports", ""}}},
        {"a master site override of two texts is shown empty",
         "<preferences><ports use=\"system\"><master_site_override>a<!-- c -->b</master_site_override></ports>"
         "</preferences>",
         {{"master_site_override", ""}, {"mso_status", "label"}}},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.what);
        const PageVariables v = variablesOf(c.answer);
        for (const auto& e : c.expected) {
            const auto found = v.find(e.first);
            ASSERT_NE(found, v.end()) << e.first;
            EXPECT_EQ(found->second, e.second) << e.first;
        }
    }
    EXPECT_NE(variablesOf(fixture("get_preferences.xml"))["source_types"].find("value=\"official\" selected>"),
              std::string::npos);
    EXPECT_NE(variablesOf(cases[2].answer)["source_types"].find("value=\"mirror\" selected>"), std::string::npos);
    EXPECT_NE(variablesOf(cases[3].answer)["source_types"].find("value=\"local\" selected>"), std::string::npos);
}

// Rejected values as the engine echoes them: errors in the fields, and in the blocks themselves.
TEST_F(PreferencesForm_, RejectedValuesMarkTheirFields) {
    const std::string warning = "<div class=\"msg-warning\">Some fields contain improper values. Please specify proper "
                                "values.</div>";
    const AnswerCase cases[] = {
        {"an error in a field, escaped",
         "<preferences><source type=\"mirror\"><mirror src=\"&lt;x&gt;\"><error>Invalid URL: &lt;x&gt;</error>"
         "</mirror><target path=\"/t\" /></source></preferences>",
         {{"mirror_url_status", "label form-error"},
          {"mirror_url_errmsg", "<div class=\"form-error-description\">Invalid URL: &lt;x&gt;</div>\n"},
          {"target_path_status", "label"}, {"target_path_errmsg", ""}, {"warning_msg", warning}}},
        {"an error without text marks the field without a description; the first error counts",
         "<preferences><proxy use=\"true\" host=\"h\" port=\"1\"><auth use=\"true\" user=\"u\" password=\"p\">"
         "<error /><error>second</error></auth></proxy></preferences>",
         {{"proxy_auth_status", "label form-error"}, {"proxy_auth_errmsg", ""}, {"proxy_status", "label"},
          {"proxy_auth", "checked"}, {"warning_msg", warning}}},
        {"a proxy error belongs to the proxy, not to its authentication",
         "<preferences><proxy use=\"true\" host=\"h\" port=\"x\"><auth use=\"false\" /><error>Bad port</error></proxy>"
         "</preferences>",
         {{"proxy_status", "label form-error"},
          {"proxy_errmsg", "<div class=\"form-error-description\">Bad port</div>\n"},
          {"proxy_auth_status", "label"}}},
        {"the engine's rejection of the source type stands in the source block: shown under the warning",
         fixture("bad_values.xml"),
         {{"warning_msg", warning + "<div class=\"form-error-description\">Invalid source type: &lt;x&gt;</div>\n"},
          {"target_path", "/t"}, {"target_path_status", "label"}}},
        {"an empty type and a missing target: both errors of the block",
         "<preferences><source type=\"\"><error>Attribute 'type' is empty</error><error>XML error: There is no "
         "child element 'target' in tag 'source'</error></source></preferences>",
         {{"warning_msg", warning + "<div class=\"form-error-description\">Attribute &#39;type&#39; is empty</div>\n"
                                    "<div class=\"form-error-description\">XML error: There is no child element "
                                    "&#39;target&#39; in tag &#39;source&#39;</div>\n"}}},
        {"ports fields",
         "<preferences><ports use=\"custom\"><tarball src=\"\"><error>t</error></tarball><target path=\"\"><error>d"
         "</error></target><cvsup use=\"false\" from=\"\"><error>c</error></cvsup><master_site_override><error>m"
         "</error></master_site_override></ports></preferences>",
         {{"tarball_url_status", "label form-error"}, {"ports_dir_status", "label form-error"},
          {"cvsup_status", "label form-error"}, {"mso_status", "label form-error"},
          {"mso_errmsg", "<div class=\"form-error-description\">m</div>\n"}}},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.what);
        const PageVariables v = variablesOf(c.answer);
        for (const auto& e : c.expected) {
            const auto found = v.find(e.first);
            ASSERT_NE(found, v.end()) << e.first;
            EXPECT_EQ(found->second, e.second) << e.first;
        }
    }
}

// Without an answer the page offers nothing to save and hides the FreeBSD part.
TEST_F(PreferencesForm_, NoAnswer) {
    PreferencesForm form;
    form.portsType = PreferencesForm::noPorts;
    PageVariables v;
    preferencesVariables(form, false, v);
    EXPECT_EQ(v["submit_disabled"], "disabled");
    EXPECT_EQ(v["freebsd_specific_begin"], "<!--");
    EXPECT_EQ(v["freebsd_specific_end"], "-->");
    EXPECT_EQ(v["mirror_url_status"], "label");
    EXPECT_EQ(v["warning_msg"], "");
    // The defaults of a GET before any answer.
    const PreferencesForm fresh;
    EXPECT_EQ(fresh.portsType, PreferencesForm::productPorts);
    EXPECT_TRUE(fresh.portsDirReadOnly);
    EXPECT_TRUE(fresh.allValid);
}

TEST_F(PreferencesForm_, SourceTypeOptions) {
    std::string out = "old";
    sourceTypeOptions(out, PreferencesForm::mirrorSource);
    EXPECT_EQ(out,
              "<option value=\"official\">Official Corvane Updates server</option>\n"
              "<option value=\"mirror\" selected>Mirror server</option>\n"
              "<option value=\"local\">Local media</option>\n");
}

struct PostCase {
    const char* what;
    std::string body;
    std::string preferences;  // the `preferences` element of the request
};

TEST_F(PreferencesForm_, PostedFormsBecomeRequests) {
    const std::string noProxy = "<proxy use=\"false\" host=\"\" port=\"\"><auth use=\"false\" user=\"\" password=\"\" /></proxy>";
    const std::string longUrl = "http://mirror.example.invalid/" + std::string(2000, 'a') + "/";
    const PostCase cases[] = {
        {"a mirror and a proxy: marked fields trimmed, the port not",
         "srctype=mirror&mirror_url=+http%3A%2F%2Fm%2F+&target_path=%2Ft&use_proxy=true&proxy_host=+h+&proxy_port=+81",
         "<preferences><source type=\"mirror\"><mirror src=\"http://m/\" /><source path=\"\" /><target path=\"/t\" />"
         "</source><proxy use=\"true\" host=\"h\" port=\" 81\"><auth use=\"false\" user=\"\" password=\"\" /></proxy>"
         "</preferences>"},
        {"user and password are taken as typed",
         "srctype=official&target_path=%09%2Fvar%0A&use_proxy=true&proxy_host=h&proxy_port=1&proxy_auth=true"
         "&proxy_user=+u+&proxy_pwd=+p%26%22w+",
         "<preferences><source type=\"tarnix\"><mirror src=\"\" /><source path=\"\" /><target path=\"/var\" /></source>"
         "<proxy use=\"true\" host=\"h\" port=\"1\"><auth use=\"true\" user=\" u \" password=' p&amp;&quot;w ' />"
         "</proxy></preferences>"},
        {"an unknown source type is the official server; a check box counts only as \"true\"",
         "srctype=ftp&source_path=+%2Fm%2Fp.inf3&use_proxy=on",
         "<preferences><source type=\"tarnix\"><mirror src=\"\" /><source path=\"/m/p.inf3\" /><target path=\"\" />"
         "</source>" + noProxy + "</preferences>"},
        {"custom ports: tarball, directory, cvsup, override with its lines",
         "srctype=local&source_path=%2Fp&snapshot=custom_ports&tarball_url=+ftp%3A%2F%2Ft+&ports_dir=%2Fusr%2Fports"
         "&cvsup=true&cvsup_url=+c+&master_site_override=%0Ahttp%3A%2F%2Fa%2F%0D%0A%2Fb%0A",
         "<preferences><source type=\"local\"><mirror src=\"\" /><source path=\"/p\" /><target path=\"\" /></source>" +
             noProxy +
             "<ports use=\"custom\"><tarball src=\"ftp://t\" /><target path=\"/usr/ports\" />"
             "<cvsup use=\"true\" from=\"c\" /><master_site_override>http://a/&#x0D;&#x0A;/b</master_site_override>"
             "</ports></preferences>"},
        {"system ports: no tarball even when one is posted; an unchecked cvsup box sends no URL",
         "snapshot=system_ports&tarball_url=ftp%3A%2F%2Ft&cvsup=false",
         "<preferences><source type=\"tarnix\"><mirror src=\"\" /><source path=\"\" /><target path=\"\" /></source>" +
             noProxy +
             "<ports use=\"system\"><target path=\"\" /><cvsup use=\"false\" from=\"\" /><master_site_override />"
             "</ports></preferences>"},
        {"an unknown snapshot sends no ports", "snapshot=other&ports_dir=%2Fx",
         "<preferences><source type=\"tarnix\"><mirror src=\"\" /><source path=\"\" /><target path=\"\" /></source>" +
             noProxy + "</preferences>"},
        {"a long value is taken whole", "srctype=mirror&mirror_url=" + longUrl,
         "<preferences><source type=\"mirror\"><mirror src=\"" + longUrl +
             "\" /><source path=\"\" /><target path=\"\" /></source>" + noProxy + "</preferences>"},
    };
    for (const PostCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(requestOf(c.body),
                  declaration + "<request><command value=\"set_preferences\" />" + c.preferences + "</request>");
    }
}

}  // namespace
