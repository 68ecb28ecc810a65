#ifndef VN_COMMON_STDIOFILE_H
#define VN_COMMON_STDIOFILE_H

#include <cstdio>
#include <string>

// Owner of one open stdio stream. The owner reads and writes `file` directly; the stream is
// closed when the object goes, and a failing close is reported then (for a written file that
// is where a full disk shows up).
class StdioFile {
public:
    // Opens with the large-file fopen. Failure: error (4,1,1,2) "err_filewrite1" when the mode
    // contains 'w', else "err_fileread1", with the path and the system's reason.
    StdioFile(const std::string& path, const char* mode);

    // A failing close raises "err_filewrite2" / "err_fileread2" (4,1,1,2), but only when no
    // exception has started unwinding since construction; while one is on its way out the
    // failure is logged instead, so the process never terminates here.
    ~StdioFile() noexcept(false);

    StdioFile(const StdioFile&) = delete;
    StdioFile& operator=(const StdioFile&) = delete;

    std::string path;
    FILE* file;
    bool write;

private:
    int uncaught;
};

#endif
