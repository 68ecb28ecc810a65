#ifndef VN_COMMON_EXEC_CMD_H
#define VN_COMMON_EXEC_CMD_H

#include <string>
#include <vector>

// Shell commands. Every command line runs as "/bin/sh -c <line>"; an exit status of 127 means
// that the shell did not run or did not find the command. Callers build the lines with
// shellQuote() (ShellQuote.h) for every value they put in.

// Runs `cmd`, copying everything it writes (standard output and error together) into the log
// while it runs: level 0 with `echo`, else level 2. Returns the exit status without `check`;
// with `check` every status but 0 raises. A command whose process is ended by a signal raises
// either way: "user_canceled" after a termination request (the command's whole process group
// gets SIGTERM), else "err_exec_signal". The command reads /dev/null as its standard input.
// Several threads may run commands at once.
int executeCommand(const char* cmd, bool echo, bool check);

// Starts `cmd` with standard output and error on /dev/null and returns at once; the child is
// never waited for.
void launchCommand(const std::string& cmd);

// The output lines of `cmd` + " " + `args` (`cmd` alone when `args` is empty), each trimmed,
// empty lines kept; a line longer than 4095 bytes comes as several elements. A non-zero exit
// status raises (4,2,2,2) after the whole output was read. `args` is joined as given: quote it.
std::vector<std::string> getCommandOutput(const std::string& cmd, const std::string& args);

// The first line of getCommandOutput(); no output at all raises "err_empty_output".
std::string getCommandOutputLine(const std::string& cmd, const std::string& args);

// The word of a command line that names the program it runs, for messages: words are split at
// blanks, and "env", "sh" and assignments (words with '=') are skipped. When every word is
// skipped, the whole line.
std::string getCommandName(const std::string& cmdline);

#endif
