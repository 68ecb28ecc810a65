#include "SourceRepodata.h"

#include <cstdint>
#include <vector>

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/GzipFile.h"
#include "../common/Opsys.h"
#include "../common/XmlStream.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../common/utils.h"
#include "../packages/DependencyFile.h"
#include "../packages/Package.h"
#include "../packages/RPMPackage.h"
#include "../packages/Repository.h"
#include "../packages/internString.h"
#include "SourceUrl.h"

namespace {

// Packages whose epoch older CentOS releases leave out of their metadata although the
// installed package carries 0: without it, the installed one would look older or newer.
struct ZeroEpochRow {
    char version;
    std::vector<std::string> names;
};
const ZeroEpochRow zeroEpochRows[] = {
    {'3', {"samba", "samba-client", "samba-common", "samba-swat"}},
    {'4', {"firefox", "samba", "samba-client", "samba-common", "samba-swat", "thunderbird"}},
    {'5',
     {"samba", "samba-client", "samba-common", "samba-swat", "thunderbird", "tomcat5", "tomcat5-admin-webapps",
      "tomcat5-common-lib", "tomcat5-jasper", "tomcat5-jasper-javadoc", "tomcat5-jsp-2.0-api",
      "tomcat5-jsp-2.0-api-javadoc", "tomcat5-server-lib", "tomcat5-servlet-2.4-api",
      "tomcat5-servlet-2.4-api-javadoc", "tomcat5-webapps"}},
};

bool needsZeroEpoch(const std::string& osVendor, const std::string& osVersion, const std::string& name) {
    if (osVendor != "CentOS" || osVersion.empty()) return false;
    for (const ZeroEpochRow& row : zeroEpochRows)
        if (row.version == osVersion[0])
            for (const std::string& n : row.names)
                if (n == name) return true;
    return false;
}

std::string positionOf(const TiXmlElement* element) {
    return " (line " + std::to_string(element->Row()) + " column " + std::to_string(element->Column()) + ")";
}

// A decimal attribute; a bad one names the file and the place of `at`.
template <class Convert>
auto numberOf(Convert convert, const std::string& text, const std::string& path, const TiXmlElement* at) {
    try {
        return convert(text);
    } catch (error& e) {
        e.qualify(1, 1, 1, 2) << boost::format(Messages::getMessage("err_repodata_badnumber")) % path %
                                     positionOf(at);
        throw;
    }
}

// A small compressed file may unpack to any size: the unpacked text may take 64 times the
// compressed size, and never less than 64 MiB.
uint64_t unpackedSizeLimit(const std::string& compressed) {
    const uint64_t floor = 64ull << 20;
    uint64_t size = 0;
    try {
        size = fileops::file_size(compressed);
    } catch (...) {
        // The read names the file it cannot open.
    }
    return size > floor / 64 ? size * 64 : floor;
}

}  // namespace

SourceRepodata::SourceRepodata(Repository* repository, const std::string& url, const std::string& user,
                               const std::string& password, const std::string& targetDir)
    : Source(repository), fetcher(SourceUrl(url), targetDir) {
    fetcher.user = user;
    fetcher.password = password;
    Log(1) << "Use additional source: " << url << std::endl;
    Log(3) << "DEBUG: new SourceRepodata: " << static_cast<const void*>(this) << ", target_dir=" << targetDir
           << "\n";

    tinybind::Document index(fetcher.getFile("repodata/repomd.xml", ""));
    tinybind::Element root(index.rootElement("repomd"));
    for (tinybind::Element data : root.children("data")) {
        tinybind::Element location = data.requiredChild("location");
        const std::string type = data.attribute("type");
        if (type == "primary")
            primaryHref = location.requiredAttribute("href");
        else if (type == "filelists")
            filelistsHref = location.requiredAttribute("href");
    }
}

SourceRepodata::~SourceRepodata() = default;

bool SourceRepodata::isRemote() const { return true; }

void SourceRepodata::downloadPackage(Package* pkg) {
    Log(3) << "SourceRepodata: download " << pkg->getFileName() << std::endl;
    pkg->setFileName(fetcher.getFile(pkg->getFileName(), "", pkg->size));
}

void SourceRepodata::readMetadata(const std::string& href, bool primary, const PackageHandler& handler) {
    // The fetcher would take the base itself for the file and fetch a directory listing.
    if (href.empty())
        throw error(4, 2, 1, 1) << boost::format(Messages::getMessage("err_misfile")) % fetcher.sourceUrls.front();

    const std::string local = fetcher.getFile(href, "");
    const bool compressed = local.rfind(".gz") != std::string::npos;
    XmlStream xml(primary ? "metadata" : "filelists", "package",
                  [&](const tinybind::Element& package) { handler(package, local); });
    std::unique_ptr<GzipFile> file;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        size_t n = 0;
        try {
            if (!file) file.reset(new GzipFile(local, compressed, compressed ? unpackedSizeLimit(local) : UINT64_MAX));
            n = file->read(buffer.data(), buffer.size());
        } catch (error& e) {
            if (primary)
                e.qualify(4, 1, 1, 2) << boost::format(Messages::getMessage("err_ungzip_repodata_primary")) % local;
            else
                e.qualify(1, 1, 1, 2) << boost::format(Messages::getMessage("err_ungzip_repodata_filelist")) % local;
            throw;
        }
        xml.feed(buffer.data(), n, n == 0);
        if (n == 0) break;
    }
}

