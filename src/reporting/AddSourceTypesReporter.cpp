#include "AddSourceTypesReporter.h"

#include <tinyxml.h>

#include <iomanip>
#include <vector>

#include "../common/Opsys.h"

namespace {

const char* const urlKinds[] = {"network", "local"};

struct SourceType {
    const char* name;
    int urlKind;
    bool authentication;
};

// Both kinds read rpm packages: hosts of other package systems have none.
std::vector<SourceType> sourceTypes() {
    const std::string& vendor = Opsys().os_vendor();
    if (vendor == "FreeBSD" || vendor == "MacOS" || vendor == "Debian" || vendor == "Ubuntu") return {};
    return {{"repomd", 0, true}, {"directory", 1, false}};
}

const char* authenticationWord(bool possible) { return possible ? "possible" : "impossible"; }

}  // namespace

AddSourceTypesReporter::AddSourceTypesReporter(int status_, const std::string& message_,
                                               const std::string& errorClass_)
    : Reporter(status_, message_, errorClass_) {}

AddSourceTypesReporter::~AddSourceTypesReporter() = default;

std::ostream& AddSourceTypesReporter::put(std::ostream& out) {
    const std::vector<SourceType> rows = sourceTypes();
    if (xmlOutput) {
        TiXmlElement sources("sources");
        for (const SourceType& row : rows) {
            TiXmlElement source("source");
            source.SetAttribute("type", row.name);
            source.SetAttribute("url_type", urlKinds[row.urlKind]);
            source.SetAttribute("auth", authenticationWord(row.authentication));
            sources.InsertEndChild(source);
        }
        return putXml(out, &sources);
    }
    out << std::left;
    out << std::setw(16) << "Typename" << std::setw(16) << "Type of URL" << std::setw(20) << "Authentification"
        << "\n";
    for (const SourceType& row : rows)
        out << std::setw(16) << row.name << std::setw(16) << urlKinds[row.urlKind] << std::setw(20)
            << authenticationWord(row.authentication) << "\n";
    out.flush();
    return out;
}
