#include "BackendProtocol.h"

#include <tinyxml.h>

#include "../catalogue/Build.h"
#include "../catalogue/BuildInfFile.h"
#include "../catalogue/BuildManager.h"
#include "../catalogue/InstTypes.h"
#include "../catalogue/Release.h"
#include "../common/Log.h"
#include "../common/Opsys.h"
#include "../common/base64.h"
#include "../common/error.h"
#include "../common/tinybind.h"
#include "../components/VnComponent.h"
#include "../main/Options.h"
#include "../sources/FileFetcher.h"
#include "../sources/SourceUrl.h"

namespace {

const char* const sourceName = "BackendProtocol";
const int lineNoDocument = 52;
const int lineNoRoot = 61;
const int lineNoData = 118;
const int lineComponentLost = 164;
const int lineNoBestBuild = 262;

const char* const masked = "***";

void maskElement(TiXmlElement& element, const std::set<std::string>& secretIds, bool maskAll) {
    for (TiXmlAttribute* a = element.FirstAttribute(); a; a = a->Next())
        if (a->NameTStr() == "password") a->SetValue(masked);
    if (element.ValueStr() == "setting") {
        const char* type = element.Attribute("type");
        const char* id = element.Attribute("id");
        if (maskAll || (type && std::string(type) == "password") || (id && secretIds.count(id))) {
            if (element.Attribute("value")) element.SetAttribute("value", masked);
            if (element.Attribute("default")) element.SetAttribute("default", masked);
        }
    }
    for (TiXmlElement* child = element.FirstChildElement(); child; child = child->NextSiblingElement())
        maskElement(*child, secretIds, maskAll);
}

TiXmlElement textElement(const char* name, const std::string& text) {
    TiXmlElement element(name);
    element.InsertEndChild(TiXmlText(text));
    return element;
}

}  // namespace

std::string maskedForLog(const TiXmlElement& root, const std::set<std::string>& secretSettingIds,
                         bool maskAllSettings) {
    TiXmlElement copy(root);
    maskElement(copy, secretSettingIds, maskAllSettings);
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    copy.Accept(&printer);
    return printer.Str();
}

BackendProtocol::BackendProtocol() {}

BackendProtocol::~BackendProtocol() {}

void BackendProtocol::resetAnswer() {
    std::unique_ptr<TiXmlDocument> fresh(new TiXmlDocument);
    fresh->InsertEndChild(TiXmlDeclaration("1.0", "UTF-8", "yes"));
    TiXmlElement root("vantrell");
    root.SetAttribute("status", "ok");
    fresh->InsertEndChild(root);
    document = std::move(fresh);
    secretIds.clear();
}

TiXmlDocument* BackendProtocol::answer() const {
    if (!document) throw internalError(sourceName, lineNoDocument);
    return document.get();
}

TiXmlElement* BackendProtocol::answerRoot() const {
    TiXmlElement* root = answer()->FirstChildElement();
    if (!root) throw internalError(sourceName, lineNoRoot);
    return root;
}

void BackendProtocol::sendError(const std::string& message, const std::string& className) {
    Log(3) << "BackendProtocol::sendError: " << message << "\n";
    TiXmlElement* root = answerRoot();
    root->SetAttribute("status", "error");
    root->SetAttribute("error_message", message);
    root->SetAttribute("error_class", className);
}

void BackendProtocol::sendBadPage(const std::string& pageId) {
    TiXmlElement* root = answerRoot();
    root->SetAttribute("status", "bad_page");
    sendCurrentPage(pageId);
}

void BackendProtocol::sendCurrentPage(const std::string& pageId) {
    TiXmlElement page("page");
    page.SetAttribute("id", pageId);
    answerRoot()->InsertEndChild(page);
}

void BackendProtocol::sendWarning(const std::string& text) {
    TiXmlElement* root = answerRoot();
    root->InsertEndChild(textElement("warning", text));
    root->SetAttribute("status", "warning");
}

