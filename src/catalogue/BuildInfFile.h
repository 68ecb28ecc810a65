#ifndef VN_CATALOGUE_BUILDINFFILE_H
#define VN_CATALOGUE_BUILDINFFILE_H

#include <string>
#include <vector>

// A parsed build description. So far only the record, with what the package sources of a
// build read; the description reader fills it.
class BuildInfFile {
public:
    BuildInfFile();
    ~BuildInfFile();

    // The description's name as the product list gives it; its directory part is the root of
    // the build's package directories.
    std::string config;
    // The "id" of the description's release.
    std::string release_id;
    // The build's own packages and their package list ("build" element).
    std::string build_dir;
    std::string headers_file;
    // The "updates" section.
    std::string updates_dir;
    std::string updates_headers_file;
    // The "thirdparty" section.
    std::string thirdparty_dir;
    std::string thirdparty_headers_file;
    // FreeBSD ports archive files below build_dir, in description order.
    std::vector<std::string> ports_archives;
};

#endif
