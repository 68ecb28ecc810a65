#include "BXAgentClient.h"

#include <fstream>

#include <tinyxml.h>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/error.h"
#include "../packages/Package.h"
#include "BxErrors.h"

const char* const BXAgentClient::protocolVersion = "3.0.3";
std::string BXAgentClient::veinfoPath = "/proc/bx/veinfo";
std::chrono::milliseconds BXAgentClient::greetingTimeout = std::chrono::seconds(300);

namespace {

const char* const sourceName = "BXAgentClient.cpp";
const int lineNoErrorElement = 318;
const int lineNotPackage = 362;

// The agent's channel number of the installer.
const int agentChannel = 10;

BXAgentClient* processClient = nullptr;

TiXmlElement* addElement(TiXmlElement* parent, const char* name) {
    return parent->LinkEndChild(new TiXmlElement(name))->ToElement();
}

error agentError(const char* key) { return error(4, 1, 1, 3) << Messages::getMessage(key); }

// Removes one leading dot; reports whether there was one.
bool dropLeadingDot(std::string& text) {
    if (text.empty() || text[0] != '.') return false;
    text.erase(0, 1);
    return true;
}

}  // namespace

std::string childText(const TiXmlElement* element, const char* name) {
    const TiXmlElement* child = element ? element->FirstChildElement(name) : nullptr;
    if (!child) return std::string();
    for (const TiXmlNode* n = child->FirstChild(); n; n = n->NextSibling())
        if (const TiXmlText* text = n->ToText()) return text->ValueStr();
    return std::string();
}

void addTextChild(TiXmlElement* parent, const char* name, const std::string& value) {
    addElement(parent, name)->LinkEndChild(new TiXmlText(value));
}

BXAgentClient::BXADataPackage::BXADataPackage(const TiXmlElement* element) {
    if (!element || element->ValueStr() != "package") throw internalError(sourceName, lineNotPackage);
    name = childText(element, "name");
    version = childText(element, "version");
    type = childText(element, "type");
    platform = childText(element, "platform");
    distributive = childText(element, "distributive");
    if (dropLeadingDot(name)) type = "kvtemplate";
    dropLeadingDot(distributive);
}

std::ostream& operator<<(std::ostream& out, const BXAgentClient::BXADataPackage& p) {
    return out << p.name << ":" << p.type << ":" << p.platform << ":" << p.distributive;
}

BXAgentClient* BXAgentClient::instance() { return processClient; }

BXAgentClient& BXAgentClient::obtain() {
    if (!processClient) processClient = new BXAgentClient;
    return *processClient;
}

BXAgentClient::BXAgentClient() : packetCounter(0), connected(false), incompatibleOsTemplate(false) {
    if (Opsys().environment() != "bx") {
        Log(2) << "BXAgentClient(): You are not under Brindle." << std::endl;
        return;
    }
    // The console line is finished by "done" or "failed", or by the reason of a failure.
    Log(0) << Messages::getMessage("bxagent_using");

    try {
        gate.reset(bx::createPacketGate(agentChannel));
    } catch (const std::exception& e) {
        Log(0) << Messages::getMessage("err_bxagent_connect_rsn") << e.what() << std::endl;
        return;
    } catch (...) {
        Log(0) << Messages::getMessage("err_bxagent_connect") << std::endl;
        return;
    }

    // The agent greets unasked. One that never does must not hold the run: the wait is
    // bounded, and expiry is a failed connection like any other.
    std::string greeting;
    try {
        greeting = gate->receive(greetingTimeout);
    } catch (const bx::EnvironmentError& e) {
        Log(0) << Messages::getMessage("process_failed") << std::endl;
        Log(1) << "Error during connect to BXAgent:: " << e.what() << std::endl;
        return;
    }
    Log(0) << Messages::getMessage("process_done") << std::endl;

    TiXmlDocument document;
    const TiXmlElement* data = checkAnswer(document, greeting);
    const TiXmlElement* first = data->FirstChildElement();
    if (!first) {
        Log(1) << "Error: 'data' tag is emtpy in BXA answer" << std::endl;
        throw agentError("err_bxag_emptydta");
    }
    if (hasError(first)) {
        Log(1) << errorText(first, greeting) << std::endl;
        throw agentError("err_bxag_error");
    }

    Log(0) << Messages::getMessage("bxagent_ready") << std::endl;
    connected = true;
    const std::string version = getVersion();
    Log(1) << "BXAgent version: " + version << std::endl;
    Log(1) << "Use agent protocol version: " << protocolVersion << std::endl;
}

