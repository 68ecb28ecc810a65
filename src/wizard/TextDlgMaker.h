#ifndef VN_WIZARD_TEXTDLGMAKER_H
#define VN_WIZARD_TEXTDLGMAKER_H

#include <memory>

#include "DlgMaker.h"

// The console pages. Stateless: any number may exist at once and they are interchangeable
// (the driver holds one, a page that asks a follow-up question makes its own).
class TextDlgMaker : public DlgMaker {
public:
    std::unique_ptr<DlgHello> createHello() override;
    std::unique_ptr<DlgSource> createSource(const SourceUrl& source, const std::string& targetDir) override;
    std::unique_ptr<DlgProxy> createProxy(const Downloader::Proxy& proxy) override;
    std::unique_ptr<DlgReleases> createReleases(BuildManager* buildManager, Repository* repository) override;
    std::unique_ptr<DlgFreeBSDPorts> createFreeBSDPorts(const std::string& portsTarball, const std::string& portsDir,
                                                        const std::string& distfiles,
                                                        const std::string& cvsupHost) override;
    std::unique_ptr<DlgInstTypes> createInstTypes(int unused, ComponentManager* componentManager) override;
    std::unique_ptr<DlgComponents> createComponents(ComponentManager* componentManager,
                                                    BuildManager* buildManager) override;
    std::unique_ptr<DlgOptions> createOptions(ParamManager* paramManager, Repository* repository) override;
    std::unique_ptr<DlgPackages> createPackages(const std::vector<const Package*>& installList,
                                                Repository* repository, bool hasKernelPackages) override;
    std::unique_ptr<DlgDiskSpace> createDiskSpace(const std::string& targetDir, uint64_t neededKiB) override;
    std::unique_ptr<DlgYesNo> createYesNo(const std::string& question) override;
    std::unique_ptr<DlgStrongYesNo> createStrongYesNo(const std::string& question) override;
    std::unique_ptr<DlgMessage> createMessage(const std::string& text) override;
    std::unique_ptr<DlgPrompt> createPrompt(const std::string& question, const std::string& defaultAnswer) override;
};

// The console implementation of the page factory; the caller owns it.
std::unique_ptr<DlgMaker> createTextDlgMaker();

#endif
