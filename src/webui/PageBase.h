#ifndef VN_WEBUI_PAGEBASE_H
#define VN_WEBUI_PAGEBASE_H

#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "WebUiTransport.h"
#include "httpd/httpd.h"

class TiXmlDocument;
class TiXmlElement;
struct WebSession;

// What every page of the web interface is built from: the response writers, the template
// expander, the one way a page asks the engine, and the escapes for values put into markup.

// The variables a page fills for its template ("{@name}"); an absent name reads as "".
typedef std::map<std::string, std::string> PageVariables;

// --- Escapes. Plain names and numbers come out unchanged. ---

// Text or an attribute value in HTML: & < > " ' as entities.
std::string htmlText(const std::string& text);
// The inside of a script string literal, safe in either quote style, in a script block and in
// an event attribute: backslash, both quotes, < > & and bytes below 0x20 as \xNN.
std::string scriptText(const std::string& text);
// A script identifier: every character outside [A-Za-z0-9_] becomes "_".
std::string scriptIdentifier(const std::string& text);

// --- Response writers. Each writes at the request's free output space; "ends" sets PAGE_LAST. ---

// The bytes when all of them fit (returns length); otherwise nothing, the answer ends, 0.
int writeResponseBytes(vnhttpd::page_request* req, const char* bytes, int length);
void sendHtmlHead(vnhttpd::page_request* req);
// Head and body; these end the answer.
void sendTextHead(vnhttpd::page_request* req, const char* bytes, int length);
void sendJavascriptHead(vnhttpd::page_request* req, const char* bytes, int length);
void sendCssHead(vnhttpd::page_request* req, const char* bytes, int length);
void sendPngHead(vnhttpd::page_request* req, const char* bytes, int length);
void sendGifHead(vnhttpd::page_request* req, const char* bytes, int length);
void sendAttachmentHead(vnhttpd::page_request* req, const char* fileName, const char* contentType);
// A whole answer naming the failure (escaped); ends.
void internalErrorPage(vnhttpd::page_request* req, const std::string& message);
// A body (no status line) that sends the browser to "/summary.html" at once; ends.
void refreshPage(vnhttpd::page_request* req);
// 303 to currentPageUrl(); ends.
void redirectToCurrentPage(vnhttpd::page_request* req);
// 303 to currentPageUrl() setting the session's cookie; ends.
void redirectWithCookie(vnhttpd::page_request* req, WebSession& session);

// The "Set-Cookie" line of a session id, "\r\n" included. The cookie is for the browser's
// requests to this site only: HttpOnly, SameSite=Strict, and Secure once the server serves TLS.
std::string sessionCookieLine(const std::string& sessionId);
void setSecureSessionCookie(bool secure);

// --- Templates and text builders. ---

// Appends the template with "{key}" replaced by the catalogue text and "{@name}" by the page
// variable. A "{" that starts no placeholder (white space, more than 48 name characters or the
// end before "}") is plain text. Stops silently when the output is full. Values go in as they
// are: the page escapes what it puts into its variables. Returns the bytes written (also
// counted into out_used).
int expandTemplate(vnhttpd::page_request* req, const char* text, size_t length, const PageVariables& variables);

// expandTemplate over the compiled-in template of that name ("templates/summary.xhtml"); a
// name that is not compiled in raises std::logic_error.
int expandEmbeddedTemplate(vnhttpd::page_request* req, const char* name, const PageVariables& variables);

// out = the language drop-down "login_locale" with the current language selected (nothing
// changes when there are no languages).
void languageSelector(std::string& out, bool submitOnChange);
// The box at the top of a page: the error text (escaped) in a "msg-error" box; else the message,
// which is markup (catalogue texts, notices), in a "msg-warning" box; "" when both are empty.
std::string pageMessageBox(const std::string& errorText, const std::string& message);
// Appends the paragraph telling that the page refreshes itself during a self-upgrade.
void autoRefreshNote(std::string& out);
// The first text of a child "description" that has one, else "".
std::string elementDescription(const TiXmlElement* element);

// --- The engine. ---

// `<?xml ...?>\n<request>  <command value="COMMAND" /></request>`
std::string fixedRequestText(const char* command);

// A request built as a tree: the XML declaration, then `request`, printed without line breaks
// (values escaped by the XML library).
std::string xmlRequestText(const TiXmlElement& request);

// The handle through which the pages reach the engine; empty until first used.
std::unique_ptr<WebUiTransport>& backendTransport();

// The engine's answer to requestText; the slot gets a client handle on first use. Transport
// failures raise the transport's errors.
std::string sendBackendRequest(std::unique_ptr<WebUiTransport>& slot, const std::string& requestText);

// Whether the answer is a "vantrell" document with an accepted status (ok, warning,
// bad_values, bad_page); `status` gets the status, `errorText` what is wrong otherwise.
bool checkBackendAnswer(const std::string& answerText, std::string& errorText, std::string& status);

// A page's own request to the engine made from its posted form; stores the answer text.
typedef void (*FormHandler)(vnhttpd::page_request* req, std::string& answerText);

// Asks the engine (by the form handler on a POST, else with requestText) and checks the
// answer into `answer`. Returns the root's first child for ok, warning and bad_values; null
// otherwise. Status "redirect" (a posted form was accepted) and "bad_page" mean the answer to
// the browser has been written. Failures raise error (4,2,1,2).
TiXmlElement* backendCall(vnhttpd::page_request* req, TiXmlDocument& answer, const std::string& requestText,
                          std::string& status, std::string& message, FormHandler formHandler);

// The URL of the engine's current page; "/summary.html" whenever that cannot be told.
const char* currentPageUrl();

// Tells the engine the new locale, then switches this process's catalogue. Transport errors
// pass (the catalogue then stays).
void sendSetLocale(const char* localeName);

#endif
