#include "summaryPage.h"

#include <signal.h>
#include <tinyxml.h>

#include <cstring>
#include <sstream>
#include <string>

#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/error.h"
#include "../common/utils.h"
#include "../packages/Version.h"
#include "PageBase.h"
#include "SessionGate.h"
#include "WebSession.h"

using vnhttpd::page_request;

namespace {

const char* const refreshEveryFiveSeconds = "<meta http-equiv=\"refresh\" content=\"5\">";

// A release shown in the data cell.
struct ShownRelease {
    bool known = false;
    std::string version;
    std::string detailsUrl;
};

std::string attribute(const TiXmlElement* element, const char* name) {
    const char* value = element->Attribute(name);
    return value ? value : "";
}

// Catalogue versions come from the network: a text the version rules refuse compares as
// neither equal nor newer instead of failing the page.
bool sameVersion(const std::string& a, const std::string& b) {
    try {
        return Version(a) == Version(b);
    } catch (const error&) {
        return false;
    }
}

bool newerVersion(const std::string& a, const std::string& than) {
    try {
        return Version(a) > Version(than);
    } catch (const error&) {
        return false;
    }
}

// A decimal count above 0; anything that is not all digits counts 0.
bool positiveCount(const char* text) {
    if (!text || !*text) return false;
    bool nonZero = false;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        if (*p != '0') nonZero = true;
    }
    return nonZero;
}

// Addresses from the catalogue become links only when they are web addresses: a mirror could
// hand out "javascript:" ones.
bool isWebAddress(const std::string& url) {
    return url.compare(0, 7, "http://") == 0 || url.compare(0, 8, "https://") == 0;
}

std::string newWindowLink(const std::string& url, const std::string& text) {
    return "<a href=\"" + htmlText(url) + "\" target=\"_blank\">" + text + "</a>";
}

void appendShownRelease(std::string& cell, const ShownRelease& release) {
    cell += "<span>v. " + htmlText(release.version) + "</span>";
    if (isWebAddress(release.detailsUrl))
        cell += " " + newWindowLink(release.detailsUrl, Messages::getMessage("web_prodversion_details"));
}

std::string releasesRequest(const std::string& sessionId) {
    TiXmlElement request("request");
    TiXmlElement command("command");
    command.SetAttribute("value", "get_releases_list");
    command.SetAttribute("session_id", sessionId);
    request.InsertEndChild(command);
    return xmlRequestText(request);
}

std::string currentSessionId() {
    if (!currentSession) return std::string();
    const auto found = currentSession->variables.find("sessionID");
    return found == currentSession->variables.end() ? std::string() : found->second;
}

std::string selfUpgradeNotice(const char* key) {
    std::string notice = "<h2 style=\"margin-top: 10%; margin-bottom: 10%; text-align: center;\">" +
                         Messages::getMessage(key) + "</h2>";
    autoRefreshNote(notice);
    return notice;
}

std::string serverWarning() {
    return "<div class=\"msg-warning\">" + Messages::getMessage("web_warn_server") + "<br /><a href=\"#\">" +
           Messages::getMessage("web_try_reconnect") + "</a>" + Messages::getMessage("web_warn_server_or") +
           " <a href=\"preferences.html\">" + Messages::getMessage("web_check_settings") + "</a>" +
           Messages::getMessage("web_warn_server_end") + "</div>";
}

std::string hostDescription() {
    // Detection runs commands on its first use in the process: the server's child reaper must
    // not collect them before their reader does, so SIGCHLD waits until they are done.
    sigset_t childSignal;
    sigset_t before;
    sigemptyset(&childSignal);
    sigaddset(&childSignal, SIGCHLD);
    ::sigprocmask(SIG_BLOCK, &childSignal, &before);
    std::ostringstream text;
    try {
        text << Opsys();
    } catch (const error&) {
        // An undetectable system leaves the description out of the notice.
    }
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
    return text.str();
}

// The link start, end and status variables of one operation.
void setOperation(PageVariables& v, bool enabled, const char* link, const char* linkEnd, const char* status,
                  const char* page) {
    v[link] = enabled ? std::string("<a href=\"") + page + "\">" : "";
    v[linkEnd] = enabled ? "</a>" : "";
    v[status] = enabled ? "" : " disabled";
}

}  // namespace

void renderSummaryRows(const TiXmlElement* products, std::string& rows, unsigned& operations) {
    if (!products) return;
    for (const TiXmlElement* product = products->FirstChildElement("product"); product;
         product = product->NextSiblingElement("product"))
        renderSummaryRow(product, rows, operations);
}

