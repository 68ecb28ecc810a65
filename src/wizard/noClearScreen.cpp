#include "noClearScreen.h"

bool noClearScreen = false;