void SourceRepodata::doGetBrief() {
    const Opsys os;
    readMetadata(primaryHref, true, [&](const tinybind::Element& element, const std::string& path) {
        addPackageOf(element, path, os);
    });
}

void SourceRepodata::addPackageOf(const tinybind::Element& element, const std::string& parsedPath,
                                  const Opsys& os) {
    const std::string name = element.requiredChild("name").text();
    std::unique_ptr<Package> pkg(new RPMPackage(name, versionText(element.requiredChild("version"), name, os)));
    pkg->setType('u');
    pkg->setArch(element.requiredChild("arch").text());
    const std::string pkgid = element.requiredChild("checksum").text();
    // 64-bit: packages of 2 GiB and more exist.
    pkg->size = numberOf(stringToInt64, element.requiredChild("size").attribute("package"), parsedPath,
                         element.element);
    tinybind::Element time = element.requiredChild("time");
    pkg->setBuildTime(numberOf(stringToInt, time.attribute("build"), parsedPath, time.element));
    pkg->fileTime = numberOf(stringToInt, time.attribute("file"), parsedPath, time.element);
    pkg->setFileName(element.requiredChild("location").attribute("href"));

    tinybind::Element format = element.requiredChild("format");
    struct Section {
        const char* name;
        void (Package::*add)(const char*);
    };
    static const Section sections[] = {{"rpm:provides", &Package::addProvide},
                                       {"rpm:conflicts", &Package::addConflict},
                                       {"rpm:obsoletes", &Package::addObsolete},
                                       {"rpm:requires", &Package::addRequire}};
    for (const Section& section : sections) {
        tinybind::Element list;
        try {
            list = format.requiredChild(section.name);
        } catch (const tinybind::notfound&) {
            continue;
        }
        for (tinybind::Element entry : list.children("rpm:entry"))
            ((*pkg).*(section.add))(entryText(entry).c_str());
    }

    Package* added = pkg.release();
    repository->addPackage(added, this);
    // A package the ignore patterns refused is the source's own: its pkgid stays known, so the
    // full read names it rather than taking it for a package of another source.
    if (added->getSource() != this) refused.emplace_back(added);
    Log(3) << "DEBUG: SourceRepodata (" << static_cast<const void*>(this) << "): add " << added->toString() << "\n";
    packagesByPkgid[pkgid] = added;
}

std::string SourceRepodata::versionText(const tinybind::Element& version, const std::string& name,
                                        const Opsys& os) {
    std::string epoch = version.attribute("epoch");
    if (epoch == "0") epoch.clear();
    if (needsZeroEpoch(os.os_vendor(), os.version(), name)) epoch = "0";
    return (epoch.empty() ? std::string() : epoch + ":") + version.attribute("ver") + "-" + version.attribute("rel");
}

std::string SourceRepodata::entryText(const tinybind::Element& entry) const {
    const std::string name = entry.attribute("name");
    if (name.empty())
        throw error(1, 1, 1, 2) << boost::format(Messages::getMessage("err_repodata_depname")) %
                                       fetcher.sourceUrls.front();
    const std::string flags = entry.attribute("flags");
    if (flags.empty()) return name;

    static const std::map<std::string, std::string> relations = {
        {"EQ", " = "}, {"LT", " < "}, {"LE", " <= "}, {"GE", " >= "}, {"GT", " > "}};
    auto relation = relations.find(flags);
    if (relation == relations.end())
        throw error(1, 1, 1, 2) << boost::format(Messages::getMessage("err_repodata_badcond")) %
                                       fetcher.sourceUrls.front() % flags;
    const std::string epoch = entry.attribute("epoch");
    return name + relation->second + (epoch.empty() ? std::string() : epoch + ":") + entry.attribute("ver") + "-" +
           entry.attribute("rel");
}

void SourceRepodata::doGetFull() {
    // Provides are added to pooled packages: whatever the indexes learnt of them is stale,
    // also after a failure part way.
    try {
        readMetadata(filelistsHref, false, [&](const tinybind::Element& element, const std::string&) {
            const std::string pkgid = element.attribute("pkgid");
            auto found = packagesByPkgid.find(pkgid);
            if (found == packagesByPkgid.end())
                throw error(1, 1, 1, 2) << boost::format(Messages::getMessage("err_repodata_sync")) % primaryHref %
                                               filelistsHref;
            Package* pkg = found->second;
            if (pkg->getSource() != this)
                throw error(3, 1, 1, 2) << "pkgid " << pkgid << " comes not from this source!"
                                        << " (this " << static_cast<const void*>(this) << " pkgfromsource "
                                        << static_cast<const void*>(pkg->getSource());
            if (internString(element.attribute("name").c_str()) != pkg->getName())
                throw error(1, 1, 1, 2) << boost::format(Messages::getMessage("err_repodata_sync2")) % primaryHref %
                                               filelistsHref;
            for (tinybind::Element file : element.children("file")) {
                const std::string type = file.attribute("type");
                const int mode = type == "dir" ? 0x4000 : type == "ghost" ? 0xA000 : 0;
                pkg->addProvideDependency(new DependencyFile(file.text(), mode, "", pkg));
            }
        });
    } catch (...) {
        repository->invalidateCaches();
        throw;
    }
    repository->invalidateCaches();
}
