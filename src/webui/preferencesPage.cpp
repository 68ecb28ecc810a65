#include "preferencesPage.h"

#include <tinyxml.h>

#include <cstring>
#include <string>
#include <vector>

#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/tinybind.h"
#include "../common/utils.h"
#include "SessionGate.h"

using vnhttpd::page_request;

namespace {

const char* const sourceTypeNames[] = {"tarnix", "mirror", "local"};
const char* const portsTypeNames[] = {"system", "product", "custom"};

const char* truthText(bool value) { return value ? "true" : "false"; }

// Copies the attribute into `member` when the element has it.
void readAttribute(const TiXmlElement* element, const char* name, std::string& member) {
    if (const char* value = element->Attribute(name)) member = value;
}

// A check box: an attribute "true" turns it on, any other value off; absent leaves it.
void readSwitch(const TiXmlElement* element, const char* name, bool& member) {
    if (const char* value = element->Attribute(name)) member = std::strcmp(value, "true") == 0;
}

// The index of `value` in `names`, else `otherwise`.
template <size_t N>
int indexOf(const char* value, const char* const (&names)[N], int otherwise) {
    if (!value) return otherwise;
    for (size_t i = 0; i < N; ++i)
        if (std::strcmp(value, names[i]) == 0) return static_cast<int>(i);
    return otherwise;
}

std::string errorDescription(const TiXmlElement* error) {
    for (const TiXmlNode* node = error->FirstChild(); node; node = node->NextSibling()) {
        // The engine's descriptions repeat what was typed ("Invalid source type: <x>").
        if (const TiXmlText* text = node->ToText())
            return "<div class=\"form-error-description\">" + htmlText(text->ValueStr()) + "</div>\n";
    }
    return std::string();
}

// Every `error` directly in a block: the engine rejected the block, not one of its fields.
void readBlockErrors(const TiXmlElement* block, PreferencesForm& form) {
    for (const TiXmlElement* error = block->FirstChildElement("error"); error;
         error = error->NextSiblingElement("error")) {
        form.blockErrors += errorDescription(error);
        form.allValid = false;
    }
}

void readSource(const TiXmlElement* source, PreferencesForm& form) {
    const char* type = source->Attribute("type");
    if (!type) return;
    form.sourceType = indexOf(type, sourceTypeNames, form.sourceType);
    for (const TiXmlElement* child = source->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (child->ValueStr() == "mirror") {
            readAttribute(child, "src", form.mirrorUrl);
            form.mirrorUrlValid = fieldError(child, form.mirrorUrlError, form);
        } else if (child->ValueStr() == "source") {
            readAttribute(child, "path", form.sourcePath);
            form.sourcePathValid = fieldError(child, form.sourcePathError, form);
        } else if (child->ValueStr() == "target") {
            readAttribute(child, "path", form.targetPath);
            form.targetPathValid = fieldError(child, form.targetPathError, form);
        }
    }
    readBlockErrors(source, form);
}

void readProxy(const TiXmlElement* proxy, PreferencesForm& form) {
    readSwitch(proxy, "use", form.useProxy);
    readAttribute(proxy, "host", form.proxyHost);
    readAttribute(proxy, "port", form.proxyPort);
    for (const TiXmlElement* auth = proxy->FirstChildElement("auth"); auth; auth = auth->NextSiblingElement("auth")) {
        // The engine's settings answer writes `auth` only for a configured authentication, and
        // without `use`: that one is on.
        form.useProxyAuth = true;
        readSwitch(auth, "use", form.useProxyAuth);
        readAttribute(auth, "user", form.proxyUser);
        readAttribute(auth, "password", form.proxyPassword);
        form.proxyAuthValid = fieldError(auth, form.proxyAuthError, form);
    }
    form.proxyValid = fieldError(proxy, form.proxyError, form);
}

void readPorts(const TiXmlElement* ports, PreferencesForm& form) {
    const char* use = ports->Attribute("use");
    if (use && std::strcmp(use, "not_supported") == 0)
        form.portsType = PreferencesForm::noPorts;
    else
        form.portsType = indexOf(use, portsTypeNames, form.portsType);
    for (const TiXmlElement* child = ports->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (child->ValueStr() == "tarball") {
            readAttribute(child, "src", form.tarballUrl);
            form.tarballValid = fieldError(child, form.tarballError, form);
        } else if (child->ValueStr() == "target") {
            readAttribute(child, "path", form.portsDir);
            if (const char* readonly = child->Attribute("readonly"))
                form.portsDirReadOnly = std::strcmp(readonly, "false") != 0;
            form.portsDirValid = fieldError(child, form.portsDirError, form);
        } else if (child->ValueStr() == "cvsup") {
            readSwitch(child, "use", form.useCvsup);
            readAttribute(child, "from", form.cvsupUrl);
            form.cvsupValid = fieldError(child, form.cvsupError, form);
        } else if (child->ValueStr() == "master_site_override") {
            // More than one text (a comment between two lines) is not a value the page can
            // show faithfully: the field is then shown empty.
            try {
                form.masterSiteOverride = tinybind::text(tinybind::Element(const_cast<TiXmlElement*>(child)), true);
            } catch (const tinybind::err&) {
                form.masterSiteOverride.clear();
            }
            form.masterSiteOverrideValid = fieldError(child, form.masterSiteOverrideError, form);
        }
    }
    readBlockErrors(ports, form);
}

// A form variable as posted, whole: the buffer is as large as the body. "" when absent.
std::string formVariable(const char* name, const char* body, int length) {
    if (!body || length <= 0) return std::string();
    std::vector<char> value(static_cast<size_t>(length) + 1, '\0');
    vnhttpd::page_get_var(name, body, length, value.data(), static_cast<int>(value.size()));
    return value.data();
}

std::string languageOf(const std::string& locale) { return locale.substr(0, locale.find('.')); }

const char* labelClass(bool valid) { return valid ? "label" : "label form-error"; }

TiXmlElement elementWith(const char* name, const char* attribute, const std::string& value) {
    TiXmlElement element(name);
    element.SetAttribute(attribute, value);
    return element;
}

}  // namespace

