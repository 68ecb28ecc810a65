#ifndef VN_PACKAGES_DEPENDENCYFILE_H
#define VN_PACKAGES_DEPENDENCYFILE_H

#include <cstddef>

// A dependency on a file path. So far only its digest record is here.
class DependencyFile {
public:
    // The MD5 of one owned file as 16 raw bytes. Tens of thousands of file dependencies carry
    // one, so records come from large zeroed blocks, one record per `new`, and are never given
    // back: they live for the whole process.
    struct md5rep_t {
        unsigned char digest[16];

        // One zeroed record; a size other than 16 is an internal error.
        static void* operator new(std::size_t size);
        // Frees nothing (the record is not handed out again) and says so on standard output.
        static void operator delete(void* record);
    };
};

#endif
