#ifndef VN_COMMON_OPSYS_H
#define VN_COMMON_OPSYS_H

#include <memory>
#include <ostream>
#include <string>

// The operating system the program runs on (or, built from five texts, another one): kernel
// name, distribution, its version, machine and kind of host. The running system is detected
// once per process, on the first default construction; every default-constructed Opsys then
// shares that record. Copies share their record.
class Opsys {
public:
    class opsys_rep {
    public:
        opsys_rep() = default;
        opsys_rep(const std::string& os_name, const std::string& os_vendor, const std::string& version,
                  const std::string& arch, const std::string& environment);

        std::string os_name;      // "Linux", "FreeBSD"; "MacOS" on Darwin
        std::string os_vendor;    // distribution: "Debian", "CentOS", "RedHat", ... ; "Apple"
        std::string version;      // "5.5", "es4", "el5.5"
        std::string arch;         // "i686", "x86_64"; "powerpc" for "Power Macintosh"
        std::string environment;  // "" on a dedicated host, "bx" or "lycos" on a virtual one
    };

    // Fills the record from the running system. Raises `error` when it cannot tell.
    class opsys_detect : public opsys_rep {
    public:
        opsys_detect();

    private:
        void detectLinux();
        void detectBsd();
        void detectEnvironment();
    };

    // The running system, detected on first use. A failed detection keeps nothing: the next
    // construction tries again.
    Opsys();
    // Another system as given: no detection, no overrides.
    Opsys(const std::string& os_name, const std::string& os_vendor, const std::string& version,
          const std::string& arch, const std::string& environment);

    const std::string& os_name() const { return rep->os_name; }
    const std::string& os_vendor() const { return rep->os_vendor; }
    const std::string& version() const { return rep->version; }
    const std::string& arch() const { return rep->arch; }
    const std::string& environment() const { return rep->environment; }

    // Whether the process runs in a container of the virtualisation product: an "envID" line in
    // its status file (any number, 0 too). An unreadable file means no.
    static bool isContainerByEnvId(const std::string& statusFile = "/proc/self/status");
    // Whether the provider's virtual-host device is there: an empty regular file.
    static bool isContainerByDevice(const std::string& device = "/dev/hdv1");

    // Non-empty values replace what detection finds; they count only when set before the
    // first detection of the process.
    static std::string override_os_name;
    static std::string override_os_vendor;
    static std::string override_os_version;
    static std::string override_os_arch;
    static std::string override_environment;

private:
    std::shared_ptr<const opsys_rep> rep;
};

// "vendor name version arch", then " under environment" when there is one.
std::ostream& operator<<(std::ostream& out, const Opsys& os);

#endif
