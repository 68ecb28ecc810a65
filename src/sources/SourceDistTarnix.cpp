#include "SourceDistTarnix.h"

#include "../catalogue/Build.h"
#include "../catalogue/BuildInfFile.h"
#include "../common/checked_pointer"
#include "../common/fileops.h"

SourceDistTarnix::SourceDistTarnix(Repository* repository, const FileFetcher& fetcher,
                                   const std::shared_ptr<Build>& build)
    : SourceTarnix(repository, fetcher, build, 'b') {
    checked_pointer<BuildInfFile> description = build->description.get();
    const std::string prefix = fileops::parent_path(description->config) + "/" + description->build_dir + "/";
    for (const std::string& archive : description->ports_archives) distFiles.push_back(prefix + archive);
}

SourceDistTarnix::~SourceDistTarnix() = default;
