#include "Reporter.h"

bool Reporter::xmlOutput = false;
std::string Reporter::statusPrefix;
