#ifndef VN_PACKAGES_STDPACKAGE_H
#define VN_PACKAGES_STDPACKAGE_H

#include <string>

#include "Package.h"

// A product installed by a shell script (".sh"), with rpm version rules. Name, version and
// architecture are spelled out in the file name:
// directory/name_vVERSION_buildBUILD_os_OS_ARCH.sh
class StdPackage : public Package {
public:
    StdPackage(const std::string& name, const std::string& versionText);
    ~StdPackage() override;

    // Name, version (VERSION-BUILD) and arch from the file name, the self-provide
    // "name = version", then the file's time, MD5 and size. A file name of another form raises
    // "err_std_fn_not_match_re" (1,1,1,3) and leaves the package as it was. Each call adds the
    // self-provide again.
    void readInfo() override;
};

#endif
