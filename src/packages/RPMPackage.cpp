#include "RPMPackage.h"

#include <rpm/header.h>
#include <rpm/rpmfi.h>
#include <rpm/rpmlib.h>
#include <rpm/rpmlog.h>
#include <rpm/rpmtag.h>
#include <rpm/rpmtd.h>
#include <rpm/rpmts.h>

#include <memory>

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "DependencyFile.h"
#include "DependencyLogical.h"

namespace {

// Names of this file and its lines in internal errors; they stay fixed from build to build.
const char* const sourceName = "RPMPackage";
const int lineNoFileName = 415;
const int lineDigestCount = 648;

// Set by the first successful read only, so that a failed read is tried again.
bool rpmConfigRead = false;

// One header entry as librpm hands it out, released with the object.
class Entry {
public:
    Entry(Header header, rpmTagVal tag) : td(rpmtdNew()) {
        found = headerGet(header, tag, td, HEADERGET_MINMEM) != 0;
    }
    ~Entry() {
        rpmtdFreeData(td);
        rpmtdFree(td);
    }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

    bool is(rpmTagType type) const { return found && rpmtdType(td) == type; }

    rpmtd td;
    bool found;
};

// Every value of a number entry of `type`; false for an absent entry or another type.
template <class T>
bool getNumbers(Header header, rpmTagVal tag, rpmTagType type, T* (*valueAt)(rpmtd), std::vector<T>& out) {
    out.clear();
    Entry e(header, tag);
    if (!e.is(type)) return false;
    rpmtdInit(e.td);
    while (rpmtdNext(e.td) >= 0) out.push_back(*valueAt(e.td));
    return true;
}

struct TransactionSetFree {
    void operator()(rpmts ts) const { rpmtsFree(ts); }
};
struct HeaderFree {
    void operator()(Header h) const { headerFree(h); }
};

// The texts of one dependency list of the header. False when the header has no names; a
// names entry without its versions and flags, or with fewer of them than flags, is `failure`.
bool dependencyTexts(Header header, rpmTagVal nameTag, rpmTagVal versionTag, rpmTagVal flagsTag, const error& failure,
                     std::vector<std::string>& texts) {
    texts.clear();
    std::vector<std::string> names;
    if (!rpmHeaderGetStringArray(header, nameTag, names)) return false;
    std::vector<std::string> versions;
    std::vector<uint32_t> flags;
    if (!rpmHeaderGetStringArray(header, versionTag, versions) || !rpmHeaderGetInt32Array(header, flagsTag, flags))
        throw failure;
    if (names.size() < flags.size() || versions.size() < flags.size()) throw failure;
    for (size_t i = 0; i < flags.size(); ++i) texts.push_back(rpmDependencyText(names[i], versions[i], flags[i]));
    return true;
}

}  // namespace

void readRpmConfigOnce() {
    if (rpmConfigRead) return;
    if (rpmReadConfigFiles(nullptr, nullptr) != 0) {
        Log(1) << "rpmReadConfigFiles() failed." << std::endl;
        throw error(4, 1, 1, 2) << Messages::getMessage("err_rpm_read_config");
    }
    rpmConfigRead = true;
}

bool rpmHeaderGetString(headerToken_s* header, int32_t tag, std::string& out) {
    out.clear();
    Entry e(header, tag);
    if (!e.is(RPM_STRING_TYPE)) return false;
    const char* text = rpmtdGetString(e.td);
    if (!text) return false;
    out = text;
    return true;
}

bool rpmHeaderGetInt32Array(headerToken_s* header, int32_t tag, std::vector<uint32_t>& out) {
    return getNumbers(header, tag, RPM_INT32_TYPE, rpmtdGetUint32, out);
}

bool rpmHeaderGetStringArray(headerToken_s* header, int32_t tag, std::vector<std::string>& out) {
    out.clear();
    Entry e(header, tag);
    if (!e.is(RPM_STRING_ARRAY_TYPE)) return false;
    rpmtdInit(e.td);
    while (const char* text = rpmtdNextString(e.td)) out.push_back(text);
    return true;
}

std::string rpmDependencyText(const std::string& name, const std::string& version, uint32_t flags) {
    if (version.empty()) return name;
    std::string relation;
    if (flags & RPMSENSE_LESS) relation += '<';
    if (flags & RPMSENSE_GREATER) relation += '>';
    if (flags & RPMSENSE_EQUAL) relation += '=';
    return name + " " + relation + " " + version;
}

RPMPackage::RPMPackage(const std::string& name, const std::string& versionText) : Package(name, versionText) {
    readRpmConfigOnce();
}

RPMPackage::~RPMPackage() = default;

