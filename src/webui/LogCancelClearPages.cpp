#include "LogCancelClearPages.h"

#include <string>

#include <tinyxml.h>

#include "../common/error.h"
#include "PageBase.h"
#include "SessionGate.h"

namespace {

// At most 1000000 bytes of log: with the head it fits into one answer.
std::string logRequest() {
    std::string text = fixedRequestText("get_log");
    text.insert(text.find("\" />") + 1, " size=\"1000000\"");
    return text;
}

// Sends `command` and keeps the status; engine failures are not shown.
std::string quietCall(vnhttpd::page_request* req, const char* command) {
    TiXmlDocument answer;
    std::string status;
    std::string message;
    try {
        backendCall(req, answer, fixedRequestText(command), status, message, nullptr);
    } catch (const error&) {
    }
    return status;
}

void endEmpty(vnhttpd::page_request* req) { req->flags |= vnhttpd::PAGE_LAST; }

}  // namespace

void logPage(vnhttpd::page_request* req) {
    if (!sessionGate(req)) return;
    TiXmlDocument answer;
    std::string status;
    std::string message;
    TiXmlElement* element = nullptr;
    try {
        element = backendCall(req, answer, logRequest(), status, message, nullptr);
    } catch (const error& e) {
        const std::string text = e.text();
        sendTextHead(req, text.data(), static_cast<int>(text.size()));
        return;
    }
    if (status == "redirect" || status == "bad_page") return;
    for (; element; element = element->NextSiblingElement()) {
        if (element->ValueStr() == "log") break;
    }
    if (!element) return endEmpty(req);
    const TiXmlText* text = nullptr;
    for (const TiXmlNode* child = element->FirstChild(); child && !text; child = child->NextSibling())
        text = child->ToText();
    if (!text) return endEmpty(req);
    const std::string& log = text->ValueStr();
    sendAttachmentHead(req, "corvane-installation-log.txt", "text/plain");
    writeResponseBytes(req, log.data(), static_cast<int>(log.size()));
    req->flags |= vnhttpd::PAGE_LAST;
}

void cancelPage(vnhttpd::page_request* req) {
    if (!sessionGate(req)) return;
    const std::string status = quietCall(req, "cancel");
    if (status == "bad_page") return;
    if (status == "ok") {
        sendHtmlHead(req);
        refreshPage(req);
    } else {
        redirectToCurrentPage(req);
    }
}

void clearPage(vnhttpd::page_request* req) {
    if (!sessionGate(req)) return;
    const std::string status = quietCall(req, "clear");
    if (status == "bad_page") return;
    sendHtmlHead(req);
    refreshPage(req);
}