BXAgentClient::~BXAgentClient() {}

void BXAgentClient::setPacketHeader(TiXmlElement* packet) {
    packet->SetAttribute("id", packetCounter);
    ++packetCounter;
    packet->SetAttribute("version", protocolVersion);
}

std::string BXAgentClient::sendAndReceive(const TiXmlElement* packet) {
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    packet->Accept(&printer);
    const std::string text = printer.Str() + "\n";

    Log(3) << "sending package: '''" + text + "'''" << std::endl;
    Log(1) << "Sending request to BXAgent...";
    try {
        gate->send(text);
    } catch (const bx::EnvironmentError& e) {
        Log(1) << "An error: " << e.what() << std::endl;
        throw error(4, 1, 1, 3) << Messages::fill("err_bxag_sendrq", e.what());
    }
    Log(1) << "done" << std::endl;

    Log(1) << "Waiting response from BXAgent with installation result...";
    std::string answer;
    try {
        answer = gate->receive();
    } catch (const bx::EnvironmentError& e) {
        Log(1) << "An error: " << e.what() << std::endl;
        throw error(4, 1, 1, 3) << Messages::fill("err_bxag_recvans", e.what());
    }
    Log(1) << "done" << std::endl;
    Log(3) << "read packet: '''" + answer + "'''" << std::endl;
    return answer;
}

