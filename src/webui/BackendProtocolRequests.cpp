// Reading the requests of the web pages: the request document and the data of each command.
#include <tinyxml.h>

#include <functional>
#include <iterator>

#include "../common/error.h"
#include "../common/tinybind.h"
#include "../common/utils.h"
#include "../main/Options.h"
#include "BackendProtocol.h"

namespace {

const char* const sourceName = "BackendProtocolRequests";
const int lineNoProducts = 104;
const int lineNoSettings = 112;
const int lineNoLogSize = 138;
const int lineNoErrorElement = 30;

// The first child `name` of `parent`, or an empty handle.
tinybind::Element optionalChild(TiXmlElement* parent, const char* name) {
    return tinybind::Element(parent ? parent->FirstChildElement(name) : nullptr);
}

}  // namespace

ElementErrorWriter::ElementErrorWriter(const tinybind::Element& element) : element(element) {}

void ElementErrorWriter::append() {
    if (!element.element) throw internalError(sourceName, lineNoErrorElement);
    TiXmlElement added("error");
    added.InsertEndChild(TiXmlText(text.str()));
    element.element->InsertEndChild(added);
}

WebRequest BackendProtocol::readRequest(const std::string& text) {
    WebRequest request;
    request.document.reset(new TiXmlDocument);
    request.document->Parse(text.c_str());
    request.root = request.document->RootElement();
    if (!request.root) throw error(3, 1, 1, 3) << "no XML root node in request package";
    if (request.root->ValueStr() != "request")
        throw error(3, 1, 1, 3) << "XML root node in request must have named 'request'.";
    request.command = tinybind::Element(request.root).requiredChild("command").attribute("value");
    return request;
}

std::vector<ProductSelection> BackendProtocol::parseProductSelection(TiXmlElement* request) {
    std::vector<ProductSelection> result;
    for (tinybind::Element product : tinybind::Element(request).requiredChild("products").children("product")) {
        ProductSelection selection;
        selection.productId = product.attribute("id");
        selection.releaseId = product.attribute("release_id");
        selection.installationType = product.attribute("installation_type");
        if (product.element->Attribute("customize"))
            selection.customize = tinybind::getBoolAttribute(product, "customize");
        result.push_back(selection);
    }
    return result;
}

std::vector<std::pair<std::string, std::vector<std::string>>> BackendProtocol::parseComponentSelection(
    TiXmlElement* request) {
    std::vector<std::pair<std::string, std::vector<std::string>>> result;
    for (tinybind::Element product : tinybind::Element(request).requiredChild("products").children("product")) {
        std::pair<std::string, std::vector<std::string>> entry;
        entry.first = product.attribute("id");
        for (tinybind::Element component : product.requiredChild("components").children("component"))
            entry.second.push_back(component.attribute("id"));
        result.push_back(entry);
    }
    return result;
}

ParamManager::Values BackendProtocol::parseComponentParams(TiXmlElement* request) {
    ParamManager::Values result;
    const tinybind::Element products = optionalChild(request, "products");
    if (!products.element) throw internalError(sourceName, lineNoProducts);
    for (tinybind::Element product : products.children("product")) {
        const tinybind::Element settings = optionalChild(product.element, "settings");
        if (!settings.element) throw internalError(sourceName, lineNoSettings);
        std::map<std::string, std::string>& values = result[product.attribute("id")];
        for (tinybind::Element setting : settings.children("setting"))
            values[setting.attribute("id")] = setting.attribute("value");
    }
    // A product without settings adds no entry.
    for (auto it = result.begin(); it != result.end();)
        it = it->second.empty() ? result.erase(it) : std::next(it);
    return result;
}

std::string BackendProtocol::parseLocale(TiXmlElement* request) {
    tinybind::Element locale(request);
    if (!locale.childByAttribute("locale").element)
        throw error(3, 1, 1, 3) << "Invalid 'set_locale' request: " << locale.error;
    return locale.attribute("name");
}

int BackendProtocol::parseLogSize(TiXmlElement* request) {
    const std::string size = tinybind::Element(request).requiredChild("command").attribute("size");
    if (size.empty()) throw internalError(sourceName, lineNoLogSize);
    return stringToInt(size);
}

std::pair<std::string, bool> BackendProtocol::parseProductIconRequest(TiXmlElement* request) {
    const tinybind::Element command = tinybind::Element(request).requiredChild("command");
    const std::string productId = command.attribute("prod_id");
    return std::make_pair(productId, tinybind::getBoolAttribute(command, "enabled"));
}

bool BackendProtocol::parsePreferences(WebPreferences& record, TiXmlElement* preferences) {
    int errors = 0;
    // Runs one block; an XML access error ends it with a complaint in the block's element.
    auto block = [&errors](const tinybind::Element& element, const std::function<void()>& read) {
        if (!element.element) return;
        try {
            read();
        } catch (const tinybind::err& e) {
            ++errors;
            ElementErrorWriter writer(element);
            writer << "XML error: " << e.message;
            writer.append();
        }
    };

    const tinybind::Element source = optionalChild(preferences, "source");
    block(source, [&] {
        const std::string type = source.attribute("type");
        if (type == "tarnix") {
            record.source = defaultUpdateServerUrl;
        } else if (type == "mirror") {
            record.source = source.requiredChild("mirror").attribute("src");
        } else if (type == "local") {
            record.source = source.requiredChild("source").attribute("path");
        } else {
            errors = 1;
            ElementErrorWriter writer(source);
            if (type.empty())
                writer << "Attribute 'type' is empty";
            else
                writer << "Invalid source type: " << type;
            writer.append();
        }
        record.target = source.requiredChild("target").attribute("path");
    });

    const tinybind::Element proxy = optionalChild(preferences, "proxy");
    block(proxy, [&] {
        if (proxy.attribute("use") != "true") return;
        record.proxyHost = proxy.attribute("host");
        const std::string port = proxy.attribute("port");
        record.proxyPort = port.empty() ? 0 : stringToInt(port);
        const tinybind::Element auth = optionalChild(proxy.element, "auth");
        if (auth.element && auth.attribute("use") == "true") {
            record.proxyUser = auth.attribute("user");
            record.proxyPassword = auth.attribute("password");
        }
    });

    const tinybind::Element ports = optionalChild(preferences, "ports");
    block(ports, [&] {
        record.portsUse = ports.attribute("use");
        if (record.portsUse == "custom")
            record.portsTarball = ports.requiredChild("tarball").attribute("src");
        else
            record.portsTarball.clear();
        const tinybind::Element cvsup = ports.requiredChild("cvsup");
        if (cvsup.attribute("use") == "true") record.portsCvsup = cvsup.attribute("from");
        record.portsMasterSiteOverride = ports.requiredChild("master_site_override").text(true);
        record.portsTarget = ports.requiredChild("target").attribute("path");
    });

    if (errors > 0) {
        TiXmlElement* root = answerRoot();
        root->SetAttribute("status", "bad_values");
        root->InsertEndChild(*preferences);
    }
    return errors == 0;
}