void renderSummaryRow(const TiXmlElement* product, std::string& rows, unsigned& operations) {
    const char* name = product->Attribute("name");
    const char* id = product->Attribute("id");
    if (!name || !id) return;
    const char* installedAttribute = product->Attribute("current_version");
    const bool installed = installedAttribute != nullptr;
    const std::string installed_version = installed ? installedAttribute : "";

    ShownRelease upgrade;
    ShownRelease update;
    bool componentUpdates = false;
    std::string site;

    // The installed release offers components that are not installed yet.
    auto installedVersionTest = [&](const TiXmlElement* release, const std::string& version) {
        if (installed && sameVersion(version, installed_version) &&
            positiveCount(release->Attribute("num_of_not_installed_components")))
            operations |= addComponentsOperation;
    };

    for (const TiXmlElement* child = product->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (child->ValueStr() == "product_site") {
            site = attribute(child, "src");
            continue;
        }
        if (child->ValueStr() != "releases") continue;
        for (const TiXmlElement* release = child->FirstChildElement("release"); release;
             release = release->NextSiblingElement("release")) {
            const char* releaseId = release->Attribute("id");
            const char* action = release->Attribute("action");
            const char* versionText = release->Attribute("version");
            if (!releaseId || !action || !versionText) return;
            const std::string version = versionText;
            if (std::strcmp(action, "upgrade") == 0) {
                operations |= installUpgradeOperation;
                if (!upgrade.known || newerVersion(version, upgrade.version))
                    upgrade = {true, version, attribute(release, "details_url")};
            } else if (std::strcmp(action, "update") == 0) {
                operations |= updateComponentsOperation;
                if (installed && sameVersion(version, installed_version))
                    componentUpdates = true;
                else if (!update.known || newerVersion(version, update.version))
                    update = {true, version, attribute(release, "details_url")};
                installedVersionTest(release, version);
            } else if (std::strcmp(action, "up2date") == 0) {
                installedVersionTest(release, version);
            }
        }
    }

    const std::string icon = percentEncoded(id);
    std::string row = "<tr>\n<th>";
    if (installed) {
        row += "<div class=\"product\" style=\"background-image: url('/get_enabled_product_icon?prod_id=" + icon +
               "');\">" + htmlText(name) + " <span>v. " + htmlText(installed_version) + "</span></div>";
    } else {
        operations |= installUpgradeOperation;
        row += "<div class=\"product disabled\" style=\"background-image: url('/get_disabled_product_icon?prod_id=" +
               icon + "');\">" + htmlText(name) + " <span class=\"status\">" +
               Messages::getMessage("web_product_not_installed") + "</span></div>";
    }
    row += "</th>\n<td class=\"details\">";
    const bool newerRelease = upgrade.known || update.known;
    if (newerRelease) row += "<span class=\"note\">" + Messages::getMessage("web_product_upgrade_avail") + "</span> ";
    if (upgrade.known) {
        appendShownRelease(row, upgrade);
        if (update.known) row += "<br />";
    }
    if (update.known) appendShownRelease(row, update);
    if (componentUpdates) {
        if (newerRelease) row += "<br />";
        row += "<span class=\"note\">" + Messages::getMessage("web_product_update_avail") + "</span>";
    }
    if (!installed && isWebAddress(site)) row += newWindowLink(site, Messages::getMessage("web_product_details"));
    row += "</td>\n</tr>\n";
    rows += row;
}

void summaryPage(page_request* req) {
    if (!sessionGate(req)) return;

    TiXmlDocument answer;
    std::string status;
    std::string message;
    std::string errorText;
    TiXmlElement* element = nullptr;
    bool showProducts = true;
    try {
        element = backendCall(req, answer, releasesRequest(currentSessionId()), status, message, nullptr);
    } catch (const error& e) {
        errorText = e.text();
        showProducts = false;
        status.clear();
    }

    PageVariables v;
    unsigned operations = 0;
    std::string rows;
    if (status == "prepare_self_upgrade" || status == "start_self_upgrade") {
        message = selfUpgradeNotice(status == "prepare_self_upgrade" ? "web_selfupgrade_prepare" : "web_selfupgrade_ready");
        v["meta_refresh"] = refreshEveryFiveSeconds;
        showProducts = false;
    } else if (status == "redirect" || status == "bad_page") {
        return;
    }

    if (status == "no_connect") {
        message = serverWarning();
        v["iu_operation_status"] = " disabled";
    } else {
        if (showProducts) {
            for (; element; element = element->NextSiblingElement())
                if (element->ValueStr() == "products") break;
            renderSummaryRows(element, rows, operations);
            if (!rows.empty())
                v["web_products_summary"] = Messages::getMessage("web_products_summary");
            else
                message = Messages::fill("web_releases_no_avail", htmlText(hostDescription()));
        }
        setOperation(v, (operations & installUpgradeOperation) != 0, "iu_product_link", "iu_operation_link_end",
                     "iu_operation_status", "iup.html");
    }
    setOperation(v, (operations & addComponentsOperation) != 0, "a_component_link", "ac_operation_link_end",
                 "ac_operation_status", "add_components.html");
    setOperation(v, (operations & updateComponentsOperation) != 0, "u_component_link", "uc_operation_link_end",
                 "uc_operation_status", "update_components.html");
    v["products_summary"] = rows;
    v["error_message"] = pageMessageBox(errorText, message);

    sendHtmlHead(req);
    expandEmbeddedTemplate(req, "templates/summary.xhtml", v);
    req->flags |= vnhttpd::PAGE_LAST;
}
