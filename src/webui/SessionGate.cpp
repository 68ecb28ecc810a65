#include "SessionGate.h"

#include <openssl/crypto.h>

#include <cstring>
#include <string>
#include <vector>

#include "../common/Messages.h"
#include "../common/utils.h"
#include "EmbeddedResources.h"
#include "PageBase.h"
#include "WebSession.h"
#include "password_check.h"

using vnhttpd::page_get_env;
using vnhttpd::page_get_var;
using vnhttpd::page_printf;
using vnhttpd::page_request;
using vnhttpd::PAGE_LAST;

namespace {

const char* const tooManySessions = "Too many sessions.";

bool isPost(page_request* req) {
    const char* method = page_get_env(req, "REQUEST_METHOD");
    return method && std::strcmp(method, "POST") == 0;
}

// Variable `name` of `text` (a query or form body), at most size - 1 bytes; "" when absent.
std::string variable(const char* name, const char* text, int length, size_t size) {
    std::vector<char> value(size, '\0');
    if (text) page_get_var(name, text, length, value.data(), static_cast<int>(size));
    return value.data();
}

std::string trimmedVariable(const char* name, const char* text, int length, size_t size) {
    std::vector<char> value(size, '\0');
    if (text) page_get_var(name, text, length, value.data(), static_cast<int>(size));
    trimSpaces(value.data());
    return value.data();
}

std::string languageOf(const std::string& locale) { return locale.substr(0, locale.find('.')); }

bool sameSecret(const std::string& given, const std::string& kept) {
    return given.size() == kept.size() && CRYPTO_memcmp(given.data(), kept.data(), kept.size()) == 0;
}

void expandLoginTemplate(page_request* req, const char* name, const PageVariables& variables) {
    const EmbeddedResource* page = findEmbeddedResource(name);
    if (page) expandTemplate(req, reinterpret_cast<const char*>(page->bytes), page->length, variables);
}

}  // namespace

std::string& keptWebSecret() {
    static std::string secret;
    return secret;
}

void applyLocaleParameter(page_request* req) {
    const char* query = page_get_env(req, "QUERY_STRING");
    if (!query) return;
    const std::string locale = variable("locale", query, static_cast<int>(std::strlen(query)), 20);
    if (!locale.empty()) sendSetLocale(locale.c_str());
}

bool loginBySecret(WebSession* session, const char* queryString, page_request* req) {
    std::string& kept = keptWebSecret();
    if (kept.empty() || !queryString || !session) return false;
    const std::string given = variable("secret", queryString, static_cast<int>(std::strlen(queryString)), 256);
    if (given.empty() || !sameSecret(given, kept)) return false;
    OPENSSL_cleanse(&kept[0], kept.size());
    kept.clear();
    activateSession(*session);
    redirectWithCookie(req, *session);
    return true;
}

void loginPage(page_request* req, WebSession* session) {
    page_printf(req, "HTTP/1.1 200 OK\r\n");
    page_printf(req, "Content-Type: text/html\r\n");
    page_printf(req, "%s", sessionCookieLine(session->variables["sessionID"]).c_str());
    page_printf(req, "\r\n\r\n");

    PageVariables variables;
    languageSelector(variables["language_selector"], true);
    variables["current_login"] = htmlText(currentUserName());

    if (!isPost(req)) {
        expandLoginTemplate(req, "templates/login.xhtml", variables);
        req->flags |= PAGE_LAST;
        return;
    }

    const char* body = req->in_buf;
    const int length = req->in_len;
    const std::string chosenLocale = trimmedVariable("login_locale", body, length, 20);
    const std::string login = trimmedVariable("login", body, length, 256);
    // As long as the body: a password is taken whole, blanks included.
    std::vector<char> password(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    if (body) page_get_var("password", body, length, password.data(), static_cast<int>(password.size()));
    req->in_used = req->in_len;

    const bool accepted = !login.empty() && isCurrentUser(login.c_str()) && pamAuthenticate(login.c_str(), password.data());
    OPENSSL_cleanse(password.data(), password.size());
    if (accepted) {
        // Without a chosen language the current one stays.
        if (!chosenLocale.empty()) sendSetLocale(chosenLocale.c_str());
        activateSession(*session);
        refreshPage(req);
        return;
    }

    // The password is never written back into the page.
    variables["current_login"] = htmlText(login);
    variables["current_password"] = "";
    if (chosenLocale.empty() || languageOf(chosenLocale) == languageOf(Messages::getLocale())) {
        expandLoginTemplate(req, "templates/login_error.xhtml", variables);
    } else {
        // The drop-down sent the form to change the language: the engine hears of it with a
        // successful login.
        Messages::setLocale(chosenLocale);
        languageSelector(variables["language_selector"], true);
        expandLoginTemplate(req, "templates/login.xhtml", variables);
    }
    req->flags |= PAGE_LAST;
}

bool sessionGate(page_request* req) {
    if (isPost(req) && (req->flags & vnhttpd::PAGE_MORE_INPUT)) return false;
    const unsigned result = checkSession(vnhttpd::page_get_header(req, "Cookie"), currentSession);
    switch (result) {
        case 0:
            applyLocaleParameter(req);
            return true;
        case 2:
        case 4:
            if (createSession(currentSession) != 0) {
                internalErrorPage(req, tooManySessions);
                return false;
            }
            break;
        case 1:
        case 3:
            break;
        case 5:
            internalErrorPage(req, tooManySessions);
            return false;
        case 6:
            redirectWithCookie(req, *currentSession);
            return false;
        default:
            internalErrorPage(req, "Undefined result from checkSession() function.");
            return false;
    }
    if (loginBySecret(currentSession, page_get_env(req, "QUERY_STRING"), req))
        applyLocaleParameter(req);
    else
        loginPage(req, currentSession);
    return false;
}
