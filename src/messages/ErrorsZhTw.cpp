#include "../common/Messages.h"

// traditional Chinese error group; keys it lacks keep their English text.
void Messages::messages_rep::loadErrorsZhTw() {
}
