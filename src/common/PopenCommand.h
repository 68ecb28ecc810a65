#ifndef VN_COMMON_POPENCOMMAND_H
#define VN_COMMON_POPENCOMMAND_H

#include <cstdio>
#include <string>

// The output of one command line, read with fgets from `fp` while the command runs. Made on
// the caller's stack for one command, never copied.
class PopenCommand {
public:
    // Starts `cmd` through the shell. Raises (4,2,2,2) "vantrell: Can't execute <name>" when the
    // command cannot be started.
    PopenCommand(const std::string& cmd, bool ignoreExit);
    // Closes the command and tests its result: a non-zero one raises (4,2,2,2) "vantrell: Error
    // in execution of <name>" unless `ignoreExit` is set. While another exception leaves the
    // owner's scope, the failure is logged instead, so the program is not terminated.
    ~PopenCommand() noexcept(false);
    PopenCommand(const PopenCommand&) = delete;
    PopenCommand& operator=(const PopenCommand&) = delete;

    std::string command;
    FILE* fp;
    bool ignoreExit;

private:
    int uncaught;  // exceptions in flight when the object was made
};

#endif
