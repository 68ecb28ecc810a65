#include "fileops.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include <boost/filesystem.hpp>
#include <boost/format.hpp>

#include "Log.h"
#include "Messages.h"
#include "ScopedFd.h"
#include "error.h"
#include "utils.h"

namespace fs = boost::filesystem;

namespace {

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Message of a key with the path and the system's reason, as every copy failure reads.
std::string fileMessage(const char* key, const std::string& path, int e) {
    return (boost::format(Messages::getMessage(key)) % path % std::strerror(e)).str();
}

[[noreturn]] void raiseCopyError(const char* prefix, const char* key, const std::string& path, int e) {
    throw error(4, 2, 1, 2) << prefix << fileMessage(key, path, e);
}

void writeAll(int fd, const char* p, size_t n, const std::string& to) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        // A short write is followed by the failing one, which says why (a full disk).
        if (w <= 0) raiseCopyError("", "err_filewrite2", to, w < 0 ? errno : ENOSPC);
        p += w;
        n -= static_cast<size_t>(w);
    }
}

// The shared body of both copies: every byte of `in` into `out` through one 4096-byte
// buffer, then optionally fsync, then close the target and the source.
void copyBytes(ScopedFd& in, ScopedFd& out, const std::string& from, const std::string& to,
               bool sync) {
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(in.fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            raiseCopyError("", "err_fileread2", from, errno);
        }
        if (n == 0) break;
        writeAll(out.fd, buf, static_cast<size_t>(n), to);
    }
    if (sync && ::fsync(out.fd) != 0) raiseCopyError("[fsync] ", "err_filewrite2", to, errno);
    if (::close(out.release()) != 0) raiseCopyError("[close] ", "err_filewrite2", to, errno);
    if (::close(in.release()) != 0) raiseCopyError("[close] ", "err_fileread2", from, errno);
}

int openSource(const std::string& from) {
    int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) raiseCopyError("", "err_fileread1", from, errno);
    return fd;
}

}  // namespace

