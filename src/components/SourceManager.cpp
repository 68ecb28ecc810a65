#include "SourceManager.h"

#include <algorithm>
#include <cctype>

#include "../catalogue/Build.h"
#include "../catalogue/BuildInfFile.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/error.h"
#include "../main/Options.h"
#include "../packages/Repository.h"
#include "../sources/FileFetcher.h"
#include "../sources/SourceDirectory.h"
#include "../sources/SourceDistTarnix.h"
#include "../sources/SourceRepodata.h"
#include "../sources/SourceSysPkg.h"
#include "../sources/SourceSysStd.h"
#include "../sources/SourceTarnix.h"

namespace {

// Line numbers of this file's internal errors, fixed so that the texts stay the same from
// build to build.
const int lineNoBuild = 61;
const int lineNoDescription = 63;
const int lineNoBuildSourceUrls = 128;
const int lineNoUpdatesSourceUrls = 144;
const int lineNoDistFiles = 170;
const int lineNoAptSources = 197;
const int lineAptBuildGone = 203;
const int lineAptNoDescription = 205;

// The URL as one directory name: every byte outside [A-Za-z0-9_-] becomes '_'.
std::string directoryNameOf(const std::string& url) {
    std::string name = url;
    for (char& c : name) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_';
        if (!kept) c = '_';
    }
    return name;
}

// "name=value,name=value", or "empty".
std::string optionsText(const std::map<std::string, std::string>& options) {
    if (options.empty()) return "empty";
    std::string text;
    for (const auto& option : options) {
        if (!text.empty()) text += ",";
        text += option.first + "=" + option.second;
    }
    return text;
}

}  // namespace

SourceManager::SourceManager(Repository& repository)
    : repository(repository), buildData(new BuildData), nativePackageManagersAllowed(false) {}

SourceManager::~SourceManager() {
    sources.clear();
    configSource.reset();
}

void SourceManager::addSystemSource(ComponentManager& components) {
    sources.push_back(std::make_shared<SourceSysStd>(&repository, &components));
}

void SourceManager::addAdditionalSources(const std::vector<AdditionalSource>& records, const std::string& targetDir) {
    for (const AdditionalSource& record : records) {
        std::shared_ptr<Source> source;
        if (record.type == "repodata" || record.type == "repomd") {
            source = std::make_shared<SourceRepodata>(&repository, record.url, record.user, record.password,
                                                      targetDir + "/" + directoryNameOf(record.url));
        } else if (record.type == "directory") {
            source = std::make_shared<SourceDirectory>(&repository, record.url);
        } else {
            Log(1) << "Incorrect additional source type: " << record.type << std::endl;
            throw error(2, 1, 1, 2) << Messages::getMessage("err_malfrm_src");
        }
        sources.push_back(source);
    }
}

void SourceManager::addBuildSources(const FileFetcher& fetcher, const std::shared_ptr<Build>& build) {
    if (!build) throw internalError("SourceManager", lineNoBuild);
    const std::shared_ptr<BuildInfFile> description = build->description;
    if (!description) throw internalError("SourceManager", lineNoDescription);

    sources.push_back(std::make_shared<SourceDistTarnix>(&repository, fetcher, build));
    // The settings are read only when there is something to decide.
    if (!description->updates_dir.empty() && Options::instance().useProductOsUpdates)
        sources.push_back(std::make_shared<SourceTarnix>(&repository, fetcher, build, 'u'));
    if (!description->thirdparty_dir.empty())
        sources.push_back(std::make_shared<SourceTarnix>(&repository, fetcher, build, 't'));
}

void SourceManager::dropBuildSources(const std::weak_ptr<Build>& build) {
    const std::shared_ptr<Build> dropped = build.lock();
    for (auto it = sources.begin(); it != sources.end();) {
        const SourceTarnix* product = dynamic_cast<const SourceTarnix*>(it->get());
        if (product && product->build.lock() == dropped) {
            Log(3) << "DEBUG: drop " << **it << "\n";
            it = sources.erase(it);
        } else {
            ++it;
        }
    }
}

