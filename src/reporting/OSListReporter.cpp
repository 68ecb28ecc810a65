#include "OSListReporter.h"

#include <iomanip>

#include "../catalogue/BuildManager.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/fileops.h"

OSListReporter::OSListReporter(int status_, const std::string& message_, const std::string& errorClass_,
                               const BuildManager* catalogue_)
    : Reporter(status_, message_, errorClass_), catalogue(catalogue_) {}

OSListReporter::~OSListReporter() = default;

std::ostream& OSListReporter::put(std::ostream& out) {
    if (xmlOutput) throw error(2, 1, 1, 2) << Messages::getMessage("err_src_xmlblist");

    // Right-aligned so that the file names line up; a longer system name is written whole.
    out << std::right;
    for (const std::shared_ptr<Release>& release : catalogue->getReleases()) {
        if (!release->selected) continue;
        for (const std::shared_ptr<Build>& build : release->builds)
            out << std::setw(15) << build->os_vendor + build->os_version + ": " << fileops::basename(build->config)
                << "\n";
    }
    out.flush();
    return out;
}
