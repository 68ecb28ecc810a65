#include "web_ui.h"

#include "../main/mainRoutines.h"

namespace driver {

void web_ui() { throwNotImplemented(); }

}  // namespace driver
