#ifndef VN_SOURCES_SOURCECONFIG_H
#define VN_SOURCES_SOURCECONFIG_H

#include "Source.h"

// The packages that loaded build descriptions name directly. They stand in the pool from
// their addition until the repository's full read, which takes them all out again, so that
// only the full records of the other sources remain.
class SourceConfig : public Source {
public:
    explicit SourceConfig(Repository* repository);
    ~SourceConfig() override;

    void downloadPackage(Package* pkg) override;

    // Pools `pkg` with this source; its type letter stays as it is.
    void addPackage(Package* pkg);

protected:
    void doGetBrief() override;
    void doGetFull() override;
};

#endif
