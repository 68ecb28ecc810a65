#ifndef VN_MAIN_RUNCOMMANDLINE_H
#define VN_MAIN_RUNCOMMANDLINE_H

// The command-line work mode: listings and batch installation. Returns on success.
void runCommandLine();

#endif
