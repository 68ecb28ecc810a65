#include "Build.h"

#include "../common/Log.h"
#include "../common/Opsys.h"
#include "../common/error.h"
#include "BuildInfFile.h"
#include "Release.h"

namespace {

const char* const sourceName = "Build";
const int lineNullParent = 64;

// The text up to the first `stop` (all of it without one).
std::string before(const std::string& text, char stop) { return text.substr(0, text.find(stop)); }

// Distributions whose builds are made per major version ("5" serves 5.0 to 5.x), and the one
// whose versions run "2008-R2" and the like.
bool sameVersionFamily(const std::string& vendor, const std::string& ours, const std::string& host) {
    if (ours == host) return true;
    if (vendor == "Debian") {
        // The shorter one is a prefix of the longer, as plain text: "5.0" serves 5.0.4, and
        // so does "5"; an empty side serves everything.
        const std::string& shorter = ours.size() <= host.size() ? ours : host;
        const std::string& longer = ours.size() <= host.size() ? host : ours;
        return longer.compare(0, shorter.size(), shorter) == 0;
    }
    if (vendor == "CentOS" || vendor == "FreeBSD" || vendor == "RedHat" || vendor == "CloudLinux")
        return before(ours, '.') == before(host, '.');
    if (vendor == "Microsoft") return before(ours, '-') == before(host, '-');
    return false;
}

// An i686 host runs the older 32-bit x86 builds, an i586 host all but i686 ones.
bool archFits(const std::string& ours, const std::string& host) {
    if (ours == host) return true;
    if (host == "i686") return ours == "i586" || ours == "i486" || ours == "i386";
    if (host == "i586") return ours == "i486" || ours == "i386";
    return false;
}

}  // namespace

Build::Build() : deprecated(false) {}

Build::Build(const std::shared_ptr<Release>& parent, const std::string& os_name, const std::string& os_vendor,
             const std::string& os_version, const std::string& os_arch, const std::string& os_release_name,
             const std::string& environment, const std::string& config, const std::string& deprecated)
    : os_name(os_name),
      os_vendor(os_vendor),
      os_version(os_version),
      os_arch(os_arch),
      os_release_name(os_release_name),
      environment(environment),
      config(config),
      deprecated(deprecated == "true"),
      parent(parent) {}

Build::~Build() = default;

bool Build::isCompatible(const Opsys& os) const {
    return os_vendor == os.os_vendor() && os_name == os.os_name() &&
           sameVersionFamily(os_vendor, os_version, os.version()) && archFits(os_arch, os.arch());
}

void Build::changeParent(const std::shared_ptr<Release>& newParent) {
    if (!newParent) throw internalError(sourceName, lineNullParent);
    if (std::shared_ptr<Release> old = parent.lock())
        Log(3) << "DEBUG: Build (addon?) " << *this << " change parent from " << *old << " to " << *newParent
               << "\n";
    parent = newParent;
}

std::ostream& operator<<(std::ostream& out, const Build& build) {
    out << "build for " << build.os_name << " " << build.os_vendor << " " << build.os_version << " " << build.os_arch;
    if (!build.environment.empty()) out << " under " << build.environment;
    if (!build.config.empty()) out << " (" << build.config << ")";
    return out;
}
