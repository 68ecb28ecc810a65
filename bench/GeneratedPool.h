#ifndef VN_BENCH_GENERATEDPOOL_H
#define VN_BENCH_GENERATEDPOOL_H

#include <cstdlib>
#include <string>

#include <stdlib.h>

#include "common/fileops.h"

// The directory a benchmark reads: the one the environment variable `variable` names, or else
// one that bench/make_pool.py fills with `arguments` + the directory, made once per process and
// removed at exit.
class GeneratedPool {
public:
    GeneratedPool(const char* variable, const std::string& arguments) {
        if (const char* given = std::getenv(variable)) {
            dir = given;
            return;
        }
        char name[] = "/tmp/vn-bench-pool-XXXXXX";
        if (!::mkdtemp(name)) std::abort();
        dir = made = name;
        const std::string command = "/usr/bin/python3 " VN_BENCH_DIR "/make_pool.py " + arguments + " " + dir;
        if (std::system(command.c_str()) != 0) std::abort();
    }
    ~GeneratedPool() {
        if (!made.empty()) fileops::remove_all(made);
    }
    GeneratedPool(const GeneratedPool&) = delete;
    GeneratedPool& operator=(const GeneratedPool&) = delete;

    std::string dir;

private:
    std::string made;
};

#endif
