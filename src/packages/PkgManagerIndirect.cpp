// What installing a package does to the installed packages: newer versions they rely on,
// obsoletes, conflicts in both directions and the other architectures of an upgrade.
//
// Not looked at yet: each step finds nothing, so a resolution covers the requires of the
// packages it installs and nothing that could break on the host.
#include "PkgManager.h"

void PkgManager::findHardwiredDependencies(const Package*) {}

void PkgManager::findObsoletesDependencies(const Package*) {}

void PkgManager::findConflicts(const Package*) {}

void PkgManager::findReverseConflicts(const Package*) {}

void PkgManager::findOtherArchDependencies(const Package*) {}