bool fieldError(const TiXmlElement* element, std::string& errorText, PreferencesForm& form) {
    const TiXmlElement* error = element->FirstChildElement("error");
    if (!error) return true;
    const std::string description = errorDescription(error);
    if (!description.empty()) errorText = description;
    form.allValid = false;
    return false;
}

void readPreferences(const TiXmlElement* preferences, PreferencesForm& form) {
    form.portsType = PreferencesForm::noPorts;
    for (const TiXmlElement* child = preferences->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (child->ValueStr() == "source")
            readSource(child, form);
        else if (child->ValueStr() == "proxy")
            readProxy(child, form);
        else if (child->ValueStr() == "ports")
            readPorts(child, form);
    }
}

void sourceTypeOptions(std::string& out, int sourceType) {
    static const char* const values[] = {"official", "mirror", "local"};
    static const char* const keys[] = {"web_official_server", "web_mirror_server", "web_local_media"};
    out.clear();
    for (int i = 0; i < 3; ++i) {
        out += std::string("<option value=\"") + values[i] + "\"" + (i == sourceType ? " selected" : "") + ">" +
               Messages::getMessage(keys[i]) + "</option>\n";
    }
}

PreferencesForm postedPreferences(const char* body, int length) {
    auto text = [&](const char* name) { return formVariable(name, body, length); };
    auto trimmed = [&](const char* name) { return trim(formVariable(name, body, length)); };
    PreferencesForm form;
    const std::string srctype = text("srctype");
    form.sourceType = srctype == "mirror" ? PreferencesForm::mirrorSource
                      : srctype == "local" ? PreferencesForm::localSource
                                           : PreferencesForm::officialSource;
    form.mirrorUrl = trimmed("mirror_url");
    form.sourcePath = trimmed("source_path");
    form.targetPath = trimmed("target_path");
    form.useProxy = text("use_proxy") == "true";
    form.proxyHost = trimmed("proxy_host");
    form.proxyPort = text("proxy_port");
    form.useProxyAuth = text("proxy_auth") == "true";
    form.proxyUser = text("proxy_user");
    form.proxyPassword = text("proxy_pwd");
    const std::string snapshot = text("snapshot");
    form.portsType = snapshot == "system_ports"    ? PreferencesForm::systemPorts
                     : snapshot == "product_ports" ? PreferencesForm::productPorts
                     : snapshot == "custom_ports"  ? PreferencesForm::customPorts
                                                   : PreferencesForm::noPorts;
    form.tarballUrl = trimmed("tarball_url");
    form.portsDir = trimmed("ports_dir");
    form.useCvsup = text("cvsup") == "true";
    form.cvsupUrl = trimmed("cvsup_url");
    form.masterSiteOverride = trimmed("master_site_override");
    return form;
}

