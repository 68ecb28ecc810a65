// The package files of an installation, fetched through their sources.
#include "Repository.h"

#include "../common/Messages.h"
#include "../common/Progress.h"
#include "../common/TerminationState.h"
#include "../reporting/ProductsProgress.h"
#include "../sources/Source.h"

// The pool's packages and sources are never const objects; the list is const only because
// downloading does not change which packages are installed. The fetch records where the file
// now lies in the package.
void Repository::downloadPackages(const std::vector<const Package*>& packages) {
    unsigned remote = 0;
    for (const Package* p : packages)
        if (p->getSource() && p->getSource()->isRemote()) ++remote;

    Progress progress;
    progress.stage(3, remote);
    for (const Package* p : packages) {
        checkTermination();
        const Source* source = p->getSource();
        if (!source) continue;
        ProductsProgress* perRelease = ProductsProgress::instance();
        if (!source->isRemote()) continue;
        progress.step("download", Messages::getMessage("download_file") + p->getName());
        const_cast<Source*>(source)->downloadPackage(const_cast<Package*>(p));
        if (perRelease) perRelease->set_progress(1, p->getName());
    }
}
