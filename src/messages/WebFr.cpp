#include "../common/Messages.h"

// French web group; keys it lacks keep their English text.
void Messages::messages_rep::loadWebFr() {
}
