#include "../common/Messages.h"

// Spanish console group; keys it lacks keep their English text.
void Messages::messages_rep::loadConsoleEs() {
}