void BackendProtocol::sendStartSelfUpgrade() { answerRoot()->SetAttribute("status", "start_self_upgrade"); }

void BackendProtocol::sendPrepareSelfUpgrade() { answerRoot()->SetAttribute("status", "prepare_self_upgrade"); }

void BackendProtocol::sendLog(const std::string& text) { answerRoot()->InsertEndChild(textElement("log", text)); }

void BackendProtocol::sendBinaryData(const std::vector<unsigned char>& bytes) {
    TiXmlElement* root = answerRoot();
    if (bytes.empty()) throw internalError(sourceName, lineNoData);
    TiXmlElement data = textElement("data", base64Encode(bytes));
    data.SetAttribute("encoding", "base64");
    root->InsertEndChild(data);
}

void BackendProtocol::sendBestwithWarning(const std::vector<BestWithProduct>& findings) {
    TiXmlElement* root = answerRoot();
    root->SetAttribute("status", "warning");
    TiXmlElement info("bestwith_info");
    for (const BestWithProduct& finding : findings) {
        TiXmlElement product("product");
        product.SetAttribute("id", finding.id);
        product.SetAttribute("description", finding.description);
        product.SetAttribute("version", finding.version);
        for (const BestWithSuggestion& entry : finding.bestwith) {
            TiXmlElement bestwith("bestwith");
            bestwith.SetAttribute("id", entry.id);
            bestwith.SetAttribute("description", entry.description);
            bestwith.SetAttribute("version", entry.version);
            bestwith.SetAttribute("instead_of", entry.instead_of);
            product.InsertEndChild(bestwith);
        }
        info.InsertEndChild(product);
    }
    root->InsertEndChild(info);
}

void BackendProtocol::sendDependenciesWarning(const std::vector<std::pair<VnComponent*, VnComponent*>>& pairs) {
    TiXmlElement* root = answerRoot();
    root->SetAttribute("status", "warning");
    TiXmlElement info("dependencies_info");
    for (const auto& pair : pairs) {
        const VnComponent& component = *pair.first;
        const VnComponent& required = *pair.second;
        tinybind::Element group(&info);
        if (!group.childByAttribute("component", "id", component.name).element) {
            TiXmlElement added("component");
            added.SetAttribute("id", component.name);
            added.SetAttribute("description", component.getName());
            info.InsertEndChild(added);
            group = tinybind::Element(&info);
            if (!group.childByAttribute("component", "id", component.name).element)
                throw internalError(sourceName, lineComponentLost);
        }
        TiXmlElement need("requires");
        need.SetAttribute("id", required.name);
        need.SetAttribute("description", required.description);
        group.element->InsertEndChild(need);
    }
    root->InsertEndChild(info);
}

void BackendProtocol::sendPreferences(const std::string& source, const std::string& target,
                                      const Downloader::Proxy& proxy) {
    TiXmlElement* root = answerRoot();
    TiXmlElement preferences("preferences");

    TiXmlElement sourceElement("source");
    if (source == defaultUpdateServerUrl) {
        sourceElement.SetAttribute("type", "tarnix");
    } else if (isAbsolutePath(source)) {
        sourceElement.SetAttribute("type", "local");
        TiXmlElement local("source");
        local.SetAttribute("path", source);
        sourceElement.InsertEndChild(local);
    } else {
        sourceElement.SetAttribute("type", "mirror");
        TiXmlElement mirror("mirror");
        mirror.SetAttribute("src", source);
        sourceElement.InsertEndChild(mirror);
    }
    TiXmlElement targetElement("target");
    targetElement.SetAttribute("path", target);
    sourceElement.InsertEndChild(targetElement);
    preferences.InsertEndChild(sourceElement);

    TiXmlElement proxyElement("proxy");
    if (!proxy.host.empty()) {
        proxyElement.SetAttribute("use", "true");
        proxyElement.SetAttribute("host", proxy.host);
        proxyElement.SetAttribute("port", proxy.port);
        if (!proxy.user.empty()) {
            TiXmlElement auth("auth");
            auth.SetAttribute("user", proxy.user);
            auth.SetAttribute("password", proxy.password);
            proxyElement.InsertEndChild(auth);
        }
    } else {
        proxyElement.SetAttribute("use", "false");
    }
    preferences.InsertEndChild(proxyElement);
    root->InsertEndChild(preferences);
}

