#ifndef VN_WEBUI_SESSIONGATE_H
#define VN_WEBUI_SESSIONGATE_H

#include <string>

#include "httpd/httpd.h"

struct WebSession;

// The check every gated page runs first, and the two ways to log in: the one-time secret of
// the launcher, and the login form (the running user's name and system password).

// True when the page may run (a valid session; a "locale" query variable has been applied).
// False when the gate has answered the request itself, or waits for the rest of a posted body.
bool sessionGate(vnhttpd::page_request* req);

// Applies the query variable "locale" to the engine and to this process's catalogue.
void applyLocaleParameter(vnhttpd::page_request* req);

// Logs the session in when the query variable "secret" is the kept secret, which is then
// spent; answers with a 303 that sets the cookie. False (nothing written) otherwise.
bool loginBySecret(WebSession* session, const char* queryString, vnhttpd::page_request* req);

// The login form (GET) or its check (POST); always answers.
void loginPage(vnhttpd::page_request* req, WebSession* session);

// The one-time secret this process accepts; empty when there is none (any more).
std::string& keptWebSecret();

#endif