void SourceManager::refreshSysPkgSource() {
    for (Source* source : repository.sources) {
        if (SourceSysPkg* installed = dynamic_cast<SourceSysPkg*>(source)) {
            installed->refresh();
            return;
        }
    }
}

void SourceManager::setPortsArchive(const std::string& location, const std::string& date) {
    if (!portsDate.empty() && portsDate > date) return;
    portsArchive = location;
    portsDate = date;
}

std::string SourceManager::getOsTemplateName() const {
    if (!buildData->osTemplateName.empty()) return buildData->osTemplateName;

    Log(1) << "Warning: name of KV template was generated and may not match with reality\n";
    const Opsys os;
    std::string vendor = os.os_vendor();
    std::transform(vendor.begin(), vendor.end(), vendor.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    const std::string fedora = "fedoracore";
    for (size_t at = vendor.find(fedora); at != std::string::npos; at = vendor.find(fedora, at + 1))
        vendor.replace(at, fedora.size(), "fedora-core");
    return vendor + "-" + os.version() + "-" + (os.arch() == "x86_64" ? "x86_64" : "x86");
}

void SourceManager::setOsTemplateName(const std::string& name) {
    std::string& stored = buildData->osTemplateName;
    if (!stored.empty() && stored != name)
        throw error(1, 1, 1, 2) << "OS template name is already defined as " << stored << " (try set name " << name
                                << ")";
    stored = name;
}

void SourceManager::mergePortOptions(const std::string& port, const std::map<std::string, std::string>& options) {
    const auto recorded = buildData->portOptions.find(port);
    if (recorded == buildData->portOptions.end()) {
        buildData->portOptions[port] = options;
        return;
    }
    if (recorded->second == options) return;
    Log(1) << "Warning: Options for port is differ: \"" << port << ":(" << optionsText(recorded->second)
           << ") from previous config and \"" << port << ":(" << optionsText(options) << ") try set now."
           << std::endl;
}

std::vector<std::string> SourceManager::productSourceUrls(char kind, int line) const {
    std::vector<std::string> urls;
    for (const std::shared_ptr<Source>& source : sources) {
        const SourceTarnix* product = dynamic_cast<const SourceTarnix*>(source.get());
        if (!product || product->kind != kind) continue;
        const FileFetcher& fetcher = product->fetcher;
        urls.push_back((fetcher.sourceUrls.empty() ? std::string() : fetcher.sourceUrls.front()) +
                       fetcher.subdirsOffset);
    }
    if (urls.empty()) throw internalError("SourceManager", line);
    return urls;
}

std::vector<std::string> SourceManager::getBuildSourceUrls() const {
    return productSourceUrls('b', lineNoBuildSourceUrls);
}

std::vector<std::string> SourceManager::getUpdatesSourceUrls() const {
    return productSourceUrls('u', lineNoUpdatesSourceUrls);
}

std::vector<std::string> SourceManager::getDistFiles() const {
    std::vector<std::string> files;
    for (const std::shared_ptr<Source>& source : sources) {
        if (const SourceDistTarnix* dist = dynamic_cast<const SourceDistTarnix*>(source.get()))
            for (const std::string& file : dist->distFiles) addUniqueName(files, file);
    }
    if (files.empty()) throw internalError("SourceManager", lineNoDistFiles);
    return files;
}

std::vector<SourceManager::AptSource> SourceManager::getAptSources() const {
    std::vector<AptSource> records;
    for (const std::shared_ptr<Source>& source : sources) {
        const SourceDistTarnix* dist = dynamic_cast<const SourceDistTarnix*>(source.get());
        if (!dist) continue;
        const std::shared_ptr<Build> build = dist->build.lock();
        if (!build) throw internalError("SourceManager", lineAptBuildGone);
        const std::shared_ptr<BuildInfFile> description = build->description;
        if (!description) throw internalError("SourceManager", lineAptNoDescription);
        records.push_back(
            AptSource{description->apt_repository, description->apt_source, description->os_release_name, build->base_dir});
    }
    if (records.empty()) throw internalError("SourceManager", lineNoAptSources);
    return records;
}

void addUniqueName(std::vector<std::string>& list, const std::string& text) {
    if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(text);
}