void BackendProtocol::sendReleases(const BuildManager& catalogue, FileFetcher& fetcher) {
    TiXmlElement* root = answerRoot();
    const Opsys host;
    TiXmlElement products("products");
    std::unique_ptr<TiXmlElement> product;
    std::unique_ptr<TiXmlElement> releases;
    std::string currentProduct;
    auto closeProduct = [&] {
        if (!product) return;
        product->InsertEndChild(*releases);
        products.InsertEndChild(*product);
        product.reset();
        releases.reset();
    };

    for (const std::shared_ptr<Release>& release : catalogue.getReleases()) {
        const Product& owner = *release->product;
        if (!product || owner.id != currentProduct) {
            closeProduct();
            currentProduct = owner.id;
            product.reset(new TiXmlElement("product"));
            product->SetAttribute("name", owner.name);
            product->SetAttribute("id", owner.id);
            const std::string installed = catalogue.getInstalledVersion(owner.id);
            if (!installed.empty()) product->SetAttribute("current_version", installed);
            if (catalogue.hasProduct(owner.id)) product->SetAttribute("selected", "true");
            if (!owner.productSite.empty()) {
                TiXmlElement site("product_site");
                site.SetAttribute("src", owner.productSite);
                product->InsertEndChild(site);
            }
            releases.reset(new TiXmlElement("releases"));
        }
        if (!release->hasUsableBuild(host)) continue;

        TiXmlElement element("release");
        element.SetAttribute("id", release->id);
        element.SetAttribute("version", release->version.toString());
        element.SetAttribute("name", release->name);
        if (release->selected) element.SetAttribute("selected", "true");
        // The web pages offer an upgrade where the console says "update".
        element.SetAttribute("action", release->web_update_mode());
        if (release->is_installed())
            element.SetAttribute("num_of_not_installed_components",
                                 static_cast<int>(release->getInstalledComponents().size()));
        const std::string details = release->details_url();
        if (!details.empty()) element.SetAttribute("details_url", details);
        try {
            sendInstallationTypes(element, *release, fetcher);
        } catch (const error& e) {
            Log(0) << "Can't get installation types for " << release->id << "\n: " << e.text() << "\n";
            continue;
        } catch (const tinybind::err& e) {
            // A broken description of one release must not hide the others.
            Log(0) << "Can't get installation types for " << release->id << "\n: " << e.message << "\n";
            continue;
        }
        releases->InsertEndChild(element);
    }
    closeProduct();
    root->InsertEndChild(products);
}

void BackendProtocol::sendInstallationTypes(TiXmlElement& parent, const Release& release, FileFetcher& fetcher) {
    const std::shared_ptr<Build> build = release.SelectBestBuild(Opsys());
    if (!build) throw internalError(sourceName, lineNoBestBuild);
    const BuildInfFile description(fetcher.getFile(build->config, ""), release.id);

    TiXmlElement types("installation_types");
    auto addType = [&types](const std::string& name, const std::string& text) {
        TiXmlElement type("type");
        type.SetAttribute("name", name);
        type.SetAttribute("description", text);
        types.InsertEndChild(type);
    };
    for (const BuildInfFile::insttype_t& type : description.installation_types) addType(type.name, type.description);
    addType(InstTypes::fullName, InstTypes::fullDescription);
    addType(InstTypes::customName, InstTypes::customDescription);
    parent.InsertEndChild(types);
}
