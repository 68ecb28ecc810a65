#include "StdioFile.h"

#include <cerrno>
#include <cstring>
#include <exception>

#include <boost/format.hpp>

#include "Log.h"
#include "Messages.h"
#include "error.h"

StdioFile::StdioFile(const std::string& p, const char* mode)
    : path(p), file(nullptr), write(std::strchr(mode, 'w') != nullptr),
      uncaught(std::uncaught_exceptions()) {
    // "e": the stream must not leak into the commands this process starts.
    std::string fullMode = std::string(mode) + "e";
    file = ::fopen64(path.c_str(), fullMode.c_str());
    if (!file) {
        int e = errno;
        throw error(4, 1, 1, 2)
            << boost::format(Messages::getMessage(write ? "err_filewrite1" : "err_fileread1")) % path %
                   std::strerror(e);
    }
}

StdioFile::~StdioFile() noexcept(false) {
    if (!file) return;
    FILE* f = file;
    file = nullptr;
    if (std::fclose(f) == 0) return;
    int e = errno;
    std::string text =
        (boost::format(Messages::getMessage(write ? "err_filewrite2" : "err_fileread2")) % path %
         std::strerror(e))
            .str();
    if (std::uncaught_exceptions() > uncaught) {
        Log(1) << text << std::endl;
        return;
    }
    throw error(4, 1, 1, 2) << text;
}
