#include "ReleasesReporter.h"

#include <tinyxml.h>

#include "../catalogue/BuildManager.h"
#include "../common/Messages.h"
#include "../main/Options.h"
#include "setXmlAttribute.h"

namespace {

const char* gradeWord(int grade) {
    switch (grade) {
        case 1: return "minor";
        case 2: return "major";
        default: return nullptr;
    }
}

}  // namespace

ReleasesReporter::ReleasesReporter(int status_, const std::string& message_, const std::string& errorClass_,
                                   const BuildManager* catalogue_, int mode_)
    : Reporter(status_, message_, errorClass_), catalogue(catalogue_), mode(mode_) {}

ReleasesReporter::~ReleasesReporter() = default;

std::ostream& ReleasesReporter::put(std::ostream& out) {
    const BuildManager::releases_t& releases = catalogue->getReleases();
    if (releases.empty()) {
        // The empty list of an update check is good news; of a listing it is an error, though
        // the run still ends as a success.
        const bool updates = mode == mode_updates;
        Reporter empty(updates ? reportOk : reportError,
                       Messages::getMessage(updates ? "releases_reporter_no_updates" : "releases_reporter_list_empty"),
                       "");
        return empty.put(out);
    }

    if (xmlOutput) {
        TiXmlElement list("releases");
        for (const std::shared_ptr<Release>& release : releases) {
            if (!Options::instance().isProdIDSelected(release->product->id)) continue;
            TiXmlElement item("release");
            setXmlAttribute(item, "id", release->id);
            // "--show-all-releases" is answered before the installation state is known: such
            // a release has no action to show yet, which is not a failure of the listing.
            if (release->getCheckResult() != Release::not_checked) {
                const std::string action = release->update_mode();
                const int grade = release->update_grade();
                if (mode == mode_updates && action == "up2date" && grade == 0) continue;
                setXmlAttribute(item, "action", action);
                if (mode == mode_updates)
                    if (const char* word = gradeWord(grade)) setXmlAttribute(item, "update_grade", word);
            }
            TiXmlElement description("description");
            description.InsertEndChild(TiXmlText(release->name));
            item.InsertEndChild(description);
            list.InsertEndChild(item);
        }
        return putXml(out, &list);
    }

    // Unfiltered in both modes: scripts read the update check's text as the full list.
    out << "---  prod_id  release_id  (description)  ---\n";
    for (const std::shared_ptr<Release>& release : releases)
        out << release->product->id << " " << release->id << " (" << release->name << ")\n";
    out.flush();
    return out;
}
