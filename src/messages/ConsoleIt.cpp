#include "../common/Messages.h"

// Italian console group; keys it lacks keep their English text.
void Messages::messages_rep::loadConsoleIt() {
}
