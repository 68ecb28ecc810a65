#include "PopenCommand.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <ostream>

#include "Log.h"
#include "error.h"
#include "exec_cmd.h"

PopenCommand::PopenCommand(const std::string& cmd, bool ignore)
    : command(cmd), fp(nullptr), ignoreExit(ignore), uncaught(std::uncaught_exceptions()) {
    Log(2) << "vantrell: read output of " << cmd << " with popen" << std::endl;
    errno = 0;
    // "e": the read end is close-on-exec, so commands started meanwhile do not hold it open.
    fp = ::popen(cmd.c_str(), "re");
    if (!fp) {
        int e = errno;
        Log(2) << "popen error: " << std::strerror(e) << std::endl;
        throw error(4, 2, 2, 2) << "vantrell: Can't execute " << getCommandName(cmd);
    }
}

PopenCommand::~PopenCommand() noexcept(false) {
    // A command that merely exits non-zero leaves no error number behind; clear the stale one.
    errno = 0;
    int r = ::pclose(fp);
    if (r == 0) {
        Log(2) << "vantrell: pclose OK" << std::endl;
        return;
    }
    int e = errno;
    const std::string name = getCommandName(command);
    Log(2) << "pclose error: " << std::strerror(e) << std::endl;
    Log(2) << "Execution of '" << name << "' failed - exit code not zero" << std::endl;
    if (ignoreExit) return;
    const std::string text = "vantrell: Error in execution of " + name;
    if (std::uncaught_exceptions() > uncaught) {
        Log(1) << text << std::endl;
        return;
    }
    throw error(4, 2, 2, 2) << text;
}
