#include "DriverRoutines.h"

#include <boost/format.hpp>

#include "../catalogue/BuildManager.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../packages/Repository.h"
#include "../sources/FileFetcher.h"
#include "../sources/SourceUrl.h"
#include "../webui/PendingError.h"
#include "BackendFactories.h"
#include "Options.h"

namespace {

const char* const sourceName = "DriverRoutines.cpp";
const int lineNoCatalogue = 20;
const int lineUnknownKind = 21;

}  // namespace

void applyReleaseSelections(BuildManager* catalogue) {
    if (!catalogue) throw internalError(sourceName, lineNoCatalogue);
    for (const ReleaseSelection& selection : Options::instance().releaseSelections) {
        switch (selection.kind) {
            case ReleaseSelection::Latest:
                catalogue->selectRelease(selection.productId, catalogue->getLatestReleaseId(selection.productId));
                break;
            case ReleaseSelection::Current: {
                const std::string installed = catalogue->getInstalledReleaseId(selection.productId);
                if (installed.empty())
                    throw error(2, 1, 1, 2)
                        << boost::format(Messages::getMessage("err_rel_nocurrent")) % selection.productId;
                catalogue->selectRelease(selection.productId, installed);
                break;
            }
            case ReleaseSelection::ById:
                catalogue->selectRelease(selection.productId, selection.releaseId);
                break;
            default:
                throw internalError(sourceName, lineUnknownKind);
        }
    }
}

void loadProductCatalogue(const std::string& source, const std::string& target,
                          checked_autoclean_pointer<Repository>& repository,
                          checked_autoclean_pointer<FileFetcher>& fetcher,
                          checked_autoclean_pointer<BuildManager>& catalogue) {
    if (!repository.get()) {
        repository.reset(new Repository);
        createSystemSource(repository.get(), false);
        repository->getBriefInfo();
    }
    fetcher.reset(new FileFetcher(source, target));
    catalogue.reset(new BuildManager(fetcher.get(), urlBasename(source)));
    catalogue->checkInstallationState(repository.get());
    catalogue->removeNotActualReleases();
}

void throwStoredError(const PendingError& pending) {
    if (!pending.text.empty()) throw error(3, 1, 1, 3) << pending.text;
}
