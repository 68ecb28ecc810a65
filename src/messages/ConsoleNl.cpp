#include "../common/Messages.h"

// Dutch console group; keys it lacks keep their English text.
void Messages::messages_rep::loadConsoleNl() {
}
