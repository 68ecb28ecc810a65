#include "launchWebInterface.h"

#include <string>

#include "../common/utils.h"

void makeWebSecret() { setEnv("WEB_SECRET", randomLowercaseLetters(20)); }
