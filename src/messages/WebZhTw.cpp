#include "../common/Messages.h"

// traditional Chinese web group; keys it lacks keep their English text.
void Messages::messages_rep::loadWebZhTw() {
}
