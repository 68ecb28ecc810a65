#include "runMirror.h"

#include "mainRoutines.h"

void runMirror() { throwNotImplemented(); }
