// The running side of the self-upgrade: the cache of downloaded executables, the download, the
// restart command line and the restart itself.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <vector>

#include <boost/format.hpp>

#include "../catalogue/BuildManager.h"
#include "../common/BuildInfo.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Opsys.h"
#include "../common/ScopedFd.h"
#include "../common/ShellQuote.h"
#include "../common/checked_pointer"
#include "../common/error.h"
#include "../common/exec_cmd.h"
#include "../common/fileops.h"
#include "../common/hostinfo.h"
#include "../main/Options.h"
#include "../main/mainRoutines.h"
#include "../packages/Version.h"
#include "../sources/FileFetcher.h"
#include "../sources/SourceUrl.h"
#include "SelfUpgrade.h"

extern "C" char** environ;

namespace {

// The cached executable that the last download or start-up check opened and found matching
// its sum; -1 when there is none. restart() runs exactly this file.
int verifiedExecutable = -1;

void forgetVerifiedExecutable() {
    if (verifiedExecutable >= 0) ::close(verifiedExecutable);
    verifiedExecutable = -1;
}

// The restart argument list: copies of the texts and the pointers to them, null-terminated.
struct ArgumentList {
    std::vector<std::string> words;
    std::vector<char*> pointers;
};

ArgumentList& restartArguments() {
    static ArgumentList list;
    return list;
}

std::string cachedExecutablePath() {
    return std::string(SelfUpgrade::cacheDirectory) + "/" + SelfUpgrade::executableName();
}

std::string digestOf(int fd) {
    char text[33];
    return md5Descriptor(fd, text) ? std::string(text) : std::string();
}

// Opens `path` (never through a link) and compares the open file's digest with `md5`; the
// descriptor when they match, -1 otherwise.
int openMatching(const std::string& path, const std::string& md5) {
    ScopedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.fd < 0) return -1;
    const std::string digest = digestOf(fd.fd);
    if (digest.empty() || digest != md5) return -1;
    return fd.release();
}

// Replaces `to` by a copy of `from` through a temporary file beside it, so that the cache
// never holds half a file under the final name.
void copyIntoPlace(const std::string& from, const std::string& to) {
    std::vector<char> name(to.begin(), to.end());
    const char suffix[] = ".XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        const int e = errno;
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_file_create")) % to << ": "
                                << std::strerror(e);
    }
    ::close(fd);
    const std::string temporary(name.data());
    try {
        fileops::copy_contents(from, temporary);
        fileops::rename(temporary, to);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
}

// The local copy of the executable after the fetch: a local source hands out the file where it
// lies, which is copied into the cache first; the source tree is never changed.
std::string intoCache(const FileFetcher& fetcher, const std::string& fetched, const std::string& cached) {
    if (!isAbsolutePath(fetcher.mainSourceUrl) || fetched == cached) return fetched;
    copyIntoPlace(fetched, cached);
    return cached;
}

// Mode 0500 and the sum, both on the open file that restart() will run.
void verifyDownloaded(const std::string& path, const std::string& md5) {
    forgetVerifiedExecutable();
    ScopedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.fd < 0) {
        const int e = errno;
        throw error(4, 2, 1, 1) << boost::format(Messages::getMessage("err_misfile")) % path
                                << ": " << std::strerror(e);
    }
    if (::fchmod(fd.fd, 0500) != 0) throw error(4, 2, 1, 3) << "Unable to change permissions on fresh Corvane Installer file.";
    const std::string digest = digestOf(fd.fd);
    if (digest != md5) {
        Log(2) << "MD5 missmatch: " + digest + "\n";
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_mk5check")) % path;
    }
    verifiedExecutable = fd.release();
}

// Adds the release options of the selected releases, in catalogue order. A release of the
// default product before any product was named needs no product option.
class StateArguments : public BuildManager::Visitor {
public:
    explicit StateArguments(std::vector<std::string>& words) : words(words) {}

    void visitRelease(std::shared_ptr<Release> release) override {
        if (!release->selected) return;
        const std::string& productId = release->product->id;
        if (lastProduct.empty() && productId == "tarnix") {
            words.push_back("--select-release-id");
            words.push_back(release->id);
            return;
        }
        if (productId != lastProduct) {
            lastProduct = productId;
            if (lastProduct.empty()) throw internalError("SelfUpgrade", 190);
            words.push_back("--select-product-id");
            words.push_back(lastProduct);
        }
        words.push_back("--select-release-id");
        words.push_back(release->id);
    }
    void visitAddon(Addon&) override {}
    void visitBuild(Build&) override {}

private:
    std::vector<std::string>& words;
    std::string lastProduct;
};

