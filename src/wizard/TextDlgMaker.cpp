#include "TextDlgMaker.h"

#include "../main/mainRoutines.h"
#include "DlgFreeBSDPorts.h"
#include "TextDlgComponents.h"
#include "TextDlgDiskSpace.h"
#include "TextDlgHello.h"
#include "TextDlgInstTypes.h"
#include "TextDlgMessage.h"
#include "TextDlgOptions.h"
#include "TextDlgPackages.h"
#include "TextDlgPrompt.h"
#include "TextDlgStrongYesNo.h"
#include "TextDlgYesNo.h"

// make_unique: a page whose construction throws is freed before the exception leaves.

std::unique_ptr<DlgHello> TextDlgMaker::createHello() { return std::make_unique<TextDlgHello>(); }

std::unique_ptr<DlgSource> TextDlgMaker::createSource(const SourceUrl&, const std::string&) {
    throwNotImplemented();
}

std::unique_ptr<DlgProxy> TextDlgMaker::createProxy(const Downloader::Proxy&) { throwNotImplemented(); }

std::unique_ptr<DlgReleases> TextDlgMaker::createReleases(BuildManager*, Repository*) { throwNotImplemented(); }

std::unique_ptr<DlgFreeBSDPorts> TextDlgMaker::createFreeBSDPorts(const std::string&, const std::string&,
                                                                  const std::string&, const std::string&) {
    throwNotImplemented();
}

std::unique_ptr<DlgInstTypes> TextDlgMaker::createInstTypes(int, ComponentManager* componentManager) {
    return std::make_unique<TextDlgInstTypes>(componentManager);
}

std::unique_ptr<DlgComponents> TextDlgMaker::createComponents(ComponentManager* componentManager,
                                                              BuildManager* buildManager) {
    return std::make_unique<TextDlgComponents>(componentManager, buildManager);
}

std::unique_ptr<DlgOptions> TextDlgMaker::createOptions(ParamManager* paramManager, Repository*) {
    return std::make_unique<TextDlgOptions>(paramManager);
}

std::unique_ptr<DlgPackages> TextDlgMaker::createPackages(const std::vector<const Package*>& installList,
                                                          Repository* repository, bool hasKernelPackages) {
    return std::make_unique<TextDlgPackages>(installList, repository, hasKernelPackages);
}

std::unique_ptr<DlgDiskSpace> TextDlgMaker::createDiskSpace(const std::string& targetDir, uint64_t neededKiB) {
    return std::make_unique<TextDlgDiskSpace>(targetDir, neededKiB);
}

std::unique_ptr<DlgYesNo> TextDlgMaker::createYesNo(const std::string& question) {
    return std::make_unique<TextDlgYesNo>(question);
}

std::unique_ptr<DlgStrongYesNo> TextDlgMaker::createStrongYesNo(const std::string& question) {
    return std::make_unique<TextDlgStrongYesNo>(question);
}

std::unique_ptr<DlgMessage> TextDlgMaker::createMessage(const std::string& text) {
    return std::make_unique<TextDlgMessage>(text);
}

std::unique_ptr<DlgPrompt> TextDlgMaker::createPrompt(const std::string& question, const std::string& defaultAnswer) {
    return std::make_unique<TextDlgPrompt>(question, defaultAnswer);
}

std::unique_ptr<DlgMaker> createTextDlgMaker() { return std::make_unique<TextDlgMaker>(); }
