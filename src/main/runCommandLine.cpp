#include "runCommandLine.h"

#include "mainRoutines.h"

void runCommandLine() { throwNotImplemented(); }
