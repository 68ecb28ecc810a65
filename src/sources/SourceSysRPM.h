#ifndef VN_SOURCES_SOURCESYSRPM_H
#define VN_SOURCES_SOURCESYSRPM_H

#include <string>

#include "Source.h"

// The installed packages as the host's package tool lists them. This build knows the kind
// only for the repository's question about installed versions, which it cannot answer yet.
class SourceSysRPM : public Source {
public:
    explicit SourceSysRPM(Repository* repository);
    ~SourceSysRPM() override;

    void downloadPackage(Package* pkg) override;

    // The installed version of `name`; "" when unknown.
    std::string getPkgVersionFromSystemDirectly(const std::string& name);

protected:
    void doGetBrief() override;
    void doGetFull() override;
};

#endif
