#ifndef VN_MAIN_RUNCOMMANDLINE_H
#define VN_MAIN_RUNCOMMANDLINE_H

#include <cstdint>
#include <functional>
#include <string>

// The command-line work mode: listings and batch installation. Returns on success; a listing
// writes its report and ends the process itself, after releasing the run's objects (the host's
// package tool configuration restored, the answers file left alone).
void runCommandLine();

// Free space of a directory in KiB; false when it cannot be asked (the query logged why).
typedef std::function<bool(const std::string& path, uint64_t& kib)> FreeSpaceQuery;

// The disk-space step of a batch installation, only when `enabled`: for a source that is not
// a local path, the download of `requiredKib` must fit into `target` ("err_no_space"
// (4,1,1,2) after a level-1 line); a free space that cannot be asked skips that comparison.
// Then `installerCheck` (the installer's own check) runs in any case.
void checkDownloadSpace(bool enabled, const std::string& source, const std::string& target, uint64_t requiredKib,
                        const std::function<void()>& installerCheck, const FreeSpaceQuery& freeSpace);

#endif