std::string setPreferencesRequest(const PreferencesForm& form) {
    TiXmlElement request("request");
    request.InsertEndChild(elementWith("command", "value", "set_preferences"));

    TiXmlElement preferences("preferences");
    const int sourceType = form.sourceType >= 0 && form.sourceType <= 2 ? form.sourceType : 0;
    TiXmlElement source = elementWith("source", "type", sourceTypeNames[sourceType]);
    source.InsertEndChild(elementWith("mirror", "src", form.mirrorUrl));
    source.InsertEndChild(elementWith("source", "path", form.sourcePath));
    source.InsertEndChild(elementWith("target", "path", form.targetPath));
    preferences.InsertEndChild(source);

    TiXmlElement proxy = elementWith("proxy", "use", truthText(form.useProxy));
    proxy.SetAttribute("host", form.proxyHost);
    proxy.SetAttribute("port", form.proxyPort);
    TiXmlElement auth = elementWith("auth", "use", truthText(form.useProxyAuth));
    auth.SetAttribute("user", form.proxyUser);
    auth.SetAttribute("password", form.proxyPassword);
    proxy.InsertEndChild(auth);
    preferences.InsertEndChild(proxy);

    if (form.portsType >= PreferencesForm::systemPorts && form.portsType <= PreferencesForm::customPorts) {
        TiXmlElement ports("ports");
        if (form.portsType == PreferencesForm::customPorts)
            ports.InsertEndChild(elementWith("tarball", "src", form.tarballUrl));
        ports.InsertEndChild(elementWith("target", "path", form.portsDir));
        TiXmlElement cvsup = elementWith("cvsup", "use", truthText(form.useCvsup));
        cvsup.SetAttribute("from", form.cvsupUrl);
        ports.InsertEndChild(cvsup);
        TiXmlElement siteOverride("master_site_override");
        if (!form.masterSiteOverride.empty()) siteOverride.InsertEndChild(TiXmlText(form.masterSiteOverride));
        ports.InsertEndChild(siteOverride);
        ports.SetAttribute("use", portsTypeNames[form.portsType]);
        preferences.InsertEndChild(ports);
    }
    request.InsertEndChild(preferences);
    return xmlRequestText(request);
}

void buildSetPreferences(const PreferencesForm& form, std::string& answerText) {
    answerText = sendBackendRequest(backendTransport(), setPreferencesRequest(form) + "\n");
}

void submitPreferences(page_request* req, std::string& answerText) {
    const char* body = req->in_buf;
    const int length = req->in_len;
    const PreferencesForm form = postedPreferences(body, length);
    const std::string chosen = languageOf(formVariable("login_locale", body, length));
    req->in_used = req->in_len;
    // The engine hears of the language before the settings, so their answer is in it already.
    // A form without a language keeps the current one.
    const std::string current = languageOf(Messages::getLocale());
    if (!chosen.empty() && chosen != current) sendSetLocale(chosen.c_str());
    buildSetPreferences(form, answerText);
}