[[noreturn]] void cannotRestart(std::string reason) {
    while (!reason.empty() && reason.back() == '\n') reason.pop_back();
    std::cerr << "Can't re-run Vantrell: " << reason << "\n";
    std::cerr.flush();
    std::exit(1);
}

}  // namespace

const char* const SelfUpgrade::cacheDirectory = "/var/cache/corvane_installer";

std::string SelfUpgrade::cacheDir() {
    // An explicit mode instead of a changed umask: the web engine downloads on a thread of its
    // own while others may create files.
    fileops::create_directory(cacheDirectory, 0700);
    return std::string(cacheDirectory) + "/";
}

std::string SelfUpgrade::executableName() {
    const Opsys os;
    return "corvane_installer_" + os.os_vendor() + "_" + os.version() + "_" + os.arch();
}

std::string SelfUpgrade::readMd5File(const std::string& path) {
    std::ifstream in(path.c_str());
    std::string word;
    // A sum is 32 characters: a longer word cannot match anyway, and nothing more is read.
    in >> std::setw(64) >> word;
    if (word.empty()) throw error() << Messages::getMessage("err_self_upgrade_no_md5sum");
    return word;
}

std::string SelfUpgrade::getExecutableVersion(const std::string& path) {
    std::string version;
    try {
        version = getCommandOutputLine(shellQuote(path), "--print-version-of-this-binary");
    } catch (const error&) {
        Log(3) << "Warning: unable to get version from VN executable " << path << "\n";
        return std::string();
    }
    Log(3) << "DEBUG: SelfUpgrade: version is " << version << std::endl;
    return version;
}

void SelfUpgrade::download(const std::string& source) {
    Log(0) << "Getting new version of Corvane Installer...\n";
    try {
        const std::string cache = cacheDir();
        const std::string directory = binaryDirectory().empty() ? defaultBinaryDirectory : binaryDirectory();
        // Beside the product list, also when the source names the list's file.
        FileFetcher fetcher(SourceUrl(urlDirname(source) + directory + "/"), cache);
        const std::string name = executableName();
        const std::string cached = cache + name;

        const std::string sumFile = fetcher.getFile(name + ".md5sum", "");
        const std::string md5 = readMd5File(sumFile);
        const std::string fetched = intoCache(fetcher, fetcher.getFile(name, md5), cached);
        // The start-up check compares the cached file with the sum beside it.
        if (sumFile != cached + ".md5sum") copyIntoPlace(sumFile, cached + ".md5sum");
        verifyDownloaded(fetched, md5);

        if (!requiredVersion().empty()) {
            const std::string version = getExecutableVersion(fetched);
            if (Version(version) < Version(requiredVersion()))
                throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_selfupg_avail_ver_too_low")) %
                                               version;
            Log(3) << "DEBUG: SelfUpgrade: just downloaded version is satisfy requires from product's config\n";
        }
    } catch (error& e) {
        e.qualify(1, 1, 1, 3) << boost::format(Messages::getMessage("err_unable_to_satisfy_version")) %
                                     requiredVersion();
        throw;
    }
    Log(0) << "Getting done, Corvane Installer is ready to restart.\n";
}

char** SelfUpgrade::get_arguments_with_state(const char* mode, const SourceUrl& source, const std::string& target,
                                             const Downloader::Proxy& proxy,
                                             const checked_autoclean_pointer<BuildManager>& catalogue) {
    Log(3) << "DEBUG: SelfUpgrade::get_arguments_with_state entry.\n";
    std::vector<std::string> words;
    for (int i = 0; i < commandLineArgs.argc && commandLineArgs.argv && commandLineArgs.argv[i]; ++i)
        words.push_back(commandLineArgs.argv[i]);
    words.insert(words.end(), {"--source", source, "--target", target});
    if (!proxy.host.empty()) {
        words.insert(words.end(), {"--proxy-host", proxy.host, "--proxy-port", std::to_string(proxy.port)});
        if (!proxy.user.empty())
            words.insert(words.end(), {"--proxy-user", proxy.user, "--proxy-password", proxy.password});
    }
    if (catalogue.get()) {
        StateArguments visitor(words);
        catalogue->visit(visitor);
    }
    words.insert(words.end(), {"--disable-browser", "--set-user-interaction-mode", mode});

    ArgumentList& list = restartArguments();
    list.words.swap(words);
    list.pointers.clear();
    for (std::string& word : list.words) list.pointers.push_back(&word[0]);
    list.pointers.push_back(nullptr);
    return list.pointers.data();
}

