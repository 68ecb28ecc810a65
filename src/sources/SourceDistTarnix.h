#ifndef VN_SOURCES_SOURCEDISTTARNIX_H
#define VN_SOURCES_SOURCEDISTTARNIX_H

#include <memory>
#include <string>
#include <vector>

#include "SourceTarnix.h"

// The build's own package directory (kind 'b'), which also knows the build's FreeBSD ports
// archives for the ports configurator.
class SourceDistTarnix : public SourceTarnix {
public:
    SourceDistTarnix(Repository* repository, const FileFetcher& fetcher, const std::shared_ptr<Build>& build);
    ~SourceDistTarnix() override;

    // Paths relative to the update source: the description's directory, build_dir and each
    // archive, in description order.
    std::vector<std::string> distFiles;
};

#endif
