#ifndef VN_COMMON_FILEOPS_H
#define VN_COMMON_FILEOPS_H

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

// Every touch of the local file system goes through here. Paths are byte strings used exactly
// as given: nothing is normalised, made absolute or expanded.
//
// The program's own failures are `error`s with message keys; where an operation is a thin
// layer over Boost.Filesystem, the library's exception reaches the caller unconverted.
namespace fileops {

// False for "http://" and "ftp://" texts without looking at the disk; otherwise whether the
// path exists, following links. Never fails: a name the system cannot look up (too long, no
// permission) counts as absent. Traces the question and the verdict at level 3.
bool exists(const std::string& path);
// Exists and is not a directory.
bool is_file(const std::string& path);
// Is a directory (following links); false when missing.
bool is_directory(const std::string& path);
time_t last_write_time(const std::string& path);
uint64_t file_size(const std::string& path);

// Creates the directory and each missing parent (mode 0755 under the umask). False when the
// path already exists, true when made (and for ""). Failure: level-1 line, then "err_mkdir".
bool create_directory(const std::string& path);
// The same, the directory itself made with `mode` (under the umask), its parents with 0755.
// The umask stays untouched: other threads may be creating files meanwhile.
bool create_directory(const std::string& path, mode_t mode);
// Removes a file, link or empty directory when the path exists. A dangling link does not
// exist for this rule and stays.
void remove(const std::string& path);
// Removes the path and everything under it; the number of entries removed.
unsigned long remove_all(const std::string& path);
void rename(const std::string& from, const std::string& to);
// Replaces `to` by a copy of `from`. The target (or a link standing there) is removed first
// and the copy is created exclusively, so nothing is ever written through a link.
void copy_file(const std::string& from, const std::string& to);
// Copies the bytes of `from` into `to` (created 0666 or truncated) and forces them to disk.
void copy_contents(const std::string& from, const std::string& to);

// Whether a '/'-separated path has a ".." component ("a/../b", "..", "../x", "x/.."): names
// from update servers and descriptions must not lead out of the directory they are meant for.
bool hasParentComponent(const std::string& path);
// Text before the last '/' ("" without one): "/etc" gives "", "/etc/" gives "/etc".
std::string dirname(const std::string& path);
std::string parent_path(const std::string& path);
// Text after the last '/' (the whole text without one): "/etc/" gives "".
std::string basename(const std::string& path);
std::string filename(const std::string& path);
void strip_trailing(std::string& s, char c);
void ensure_trailing(std::string& s, char c);

// Which file a name stood for when it was made.
struct FileIdentity {
    dev_t device;
    ino_t inode;
};
// Makes `path`, a fixed name in a directory where others may create names (/tmp), a new
// empty regular file of the effective user, mode 0600, for a command to write through the
// shell. Whatever stood there (an older file, a planted link, FIFO or hard link, an empty
// directory) is removed without being opened; a directory with anything in it is left alone
// and fails the creation. The file is created exclusively without following links, so
// nothing that appears meanwhile is written through. Failure: (4,1,1,2) "err_file_create"
// with the path and the reason.
FileIdentity create_private_file(const std::string& path);
// The file made by create_private_file, opened to read without following a link; null (with
// errno set) unless `path` is still that regular file of the effective user.
FILE* open_private_file(const std::string& path, const FileIdentity& made);
// The same file opened to write: a descriptor the caller closes, or -1 (with errno set) under
// the same conditions.
int open_private_file_to_write(const std::string& path, const FileIdentity& made);

}  // namespace fileops

// Home directory of the effective user from the password database (not $HOME); "/root", or
// "/" without it, when the user has no entry. Cached once found non-empty.
std::string get_home_dir();

#endif
