#include "FileFetcher.h"

#include <memory>

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../common/hostinfo.h"
#include "CurlDownloader.h"
#include "SourceUrl.h"

namespace {

// Digest text of the file, "" when it cannot be read.
std::string digestOf(const std::string& path) {
    char buf[33];
    return md5File(path.c_str(), buf) ? std::string(buf) : std::string();
}

}  // namespace

FileFetcher::FileFetcher(const std::string& main, const std::string& target)
    : sourceUrls{urlDirname(main)}, mainSourceUrl(main), targetDir(target), quiet(false) {
    fileops::ensure_trailing(targetDir, '/');
    Log(2) << "FileFetcher new object: target_dir=" + targetDir + ", main_source_url=" + sourceUrls.front()
           << std::endl;
}

void FileFetcher::setSubdirsOffset(const std::string& dir) {
    if (dir.empty()) return;
    subdirsOffset += dir;
    fileops::ensure_trailing(subdirsOffset, '/');
    Log(3) << "FileFetcher: current subdirs offset is " + subdirsOffset << std::endl;
}

std::string FileFetcher::getFile(const std::string& name, const std::string& md5, int64_t listedSize) {
    Log(2) << "FileFetcher: get file (" + subdirsOffset + ")/" + name << std::endl;
    const std::string relative = subdirsOffset + name;
    // Names come from update servers and descriptions; this process runs as root and must not
    // read or write outside the source and the target directory.
    if (fileops::hasParentComponent(relative))
        throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_misfile")) % relative;

    std::string localName = relative;
    for (char& c : localName)
        if (std::string(":*?<>|").find(c) != std::string::npos) c = '_';
    std::string result = targetDir + localName;

    if (isAbsolutePath(mainSourceUrl)) {
        result = sourceUrls.front() + relative;
    } else {
        if (!quiet) Log(0) << Messages::getMessage("download_file") + relative + ": ";
        if (!md5.empty()) {
            Log(3) << "FileFetcher: calculate md5sum of " + result << std::endl;
            if (digestOf(result) == md5) {
                Log(0) << Messages::getMessage("download_completed") << std::endl;
                return result;
            }
        }
        std::unique_ptr<Downloader> downloader(CurlDownloader::create(result, relative));
        for (const std::string& url : sourceUrls) downloader->addSourceUrl(url);
        if (!user.empty()) {
            Log(3) << "FileFetcher: set auth for downloader: user=" + user << std::endl;
            downloader->setCredentials(user, password);
        }
        if (!quiet) downloader->enableConsoleProgress();
        if (listedSize > 0) downloader->setExpectedSize(static_cast<uint64_t>(listedSize));
        downloader->download();
    }

    if (!fileops::is_file(result))
        throw error(4, 2, 1, 1) << boost::format(Messages::getMessage("err_misfile")) % result;
    if (md5.empty()) return result;
    const std::string digest = digestOf(result);
    if (digest == md5) return result;
    Log(2) << "MD5 missmatch: " + digest + "\n";
    throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_mk5check")) % result;
}
