#include "SourceTarnix.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include <boost/format.hpp>

#include "../catalogue/Build.h"
#include "../catalogue/BuildInfFile.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/ShellQuote.h"
#include "../common/SystemCmd.h"
#include "../common/checked_pointer"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../packages/Package.h"
#include "../packages/RPMPackage.h"
#include "../packages/Repository.h"
#include "../packages/StdPackage.h"

SourceTarnix::SourceTarnix(Repository* repository, const FileFetcher& fetcher, const std::shared_ptr<Build>& build,
                           char kind)
    : Source(repository), fetcher(fetcher), build(build), kind(kind) {
    checked_pointer<BuildInfFile> description = checked_pointer<Build>(build.get())->description.get();

    std::string dir;
    switch (kind) {
        case 't':
            dir = description->thirdparty_dir;
            headersFile = description->thirdparty_headers_file;
            break;
        case 'u':
            dir = description->updates_dir;
            headersFile = description->updates_headers_file;
            break;
        case 'b':
            dir = description->build_dir;
            headersFile = description->headers_file;
            break;
        default:
            throw internalError("SourceTarnix", 57);
    }
    if (dir.empty()) throw internalError("SourceTarnix", 61);

    this->fetcher.setSubdirsOffset(fileops::parent_path(description->config) + "/" + dir);
    releaseId = description->release_id;
    Log(2) << "Use package source " << this->fetcher.sourceUrls.front() << this->fetcher.subdirsOffset << std::endl;
}

SourceTarnix::~SourceTarnix() = default;

bool SourceTarnix::isRemote() const { return true; }

std::ostream& SourceTarnix::print(std::ostream& out) const {
    return out << "TarnixSource_" << kind << '_' << releaseId;
}

void SourceTarnix::doGetBrief() {}

void SourceTarnix::doGetFull() {
    Log(2) << "Get full packages info from headers." << std::endl;
    if (headersFile.empty()) return;

    const std::string local = fetcher.getFile(headersFile, "");
    // Leaving this scope closes the command and checks gunzip's status, unless an error is
    // already on its way out: a bad record stops the reading early, and gunzip may then die
    // of a broken pipe, which must not hide the reason.
    SystemCmd gunzip("gunzip  --stdout " + shellQuote(local), SystemCmd::read_mode, true);
    int lineCounter = 0;
    for (;;) {
        const int c = std::fgetc(gunzip.fp);
        if (c == EOF) break;
        if (std::isspace(c)) continue;
        std::ungetc(c, gunzip.fp);
        try {
            std::unique_ptr<Package> made(Package::createFromCache(gunzip.fp, &lineCounter));
            made->setType(kind);
            Package* pkg = made.release();
            repository->addPackage(pkg, this);
            // A package the repository's ignore patterns refused belongs to no one.
            if (pkg->getSource() != this) delete pkg;
        } catch (const error& e) {
            Log(0) << "Error: Unable to process " << local << ": " << e.text() << std::endl;
            throw error(1, 1, 1, 3) << Messages::getMessage("err_prodpkg_read");
        }
    }
}

void SourceTarnix::downloadPackage(Package* pkg) {
    if (!dynamic_cast<RPMPackage*>(pkg) && !dynamic_cast<StdPackage*>(pkg)) return;
    if (pkg->size == 0) {
        Log(3) << "Warning: SourceTarnix::downloadPackage: getFileSize is 0 for " << pkg->getName()
               << ", skip from downloading!" << std::endl;
        return;
    }
    Log(3) << "Download" << std::endl;
    std::string md5;
    bool given = false;
    for (unsigned char byte : pkg->getMd5().digest) {
        md5 += htos(byte >> 4);
        md5 += htos(byte & 0x0f);
        given = given || byte != 0;
    }
    // A list record without "M:" leaves 16 zero bytes: there is nothing to check against.
    if (!given) md5.clear();
    pkg->setFileName(fetcher.getFile(pkg->getFileName(), md5, pkg->size));
}

char htos(unsigned number) {
    if (number <= 9) return static_cast<char>('0' + number);
    if (number <= 15) return static_cast<char>('a' + number - 10);
    throw error(3, 1, 1, 3) << " htos(): number too big (" << number << ")";
}
