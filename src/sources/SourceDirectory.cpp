#include "SourceDirectory.h"

#include <memory>
#include <vector>

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/ShellQuote.h"
#include "../common/SystemCmd.h"
#include "../common/error.h"
#include "../common/exec_cmd.h"
#include "../common/fileops.h"
#include "../installers/reportProgressStep.h"
#include "../packages/Package.h"
#include "../packages/Repository.h"

namespace {

// One record of the package cache format per file. The fixed file name ends in ".rpm", so the
// cache reader makes an rpm package; the real path replaces it.
const char* const queryCommand =
    "rpm -qp --queryformat 'F:dummy_filename_in_SourceDirectory.rpm\\nN:%{NAME}\\nE:%{EPOCH}\\nV:%{VERSION}\\n"
    "L:%{RELEASE}\\nA:%{ARCH}\\nf:%{INSTALLTIME}\\nB:%{BUILDTIME}\\nX:\\n' ";

}  // namespace

SourceDirectory::SourceDirectory(Repository* repository, const std::string& directory)
    : Source(repository), directory(directory) {}

SourceDirectory::~SourceDirectory() = default;

void SourceDirectory::downloadPackage(Package*) {}

void SourceDirectory::doGetBrief() {
    const std::string text = Messages::getMessage("read_dir_pkglist") + directory;
    reportProgressStep("read_dir_pkglist", text);

    if (!fileops::exists(directory))
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_open_missingdir")) % directory;

    const std::vector<std::string> files =
        getCommandOutput("find " + shellQuote(directory) + " -type f -name '*.rpm'", "");
    for (const std::string& path : files)
        if (!path.empty()) addPackageOf(path);
}

void SourceDirectory::addPackageOf(const std::string& path) {
    try {
        SystemCmd query(queryCommand + shellQuote(path), SystemCmd::read_mode, true);
        int lineCounter = 0;
        std::unique_ptr<Package> made(Package::createFromCache(query.fp, &lineCounter));
        made->setFileName(path);
        made->setType('u');
        Package* pkg = made.release();
        repository->addPackage(pkg, this);
        // A package the repository's ignore patterns refused belongs to no one.
        if (repository->pkgList.empty() || repository->pkgList.back() != pkg) delete pkg;
        // Leaving the scope closes the query; a failed rpm raises there, unless an error is
        // already on its way, which then is the one reported.
    } catch (const error& e) {
        Log(1) << e.text() << std::endl;
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_pkgread")) % path;
    }
}

void SourceDirectory::doGetFull() {
    const std::string text = (boost::format(Messages::getMessage("read_dir_pkginfo")) % directory).str();
    reportProgressStep("read_dir_pkginfo", text);

    // The packages are completed in place, so what the indexes learnt of them goes out of
    // date, also for those read before a failure.
    try {
        for (Package* pkg : repository->pkgList)
            if (pkg->getSource() == this) pkg->readInfo();
    } catch (...) {
        repository->invalidateCaches();
        throw;
    }
    repository->invalidateCaches();
}
