#include "Repository.h"

#include "../common/error.h"

// The cache-record loader is not part of this build yet. A read is refused loudly rather than
// leaving the caller with a pool that silently lacks the file's packages.
void Repository::addFromCache(FILE*, Package::type_t, dups_mode_t, const Source*) {
    throw internalError("RepositoryLoad", 8);
}