TiXmlElement* BXAgentClient::checkAnswer(TiXmlDocument& document, const std::string& answer) {
    document.Parse(answer.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
    if (document.Error()) {
        Log(1) << "Error: Parse error in XML from BXAgent: " + document.ValueStr() + ": " + document.ErrorDesc()
               << std::endl;
        throw agentError("err_bxag_parseans");
    }
    TiXmlElement* root = document.RootElement();
    if (!root) {
        Log(1) << "Error: No root element in BXA answer (not an XML document?)" << std::endl;
        throw agentError("err_bxag_badans");
    }
    if (root->ValueStr() != "packet") {
        Log(1) << "Error: Root element is not 'packet'" << std::endl;
        throw agentError("err_bxag_unknans");
    }
    TiXmlElement* data = root->FirstChildElement("data");
    if (!data) {
        Log(1) << "Error: no 'data' element in BXA answer" << std::endl;
        throw agentError("err_bxag_emptydta");
    }
    return data;
}

const TiXmlElement* BXAgentClient::pkgmSection(TiXmlDocument& document, const std::string& answer) {
    const TiXmlElement* pkgm = checkAnswer(document, answer)->FirstChildElement("pkgm");
    if (!pkgm) {
        Log(1) << "Error: BXAgent answer not contain 'pkgm' section" << std::endl;
        Log(0) << Messages::getMessage("err_bxagent_resp") << std::endl;
    }
    return pkgm;
}

bool BXAgentClient::hasError(const TiXmlElement* section) { return section->FirstChildElement("error") != nullptr; }

std::string BXAgentClient::errorText(const TiXmlElement* section, const std::string& answer) {
    const TiXmlElement* err = section->FirstChildElement("error");
    if (!err) throw internalError(sourceName, lineNoErrorElement);
    const std::string code = childText(err, "code");
    std::string message = childText(err, "message");

    // The parsed text has lost the markup that the agent puts in its messages.
    static const std::string open = "<message>";
    const size_t a = answer.find(open);
    const size_t b = answer.find("</message>");
    if (a != std::string::npos && b != std::string::npos && b > a + open.size())
        message = answer.substr(a + open.size(), b - a - open.size());

    const std::string rule(42, '-');
    return "BXAgent error code: " + code + "\n" + "BXAgent error message:" + "\n" + rule + "\n" + message + rule + "\n";
}

std::string BXAgentClient::getVpsId() {
    std::ifstream in(veinfoPath);
    if (!in) {
        Log(1) << "Error: no /proc/bx/veinfo file, can't get this VPS ID";
        return std::string();
    }
    std::string id;
    in >> id;
    return id;
}

std::string BXAgentClient::getVersion() {
    TiXmlElement packet("packet");
    setPacketHeader(&packet);
    addElement(addElement(addElement(&packet, "data"), "system"), "get_version");

    const std::string answer = sendAndReceive(&packet);
    TiXmlDocument document;
    const TiXmlElement* system = checkAnswer(document, answer)->FirstChildElement("system");
    if (!system) {
        Log(1) << "Error: BXAgent answer not contain 'system' section" << std::endl;
        throw agentError("err_bxag_emptysys");
    }
    if (hasError(system)) {
        Log(0) << "ERROR: " + errorText(system, answer) << std::endl;
        return std::string();
    }
    return childText(system, "version");
}

Package* BXAgentClient::getPackageInfo(const std::string& name, const std::string& distributive) {
    TiXmlElement packet("packet");
    setPacketHeader(&packet);
    addTextChild(&packet, "target", "pkgm");
    TiXmlElement* request = addElement(addElement(addElement(addElement(&packet, "data"), "pkgm"), "get_info"), "package");
    addTextChild(request, "name", name);
    addTextChild(request, "type", "rpm");
    addTextChild(request, "distributive", distributive);

    const std::string answer = sendAndReceive(&packet);
    TiXmlDocument document;
    const TiXmlElement* pkgm = pkgmSection(document, answer);
    if (!pkgm) return nullptr;
    if (hasError(pkgm)) {
        Log(0) << errorText(pkgm, answer) << std::endl;
        return nullptr;
    }
    const TiXmlElement* found = pkgm->FirstChildElement("package");
    if (!found) {
        Log(1) << "ERROR: Not found 'package' tag in BXAgent answer" << std::endl;
        Log(0) << Messages::getMessage("err_bxagent_resp") << std::endl;
        return nullptr;
    }
    const BXADataPackage record(found);
    if (record.version.empty()) return nullptr;

    Package* p = new Package(record.name, record.version);
    p->setFileName("package_from_BXAgent_get_info");
    p->setType('u');
    return p;
}

bool BXAgentClient::readTemplateList(bool nodeWide, std::vector<BXADataPackage>& out) {
    TiXmlElement packet("packet");
    setPacketHeader(&packet);
    addTextChild(&packet, "target", "pkgm");
    TiXmlElement* list = addElement(addElement(addElement(&packet, "data"), "pkgm"), "list");
    if (!nodeWide) addTextChild(list, "veid", getVpsId());
    addTextChild(addElement(list, "options"), "type", "apps");

    const std::string answer = sendAndReceive(&packet);
    TiXmlDocument document;
    const TiXmlElement* pkgm = pkgmSection(document, answer);
    if (!pkgm) return false;
    if (hasError(pkgm)) {
        const std::string report = errorText(pkgm, answer);
        Log(0) << report << std::endl;
        if (report.find("has incompatible OS template type (standard)") != std::string::npos)
            incompatibleOsTemplate = true;
        return false;
    }
    for (const TiXmlElement* p = pkgm->FirstChildElement("package"); p; p = p->NextSiblingElement("package"))
        out.push_back(BXADataPackage(p));
    Log(0) << Messages::getMessage("process_done") << std::endl;
    return true;
}
