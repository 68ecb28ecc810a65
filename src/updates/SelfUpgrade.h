#ifndef VN_UPDATES_SELFUPGRADE_H
#define VN_UPDATES_SELFUPGRADE_H

#include <string>

class TiXmlElement;

// Replacing the running installer by a newer executable of its own.
class SelfUpgrade {
public:
    // A description read from the update source needs a newer installer than this one.
    // Carries nothing; the drivers that can restart catch it.
    class NeedSelfUpgrade {};

    // The executables directory on the update server when a description names none.
    static const char* const defaultBinaryDirectory;

    // Reads the "required_vantrell" child of a description's root element, before anything
    // else is taken from the description. Its "version" becomes the required version (also
    // when empty, which forgets an earlier demand); a non-empty one also sets the executables
    // directory. Raises NeedSelfUpgrade when this installer is older than that version. An
    // `error` on the way (an unreadable version) gets the "err_self_upgrade_failed" line.
    static void check_required_VN_version(const TiXmlElement& element);

    // What the descriptions read so far demand: empty until one names a version.
    static const std::string& requiredVersion();
    // Directory of the installer executables under the update source; set together with a
    // non-empty required version.
    static const std::string& binaryDirectory();

    // Start-up check, right after the settings: runs a newer cached executable in place of
    // this process; otherwise returns.
    static void runCachedIfNewer();
};

#endif
