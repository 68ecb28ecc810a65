#ifndef VN_MAIN_DRIVERROUTINES_H
#define VN_MAIN_DRIVERROUTINES_H

#include <string>

#include "../common/checked_pointer"

class BuildManager;
class FileFetcher;
class Repository;
struct PendingError;

// Routines that the command-line driver, the text wizard and the web driver share.

// Selects the releases that the settings name, in their order: the latest release, the
// installed one ("err_rel_nocurrent" (2,1,1,2) when the product has none) or one by id. The
// first failure ends the routine; the selections before it stay. A null catalogue is an
// internal error.
void applyReleaseSelections(BuildManager* catalogue);

// The catalogue of `source`, downloading into `target`. A repository is made (with the
// installed-packages source, read briefly) only when `repository` holds none: an existing one
// is kept as it is and not read again. The fetcher and the catalogue are always made anew,
// replacing what the holders had; then the releases are checked against the repository and
// those not actual dropped.
void loadProductCatalogue(const std::string& source, const std::string& target,
                          checked_autoclean_pointer<Repository>& repository,
                          checked_autoclean_pointer<FileFetcher>& fetcher,
                          checked_autoclean_pointer<BuildManager>& catalogue);

// Raises the web engine's pending failure as an internal error (3,1,1,3) whose only line is
// its text; returns when nothing is pending.
void throwStoredError(const PendingError& pending);

#endif
