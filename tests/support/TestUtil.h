#ifndef VN_TESTS_SUPPORT_TESTUTIL_H
#define VN_TESTS_SUPPORT_TESTUTIL_H

#include <functional>
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
// The lines of `text` without their "\n"; a last line without one counts too.
std::vector<std::string> splitLines(const std::string& text);
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

// Runs `body` in a forked child of this (single-threaded) test process and returns what it
// returned; for process-wide state that must start fresh or be seen from another process.
// An exception in the child comes back as "uncaught exception".
std::string inChild(const std::function<std::string()>& body);

// The same while the test goes on (a child that talks to the test process, say): the child
// starts at once, result() waits for it and returns what inChild would.
class ChildTask {
public:
    explicit ChildTask(const std::function<std::string()>& body);
    // Waits for the child when result() was not called.
    ~ChildTask();
    ChildTask(const ChildTask&) = delete;
    ChildTask& operator=(const ChildTask&) = delete;
    std::string result();

private:
    int child;
    int out;
};

// A program started in the background (no shell), for a holder of some resource that the
// test needs while it works. Its standard output is read line by line; standard input and
// error are the test's. SIGKILLed and reaped when the object goes, unless already reaped.
class Background {
public:
    explicit Background(const std::vector<std::string>& argv);
    ~Background();
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    int pid() const { return child; }
    // The next line of standard output without its "\n"; what is left at the end of output.
    std::string readLine();
    // Sends `sig` and reaps; returns the status as run() does (128 + signal when killed).
    int stop(int sig);

private:
    int child;
    int out;
    std::string buffer;
};

// Sets an environment variable of this process while it lives; the old value (or its
// absence) comes back when it goes.
class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name;
    bool hadValue;
    std::string oldValue;
};

// Stand-ins of host commands, found first on PATH while the object lives.
class CommandShims {
public:
    CommandShims();
    // An executable `name` that runs the shell text `script` ("$@" are its arguments);
    // replaces an earlier stand-in of that name.
    void add(const std::string& name, const std::string& script);

private:
    TempDir dir;
    ScopedEnv path;
};

// Path of a test program built from tests/<folder>/prog_<name>.cpp.
std::string program(const std::string& name);

// The shared test main fails a test that looks up a key the catalogue lacks (the user would
// see "key_(non_localized)"). A test that does so on purpose holds one of these meanwhile.
class AllowUnlocalizedKeys {
public:
    AllowUnlocalizedKeys();
    ~AllowUnlocalizedKeys();
    AllowUnlocalizedKeys(const AllowUnlocalizedKeys&) = delete;
    AllowUnlocalizedKeys& operator=(const AllowUnlocalizedKeys&) = delete;
    static bool active();
};

}  // namespace testutil

#endif