void preferencesVariables(const PreferencesForm& form, bool hasPreferences, PageVariables& v) {
    languageSelector(v["language_selector"], false);
    sourceTypeOptions(v["source_types"], form.sourceType);
    const bool noPorts = form.portsType == PreferencesForm::noPorts;
    v["freebsd_specific_begin"] = noPorts ? "<!--" : "";
    v["freebsd_specific_end"] = noPorts ? "-->" : "";
    v["warning_msg"] = form.allValid ? ""
                                     : "<div class=\"msg-warning\">" + Messages::getMessage("web_bad_fields_values") +
                                           "</div>" + form.blockErrors;

    v["mirror_url"] = htmlText(form.mirrorUrl);
    v["source_path"] = htmlText(form.sourcePath);
    v["target_path"] = htmlText(form.targetPath);
    v["proxy_host"] = htmlText(form.proxyHost);
    v["proxy_port"] = htmlText(form.proxyPort);
    v["proxy_user"] = htmlText(form.proxyUser);
    // Kept in its (password) field, so saving the page keeps the stored password.
    v["proxy_pwd"] = htmlText(form.proxyPassword);
    v["tarball_url"] = htmlText(form.tarballUrl);
    v["ports_dir"] = htmlText(form.portsDir);
    v["cvsup_url"] = htmlText(form.cvsupUrl);
    v["master_site_override"] = htmlText(form.masterSiteOverride);

    struct Field {
        const char* status;
        const char* errmsg;
        bool valid;
        const std::string& error;
    };
    const Field fields[] = {
        {"mirror_url_status", "mirror_url_errmsg", form.mirrorUrlValid, form.mirrorUrlError},
        {"source_path_status", "source_path_errmsg", form.sourcePathValid, form.sourcePathError},
        {"target_path_status", "target_path_errmsg", form.targetPathValid, form.targetPathError},
        {"proxy_status", "proxy_errmsg", form.proxyValid, form.proxyError},
        {"proxy_auth_status", "proxy_auth_errmsg", form.proxyAuthValid, form.proxyAuthError},
        {"tarball_url_status", "tarball_url_errmsg", form.tarballValid, form.tarballError},
        {"ports_dir_status", "ports_dir_errmsg", form.portsDirValid, form.portsDirError},
        {"cvsup_status", "cvsup_errmsg", form.cvsupValid, form.cvsupError},
        {"mso_status", "mso_errmsg", form.masterSiteOverrideValid, form.masterSiteOverrideError},
    };
    for (const Field& f : fields) {
        v[f.status] = labelClass(f.valid);
        v[f.errmsg] = f.valid ? "" : f.error;
    }

    v["use_proxy"] = form.useProxy ? "checked" : "";
    v["proxy_auth"] = form.useProxyAuth ? "checked" : "";
    v["do_cvsup"] = form.useCvsup ? "checked" : "";
    v["use_system_ports"] = form.portsType == PreferencesForm::systemPorts ? "checked" : "";
    v["use_product_ports"] = form.portsType == PreferencesForm::productPorts ? "checked" : "";
    v["use_custom_ports"] = form.portsType == PreferencesForm::customPorts ? "checked" : "";
    v["readonly_ports_dir"] = form.portsDirReadOnly ? "disabled" : "";
    v["submit_disabled"] = hasPreferences ? "" : "disabled";
}

void preferencesPage(page_request* req) {
    if (!sessionGate(req)) return;

    PreferencesForm form;
    TiXmlDocument answer;
    std::string status;
    std::string message;
    std::string errorText;
    TiXmlElement* element = nullptr;
    try {
        element = backendCall(req, answer, fixedRequestText("get_preferences"), status, message, submitPreferences);
    } catch (const error& e) {
        errorText = e.text();
        element = nullptr;
        status.clear();
    }
    if (status == "redirect" || status == "bad_page") return;

    for (; element; element = element->NextSiblingElement())
        if (element->ValueStr() == "preferences") break;
    if (element)
        readPreferences(element, form);
    else
        form.portsType = PreferencesForm::noPorts;

    PageVariables v;
    preferencesVariables(form, element != nullptr, v);
    v["error_message"] = pageMessageBox(errorText, message);

    sendHtmlHead(req);
    expandEmbeddedTemplate(req, "templates/preferences.xhtml", v);
    req->flags |= vnhttpd::PAGE_LAST;
}
