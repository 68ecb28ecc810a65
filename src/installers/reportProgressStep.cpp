#include "reportProgressStep.h"

#include <ostream>

#include "../common/Log.h"
#include "../common/Progress.h"

void reportProgressStep(const std::string& id, const std::string& title) {
    Progress().step(id, title);
    Log(0) << title << std::endl;
}
