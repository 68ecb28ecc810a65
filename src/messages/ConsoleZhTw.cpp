#include "../common/Messages.h"

// traditional Chinese console group; keys it lacks keep their English text.
void Messages::messages_rep::loadConsoleZhTw() {
}
