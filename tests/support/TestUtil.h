#ifndef VN_TESTS_SUPPORT_TESTUTIL_H
#define VN_TESTS_SUPPORT_TESTUTIL_H

#include <map>
#include <string>
#include <vector>

namespace testutil {

// A private temporary directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return dir; }
    std::string operator/(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
};

// Redirects file descriptor 2 into a temporary file while it lives.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    // What was written to fd 2 so far.
    std::string text() const;

private:
    int saved;
    std::string file;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

struct RunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs argv[0] with the arguments (no shell). `env` entries replace or add variables; a value
// of nullptr-like "\x01unset" removes the variable. `input` goes to standard input.
RunResult run(const std::vector<std::string>& argv,
              const std::map<std::string, std::string>& env = {},
              const std::string& input = std::string());

// "/bin/sh -c cmd".
RunResult shell(const std::string& cmd);

// Value that removes a variable in run()'s env.
extern const char* const unset;

// Path of a test program built from tests/<folder>/prog_<name>.cpp.
std::string program(const std::string& name);

}  // namespace testutil

#endif
