#ifndef VN_WIZARD_DLGMAKER_H
#define VN_WIZARD_DLGMAKER_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../sources/Downloader.h"

class BuildManager;
class ComponentManager;
class Package;
class ParamManager;
class Repository;
class SourceUrl;

class DlgComponents;
class DlgDiskSpace;
class DlgFreeBSDPorts;
class DlgHello;
class DlgInstTypes;
class DlgMessage;
class DlgOptions;
class DlgPackages;
class DlgPrompt;
class DlgProxy;
class DlgReleases;
class DlgSource;
class DlgStrongYesNo;
class DlgYesNo;

// The one way pages come into being. The driver and the pages that ask a follow-up question
// depend on this interface only, so a test can hand them scripted pages.
//
// Every creator returns a new page that the caller owns. Texts, the source, the proxy and the
// install list are copied or read during the call; managers are kept by pointer, not owned,
// and must outlive the page. A creator that fails leaves nothing allocated.
class DlgMaker {
public:
    virtual std::unique_ptr<DlgHello> createHello() = 0;
    virtual std::unique_ptr<DlgSource> createSource(const SourceUrl& source, const std::string& targetDir) = 0;
    virtual std::unique_ptr<DlgProxy> createProxy(const Downloader::Proxy& proxy) = 0;
    virtual std::unique_ptr<DlgReleases> createReleases(BuildManager* buildManager, Repository* repository) = 0;
    virtual std::unique_ptr<DlgFreeBSDPorts> createFreeBSDPorts(const std::string& portsTarball,
                                                                const std::string& portsDir,
                                                                const std::string& distfiles,
                                                                const std::string& cvsupHost) = 0;
    // `unused` is ignored by the page (the driver passes 0).
    virtual std::unique_ptr<DlgInstTypes> createInstTypes(int unused, ComponentManager* componentManager) = 0;
    virtual std::unique_ptr<DlgComponents> createComponents(ComponentManager* componentManager,
                                                            BuildManager* buildManager) = 0;
    // The repository is not used by the page.
    virtual std::unique_ptr<DlgOptions> createOptions(ParamManager* paramManager, Repository* repository) = 0;
    virtual std::unique_ptr<DlgPackages> createPackages(const std::vector<const Package*>& installList,
                                                        Repository* repository, bool hasKernelPackages) = 0;
    // `neededKiB`: the space the installation needs, in KiB.
    virtual std::unique_ptr<DlgDiskSpace> createDiskSpace(const std::string& targetDir, uint64_t neededKiB) = 0;
    virtual std::unique_ptr<DlgYesNo> createYesNo(const std::string& question) = 0;
    virtual std::unique_ptr<DlgStrongYesNo> createStrongYesNo(const std::string& question) = 0;
    virtual std::unique_ptr<DlgMessage> createMessage(const std::string& text) = 0;
    virtual std::unique_ptr<DlgPrompt> createPrompt(const std::string& question, const std::string& defaultAnswer) = 0;

    virtual ~DlgMaker() = default;
};

#endif
