#include "PageBase.h"

#include <tinyxml.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "../common/Messages.h"
#include "../common/error.h"
#include "EmbeddedResources.h"
#include "WebSession.h"
#include "httpd/string_routines.h"

using vnhttpd::page_printf;
using vnhttpd::page_request;
using vnhttpd::PAGE_LAST;

namespace {

const char* const defaultPageUrl = "/summary.html";
const size_t longestPlaceholderName = 48;

bool secureCookie = false;

struct PageUrl {
    const char* id;
    const char* url;
};

const PageUrl pageUrls[] = {
    {"releases", "/summary.html"},
    {"components", "/select_components.html"},
    {"params", "/cp.html"},
    {"installation", "/install_progress.html"},
    {"update_components", "/update_components.html"},
};

const char* const xmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";
const char* const xmlVersion = "1.0";
const char* const xmlEncoding = "UTF-8";
const char* const xmlStandalone = "yes";

void sendBodyWithLength(page_request* req, const char* contentType, const char* bytes, int length) {
    page_printf(req, "HTTP/1.1 200 OK\r\n");
    page_printf(req, "Content-Type: %s\r\n", contentType);
    page_printf(req, "Content-length: %d\r\n", length);
    page_printf(req, "\r\n");
    writeResponseBytes(req, bytes, length);
    req->flags |= PAGE_LAST;
}

error backendError(const std::string& text) { return error(4, 2, 1, 2) << text; }

// The root of a parsed answer, checked as backendCall needs it; raises otherwise.
TiXmlElement* checkedRoot(TiXmlDocument& answer, std::string& status) {
    TiXmlElement* root = answer.FirstChildElement();
    if (!root) throw backendError(Messages::getMessage("web_err_pl_responce_no_root"));
    if (std::strcmp(root->Value(), "vantrell") != 0)
        throw backendError(Messages::getMessage("web_err_pl_responce_wrong_root"));
    const char* value = root->Attribute("status");
    if (!value) throw backendError(Messages::getMessage("web_err_pl_responce_no_status"));
    status = value;
    return root;
}

}  // namespace

std::string htmlText(const std::string& text) { return vnhttpd::escape_html(text); }

std::string scriptText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '\\' || c == '"' || c == '\'' || c == '<' || c == '>' || c == '&') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

std::string scriptIdentifier(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
    return out;
}

int writeResponseBytes(page_request* req, const char* bytes, int length) {
    if (length < 0 || length > req->out_len - req->out_used) {
        req->flags |= PAGE_LAST;
        return 0;
    }
    if (length > 0) std::memcpy(req->out_buf + req->out_used, bytes, static_cast<size_t>(length));
    req->out_used += length;
    return length;
}

void sendHtmlHead(page_request* req) {
    page_printf(req, "HTTP/1.1 200 OK\r\n");
    page_printf(req, "Content-Type: text/html\r\n");
    page_printf(req, "\r\n");
}

void sendTextHead(page_request* req, const char* bytes, int length) {
    page_printf(req, "HTTP/1.1 200 OK\r\n");
    page_printf(req, "Content-Type: text/plain\r\n");
    page_printf(req, "\r\n");
    writeResponseBytes(req, bytes, length);
    req->flags |= PAGE_LAST;
}

void sendJavascriptHead(page_request* req, const char* bytes, int length) {
    sendBodyWithLength(req, "text/javascript", bytes, length);
}

void sendCssHead(page_request* req, const char* bytes, int length) { sendBodyWithLength(req, "text/css", bytes, length); }

void sendPngHead(page_request* req, const char* bytes, int length) { sendBodyWithLength(req, "image/png", bytes, length); }

void sendGifHead(page_request* req, const char* bytes, int length) { sendBodyWithLength(req, "image/gif", bytes, length); }

void sendAttachmentHead(page_request* req, const char* fileName, const char* contentType) {
    page_printf(req, "HTTP/1.1 200 OK\r\n");
    page_printf(req, "Content-Type: %s\r\n", contentType);
    page_printf(req, "Content-Disposition: attachment; filename=%s\r\n", fileName);
    page_printf(req, "\r\n");
}

void internalErrorPage(page_request* req, const std::string& message) {
    page_printf(req, "HTTP/1.1 200 OK\r\n");
    page_printf(req, "Content-Type: text/html\r\n");
    page_printf(req, "\r\n\r\n");
    page_printf(req, "<html>\r\n");
    page_printf(req, "<head><title>%s</title></head>\r\n", Messages::getMessage("web_caption").c_str());
    page_printf(req, "<body>\r\n");
    page_printf(req, "Internal error occured:<br>\r\n");
    page_printf(req, "%s<br>\r\n", htmlText(message).c_str());
    page_printf(req, "<hr>\r\n");
    page_printf(req, "</body></html>\r\n");
    req->flags |= PAGE_LAST;
}

