#ifndef VN_WEBUI_PREFERENCESPAGE_H
#define VN_WEBUI_PREFERENCESPAGE_H

#include <string>

#include "PageBase.h"
#include "httpd/httpd.h"

class TiXmlElement;

// "/preferences.html": the update source, the download directory, the proxy, the FreeBSD ports
// settings (shown only when the engine reports them) and the interface language.

// The settings as the page holds them, from the engine's answer or from the posted form. The
// members start with the page's defaults for a GET. An error text is markup: the
// "form-error-description" div with the engine's description, escaped.
struct PreferencesForm {
    enum SourceType { officialSource = 0, mirrorSource = 1, localSource = 2 };
    enum PortsType { systemPorts = 0, productPorts = 1, customPorts = 2, noPorts = 3 };

    bool allValid = true;

    int sourceType = officialSource;
    std::string mirrorUrl;
    bool mirrorUrlValid = true;
    std::string mirrorUrlError;
    std::string sourcePath;
    bool sourcePathValid = true;
    std::string sourcePathError;
    std::string targetPath;
    bool targetPathValid = true;
    std::string targetPathError;

    bool useProxy = false;
    std::string proxyHost;
    std::string proxyPort;
    bool proxyValid = true;
    std::string proxyError;
    bool useProxyAuth = false;
    std::string proxyUser;
    std::string proxyPassword;
    bool proxyAuthValid = true;
    std::string proxyAuthError;

    // Becomes noPorts as soon as an answer is read.
    int portsType = productPorts;
    std::string tarballUrl;
    bool tarballValid = true;
    std::string tarballError;
    std::string portsDir;
    bool portsDirReadOnly = true;
    bool portsDirValid = true;
    std::string portsDirError;
    bool useCvsup = false;
    std::string cvsupUrl;
    bool cvsupValid = true;
    std::string cvsupError;
    std::string masterSiteOverride;
    bool masterSiteOverrideValid = true;
    std::string masterSiteOverrideError;

    // The descriptions of `error` children of the `source` and `ports` blocks themselves (an
    // unknown source type, a missing child): they concern no single field.
    std::string blockErrors;
};

// Handler of "/preferences.html": the form from "get_preferences"; a POST sends "set_preferences".
void preferencesPage(vnhttpd::page_request* req);

// The POST builder of the page: reads the form, switches the language first when another one
// was chosen, then sends "set_preferences"; answerText gets the engine's answer.
void submitPreferences(vnhttpd::page_request* req, std::string& answerText);

// The form as posted: every field read whole (as long as the body), the marked ones trimmed.
PreferencesForm postedPreferences(const char* body, int length);

// Fills the form from a `preferences` element of an answer; absent attributes leave members as
// they are.
void readPreferences(const TiXmlElement* preferences, PreferencesForm& form);

// Whether the element's value is valid: false (and the form's all-valid flag cleared) at its
// first `error` child, whose text, when it has one, becomes errorText.
bool fieldError(const TiXmlElement* element, std::string& errorText, PreferencesForm& form);

// out = the three options of the source select, the one of sourceType selected.
void sourceTypeOptions(std::string& out, int sourceType);

// The "set_preferences" request text of the form.
std::string setPreferencesRequest(const PreferencesForm& form);

// Sends setPreferencesRequest(form) and a line end to the engine; answerText gets the answer.
void buildSetPreferences(const PreferencesForm& form, std::string& answerText);

// The page variables of the form (not `error_message`). hasPreferences: the engine answered
// with its settings, so they can be saved.
void preferencesVariables(const PreferencesForm& form, bool hasPreferences, PageVariables& variables);

#endif
