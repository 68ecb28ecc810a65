#ifndef VN_PACKAGES_RPMPACKAGE_H
#define VN_PACKAGES_RPMPACKAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "Package.h"

// librpm's header object (its `Header`), declared here so that includers need no rpm headers.
struct headerToken_s;

// A package of an ".rpm" file, with rpm version rules.
class RPMPackage : public Package {
public:
    // Makes sure librpm has read its configuration (readRpmConfigOnce); its error leaves the
    // constructor.
    RPMPackage(const std::string& name, const std::string& versionText);
    ~RPMPackage() override;

    // Reads the header of the rpm file at the package's file name: name, version, release,
    // arch, build time and epoch replace what the package had; requires, provides, the file
    // list, conflicts and obsoletes are appended; then the file's time, MD5 and size. A package
    // whose signature key is not at hand reads like a verified one. Failures raise
    // "err_pkgread" (4,1,1,2) naming the file; what was appended before stays.
    void readInfo() override;

    // readInfo's work on a header already read from `file` (named in the errors). For
    // readInfo, and for tests that alter a real package's header.
    void readHeader(headerToken_s* header, const std::string& file);
};

// Reads librpm's configuration once per process. A failure logs "rpmReadConfigFiles()
// failed." at level 1 and raises "err_rpm_read_config" (4,1,1,2); the next call tries again.
void readRpmConfigOnce();

// Header entry readers. An entry of another type than the reader's (string, 32-bit integers,
// string array) counts as absent: false, and `out` is left empty.
bool rpmHeaderGetString(headerToken_s* header, int32_t tag, std::string& out);
bool rpmHeaderGetInt32Array(headerToken_s* header, int32_t tag, std::vector<uint32_t>& out);
bool rpmHeaderGetStringArray(headerToken_s* header, int32_t tag, std::vector<std::string>& out);

// The text of one header dependency: "name op version" with op made of '<', '>' and '=' for
// the flag bits 2, 4 and 8 (in that order; other bits do not count), the name alone when the
// version is empty. Without any of the three bits the op is empty and two blanks remain.
std::string rpmDependencyText(const std::string& name, const std::string& version, uint32_t flags);

#endif