void refreshPage(page_request* req) {
    page_printf(req, "<html>\r\n");
    page_printf(req, "<head>\r\n");
    page_printf(req, "<meta http-equiv=\"refresh\" content=\"0; url=%s\">", defaultPageUrl);
    page_printf(req, "</head><body>\r\n");
    page_printf(req, "</body></html>\r\n");
    req->flags |= PAGE_LAST;
}

void redirectToCurrentPage(page_request* req) {
    const char* url = currentPageUrl();
    page_printf(req, "HTTP/1.1 303 See Other\r\n");
    page_printf(req, "Location: %s\r\n\r\n", url);
    req->flags |= PAGE_LAST;
}

void redirectWithCookie(page_request* req, WebSession& session) {
    const char* url = currentPageUrl();
    page_printf(req, "HTTP/1.1 303 See Other\r\n");
    page_printf(req, "Location: %s\r\n", url);
    page_printf(req, "%s", sessionCookieLine(session.variables["sessionID"]).c_str());
    page_printf(req, "\r\n");
    req->flags |= PAGE_LAST;
}

std::string sessionCookieLine(const std::string& sessionId) {
    return "Set-Cookie: sessionID=" + sessionId + "; HttpOnly; SameSite=Strict" + (secureCookie ? "; Secure" : "") +
           "\r\n";
}

void setSecureSessionCookie(bool secure) { secureCookie = secure; }

int expandTemplate(page_request* req, const char* text, size_t length, const PageVariables& variables) {
    char* out = req->out_buf + req->out_used;
    const size_t room = req->out_len > req->out_used ? static_cast<size_t>(req->out_len - req->out_used) : 0;
    size_t written = 0;
    size_t i = 0;
    while (i < length && written < room) {
        if (text[i] != '{') {
            out[written++] = text[i++];
            continue;
        }
        const bool isVariable = i + 1 < length && text[i + 1] == '@';
        const size_t start = i + (isVariable ? 2 : 1);
        size_t end = start;
        bool closed = false;
        while (end < length) {
            const char c = text[end];
            if (c == '}') {
                closed = true;
                break;
            }
            if (std::isspace(static_cast<unsigned char>(c)) || end - start == longestPlaceholderName) break;
            ++end;
        }
        if (!closed) {
            out[written++] = text[i++];
            continue;
        }
        const std::string name(text + start, end - start);
        std::string value;
        if (isVariable) {
            auto found = variables.find(name);
            if (found != variables.end()) value = found->second;
        } else {
            value = Messages::getMessage(name);
        }
        const size_t n = std::min(value.size(), room - written);
        std::memcpy(out + written, value.data(), n);
        written += n;
        i = end + 1;
    }
    req->out_used += static_cast<int>(written);
    return static_cast<int>(written);
}

int expandEmbeddedTemplate(page_request* req, const char* name, const PageVariables& variables) {
    const EmbeddedResource* page = findEmbeddedResource(name);
    if (!page) throw std::logic_error(std::string("The page template ") + name + " is not compiled in");
    return expandTemplate(req, reinterpret_cast<const char*>(page->bytes), page->length, variables);
}

void languageSelector(std::string& out, bool submitOnChange) {
    const auto languages = Messages::getLanguages();
    if (languages.empty()) return;
    const std::string& locale = Messages::getLocale();
    const std::string current = locale.substr(0, locale.find('.'));
    out = "<select name=\"login_locale\"";
    if (submitOnChange) out += "onChange=\"submit()\"";
    out += ">\n";
    for (const auto& language : languages) {
        out += "        <option value=\"" + htmlText(language.first) + "\"";
        if (language.first == current) out += " selected";
        out += ">" + htmlText(language.second) + "</option>\n";
    }
    out += "    </select>";
}

std::string pageMessageBox(const std::string& errorText, const std::string& message) {
    if (!errorText.empty()) return "<div class=\"msg-error\">" + htmlText(errorText) + "</div>";
    if (!message.empty()) return "<div class=\"msg-warning\">" + message + "</div>";
    return std::string();
}

void autoRefreshNote(std::string& out) {
    out += "<p style=\"text-align: center;\">";
    out += Messages::getMessage("web_selfupgrade_autorefresh1");
    out += "<a href=\"/\">";
    out += Messages::getMessage("web_selfupgrade_autorefresh2");
    out += "</a>";
    out += Messages::getMessage("web_selfupgrade_autorefresh3");
    out += "</p>\n";
}

