#include "AddSourcesReporter.h"

#include <tinyxml.h>

#include <iomanip>

AddSourcesReporter::AddSourcesReporter(int status_, const std::string& message_, const std::string& errorClass_,
                                       const std::vector<AdditionalSource>& sources_)
    : Reporter(status_, message_, errorClass_), sources(&sources_) {}

AddSourcesReporter::~AddSourcesReporter() = default;

std::ostream& AddSourcesReporter::put(std::ostream& out) {
    if (xmlOutput) {
        TiXmlElement list("sources");
        for (const AdditionalSource& s : *sources) {
            TiXmlElement source("source");
            source.SetAttribute("type", s.type);
            source.SetAttribute("priority", std::to_string(s.priority));
            source.SetAttribute("url", s.url);
            list.InsertEndChild(source);
        }
        return putXml(out, &list);
    }
    out << std::left;
    out << std::setw(16) << "Type" << std::setw(16) << "Priority" << std::setw(16) << "URL" << "\n";
    for (const AdditionalSource& s : *sources)
        out << std::setw(16) << s.type << std::setw(16) << s.priority << std::setw(16) << s.url << "\n";
    out.flush();
    return out;
}
