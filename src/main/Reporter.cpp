#include "Reporter.h"

#include <tinyxml.h>

#include <iostream>

bool Reporter::xmlOutput = false;
std::string Reporter::statusPrefix;

Reporter::Reporter(int status_, const std::string& message_, const std::string& errorClass_)
    : status(status_), message(message_), errorClass(errorClass_) {}

Reporter::~Reporter() = default;

std::ostream& Reporter::put(std::ostream& out) {
    if (xmlOutput) {
        if (status == reportError) {
            std::cerr << "ERROR: " << message << "\n";
            std::cerr.flush();
        }
        return putXml(out);
    }
    switch (status) {
        case reportError: out << "\nERROR: "; break;
        case reportBusy: out << "\nBUSY: "; break;
        default: out << "\n"; break;
    }
    out << message << "\n";
    out.flush();
    return out;
}

std::ostream& Reporter::putXml(std::ostream& out, const TiXmlElement* content) {
    TiXmlDocument doc;
    doc.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", "yes"));
    TiXmlElement* root = new TiXmlElement("vantrell");
    doc.LinkEndChild(root);

    std::string word = statusPrefix;
    switch (status) {
        case reportOk: word += "ok"; break;
        case reportError: word += "error"; break;
        case reportBusy: word += "busy"; break;
        default: break;
    }
    root->SetAttribute("status", word);
    if (!message.empty()) {
        root->SetAttribute("error_message", message);
        if (!errorClass.empty()) root->SetAttribute("error_class", errorClass);
    }
    if (content) root->InsertEndChild(*content);

    out << doc << "\n";
    out.flush();
    return out;
}
