#ifndef VN_UPDATES_SELFUPGRADE_H
#define VN_UPDATES_SELFUPGRADE_H

#include <string>

#include "../sources/Downloader.h"

class BuildManager;
class SourceUrl;
class TiXmlElement;
template <class T>
class checked_autoclean_pointer;

// Replacing the running installer by a newer executable of its own.
//
// An executable is only ever run from the descriptor on which its MD5 sum was checked, so a
// file swapped after the check is never started.
class SelfUpgrade {
public:
    // A description read from the update source needs a newer installer than this one.
    // Carries nothing; the drivers that can restart catch it.
    class NeedSelfUpgrade {};

    // The executables directory on the update server when a description names none.
    static const char* const defaultBinaryDirectory;
    // Where downloaded executables are kept between runs (no trailing '/').
    static const char* const cacheDirectory;

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

    // Fetches the executable for this host and its ".md5sum" from the executables directory
    // beside the update source `source` (its text as the settings hold it) into the cache,
    // mode 0500, checked against that sum, and keeps it open for restart(). With a required
    // version, the executable must report at least that one. Any `error` is qualified
    // (1,1,1,3) and gets the "err_unable_to_satisfy_version" line. A local source is copied
    // into the cache; nothing in the source tree changes.
    static void download(const std::string& source);

    // Replaces the process image by the cached executable, passing `arguments` (null-terminated;
    // its first entry becomes the cache path) and the environment. Runs the descriptor that
    // download() or the start-up check verified; without one it opens and checks the cached
    // file against its ".md5sum". On failure: "Can't re-run Vantrell: <reason>" on standard
    // error and exit status 1.
    [[noreturn]] static void restart(char** arguments);

    // The start arguments followed by the run's state as options: source, target, proxy, the
    // selected releases of `catalogue` (may be empty), "--disable-browser" and the interface
    // mode `mode` ("textUI", "webUI"). Null-terminated; valid until the next call.
    static char** get_arguments_with_state(const char* mode, const SourceUrl& source, const std::string& target,
                                           const Downloader::Proxy& proxy,
                                           const checked_autoclean_pointer<BuildManager>& catalogue);

    // Start-up check, right after the settings: runs a newer cached executable in place of
    // this process; a cached one that is not newer is deleted (its ".md5sum" stays).
    static void runCachedIfNewer();

    // The cache directory with a trailing '/', made (0700) when missing.
    static std::string cacheDir();
    // "corvane_installer_<vendor>_<version>_<arch>" of this host, after the overrides.
    static std::string executableName();
    // What the executable prints for "--print-version-of-this-binary" (its first line); ""
    // when it cannot be run or prints nothing.
    static std::string getExecutableVersion(const std::string& path);
    // The first whitespace-separated word of the file; raises "err_self_upgrade_no_md5sum"
    // (codes 0) when there is none or the file cannot be read.
    static std::string readMd5File(const std::string& path);
};

#endif