void SelfUpgrade::restart(char** arguments) {
    Log(0) << "Doing restart of Corvane Installer..." << std::endl;
    static std::string path;
    try {
        path = cachedExecutablePath();
    } catch (const error& e) {
        cannotRestart(e.text());
    }
    arguments[0] = &path[0];

    int count = 0;
    while (arguments[count]) ++count;
    {
        Log line(3);
        line << "DEBUG: try to do execv with following args:";
        // The proxy password shows as the banner shows it.
        for (const std::string& word : argumentsForLog(count, arguments)) line << " '" << word << "'";
        line << std::endl;
    }

    if (verifiedExecutable < 0) {
        try {
            verifiedExecutable = openMatching(path, readMd5File(path + ".md5sum"));
        } catch (const error& e) {
            cannotRestart(e.text());
        }
        if (verifiedExecutable < 0)
            cannotRestart((boost::format(Messages::getMessage("err_mk5check")) % path).str());
    }
    std::cout.flush();
    std::fflush(nullptr);
    ::fexecve(verifiedExecutable, arguments, environ);
    cannotRestart(std::strerror(errno));
}

void SelfUpgrade::runCachedIfNewer() {
    Log(3) << "DEBUG: SelfUpgrade: current version VN is " << buildinfo::version << std::endl;
    const std::string directory = cacheDir();
    struct stat st;
    if (::stat(directory.c_str(), &st) != 0) {
        Log(3) << "DEBUG: SelfUpgrade: unable to get status of cache directory.\n";
        return;
    }
    // Whoever else may write there could have this process run anything.
    if ((st.st_mode & 022) != 0 || st.st_uid != ::geteuid()) {
        Log(2) << "DEBUG: SelfUpgrade: cache directory is unsecure, avoid to using it.\n";
        return;
    }

    const std::string cached = directory + executableName();
    if (commandLineArgs.argc > 0 && commandLineArgs.argv && commandLineArgs.argv[0] &&
        cached == commandLineArgs.argv[0]) {
        Log(3) << "DEBUG: SelfUpgrade: already runing from cache." << std::endl;
        return;
    }
    Log(3) << "DEBUG: SelfUpgrade: search cached VN binary in " << cached << std::endl;
    if (!fileops::exists(cached)) {
        Log(3) << "DEBUG: SelfUpgrade: not exists, return " << std::endl;
        return;
    }
    Log(3) << "DEBUG: SelfUpgrade: exists, checking md5sum for it" << std::endl;
    if (!fileops::exists(cached + ".md5sum")) {
        Log(3) << "DEBUG: SelfUpgrade: md5sum file is not exists, return " << std::endl;
        return;
    }
    const std::string md5 = readMd5File(cached + ".md5sum");
    forgetVerifiedExecutable();
    verifiedExecutable = openMatching(cached, md5);
    if (verifiedExecutable < 0) {
        Log(2) << "SelfUpgrade: md5 missmatch, do not execute this file.\n";
        return;
    }

    const std::string version = getExecutableVersion(cached);
    Log(3) << "DEBUG: SelfUpgrade: version VN in cache is " << version << std::endl;
    if (version.empty()) {
        forgetVerifiedExecutable();
        return;
    }
    try {
        if (Version(version) > Version(buildinfo::version)) {
            Log(3) << "DEBUG: SelfUpgrade: in cache is more recent, switch to it" << std::endl;
            std::vector<char*> arguments;
            for (int i = 0; i < commandLineArgs.argc && commandLineArgs.argv && commandLineArgs.argv[i]; ++i)
                arguments.push_back(commandLineArgs.argv[i]);
            if (arguments.empty()) arguments.push_back(nullptr);
            arguments.push_back(nullptr);
            restart(arguments.data());
        }
        forgetVerifiedExecutable();
        Log(3) << "DEBUG: SelfUpgrade: not execute from cache, clean it." << std::endl;
        fileops::remove(cached);
    } catch (...) {
        forgetVerifiedExecutable();
        Log(3) << "Warning: unable to execute version from VN self-upgrade cache." << std::endl;
    }
}
