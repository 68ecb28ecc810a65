#ifndef VN_COMMON_TERMINATIONSTATE_H
#define VN_COMMON_TERMINATIONSTATE_H

// The process-wide stop request. A signal handler or the web interface's cancel asks; a loop
// that runs child work (commands, transfers, rpm transactions, console input) takes the
// request once and stops that work; the next checkpoint ends the run with "user_canceled".
//
//   0 running -> 1 requested (the first signal number is kept) -> 2 taken by a loop
//   1 or 2 -> 3 terminated (checkTermination logs and raises, once)
//   any -> 0 through resetTermination
//
// State and signal number live in one lock-free atomic word, so every function here may be
// called from any thread, and requestTermination from a signal handler.

// Only from state 0: remembers `signal` (0 for a cancel that no signal caused).
void requestTermination(int signal);

// True exactly once per request, in one thread only: the caller must now stop its child work.
bool acceptTerminationRequest();

// The checkpoint: after a request (taken or not) logs the termination line at level 2 and
// raises error (2,2,2,1) "user_canceled". Does nothing while running or once terminated.
void checkTermination();

// True once a checkpoint has raised "user_canceled".
bool isTerminated();

void resetTermination();

#endif
