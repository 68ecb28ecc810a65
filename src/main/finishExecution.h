#ifndef VN_MAIN_FINISHEXECUTION_H
#define VN_MAIN_FINISHEXECUTION_H

// The one way out of a run. Both exits mail the execution summary when the settings name an
// address, and leave through exit(), so the process-wide objects (the run summary among
// them) are destroyed; objects on the stack of main or of a driver are not.

// Mails the summary of the run (everything logged at levels 0 and 1) to the notification
// address; does nothing without one.
void finishExecution(bool success);

// Exit status 1, or 0 with XML output: scripts read the outcome from the document.
[[noreturn]] void exitWithError();
[[noreturn]] void exitWithSuccess();

#endif
