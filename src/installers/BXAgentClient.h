#ifndef VN_INSTALLERS_BXAGENTCLIENT_H
#define VN_INSTALLERS_BXAGENTCLIENT_H

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "../common/checked_pointer"
#include "BxPacketGate.h"

class Package;
class TiXmlDocument;
class TiXmlElement;

// The client of the container agent: inside a container, package information, template lists
// and installations are asked of the agent over the packet channel, as XML packets.
//
// One client lives per process (instance()); the installer and the configurator of the
// container agent share it and it is never destroyed. Not being connected (another
// environment, no channel, no greeting) is a normal, lasting state. Single-threaded.
class BXAgentClient {
public:
    // A template or package as the agent reports it.
    class BXADataPackage {
    public:
        // From a "package" element of an answer. The agent marks its KV templates with a dot
        // before the name; one leading dot of the name (then the type is "kvtemplate") and of
        // the distributive is dropped.
        explicit BXADataPackage(const TiXmlElement* element);

        std::string name;
        std::string version;
        std::string type;
        std::string platform;
        std::string distributive;
    };

    // Connects and greets the agent when the system runs in a container ("bx"). Returns
    // normally, not connected, when it does not, when no channel opens or when no greeting
    // comes in time; raises `error` when the greeting or the version answer is unusable.
    BXAgentClient();
    ~BXAgentClient();
    BXAgentClient(const BXAgentClient&) = delete;
    BXAgentClient& operator=(const BXAgentClient&) = delete;

    // The process-wide client, null until obtain() made one.
    static BXAgentClient* instance();
    // The process-wide client, made now when there is none. A constructor that throws leaves
    // none behind, so the next call connects again.
    static BXAgentClient& obtain();

    // The agent's version text; "" when the agent reports an error.
    std::string getVersion();
    // The version the agent offers of package `name` in the OS template `distributive`: a new
    // package of kind 'u' that the caller owns, or null when the agent reports an error,
    // leaves out the package or its version.
    Package* getPackageInfo(const std::string& name, const std::string& distributive);
    // Appends the templates of the node (`nodeWide`) or of this container to `out`; false
    // when the agent reports an error or sends no "pkgm" section.
    bool readTemplateList(bool nodeWide, std::vector<BXADataPackage>& out);

    // Sets "id" (then counts one more packet) and "version" on a new "packet" element.
    void setPacketHeader(TiXmlElement* packet);
    // Sends the packet and returns the answer text; channel failures raise `error`. No time
    // limit.
    std::string sendAndReceive(const TiXmlElement* packet);
    // Parses the answer into `document` and returns its "data" element; raises `error` for
    // an answer that is no packet.
    static TiXmlElement* checkAnswer(TiXmlDocument& document, const std::string& answer);
    // The section has an "error" child.
    static bool hasError(const TiXmlElement* section);
    // The agent's error report of `section`, for the log. The message is taken from the raw
    // answer where it can be, so markup in it shows as the agent sent it.
    static std::string errorText(const TiXmlElement* section, const std::string& answer);
    // This container's id, read afresh each time; "" when it cannot be read.
    static std::string getVpsId();

    static const char* const protocolVersion;
    // Where the container's id is read ("/proc/bx/veinfo").
    static std::string veinfoPath;
    // How long the agent's greeting is waited for (300 s).
    static std::chrono::milliseconds greetingTimeout;

    // Id of the next request packet.
    int packetCounter;
    // The greeting was accepted.
    bool connected;
    // The agent refused the container's list because its OS template is a standard one.
    bool incompatibleOsTemplate;
    checked_autoclean_pointer<bx::PacketGate> gate;
    // The node's templates for this operating system, and those in this container.
    std::vector<BXADataPackage> nodeTemplates;
    std::vector<BXADataPackage> vpsTemplates;

private:
    // The checked answer's "pkgm" section; null, with a log line and the console's warning,
    // when the answer has none.
    static const TiXmlElement* pkgmSection(TiXmlDocument& document, const std::string& answer);
};

// name:type:platform:distributive (the version is not shown).
std::ostream& operator<<(std::ostream& out, const BXAgentClient::BXADataPackage& p);

// The text of the first child element `name` of `element`; "" without one or without text.
std::string childText(const TiXmlElement* element, const char* name);
// Appends an element `name` with one text child holding `value` (an empty value still gets
// its text child, so it is written as an opening and a closing tag).
void addTextChild(TiXmlElement* parent, const char* name, const std::string& value);

#endif
