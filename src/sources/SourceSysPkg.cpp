#include "SourceSysPkg.h"

#include <cstring>
#include <memory>
#include <string>

#include "../common/Messages.h"
#include "../common/SystemCmd.h"
#include "../common/error.h"
#include "../common/readLine.h"
#include "../installers/reportProgressStep.h"
#include "../packages/Package.h"
#include "../packages/Repository.h"

namespace {

// A pkg_info line is a package name and a one-line comment; longer lines are comments that
// went on, and only their start is read.
const size_t lineLimit = 4096;

// The decimal number at `text`, as far as digits go; 0 without any.
uint64_t digitsAt(const char* text) {
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + static_cast<uint64_t>(*text - '0');
    return value;
}

}  // namespace

SourceSysPkg::SourceSysPkg(Repository* repository) : Source(repository) {}

SourceSysPkg::~SourceSysPkg() = default;

void SourceSysPkg::downloadPackage(Package*) {}

void SourceSysPkg::doGetBrief() {
    reportProgressStep("check_system_packages", Messages::getMessage("check_system_packages"));
    readPackages();
}

void SourceSysPkg::doGetFull() {}

void SourceSysPkg::refresh() {
    dropPackages();
    readPackages();
}

const char* SourceSysPkg::split_version(const char* name, const char** end, unsigned long* epoch,
                                        uint64_t* revision) {
    const char* dash = std::strrchr(name, '-');
    const char* version = dash ? dash + 1 : name;
    const char* underscore = std::strrchr(version, '_');
    const char* comma = std::strrchr(underscore ? underscore : version, ',');
    if (revision) *revision = underscore ? digitsAt(underscore + 1) : 0;
    if (epoch) *epoch = comma ? static_cast<unsigned long>(digitsAt(comma + 1)) : 0;
    if (end) *end = underscore ? underscore : comma ? comma : version + std::strlen(version);
    return version;
}

void SourceSysPkg::readPackages() {
    try {
        SystemCmd listing("pkg_info", SystemCmd::read_mode, false);
        std::string line;
        while (readLine(listing.fp, line, lineLimit) != LineRead::end) {
            line = line.substr(0, line.find(' '));
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty()) continue;

            const char* end = nullptr;
            unsigned long epoch = 0;
            uint64_t revision = 0;
            const char* version = split_version(line.c_str(), &end, &epoch, &revision);
            const size_t versionAt = static_cast<size_t>(version - line.c_str());
            const std::string name = versionAt > 0 ? line.substr(0, versionAt - 1) : std::string();
            std::string text = std::string(version, end) + "-" + std::to_string(revision);
            if (epoch != 0) text = std::to_string(epoch) + ":" + text;

            std::unique_ptr<Package> made(new Package(name, text));
            made->setType('s');
            Package* pkg = made.release();
            repository->addPackage(pkg, this);
            // A package the repository's ignore patterns refused belongs to no one.
            if (pkg->getSource() != this) delete pkg;
        }
    } catch (error& e) {
        e.qualify(4, 1, 1, 2) << Messages::getMessage("err_pkg_info_brief");
        throw;
    }
}
