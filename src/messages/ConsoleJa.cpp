#include "../common/Messages.h"

// Japanese console group; keys it lacks keep their English text.
void Messages::messages_rep::loadConsoleJa() {
}
