#ifndef VN_WEBUI_WEB_UI_H
#define VN_WEBUI_WEB_UI_H

namespace driver {

// The web work mode: serves the pages' commands until the web client ends the session.
// Raises WebUiTransport::timeout after 1800 idle seconds without a running installation.
void web_ui();

}  // namespace driver

#endif
