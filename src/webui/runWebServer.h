#ifndef VN_WEBUI_RUNWEBSERVER_H
#define VN_WEBUI_RUNWEBSERVER_H

#include <string>
#include <vector>

#include "httpd/httpd.h"

// The web-server process.

// Its main routine: serves the pages on `port` (TLS when certificateFile is not empty) until
// the byte at stopFlag becomes non-zero; with a null flag it serves until the process is ended.
// Returns 0.
int runWebServer(int port, const std::string& certificateFile, const volatile char* stopFlag);

// The server's argument vector (argument zero first): the port ("s" appended for TLS), the
// certificate, and a root, listing and script settings under which nothing but the registered
// pages is served.
std::vector<std::string> webServerArguments(int port, const std::string& certificateFile);

// Makes a private, already removed directory the working directory, so nothing can be found
// or created there (no configuration file, no file to serve). Returns false (errno set) when
// it could not.
bool enterVanishedDirectory();

// The value of "WEB_SECRET", "" when unset.
std::string readWebSecret();

// Moves "WEB_SECRET" out of the environment into the kept secret of the session gate, so
// children of this process never see it. Nothing happens when it is unset or empty.
void takeWebSecret();

// SIGCHLD handler: collects every exited child; other signals are ignored.
void reapChildren(int signal);

// Registers the handler for `pattern` behind the wrapper that keeps the process serving: an
// exception escaping the handler is logged, what that call wrote is dropped, and the answer
// becomes the internal error page when nothing of it had been written before (else it ends).
void registerWrappedPage(vnhttpd::server_context* ctx, const char* pattern, vnhttpd::page_handler handler);

// "/": the session gate, then a 303 to the engine's current page.
void rootPage(vnhttpd::page_request* req);

// "/add_components.html".
void addComponentsPage(vnhttpd::page_request* req);

#endif
