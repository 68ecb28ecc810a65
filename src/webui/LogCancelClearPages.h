#ifndef VN_WEBUI_LOGCANCELCLEARPAGES_H
#define VN_WEBUI_LOGCANCELCLEARPAGES_H

#include "httpd/httpd.h"

// Three small pages that each send one command to the engine.

// "/log.html": the installation log as a download ("corvane-installation-log.txt"); an engine
// failure as plain text; an empty answer when the engine sent no log text.
void logPage(vnhttpd::page_request* req);

// "/cancel.html": asks the engine to cancel; "ok" refreshes to the summary, anything else goes
// back to the engine's current page.
void cancelPage(vnhttpd::page_request* req);

// "/clear.html": asks the engine to drop the selection, then refreshes to the summary.
void clearPage(vnhttpd::page_request* req);

#endif
