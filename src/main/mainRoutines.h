#ifndef VN_MAIN_MAINROUTINES_H
#define VN_MAIN_MAINROUTINES_H

#include <string>
#include <vector>

class Options;

// Small routines of the program entry.

// The SIGINT and SIGHUP handler: only records the request, the running code stops at its
// checkpoints.
void onSignal(int signal);

// Writes the host's SELinux mode into the log when the host has getenforce: a failure caused
// by SELinux then shows why. Never raises.
void reportSelinuxState();

// The work mode that is not there yet: error "Not implement yet", all codes 0.
[[noreturn]] void throwNotImplemented();

// The banner's view of the command line: every argument as given, except the value of
// "--proxy-password" (in every form the option parser accepts), which shows as "***".
std::vector<std::string> argumentsForLog(int argc, char** argv);

// Turns the relative paths of the settings into absolute ones against the current directory:
// the target, the certificate, a local update source and the "directory" additional sources.
// Called before the background start, which moves the process to "/".
void makeSettingsAbsolute(Options& options);

#endif
