// The page base on a hand-made request whose output block is a buffer of the test: response
// writers, the template expander, the language drop-down, answer checks and escapes.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>
#include <vector>

#include "support/EnglishTest.h"
#include "support/TestUtil.h"
#include "webui/EmbeddedResources.h"
#include "webui/PageBase.h"

namespace {

using vnhttpd::page_request;

// A request with `room` bytes of output space and nothing else.
class Output {
public:
    explicit Output(int room = 65536) : buffer(static_cast<size_t>(room) + 1, '\x7f') {
        req.out_buf = buffer.data();
        req.out_len = room;
    }
    page_request* operator->() { return &req; }
    page_request* get() { return &req; }
    std::string text() const { return std::string(buffer.data(), static_cast<size_t>(req.out_used)); }
    bool ended() const { return (req.flags & vnhttpd::PAGE_LAST) != 0; }
    // The byte after the space is never written.
    bool guardIntact() const { return buffer.back() == '\x7f'; }

private:
    std::vector<char> buffer;
    page_request req{};
};

class PageBaseTest : public testutil::EnglishTest {};

std::string expand(const std::string& text, const PageVariables& variables = PageVariables(), int room = 65536) {
    Output out(room);
    const int n = expandTemplate(out.get(), text.data(), text.size(), variables);
    EXPECT_EQ(n, out->out_used);
    EXPECT_TRUE(out.guardIntact());
    EXPECT_FALSE(out.ended());
    return out.text();
}

TEST_F(PageBaseTest, TemplatePlaceholders) {
    const std::string name48(48, 'k'), name49(49, 'k');
    const PageVariables variables{{"who", "<b>root</b>"}, {name48, "forty-eight"}, {name49, "never"}};
    struct Case {
        std::string text;
        std::string expanded;
    } cases[] = {
        {"<title>{web_caption}</title>", "<title>Corvane Products Installer</title>"},
        {"[{@who}]", "[<b>root</b>]"},  // values go in as they are
        {"[{@unset}]", "[]"},
        {"{@" + name48 + "}", "forty-eight"},
        {"{@" + name49 + "}", "{@" + name49 + "}"},
        {"{ x}", "{ x}"},
        {"{@a b}", "{@a b}"},
        {"{web_caption\n}", "{web_caption\n}"},
        {"function f() {\n  return {a: 1};\n}", "function f() {\n  return {a: 1};\n}"},
        {"open {web_caption", "open {web_caption"},
        {"{", "{"},
        {"{@}", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(expand(c.text, variables), c.expanded);
    }
}

TEST_F(PageBaseTest, TemplateUnknownAndEmptyKeys) {
    testutil::AllowUnlocalizedKeys allow;
    EXPECT_EQ(expand("<{}>"), "<_(non_localized)>");
    EXPECT_EQ(expand("{no_such_key_at_all}"), "no_such_key_at_all_(non_localized)");
}

TEST_F(PageBaseTest, TemplateStopsAtTheEndOfTheOutput) {
    EXPECT_EQ(expand(std::string(100, 'x'), PageVariables(), 10), std::string(10, 'x'));
    // A value cut in its middle.
    EXPECT_EQ(expand("ab{web_caption}cd", PageVariables(), 9), "abCorvane");
    EXPECT_EQ(expand("abc", PageVariables(), 0), "");
}

TEST_F(PageBaseTest, WriteResponseBytesAllOrNothing) {
    {
        Output out(10);
        EXPECT_EQ(writeResponseBytes(out.get(), "0123456789", 10), 10);
        EXPECT_EQ(out.text(), "0123456789");
        EXPECT_FALSE(out.ended());
    }
    {
        Output out(10);
        out->out_used = 3;
        EXPECT_EQ(writeResponseBytes(out.get(), "12345678", 8), 0);
        EXPECT_EQ(out->out_used, 3);
        EXPECT_TRUE(out.ended());
        EXPECT_TRUE(out.guardIntact());
    }
}

TEST_F(PageBaseTest, HeadWriters) {
    const std::string body = "var x = 1;\n";
    const int n = static_cast<int>(body.size());
    struct Case {
        const char* what;
        void (*write)(page_request*, const char*, int);
        std::string expected;
    } cases[] = {
        {"text", sendTextHead, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body},
        {"script", sendJavascriptHead,
         "HTTP/1.1 200 OK\r\nContent-Type: text/javascript\r\nContent-length: 11\r\n\r\n" + body},
        {"style", sendCssHead, "HTTP/1.1 200 OK\r\nContent-Type: text/css\r\nContent-length: 11\r\n\r\n" + body},
        {"png", sendPngHead, "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-length: 11\r\n\r\n" + body},
        {"gif", sendGifHead, "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\nContent-length: 11\r\n\r\n" + body},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Output out;
        c.write(out.get(), body.data(), n);
        EXPECT_EQ(out.text(), c.expected);
        EXPECT_TRUE(out.ended());
    }
    {
        Output out;
        sendHtmlHead(out.get());
        EXPECT_EQ(out.text(), "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n");
        EXPECT_FALSE(out.ended());
    }
    {
        Output out;
        sendAttachmentHead(out.get(), "vantrell3.log", "application/octet-stream");
        EXPECT_EQ(out.text(),
                  "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                  "Content-Disposition: attachment; filename=vantrell3.log\r\n\r\n");
        EXPECT_FALSE(out.ended());
    }
    {
        // A large script: the length line says so; a body that does not fit goes without body.
        const std::string big(141161, 'j');
        Output out(200000);
        sendJavascriptHead(out.get(), big.data(), static_cast<int>(big.size()));
        EXPECT_NE(out.text().find("\r\nContent-length: 141161\r\n\r\n"), std::string::npos);
        EXPECT_EQ(out.text().size(), 141161u + 74u);
        Output small(1000);
        sendJavascriptHead(small.get(), big.data(), static_cast<int>(big.size()));
        EXPECT_EQ(small.text(), "HTTP/1.1 200 OK\r\nContent-Type: text/javascript\r\nContent-length: 141161\r\n\r\n");
        EXPECT_TRUE(small.ended());
    }
}

TEST_F(PageBaseTest, InternalErrorPageEscapesTheMessage) {
    Output out;
    internalErrorPage(out.get(), "a<b");
    EXPECT_EQ(out.text(),
              "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n\r\n<html>\r\n"
              "<head><title>Corvane Products Installer</title></head>\r\n<body>\r\n"
              "Internal error occured:<br>\r\na&lt;b<br>\r\n<hr>\r\n</body></html>\r\n");
    EXPECT_TRUE(out.ended());
}

TEST_F(PageBaseTest, RefreshPageIsABodyOnly) {
    Output out;
    refreshPage(out.get());
    EXPECT_EQ(out.text(),
              "<html>\r\n<head>\r\n<meta http-equiv=\"refresh\" content=\"0; url=/summary.html\">"
              "</head><body>\r\n</body></html>\r\n");
    EXPECT_TRUE(out.ended());
}

TEST_F(PageBaseTest, SessionCookieLine) {
    EXPECT_EQ(sessionCookieLine("abc"), "Set-Cookie: sessionID=abc; HttpOnly; SameSite=Strict\r\n");
    setSecureSessionCookie(true);
    EXPECT_EQ(sessionCookieLine("abc"), "Set-Cookie: sessionID=abc; HttpOnly; SameSite=Strict; Secure\r\n");
    setSecureSessionCookie(false);
}

TEST_F(PageBaseTest, LanguageSelector) {
    std::string out = "replaced";
    languageSelector(out, true);
    EXPECT_EQ(out,
              "<select name=\"login_locale\"onChange=\"submit()\">\n"
              "        <option value=\"en_US\" selected>English</option>\n"
              "        <option value=\"de_DE\">German</option>\n"
              "        <option value=\"es_ES\">Spanish</option>\n"
              "        <option value=\"fr_FR\">French</option>\n"
              "        <option value=\"it_IT\">Italian</option>\n"
              "        <option value=\"ja_JP\">Japanese</option>\n"
              "        <option value=\"nl_NL\">Dutch</option>\n"
              "        <option value=\"ru_RU\">Russian</option>\n"
              "        <option value=\"zh_CN\">Chinese</option>\n"
              "        <option value=\"zh_TW\">Chinese TW</option>\n"
              "    </select>");
    // The current locale is cut at its first ".".
    Messages::setLocale("de_DE.UTF-8");
    languageSelector(out, false);
    EXPECT_EQ(out.substr(0, 29), "<select name=\"login_locale\">\n");
    EXPECT_NE(out.find("<option value=\"de_DE\" selected>German</option>"), std::string::npos);
    EXPECT_EQ(out.find("<option value=\"en_US\" selected>"), std::string::npos);
}

TEST_F(PageBaseTest, AutoRefreshNote) {
    std::string out = "before ";
    autoRefreshNote(out);
    EXPECT_EQ(out,
              "before <p style=\"text-align: center;\">This page will automatically refresh in a while.<br>If you "
              "experience any difficulties, follow this <a href=\"/\">link</a>.</p>\n");
}

TEST_F(PageBaseTest, ElementDescription) {
    struct Case {
        const char* xml;
        const char* description;
    } cases[] = {
        {"<r><name>n</name><description>first</description><description>second</description></r>", "first"},
        {"<r><description/><description>after an empty one</description></r>", "after an empty one"},
        {"<r><description><b>x</b>text after</description></r>", "text after"},
        {"<r><other>x</other></r>", ""},
        {"<r/>", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        TiXmlDocument d;
        d.Parse(c.xml);
        EXPECT_EQ(elementDescription(d.RootElement()), c.description);
    }
    EXPECT_EQ(elementDescription(nullptr), "");
}

TEST_F(PageBaseTest, CheckBackendAnswer) {
    struct Case {
        const char* answer;
        bool accepted;
        const char* status;
        const char* errorText;
    } cases[] = {
        {"not xml at all", false, "", "Bad response from backend: no root element."},
        {"", false, "", "Bad response from backend: no root element."},
        {"<other status=\"ok\"/>", false, "", "Bad response from backend: wrong root element."},
        {"<Vantrell status=\"ok\"/>", false, "", "Bad response from backend: wrong root element."},
        {"<vantrell/>", false, "", "Bad response from backend: the status attribute is missing."},
        {"<vantrell status=\"error\"/>", false, "error", "Unknown error occured in backend."},
        {"<vantrell status=\"error\" error_message=\"disk full\"/>", false, "error", "disk full"},
        {"<vantrell status=\"prepare_self_upgrade\"/>", false, "prepare_self_upgrade", "Unknown error occured in backend."},
        {"<?xml version=\"1.0\"?>\n<vantrell status=\"ok\"><page id=\"x\"/></vantrell>", true, "ok", ""},
        {"<vantrell status=\"warning\"/>", true, "warning", ""},
        {"<vantrell status=\"bad_values\"/>", true, "bad_values", ""},
        {"<vantrell status=\"bad_page\"/>", true, "bad_page", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        std::string errorText, status;
        EXPECT_EQ(checkBackendAnswer(c.answer, errorText, status), c.accepted);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(errorText, c.errorText);
    }
}

TEST_F(PageBaseTest, FixedRequestText) {
    EXPECT_EQ(fixedRequestText("get_current_page"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
              "<request>  <command value=\"get_current_page\" /></request>");
}

TEST_F(PageBaseTest, Escapes) {
    struct Case {
        std::string in, html, script, identifier;
    } cases[] = {
        {"plain_Name-1.0 42", "plain_Name-1.0 42", "plain_Name-1.0 42", "plain_Name_1_0_42"},
        {"a&b<c>\"d'e", "a&amp;b&lt;c&gt;&quot;d&#39;e", "a\\x26b\\x3cc\\x3e\\x22d\\x27e", "a_b_c__d_e"},
        {"back\\slash", "back\\slash", "back\\x5cslash", "back_slash"},
        {"</script>", "&lt;/script&gt;", "\\x3c/script\\x3e", "__script_"},
        {std::string("line\nbreak\r\t\x01", 13), std::string("line\nbreak\r\t\x01", 13),
         "line\\x0abreak\\x0d\\x09\\x01", "line_break___"},
        {"Gr\xc3\xbc\xc3\x9f""e", "Gr\xc3\xbc\xc3\x9f""e", "Gr\xc3\xbc\xc3\x9f""e", "Gr____e"},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(htmlText(c.in), c.html);
        EXPECT_EQ(scriptText(c.in), c.script);
        EXPECT_EQ(scriptIdentifier(c.in), c.identifier);
    }
}

TEST_F(PageBaseTest, LoginTemplatesAreCompiledIn) {
    for (const char* name : {"templates/login.xhtml", "templates/login_error.xhtml"}) {
        SCOPED_TRACE(name);
        const EmbeddedResource* r = findEmbeddedResource(name);
        ASSERT_NE(r, nullptr);
        const std::string onDisk = testutil::readFile(std::string(VN_SOURCE_DIR) + "/src/webui/resources/" + name);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(r->bytes), r->length), onDisk);
        EXPECT_EQ(r->bytes[r->length], 0);
    }
    EXPECT_EQ(findEmbeddedResource("templates/none.xhtml"), nullptr);
}

}  // namespace