void RPMPackage::readInfo() {
    Log(3) << "RPMPackage::readInfo(): this=" << static_cast<const void*>(this) << std::endl;
    const std::string file = givenFileName();
    if (file.empty()) throw internalError(sourceName, lineNoFileName);

    std::unique_ptr<rpmts_s, TransactionSetFree> ts(rpmtsCreate());
    FD_t fd = Fopen(file.c_str(), "r");
    const error failure = error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_pkgread")) % file;
    if (!fd || Ferror(fd)) {
        if (fd) Fclose(fd);
        throw failure;
    }

    Header read = nullptr;
    const rpmRC rc = rpmReadPackageFile(ts.get(), fd, file.c_str(), &read);
    Fclose(fd);
    std::unique_ptr<headerToken_s, HeaderFree> header(read);
    // A package signed with a key this host does not hold is still a sound package.
    if (rc != RPMRC_OK && rc != RPMRC_NOKEY) {
        const char* last = rpmlogMessage();
        const std::string reason = last ? last : "";
        rpmlog(RPMLOG_ERR, "%s cannot be read (%d), %s\n", file.c_str(), static_cast<int>(rc), reason.c_str());
        throw failure;
    }
    if (!header) throw failure;

    readHeader(header.get(), file);
    header.reset();
    ts.reset();
    readFileFacts();
}

void RPMPackage::readHeader(headerToken_s* h, const std::string& file) {
    const error failure = error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_pkgread")) % file;

    std::string text;
    if (!rpmHeaderGetString(h, RPMTAG_NAME, text)) throw failure;
    setName(text);
    if (!rpmHeaderGetString(h, RPMTAG_VERSION, text)) throw failure;
    setVersion(new Version(text));
    if (!rpmHeaderGetString(h, RPMTAG_RELEASE, text)) throw failure;
    getVersion()->setRelease(text.c_str());
    if (!rpmHeaderGetString(h, RPMTAG_ARCH, text)) throw failure;
    setArch(text);

    std::vector<uint32_t> numbers;
    if (!rpmHeaderGetInt32Array(h, RPMTAG_BUILDTIME, numbers) || numbers.empty() || numbers[0] == 0) throw failure;
    setBuildTime(static_cast<int>(numbers[0]));
    if (rpmHeaderGetInt32Array(h, RPMTAG_EPOCH, numbers) && !numbers.empty()) getVersion()->setEpoch(numbers[0]);
    if (!rpmHeaderGetString(h, RPMTAG_SUMMARY, text)) throw failure;

    std::vector<std::string> texts;
    dependencyTexts(h, RPMTAG_REQUIRENAME, RPMTAG_REQUIREVERSION, RPMTAG_REQUIREFLAGS, failure, texts);
    for (const std::string& t : texts) addRequire(t.c_str());
    if (!dependencyTexts(h, RPMTAG_PROVIDENAME, RPMTAG_PROVIDEVERSION, RPMTAG_PROVIDEFLAGS, failure, texts))
        throw failure;
    for (const std::string& t : texts) addProvide(t.c_str());

    std::vector<std::string> baseNames;
    if (rpmHeaderGetStringArray(h, RPMTAG_BASENAMES, baseNames)) {
        std::vector<std::string> dirNames;
        std::vector<uint16_t> modes;
        std::vector<std::string> digests;
        std::vector<std::string> linkTargets;
        std::vector<uint32_t> dirIndexes;
        if (!rpmHeaderGetStringArray(h, RPMTAG_DIRNAMES, dirNames) || !getNumbers(h, RPMTAG_FILEMODES, RPM_INT16_TYPE, rpmtdGetUint16, modes) ||
            !rpmHeaderGetStringArray(h, RPMTAG_FILEDIGESTS, digests) ||
            !rpmHeaderGetStringArray(h, RPMTAG_FILELINKTOS, linkTargets) ||
            !rpmHeaderGetInt32Array(h, RPMTAG_DIRINDEXES, dirIndexes))
            throw failure;
        if (digests.size() != dirIndexes.size()) throw internalError(sourceName, lineDigestCount);
        // The arrays are parallel in a sound header; a broken one must not lead past an end.
        const size_t count = dirIndexes.size();
        if (baseNames.size() < count || modes.size() < count || linkTargets.size() < count) throw failure;
        for (uint32_t index : dirIndexes)
            if (index >= dirNames.size()) throw failure;

        for (size_t k = 0; k < count; ++k) {
            const rpm_mode_t mode = modes[k];
            const std::string& fileText = rpmfiWhatis(mode) == LINK ? linkTargets[k] : digests[k];
            addProvideDependency(new DependencyFile(dirNames[dirIndexes[k]] + baseNames[k], mode, fileText, this));
        }
    }

    if (dependencyTexts(h, RPMTAG_CONFLICTNAME, RPMTAG_CONFLICTVERSION, RPMTAG_CONFLICTFLAGS, failure, texts))
        for (const std::string& t : texts) addConflict(t.c_str());
    // An obsolete names a package, never a file, whatever its first character.
    if (dependencyTexts(h, RPMTAG_OBSOLETENAME, RPMTAG_OBSOLETEVERSION, RPMTAG_OBSOLETEFLAGS, failure, texts))
        for (const std::string& t : texts)
            if (!t.empty()) addObsoleteDependency(new DependencyLogical(t, this));
}
