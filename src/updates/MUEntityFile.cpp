#include "MUEntityFile.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/Log.h"
#include "common/ShellQuote.h"
#include "common/error.h"
#include "common/exec_cmd.h"
#include "common/fileops.h"
#include "sources/FileFetcher.h"

namespace {

// Raises (4,2,2,2) with `head` + the system's text of `err` (read by the caller right after the
// failing call, before any text is built).
[[noreturn]] void fail(int err, const std::string& head) { throw error(4, 2, 2, 2) << head << std::strerror(err); }

std::string octal(unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%o", value);
    return buf;
}

}  // namespace

MUEntityFile::MUEntityFile(FileFetcher* fetcher, const std::string& name, const std::string& target,
                           const std::string& md5)
    : fetcher(fetcher), name(name), target(target), md5(md5) {}

void MUEntityFile::setPermissions(const std::string& owner, const std::string& group, int mode) {
    this->owner = owner;
    this->group = group;
    this->mode = mode;
}

void MUEntityFile::prepare() {
    // Patches never create files: a product without this file gets nothing.
    if (!fileops::exists(target)) {
        Log(3) << "MUEntityFile::apply: skip because absent\n";
        return;
    }
    localPath = fetcher->getFile(name, md5);
    if (owner.empty()) throw internalError("MUEntityFile", 116);
    if (group.empty()) throw internalError("MUEntityFile", 117);
    uid = lookupUser(owner);
    gid = lookupGroup(group);
}

uid_t MUEntityFile::lookupUser(const std::string& name) {
    std::vector<char> buffer(4096);
    struct passwd entry;
    struct passwd* found = nullptr;
    int rc;
    while ((rc = ::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE)
        buffer.resize(buffer.size() * 2);
    if (rc != 0) throw internalError("MUEntityFile", 162);
    if (!found) throw error(4, 2, 2, 2) << "User named '" << name << "' is not exists in this system.";
    return found->pw_uid;
}

gid_t MUEntityFile::lookupGroup(const std::string& name) {
    std::vector<char> buffer(4096);
    struct group entry;
    struct group* found = nullptr;
    int rc;
    while ((rc = ::getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE)
        buffer.resize(buffer.size() * 2);
    if (rc != 0) throw internalError("MUEntityFile", 194);
    if (!found) throw error(4, 2, 2, 2) << "Group named '" << name << "' is not exists on this system.";
    return found->gr_gid;
}

void MUEntityFile::apply() {
    if (localPath.empty()) return;
    Log(2) << "Patching file " << target << "\n";
    replaceFile(*this, localPath);
}

void MUEntityFile::replaceFile(const MUEntityFile& item, const std::string& source) {
    std::string tmp = fileops::dirname(item.target) + "/updateXXXXXX";
    int fd = ::mkstemp(&tmp[0]);
    if (fd < 0) { int e = errno; fail(e, "Can't generate unique file name with mkstemp: "); }
    if (::close(fd) != 0) { int e = errno; fail(e, "Can't close tmp file descriptor: "); }

    fileops::copy_contents(source, tmp);
    // chown clears the set-id bits, so the mode comes after it.
    if (::chown(tmp.c_str(), item.uid, item.gid) != 0)
        { int e = errno; fail(e, "Can't change file ownership for " + tmp + ": "); }
    const unsigned wanted = static_cast<unsigned>(item.mode) & 07777;
    if (::chmod(tmp.c_str(), wanted) != 0) { int e = errno; fail(e, "Can't change file mode for " + tmp + ": "); }
    struct stat st;
    if (::stat(tmp.c_str(), &st) != 0) { int e = errno; fail(e, "Can't stat file " + tmp + ": "); }
    if ((st.st_mode & 07777) != wanted)
        Log(2) << "ERROR: after chmod() file permissions bits is " << octal(st.st_mode & 07777) << " instead of "
               << octal(wanted) << "\n";

    if (::rename(tmp.c_str(), item.target.c_str()) != 0)
        { int e = errno; fail(e, "Can't overwrite " + item.target + ": "); }
    if (::stat(item.target.c_str(), &st) != 0) { int e = errno; fail(e, "Can't stat file " + item.target + ": "); }
    if ((st.st_mode & 07777) != wanted)
        Log(2) << "ERROR: after rename() file permissions bits is " << octal(st.st_mode & 07777) << " instead of "
               << octal(wanted) << "\n";

    const char* restorecon = nullptr;
    if (fileops::exists("/sbin/restorecon"))
        restorecon = "/sbin/restorecon";
    else if (fileops::exists("/usr/sbin/restorecon"))
        restorecon = "/usr/sbin/restorecon";
    if (restorecon) executeCommand((std::string(restorecon) + " " + shellQuote(item.target)).c_str(), false, false);
}