namespace fileops {

// Each trace is composed into one text first: the log writes an empty piece as a marker, and a
// trace of an empty path must read as the path.
bool exists(const std::string& path) {
    Log(3) << "fileops::exists: " + path;
    if (startsWith(path, "http://") || startsWith(path, "ftp://")) {
        Log(3) << "no (not local)" << std::endl;
        return false;
    }
    // A name the system cannot look up (too long, a component that is no directory, no
    // permission) does not exist for the caller: this question never fails.
    boost::system::error_code ignored;
    bool yes = fs::exists(path, ignored);
    Log(3) << (yes ? " - yes" : " - no") << std::endl;
    return yes;
}

bool is_file(const std::string& path) { return fs::exists(path) && !fs::is_directory(path); }

bool is_directory(const std::string& path) { return fs::is_directory(path); }

time_t last_write_time(const std::string& path) { return fs::last_write_time(path); }

uint64_t file_size(const std::string& path) { return fs::file_size(path); }

bool create_directory(const std::string& path) { return create_directory(path, 0755); }

bool create_directory(const std::string& path, mode_t mode) {
    Log(3) << "fileops::create_directory(" + path + ")\n";
    if (exists(path)) return false;

    // Each prefix ending before a '/' (never the root itself), then the whole path unless it
    // ends with '/'.
    for (size_t end = 1; end <= path.size(); ++end) {
        if (end < path.size() && path[end] != '/') continue;
        if (end == path.size() && path[end - 1] == '/') break;
        std::string prefix = path.substr(0, end);
        struct stat st;
        if (::stat(prefix.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        const bool last = end == path.size() || (end == path.size() - 1 && path[end] == '/');
        if (::mkdir(prefix.c_str(), last ? mode : 0755) != 0) {
            int e = errno;
            Log(1) << "Can't create directory " + path + ": error in create " + prefix + ": " +
                          std::strerror(e) + "\n";
            throw error(4, 1, 1, 2) << fileMessage("err_mkdir", path, e);
        }
    }
    return true;
}

void remove(const std::string& path) {
    Log(3) << "fileops::remove(" + path + ")\n";
    if (!exists(path)) return;
    errno = 0;
    if (!fs::remove(path)) throw error(4, 1, 1, 2) << fileMessage("err_rmfile2", path, errno);
}

unsigned long remove_all(const std::string& path) {
    Log(3) << "fileops::remove_all(" + path + ")\n";
    return static_cast<unsigned long>(fs::remove_all(path));
}

void rename(const std::string& from, const std::string& to) {
    Log(3) << "fileops::rename(" + from + ", " + to + ")\n";
    fs::rename(from, to);
}

void copy_file(const std::string& from, const std::string& to) {
    Log(3) << "fileops::copy_file(" + from + ", " + to + ")\n";
    if (!exists(from))
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_copy1")) % from;
    if (is_directory(from))
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_copy2")) % from % to;

    remove(to);
    // remove() leaves a dangling link alone; a link at the target goes itself, never what
    // it points to.
    if (fs::is_symlink(fs::symlink_status(to))) fs::remove(to);
    sleepMs(100);
    if (exists(to))
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_copy3")) % from % to;

    ScopedFd in(openSource(from));
    // Exclusive and without following links: whatever appeared at the target since the
    // removal makes the copy fail instead of being written through.
    ScopedFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (out.fd < 0) raiseCopyError("", "err_filewrite1", to, errno);
    copyBytes(in, out, from, to, false);
}

void copy_contents(const std::string& from, const std::string& to) {
    ScopedFd in(openSource(from));
    ScopedFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.fd < 0) raiseCopyError("", "err_filewrite1", to, errno);
    copyBytes(in, out, from, to, true);
}

FileIdentity create_private_file(const std::string& path) {
    struct stat st;
    // Never a walk through a tree: whatever a directory holds may be swapped for a link
    // meanwhile, and the walk would then remove files elsewhere. An empty directory goes, any
    // other makes the creation fail.
    if (::lstat(path.c_str(), &st) == 0 &&
        (S_ISDIR(st.st_mode) ? ::rmdir(path.c_str()) : ::unlink(path.c_str())) != 0 && errno != ENOENT) {
        const int e = errno;
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_file_create")) % path << ": "
                                << std::strerror(e);
    }
    ScopedFd made(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    int e = made.fd < 0 ? errno : 0;
    if (!e && ::fstat(made.fd, &st) != 0) e = errno;
    if (!e && (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid())) e = EPERM;
    if (e)
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_file_create")) % path << ": "
                                << std::strerror(e);
    return FileIdentity{st.st_dev, st.st_ino};
}

namespace {

// `path` opened with `flags` without following a link; -1 (with errno set) unless it is still
// the regular file of the effective user that `made` names.
int openPrivate(const std::string& path, int flags, const FileIdentity& made) {
    // O_NONBLOCK: a FIFO put in its place must not hang the open; a regular file ignores it.
    ScopedFd fd(::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (fd.fd < 0) return -1;
    struct stat st;
    if (::fstat(fd.fd, &st) != 0) return -1;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_dev != made.device || st.st_ino != made.inode) {
        errno = EPERM;
        return -1;
    }
    return fd.release();
}

}  // namespace

FILE* open_private_file(const std::string& path, const FileIdentity& made) {
    ScopedFd fd(openPrivate(path, O_RDONLY, made));
    if (fd.fd < 0) return nullptr;
    FILE* file = ::fdopen(fd.fd, "r");
    if (file) fd.release();
    return file;
}

int open_private_file_to_write(const std::string& path, const FileIdentity& made) {
    return openPrivate(path, O_WRONLY, made);
}

bool hasParentComponent(const std::string& path) {
    size_t start = 0;
    for (;;) {
        size_t slash = path.find('/', start);
        size_t end = slash == std::string::npos ? path.size() : slash;
        if (path.compare(start, end - start, "..") == 0) return true;
        if (slash == std::string::npos) return false;
        start = slash + 1;
    }
}

std::string dirname(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string parent_path(const std::string& path) { return dirname(path); }

std::string basename(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string filename(const std::string& path) { return basename(path); }

void strip_trailing(std::string& s, char c) {
    size_t keep = s.find_last_not_of(c);
    s.erase(keep == std::string::npos ? 0 : keep + 1);
}

void ensure_trailing(std::string& s, char c) {
    if (s.empty() || s.back() != c) s += c;
}

}  // namespace fileops

namespace {
// Filled by the first lookup that finds a non-empty home; an empty one is looked up again.
// Web mode asks from two threads; the mutex also keeps the walk over the password database,
// which has one cursor per process, to one thread at a time.
std::mutex homeMutex;
std::string homeCache;
}  // namespace

std::string get_home_dir() {
    std::lock_guard<std::mutex> held(homeMutex);
    if (!homeCache.empty()) return homeCache;

    uid_t uid = ::geteuid();
    Log(3) << "DEBUG: get_home_dir: myUID=" << uid << "\n";
    errno = 0;
    struct passwd* pwd = ::getpwuid(uid);
    int lookupErrno = errno;
    Log(3) << "DEBUG: get_home_dir: myPWD=" << static_cast<const void*>(pwd) << "\n";
    if (!pwd) Log(3) << "DEBUG: get_home_dir: Can't get getpwuid: " << std::strerror(lookupErrno) << "\n";

    // getpwuid's answer is only traced; the walk over the database decides.
    std::string result;
    bool found = false;
    ::setpwent();
    while (struct passwd* line = ::getpwent()) {
        Log(3) << "DEBUG: get_home_dir: passwdLine=" << static_cast<const void*>(line) << "\n";
        if (line->pw_uid != uid) continue;
        std::string home = line->pw_dir ? line->pw_dir : "";
        Log(3) << "DEBUG: get_home_dir: passwdLine not NULL, get value " + home + "\n";
        result = home.substr(0, 4095);
        found = true;
        break;
    }
    if (!found) {
        if (fileops::exists("/root")) {
            Log(3) << "DEBUG: get_home_dir: passwdLine is NULL, return /root\n";
            result = "/root";
        } else {
            Log(3) << "DEBUG: get_home_dir: passwdLine is NULL, return /\n";
            result = "/";
        }
    }
    ::endpwent();
    Log(3) << "DEBUG: get_home_dir: return " + result + "\n";
    homeCache = result;
    return result;
}
