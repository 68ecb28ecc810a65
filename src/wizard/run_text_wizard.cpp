#include "run_text_wizard.h"

#include "../main/mainRoutines.h"

void run_text_wizard() { throwNotImplemented(); }