std::string elementDescription(const TiXmlElement* element) {
    if (!element) return std::string();
    for (const TiXmlElement* child = element->FirstChildElement("description"); child;
         child = child->NextSiblingElement("description"))
        for (const TiXmlNode* node = child->FirstChild(); node; node = node->NextSibling())
            if (const TiXmlText* text = node->ToText()) return text->Value();
    return std::string();
}

std::string fixedRequestText(const char* command) {
    return std::string(xmlDeclaration) + "\n<request>  <command value=\"" + command + "\" /></request>";
}

std::string xmlRequestText(const TiXmlElement& request) {
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    TiXmlDeclaration(xmlVersion, xmlEncoding, xmlStandalone).Accept(&printer);
    request.Accept(&printer);
    return printer.Str();
}

std::unique_ptr<WebUiTransport>& backendTransport() {
    static std::unique_ptr<WebUiTransport> slot;
    return slot;
}

std::string sendBackendRequest(std::unique_ptr<WebUiTransport>& slot, const std::string& requestText) {
    if (!slot) slot.reset(new WebUiTransport(0));
    return slot->request(requestText);
}

bool checkBackendAnswer(const std::string& answerText, std::string& errorText, std::string& status) {
    TiXmlDocument document;
    document.Parse(answerText.c_str());
    const TiXmlElement* root = document.FirstChildElement();
    if (!root) {
        errorText = Messages::getMessage("web_err_pl_responce_no_root");
        return false;
    }
    if (std::strcmp(root->Value(), "vantrell") != 0) {
        errorText = Messages::getMessage("web_err_pl_responce_wrong_root");
        return false;
    }
    const char* value = root->Attribute("status");
    if (!value) {
        errorText = Messages::getMessage("web_err_pl_responce_no_status");
        return false;
    }
    status = value;
    if (status == "ok" || status == "warning" || status == "bad_values" || status == "bad_page") return true;
    const char* message = root->Attribute("error_message");
    errorText = message ? message : "Unknown error occured in backend.";
    return false;
}

TiXmlElement* backendCall(page_request* req, TiXmlDocument& answer, const std::string& requestText,
                          std::string& status, std::string& message, FormHandler formHandler) {
    const char* method = vnhttpd::page_get_env(req, "REQUEST_METHOD");
    std::string answerText;
    if (formHandler && method && std::strcmp(method, "POST") == 0) {
        formHandler(req, answerText);
        std::string errorText;
        if (!checkBackendAnswer(answerText, errorText, status)) throw backendError(errorText);
        if (status == "ok") {
            redirectToCurrentPage(req);
            status = "redirect";
            return nullptr;
        }
        if (status == "bad_values") message = Messages::getMessage("web_bad_fields_values");
    } else {
        // The answer always comes from the engine: no request value may stand in for it.
        answerText = sendBackendRequest(backendTransport(), requestText);
    }
    answer.Clear();
    answer.Parse(answerText.c_str());
    TiXmlElement* root = checkedRoot(answer, status);
    if (status == "ok" || status == "warning" || status == "bad_values") return root->FirstChildElement();
    if (status == "error") {
        const char* text = root->Attribute("error_message");
        throw backendError(text ? text : "Unknown error occured in backend.");
    }
    if (status == "bad_page") redirectToCurrentPage(req);
    return nullptr;
}

const char* currentPageUrl() {
    std::string answerText;
    try {
        answerText = sendBackendRequest(backendTransport(), fixedRequestText("get_current_page"));
    } catch (const error&) {
        return defaultPageUrl;
    }
    TiXmlDocument answer;
    answer.Parse(answerText.c_str());
    const TiXmlElement* root = answer.FirstChildElement();
    if (!root || std::strcmp(root->Value(), "vantrell") != 0) return defaultPageUrl;
    const char* status = root->Attribute("status");
    if (!status || std::strcmp(status, "ok") != 0) return defaultPageUrl;
    const TiXmlElement* page = root->FirstChildElement("page");
    const char* id = page ? page->Attribute("id") : nullptr;
    if (!id) return defaultPageUrl;
    for (const PageUrl& p : pageUrls)
        if (std::strcmp(p.id, id) == 0) return p.url;
    return defaultPageUrl;
}

void sendSetLocale(const char* localeName) {
    const std::string request = std::string(xmlDeclaration) +
                                "\n<request>  <command value=\"set_locale\" />  <locale name=\"" +
                                htmlText(localeName) + "\" /></request>";
    sendBackendRequest(backendTransport(), request);
    Messages::setLocale(localeName);
}
